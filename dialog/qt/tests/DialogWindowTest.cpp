#include "dialog/qt/DialogWindow.h"

#include "dialog/Gbk.h"
#include "dialog/TemplateBuilder.h"
#include "dialog/qt/LogView.h"
#include "dialog/qt/TextConvert.h"
#include "dialog/qt/testing/ModalAnswer.h"
#include "dialog/tests/SurfaceContract.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <utility>
#include <vector>

namespace dialog::qt {
namespace {

using Event = std::pair<int, Notification>;
using dialog::qt::testing::whenModal;

// Records what the window forwards; hooks let a test act inside a call.
class RecordingLogic : public DialogLogic {
public:
    void bind(ControlSurface& s) override { surface = &s; }
    void onInit() override
    {
        ++inits;
        if (initHook)
            initHook();
    }
    void dispatch(int id, Notification n) override
    {
        events.emplace_back(id, n);
        if (dispatchHook)
            dispatchHook(id, n);
    }
    void onTimer(int id) override
    {
        ticks.push_back(id);
        if (timerHook)
            timerHook(id);
    }
    bool onCloseRequest() override
    {
        ++closeRequests;
        return allowClose;
    }
    void onMenuCommand(int command) override { menuCommands.push_back(command); }

    ControlSurface* surface = nullptr;
    int inits = 0;
    int closeRequests = 0;
    bool allowClose = false;
    std::vector<Event> events;
    std::vector<int> ticks;
    std::vector<int> menuCommands;
    std::function<void()> initHook;
    std::function<void(int, Notification)> dispatchHook;
    std::function<void(int)> timerHook;
};

using namespace dialog::contract;

struct Fixture {
    RecordingLogic logic;
    DialogWindow window{sampleWindow(), logic};
    template <class W> W* get(int id) { return qobject_cast<W*>(window.control(id)); }
};

TEST(DialogWindow, BuildsEveryControlFindableByIdAtItsRectangle)
{
    Fixture f;
    const WindowTemplate layout = sampleWindow();
    EXPECT_EQ(f.window.size(), QSize(layout.width, layout.height));
    // No size worth a sizing border: the pixel of height a maximizable
    // window leaves is what window managers ask before they offer maximize.
    EXPECT_EQ(f.window.minimumSize().width(), f.window.maximumSize().width());
    EXPECT_LE(f.window.maximumSize().height() - f.window.minimumSize().height(), 1);
    for (const ControlTemplate& c : layout.controls) {
        const QString id = QString::number(c.id);
        SCOPED_TRACE(id.toStdString());
        QWidget* w = f.window.findChild<QWidget*>(id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), &f.window); // absolute geometry, also inside group boxes
        EXPECT_EQ(w->accessibleDescription(), id);
        EXPECT_EQ(w->geometry(), QRect(c.rect.x, c.rect.y, c.rect.w, c.rect.h));
        if (!c.accessibleName.empty()) {
            EXPECT_EQ(w->accessibleName().toStdString(), c.accessibleName);
        }
    }
    EXPECT_EQ(f.get<QPushButton>(Push)->accessibleName(), QStringLiteral("打开串口"));
    EXPECT_EQ(f.get<QCheckBox>(Check)->accessibleName(), QStringLiteral("16进制"));
    // A caption the program changes is what accessibility tools read next.
    f.window.setText(Push, dialog::gbk("关闭串口"));
    EXPECT_EQ(f.get<QPushButton>(Push)->accessibleName(), QStringLiteral("关闭串口"));
}

TEST(DialogWindow, KindsBecomeTheirWidgets)
{
    Fixture f;
    EXPECT_TRUE(f.get<QLabel>(Caption));
    EXPECT_TRUE(f.get<QLineEdit>(Edit));
    EXPECT_TRUE(f.get<QPlainTextEdit>(Lines));
    EXPECT_TRUE(f.get<LogView>(Rich));
    EXPECT_TRUE(f.get<QComboBox>(List));
    EXPECT_FALSE(f.get<QComboBox>(List)->isEditable());
    EXPECT_TRUE(f.get<QCheckBox>(Check));
    EXPECT_TRUE(f.get<QRadioButton>(RadioA));
    EXPECT_TRUE(f.get<QGroupBox>(Group));
    EXPECT_TRUE(f.get<QPushButton>(Push));
    EXPECT_TRUE(f.get<QPushButton>(Drawn));
    EXPECT_FALSE(f.get<QPushButton>(Push)->autoDefault());
}

// Accessibility tools tell a control's kind by its role.
TEST(DialogWindow, KindsShowTheirAccessibleRoles)
{
    Fixture f;
    const std::pair<int, QAccessible::Role> cases[] = {
        {Push, QAccessible::Button},        {Check, QAccessible::CheckBox}, {RadioA, QAccessible::RadioButton},
        {RadioC, QAccessible::RadioButton}, {List, QAccessible::ComboBox},  {Edit, QAccessible::EditableText},
    };
    for (const auto& [id, role] : cases) {
        SCOPED_TRACE(id);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f.window.control(id));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), role);
    }
}

TEST(DialogWindow, InitSeesFilledListsWithNothingSelected)
{
    RecordingLogic logic;
    int count = -1, selected = 0;
    logic.initHook = [&] {
        count = logic.surface->itemCount(List);
        selected = logic.surface->selection(List);
    };
    DialogWindow window(sampleWindow(), logic);
    EXPECT_EQ(logic.inits, 1);
    EXPECT_EQ(logic.surface, &window);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(selected, -1);
}

TEST(DialogWindow, UserActionsReachDispatch)
{
    struct Case {
        const char* name;
        std::function<void(Fixture&)> act;
        Event expected;
    };
    const Case cases[] = {
        {"button",
         [](Fixture& f) { QTest::mouseClick(f.get<QPushButton>(Push), Qt::LeftButton); },
         {Push, Notification::Clicked}},
        {"owner-drawn button",
         [](Fixture& f) { QTest::mouseClick(f.get<QPushButton>(Drawn), Qt::LeftButton); },
         {Drawn, Notification::Clicked}},
        {"check box",
         [](Fixture& f) { QTest::mouseClick(f.get<QCheckBox>(Check), Qt::LeftButton); },
         {Check, Notification::Clicked}},
        {"radio",
         [](Fixture& f) { QTest::mouseClick(f.get<QRadioButton>(RadioB), Qt::LeftButton); },
         {RadioB, Notification::Clicked}},
        {"check box toggled by an assistive tool",
         [](Fixture& f) { f.get<QCheckBox>(Check)->toggle(); },
         {Check, Notification::Clicked}},
        {"radio toggled by an assistive tool",
         [](Fixture& f) { f.get<QRadioButton>(RadioB)->toggle(); },
         {RadioB, Notification::Clicked}},
        {"list",
         [](Fixture& f) { QTest::keyClick(f.get<QComboBox>(List), Qt::Key_Down); },
         {List, Notification::SelectionChanged}},
        {"edit", [](Fixture& f) { QTest::keyClicks(f.get<QLineEdit>(Edit), "COM"); }, {Edit, Notification::TextEdited}},
        {"multi-line edit",
         [](Fixture& f) { QTest::keyClicks(f.get<QPlainTextEdit>(Lines), "a"); },
         {Lines, Notification::TextEdited}},
        {"rich view",
         [](Fixture& f) { QTest::keyClicks(f.get<LogView>(Rich), "a"); },
         {Rich, Notification::TextEdited}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        c.act(f);
        QCoreApplication::processEvents(); // what the action left queued
        ASSERT_FALSE(f.logic.events.empty());
        if (c.expected.second == Notification::Clicked) {
            EXPECT_EQ(f.logic.events.size(), 1u); // a click is told once
        }
        EXPECT_EQ(f.logic.events.front(), c.expected);
        for (const Event& e : f.logic.events)
            EXPECT_EQ(e, c.expected);
    }
}

// However a check box or radio is operated (the mouse, the keyboard, an
// assistive tool's toggle action), the logic hears one click and then
// reads the new state.
TEST(DialogWindow, CheckablesAreToldOnceHoweverOperated)
{
    const auto toggleAction = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a && a->actionInterface());
        const QString toggle = QAccessibleActionInterface::toggleAction();
        ASSERT_TRUE(a->actionInterface()->actionNames().contains(toggle));
        a->actionInterface()->doAction(toggle);
    };
    struct Case {
        const char* name;
        int id;
        std::function<void(Fixture&)> act;
    };
    const Case cases[] = {
        {"check box by the mouse", Check,
         [](Fixture& f) { QTest::mouseClick(f.get<QCheckBox>(Check), Qt::LeftButton); }},
        {"check box by the space key", Check,
         [](Fixture& f) { QTest::keyClick(f.get<QCheckBox>(Check), Qt::Key_Space); }},
        {"check box by the toggle action", Check, [&](Fixture& f) { toggleAction(f.window.control(Check)); }},
        {"radio by the mouse", RadioB,
         [](Fixture& f) { QTest::mouseClick(f.get<QRadioButton>(RadioB), Qt::LeftButton); }},
        {"radio by an arrow key", RadioB,
         [](Fixture& f) {
             f.window.setCheck(RadioA, 1);
             f.get<QRadioButton>(RadioA)->setFocus();
             QTest::keyClick(f.get<QRadioButton>(RadioA), Qt::Key_Right);
         }},
        {"radio by the toggle action", RadioB, [&](Fixture& f) { toggleAction(f.window.control(RadioB)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        f.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
        std::vector<int> stateWhenTold;
        f.logic.dispatchHook = [&](int id, Notification) { stateWhenTold.push_back(f.window.check(id)); };
        c.act(f);
        QCoreApplication::processEvents(); // what the action left queued
        EXPECT_EQ(f.logic.events, std::vector<Event>{Event(c.id, Notification::Clicked)});
        EXPECT_EQ(stateWhenTold, std::vector<int>{1});
    }
}

// What the widgets change by themselves, beyond the contract's typing:
// each must move the control's change stamp, or a tick reads an old value.
TEST(DialogWindow, ChangesTheWidgetsMakeMoveTheChangeStamp)
{
    struct Case {
        const char* name;
        int id;
        std::function<void(Fixture&)> act;
    };
    const Case cases[] = {
        {"check box clicked", Check, [](Fixture& f) { QTest::mouseClick(f.get<QCheckBox>(Check), Qt::LeftButton); }},
        {"radio unchecked by its group", RadioA,
         [](Fixture& f) { QTest::mouseClick(f.get<QRadioButton>(RadioB), Qt::LeftButton); }},
        {"list stepped by a key", List, [](Fixture& f) { QTest::keyClick(f.get<QComboBox>(List), Qt::Key_Down); }},
        {"edit written by an accessibility tool", Edit,
         [](Fixture& f) {
             QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f.window.control(Edit));
             ASSERT_TRUE(a && a->editableTextInterface());
             a->editableTextInterface()->insertText(0, "COM");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        f.window.setCheck(RadioA, 1);
        f.window.select(List, 0);
        const std::uint64_t before = *f.window.changedAt(c.id);
        const std::string text = f.window.text(c.id);
        const int state = f.window.check(c.id);
        c.act(f);
        QCoreApplication::processEvents();
        ASSERT_TRUE(f.window.text(c.id) != text || f.window.check(c.id) != state); // the action did change it
        EXPECT_GT(*f.window.changedAt(c.id), before);
    }
}

// A labelled control is its label's buddy, and is named after the label
// also when the program changes the caption.
TEST(DialogWindow, LabelsNameTheControlsTheyLabel)
{
    Fixture f;
    auto* label = f.window.findChild<QLabel*>(QStringLiteral("-1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->buddy(), f.window.control(Edit));
    QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(f.window.control(Edit));
    ASSERT_NE(edit, nullptr);
    const auto labels = edit->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->object(), label);

    f.window.setText(Caption, gbk("端口"));
    EXPECT_EQ(f.get<QComboBox>(Combo)->accessibleName(), QStringLiteral("端口"));
    EXPECT_EQ(f.get<QComboBox>(Combo)->lineEdit()->accessibleName(), QStringLiteral("端口"));
    EXPECT_EQ(f.get<QLabel>(Caption)->accessibleName(), QStringLiteral("端口"));
}

TEST(DialogWindow, SurfaceTextIsWhatTheWidgetShows)
{
    struct Case {
        const char* name;
        int id;
        const char* utf8;
        const char* shown; // what the widget holds
    };
    const Case cases[] = {
        {"button", Push, "关闭串口", "关闭串口"},
        {"label", Caption, "状态", "状态"},
        {"edit", Edit, "打开串口", "打开串口"},
        {"check", Check, "16进制", "16进制"},
        {"multi-line crlf", Lines, "第一行\r\n第二行", "第一行\n第二行"},
        {"multi-line trailing break", Lines, "01 02\r\n", "01 02\n"},
        {"rich view", Rich, "收\r\n发", "收\n发"},
        {"group", Group, "轮发", "轮发"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        ControlSurface& s = f.window;
        s.setText(c.id, gbk(c.utf8));
        QWidget* w = f.window.control(c.id);
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(w))
            shown = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            shown = e->text();
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            shown = p->toPlainText();
        else if (auto* r = qobject_cast<LogView*>(w))
            shown = r->shownText(0, r->text().size());
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        EXPECT_EQ(shown, QString::fromUtf8(c.shown));
    }
}

TEST(DialogWindow, UserTypedTextComesBackAsGbk)
{
    Fixture f;
    f.get<QLineEdit>(Edit)->setText(QStringLiteral("发送区"));
    f.get<QPlainTextEdit>(Lines)->setPlainText(QStringLiteral("甲\n乙"));
    ControlSurface& s = f.window;
    EXPECT_EQ(s.text(Edit), gbk("发送区"));
    EXPECT_EQ(s.text(Lines), gbk("甲\r\n乙"));
}

// Qt's radio groups are exclusive also for the program's changes; the
// logic sets every radio of a group, so it does not rely on either way.
TEST(DialogWindow, CheckingARadioClearsTheOthersOfItsGroup)
{
    Fixture f;
    ControlSurface& s = f.window;
    s.setCheck(RadioA, 1);
    s.setCheck(RadioB, 1);
    EXPECT_EQ(s.check(RadioA), 0);
    EXPECT_EQ(s.check(RadioB), 1);
}

TEST(DialogWindow, ToolTipsReachTheWidgets)
{
    Fixture f;
    ControlSurface& s = f.window;
    s.setToolTip(List, gbk("/dev/ttyUSB0"));
    EXPECT_EQ(f.get<QComboBox>(List)->toolTip(), QStringLiteral("/dev/ttyUSB0"));
    s.setItemToolTip(List, 1, gbk("无设备"));
    EXPECT_EQ(f.get<QComboBox>(List)->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("无设备"));
}

TEST(DialogWindow, NumberEditTakesDigitsOnly)
{
    Fixture f;
    f.window.show();
    QTest::keyClicks(f.get<QLineEdit>(Number), "1a2-3");
    EXPECT_EQ(f.window.text(Number), "123");
}

TEST(DialogWindow, AppendRichGoesToTheEndInItsColour)
{
    Fixture f;
    f.window.show();
    ControlSurface& s = f.window;
    auto* view = f.get<LogView>(Rich);
    s.setDefaultColour(Rich, {0, 0, 255});
    s.setText(Rich, gbk("abc"));
    view->setSelection(1, 1); // the user's caret in the middle

    s.appendRich(Rich, gbk("收到"), {255, 0, 0});
    s.appendRich(Rich, gbk("\r发送"), {0, 0, 255});

    // The appends wait for the next frame, or for a read of the view.
    const auto shown = [view] { return view->shownText(0, view->text().size()); };
    EXPECT_EQ(shown(), QStringLiteral("abc"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown() == QStringLiteral("abc收到\n发送"); }, 2000));
    EXPECT_EQ(view->caret(), 1u);
    EXPECT_EQ(s.lineCount(Rich), 2); // a lone CR is a line break

    EXPECT_EQ(view->colourAt(4), qRgb(255, 0, 0)); // the second byte of "收"
    EXPECT_EQ(view->colourAt(2), qRgb(0, 0, 255));
    EXPECT_EQ(view->colourAt(view->text().size() - 1), qRgb(0, 0, 255));
}

TEST(DialogWindow, AppendsAndCountersAreShownTogether)
{
    // After a quiet spell, or just after a view was shown (a stream).
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "stream" : "quiet");
        Fixture f;
        f.window.show();
        ControlSurface& s = f.window;
        auto* view = f.get<LogView>(Rich);
        auto* counter = f.get<QLabel>(Caption);
        const auto shown = [view] { return view->shownText(0, view->text().size()); };
        if (stream) {
            s.appendRich(Rich, "a", {0, 0, 0});
            ASSERT_TRUE(QTest::qWaitFor([&] { return shown() == QStringLiteral("a"); }, 2000));
        }
        const QString text = stream ? QStringLiteral("ab") : QStringLiteral("b");
        s.setText(Caption, "2");
        s.appendRich(Rich, "b", {0, 0, 0});
        bool apart = false;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                apart = apart || ((shown() == text) != (counter->text() == QStringLiteral("2")));
                return shown() == text && counter->text() == QStringLiteral("2");
            },
            2000));
        EXPECT_FALSE(apart);
    }
}

TEST(DialogWindow, LineCountCountsWrappedLines)
{
    Fixture f;
    f.window.show();
    ControlSurface& s = f.window;
    s.setText(Rich, std::string(400, 'x')); // far wider than the 190-pixel view
    EXPECT_GT(s.lineCount(Rich), 1);
    // A CR ending one append and an LF starting the next are one break,
    // as they are in one append, whether a frame passed between them or not.
    s.setText(Rich, "");
    s.appendRich(Rich, "ab\r", {0, 0, 0});
    EXPECT_EQ(s.lineCount(Rich), 2);
    s.appendRich(Rich, "\ncd", {0, 0, 0});
    EXPECT_EQ(s.lineCount(Rich), 2);
}

TEST(DialogWindow, PaintersDrawTheirControls)
{
    Fixture f;
    for (int id : {Picture, Drawn}) {
        SCOPED_TRACE(id);
        QRect painted;
        f.window.setPainter(id, [&painted](QPainter&, const QRect& r) { painted = r; });
        f.window.control(id)->grab();
        EXPECT_EQ(painted.size(), f.window.control(id)->size());
    }
}

TEST(DialogWindow, MenuEntriesReachTheLogic)
{
    Fixture f;
    std::unique_ptr<QMenu> background(f.window.createContextMenu());
    ASSERT_EQ(background->actions().size(), 2);
    background->actions().front()->trigger();

    std::unique_ptr<QMenu> rich(f.window.createContextMenu(Rich));
    const QList<QAction*> actions = rich->actions();
    ASSERT_GE(actions.size(), 4); // standard edit actions first
    EXPECT_TRUE(actions[actions.size() - 3]->isSeparator());
    EXPECT_EQ(actions[actions.size() - 2]->text(), QStringLiteral("关于(&A)..."));
    EXPECT_EQ(actions.back()->text(), QStringLiteral("自动重连(&R)"));
    actions.back()->trigger();
    EXPECT_EQ(f.logic.menuCommands, (std::vector<int>{kPlainEntry, kCheckEntry}));
}

// Qt ticks a checkable action by itself when it is chosen; the mark is
// the logic's, also in a menu left open (an accessibility tool's press).
TEST(DialogWindow, AnOpenMenuShowsTheMarkTheLogicSets)
{
    Fixture f;
    std::unique_ptr<QMenu> menu(f.window.createContextMenu(Rich));
    QAction* entry = menu->actions().back();
    entry->trigger();
    EXPECT_FALSE(entry->isChecked());
    f.window.setMenuCheck(kCheckEntry, true);
    EXPECT_TRUE(entry->isChecked());
}

// Shift+F10 opens the focused control's context menu as the Menu key
// does; an open menu is a child of the application it names its parent,
// so accessibility tools reach it and its entries by walking the tree.
TEST(DialogWindow, ShiftF10OpensAMenuAccessibilityToolsReach)
{
    const struct {
        const char* name;
        int focused;
        int entries; // the view's edit actions and separators first
    } cases[] = {{"push button", Push, 2}, {"rich view", Rich, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        f.window.setMenuCheck(kCheckEntry, true);
        QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
        const int windows = app->childCount();
        f.window.control(c.focused)->setFocus();
        QTest::keyClick(f.window.control(c.focused), Qt::Key_F10, Qt::ShiftModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(app->childCount(), windows + 1);
        QAccessibleInterface* shown = app->child(windows);
        EXPECT_EQ(shown->object(), menu);
        EXPECT_EQ(app->indexOfChild(shown), windows);
        ASSERT_EQ(shown->childCount(), c.entries);
        QAccessibleInterface* entry = shown->child(c.entries - 1);
        EXPECT_EQ(entry->text(QAccessible::Name), QStringLiteral("自动重连(R)"));
        EXPECT_TRUE(entry->state().checked);
        menu->close();
        EXPECT_EQ(app->childCount(), windows);
    }
}

// Enter presses the focused push button, else the window's default one;
// a window without one stays as it is, and no window ends by it.
TEST(DialogWindow, EnterPressesTheFocusedOrTheDefaultButton)
{
    enum { Ok = 1, Cancel = 2, Box = 3 };
    WindowTemplate box = WindowTemplate::fixedDialog("box", 200, 100);
    TemplateBuilder b(box);
    b.check(Box, "check", {10, 10, 80, 20});
    b.add(Ok, ControlKind::Button, "ok", {10, 60, 60, 24}, style::Default);
    b.add(Cancel, ControlKind::Button, "cancel", {80, 60, 60, 24});
    struct Case {
        const char* name;
        WindowTemplate layout;
        int focus;
        Qt::Key key;
        std::vector<int> clicked;
    };
    const Case cases[] = {
        {"a button of a window without a default", sampleWindow(), Push, Qt::Key_Return, {Push}},
        {"the keypad's Enter on the owner-drawn button", sampleWindow(), Drawn, Qt::Key_Enter, {Drawn}},
        {"an edit of a window without a default", sampleWindow(), Edit, Qt::Key_Return, {}},
        {"a check box of a window with a default", box, Box, Qt::Key_Return, {Ok}},
        {"the other button of a window with a default", box, Cancel, Qt::Key_Return, {Cancel}},
        {"the default button itself, once", box, Ok, Qt::Key_Return, {Ok}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLogic logic;
        DialogWindow window(c.layout, logic);
        window.show();
        window.control(c.focus)->setFocus();
        QTest::keyClick(window.control(c.focus), c.key);
        std::vector<int> clicked;
        for (const auto& [id, n] : logic.events)
            if (n == Notification::Clicked)
                clicked.push_back(id);
        EXPECT_EQ(clicked, c.clicked);
        EXPECT_EQ(logic.closeRequests, 0);
        EXPECT_TRUE(window.isVisible());
    }
}

TEST(DialogWindow, EscAsksTheLogic)
{
    Fixture f;
    f.window.show();

    QTest::keyClick(f.get<QLineEdit>(Edit), Qt::Key_Escape); // refused
    EXPECT_EQ(f.logic.closeRequests, 1);
    EXPECT_TRUE(f.window.isVisible());

    f.window.close(); // the close box, refused
    EXPECT_EQ(f.logic.closeRequests, 2);
    EXPECT_TRUE(f.window.isVisible());

    f.logic.allowClose = true;
    QTest::keyClick(&f.window, Qt::Key_Escape);
    EXPECT_EQ(f.logic.closeRequests, 3);
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.window.result(), DialogWindow::kCloseCode);
}

TEST(DialogWindow, CloseWindowDoesNotAskAgain)
{
    Fixture f;
    f.window.show();
    f.window.closeWindow();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.logic.closeRequests, 0);
}

// Runs the event loop until done() holds; false after a few seconds. (A
// QTRY_VERIFY that times out only returns from a GoogleTest body.)
bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QAbstractButton* buttonWithText(QMessageBox* box, const char* utf8)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QString::fromUtf8(utf8))
            return b;
    return nullptr;
}

TEST(DialogWindow, MessageBoxAnswersWhileTimersTick)
{
    struct Case {
        const char* name;
        MessageButtons buttons;
        const char* press;
        MessageAnswer expected;
    };
    const Case cases[] = {
        {"ok", MessageButtons::Ok, "确定", MessageAnswer::Ok},
        {"cancel", MessageButtons::OkCancel, "取消", MessageAnswer::Cancel},
        {"yes", MessageButtons::YesNo, "是", MessageAnswer::Yes},
        {"no", MessageButtons::YesNo, "否", MessageAnswer::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        ControlSurface& s = f.window;
        s.startTimer(7, 10);
        std::size_t ticksAtOpen = 0;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool pressed = false;
        whenModal<QMessageBox>([&] { return f.logic.ticks.size() >= ticksAtOpen + 3; },
                               [&](QMessageBox* box) {
                                   title = box->windowTitle();
                                   text = box->text();
                                   icon = box->icon();
                                   if (QAbstractButton* b = buttonWithText(box, c.press)) {
                                       pressed = true;
                                       b->click();
                                   } else {
                                       box->done(0);
                                   }
                               });
        ticksAtOpen = f.logic.ticks.size();
        const MessageAnswer answer =
            s.messageBox(gbk("通信端口<COM1>无法打开!"), gbk("Quillon"), MessageIcon::Stop, c.buttons);
        EXPECT_TRUE(pressed);
        EXPECT_EQ(answer, c.expected);
        EXPECT_GE(f.logic.ticks.size(), ticksAtOpen + 3); // ticks went on inside the box
        for (int id : f.logic.ticks)
            EXPECT_EQ(id, 7);
        EXPECT_EQ(title, QStringLiteral("Quillon"));
        EXPECT_EQ(text, QStringLiteral("通信端口<COM1>无法打开!"));
        EXPECT_EQ(icon, QMessageBox::Critical);
    }
}

TEST(DialogWindow, MessageBoxShowsTheReasonUnderTheMessage)
{
    Fixture f;
    f.window.show();
    const QString reason = QStringLiteral("Permission denied: add yourself to the dialout group");
    bool shown = false;
    QString behindButton;
    whenModal<QMessageBox>([] { return true; },
                           [&](QMessageBox* box) {
                               for (const QLabel* label : box->findChildren<QLabel*>())
                                   shown = shown ||
                                           (label->isVisible() && label->text() == reason); // without a further click
                               behindButton = box->detailedText();
                               box->accept();
                           });
    f.window.messageBox(gbk("打开串口失败!"), "Veltra", MessageIcon::Warning, MessageButtons::Ok, reason.toStdString());
    EXPECT_TRUE(shown);
    EXPECT_EQ(behindButton.toStdString(), "");
}

TEST(DialogWindow, TicksGoOnBehindABoxTheirOwnTickOpened)
{
    Fixture f;
    f.window.show();
    ControlSurface& s = f.window;
    std::size_t ticksInBox = 0;
    bool closed = false;
    f.logic.timerHook = [&](int) {
        if (f.logic.ticks.size() != 1)
            return;
        whenModal<QMessageBox>([&] { return f.logic.ticks.size() >= 4; }, [](QMessageBox* box) { box->accept(); });
        s.messageBox(gbk("在存取 data.txt 时磁盘已满。"), gbk("Quillon"), MessageIcon::Stop);
        ticksInBox = f.logic.ticks.size() - 1;
        closed = true;
    };
    s.startTimer(7, 10);
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    EXPECT_GE(ticksInBox, 3u);
}

TEST(DialogWindow, PausedTimerWakesWhenItsDescriptorHasBytes)
{
    Fixture f;
    ControlSurface& s = f.window;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
    s.startTimer(1, 1);
    s.startTimer(2, 1); // the clock the test waits by
    f.logic.timerHook = [&](int id) {
        char c;
        while (id == 1 && ::read(fds[0], &c, 1) == 1) {
        }
        if (id == 1)
            s.pauseTimerUntilReadable(1, fds[0]);
    };
    const auto ticksOf = [&](int id) { return std::count(f.logic.ticks.begin(), f.logic.ticks.end(), id); };
    const auto quietWhile = [&](int ticksOfTwo) {
        const auto until = ticksOf(2) + ticksOfTwo;
        return waitUntil([&] { return ticksOf(2) >= until; });
    };
    ASSERT_TRUE(quietWhile(5));
    EXPECT_EQ(ticksOf(1), 1);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    ASSERT_TRUE(waitUntil([&] { return ticksOf(1) == 2; }));
    ASSERT_TRUE(quietWhile(5));
    EXPECT_EQ(ticksOf(1), 2);
    // A stop ends the wait: bytes no longer wake it.
    s.stopTimer(1);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    ASSERT_TRUE(quietWhile(5));
    EXPECT_EQ(ticksOf(1), 2);
    ::close(fds[0]);
    ::close(fds[1]);
}

// A modal child whose button 1 ends it with a code of the logic's choosing.
class EndingLogic : public RecordingLogic {
public:
    void dispatch(int id, Notification n) override
    {
        RecordingLogic::dispatch(id, n);
        if (id == 1)
            surface->endDialog(code);
    }
    int code = 1;
};

WindowTemplate childTemplate()
{
    WindowTemplate layout;
    layout.title = "关于";
    layout.width = 200;
    layout.height = 100;
    ControlTemplate ok;
    ok.id = 1;
    ok.kind = ControlKind::Button;
    ok.caption = "确定";
    ok.rect = {60, 60, 72, 26};
    layout.controls.push_back(ok);
    return layout;
}

TEST(DialogWindow, RunModalReturnsTheEndCode)
{
    struct Case {
        const char* name;
        bool viaButton;
        int code;
        int expected;
    };
    const Case cases[] = {
        {"button ends with its code", true, 1, 1},
        {"other code", true, 7, 7},
        {"esc agreed by the logic", false, 0, DialogWindow::kCloseCode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        EndingLogic child;
        child.code = c.code;
        child.allowClose = true;
        QString title;
        whenModal<DialogWindow>([] { return true; },
                                [&](DialogWindow* w) {
                                    title = w->windowTitle();
                                    if (c.viaButton)
                                        QTest::mouseClick(qobject_cast<QPushButton*>(w->control(1)), Qt::LeftButton);
                                    else
                                        QTest::keyClick(w, Qt::Key_Escape);
                                });
        EXPECT_EQ(f.window.runModal(childTemplate(), child), c.expected);
        EXPECT_EQ(child.inits, 1);
        EXPECT_EQ(title, QStringLiteral("关于"));
        EXPECT_TRUE(f.window.isVisible());
    }
}

TEST(DialogWindow, TopmostKeepsTheWindowOpenInPlace)
{
    Fixture f;
    f.window.show();
    const QRect before = f.window.geometry();
    f.window.setTopmost(true);
    EXPECT_TRUE(f.window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_EQ(f.window.geometry(), before);
    f.window.setTopmost(false);
    EXPECT_FALSE(f.window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f.window.isVisible());
}

TEST(DialogWindow, ClipboardCarriesGbk)
{
    Fixture f;
    ControlSurface& s = f.window;
    s.setClipboardText(gbk("01 02 收"));
    EXPECT_EQ(s.clipboardText(), gbk("01 02 收"));
}

} // namespace
} // namespace dialog::qt

namespace dialog::qt {
namespace {

TEST(DialogWindow, ComboBoxTextIsWhatWasTypedAndChoicesReachDispatch)
{
    Fixture f;
    ControlSurface& s = f.window;
    auto* box = f.get<QComboBox>(Combo);
    ASSERT_TRUE(box && box->isEditable());

    QTest::keyClicks(box->lineEdit(), "12 34");
    EXPECT_EQ(s.text(Combo), "12 34");
    ASSERT_FALSE(f.logic.events.empty());
    EXPECT_EQ(f.logic.events.back(), Event(Combo, Notification::TextEdited));
    s.insertItem(Combo, 0, "00 00 00 05"); // keeps what was typed
    EXPECT_EQ(s.text(Combo), "12 34");

    f.logic.events.clear();
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(f.logic.events, std::vector<Event>{Event(Combo, Notification::SelectionChanged)});

    // Enter keeps the typed text, even where an entry matches it but for case.
    s.setText(Combo, "");
    f.logic.events.clear();
    QTest::keyClicks(box->lineEdit(), "ff ff ff ff");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(s.text(Combo), "ff ff ff ff");
    for (const Event& e : f.logic.events)
        EXPECT_EQ(e, Event(Combo, Notification::TextEdited));
}

// The widget's own ways: a lone CR reads back as a CR LF break, and a line
// that is appended to without end is kept in pieces yet reads back whole.
TEST(DialogWindow, AppendTextToTheWidget)
{
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        std::string whole; // empty: the pieces joined
        int lines;         // 0: not asked
    };
    const Case cases[] = {
        {"lone CR then text", {"a\r", "b"}, "a\r\nb", 2},
        {"a long line in many pieces reads back whole", std::vector<std::string>(40, std::string(299, 'x') + "y"), "",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.window.show();
        ControlSurface& s = f.window;
        std::string whole;
        for (const auto& p : c.pieces) {
            s.appendText(Lines, p);
            whole += p;
        }
        EXPECT_EQ(s.text(Lines), c.whole.empty() ? whole : c.whole);
        if (c.lines) {
            EXPECT_EQ(s.lineCount(Lines), c.lines);
        } else {
            s.moveCaretToEnd(Lines);
            EXPECT_EQ(s.selectionStart(Lines), static_cast<int>(whole.size()));
        }
        EXPECT_TRUE(f.logic.events.empty());
    }
}

TEST(DialogWindow, ViewsMeasureInsideTheirFrameAndScrollToTheEnd)
{
    Fixture f;
    f.window.show();
    ControlSurface& s = f.window;
    auto* lines = f.get<QPlainTextEdit>(Lines);
    // Inside the frame: less than the 50-pixel rectangle, more than nothing.
    EXPECT_GT(s.clientHeight(Lines), 30);
    EXPECT_LT(s.clientHeight(Lines), 50);
    EXPECT_EQ(s.clientHeight(Caption), 20);

    s.setText(Lines, std::string(400, 'x')); // far wider than the 180-pixel edit
    EXPECT_GT(s.lineCount(Lines), 3);
    s.scrollToEnd(Lines);
    EXPECT_EQ(lines->verticalScrollBar()->value(), lines->verticalScrollBar()->maximum());
}

// The contract over the Qt window: the user's actions are real keys, the
// caret is put where a click would put it.
class QtWindow : public contract::SurfaceUnderTest {
public:
    QtWindow() { f_.window.show(); }
    ControlSurface& surface() override { return f_.window; }
    void userTypes(int id, const std::string& ascii) override
    {
        QTest::keyClicks(editOf(id), QString::fromStdString(ascii));
    }
    void userPlacesCaret(int id, int bytes) override
    {
        const std::string head = f_.window.text(id).substr(0, static_cast<std::size_t>(bytes));
        if (auto* lines = qobject_cast<QPlainTextEdit*>(editOf(id))) {
            QTextCursor cursor(lines->document());
            cursor.setPosition(static_cast<int>(fromSurfaceLines(head).size()));
            lines->setTextCursor(cursor);
        } else if (auto* line = qobject_cast<QLineEdit*>(editOf(id))) {
            line->setCursorPosition(static_cast<int>(fromSurface(head).size()));
        }
    }
    bool ticking(int id) const override { return f_.window.ticking(id); }
    std::optional<bool> menuCheck(int command) override
    {
        // The background menu has the table's entries in its order.
        const std::vector<MenuEntry> entries = sampleWindow().menu;
        const std::unique_ptr<QMenu> menu(f_.window.createContextMenu());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].command != command)
                continue;
            const QAction* a = menu->actions().at(static_cast<qsizetype>(i));
            return a->isCheckable() ? std::optional<bool>(a->isChecked()) : std::nullopt;
        }
        return std::nullopt;
    }
    std::vector<Event> notifications() override
    {
        QCoreApplication::processEvents();
        return f_.logic.events;
    }

private:
    QWidget* editOf(int id)
    {
        QWidget* w = f_.window.control(id);
        if (auto* box = qobject_cast<QComboBox*>(w))
            return box->lineEdit();
        return w;
    }
    Fixture f_;
};

std::unique_ptr<contract::SurfaceUnderTest> makeQtWindow() { return std::make_unique<QtWindow>(); }

INSTANTIATE_TEST_SUITE_P(DialogWindow, SurfaceContract, ::testing::Values(contract::SurfaceKind{"qt", &makeQtWindow}));

} // namespace
} // namespace dialog::qt
