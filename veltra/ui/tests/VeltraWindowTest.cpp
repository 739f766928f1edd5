// Veltra's real window with its real logic, offscreen: the template's
// controls exist with their captions, and typing and polling reach the
// logic and the line.
#include "dialog/Clock.h"
#include "dialog/TemplateBuilder.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/LogView.h"
#include "dialog/qt/testing/ModalAnswer.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <poll.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace fs = std::filesystem;

namespace veltra {
namespace {

using dialog::qt::testing::MessageCatcher;

struct Window {
    test_support::TempDir links{"veltra-window"};
    std::optional<test_support::Pty> pty;
    int master = -1;
    dialog::SystemClock clock;
    std::unique_ptr<VeltraMainDialog> logic;
    std::unique_ptr<dialog::qt::DialogWindow> window;

    explicit Window(bool withPort = false)
    {
        if (withPort) {
            master = pty.emplace().master();
            fs::create_symlink(pty->slavePath(), links / "COM1");
        }
        logic = std::make_unique<VeltraMainDialog>(
            clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }));
        window = std::make_unique<dialog::qt::DialogWindow>(veltraMainWindowTemplate(), *logic);
    }
    ~Window()
    {
        window.reset();
        logic.reset();
    }
    template <class W> W* get(int id) { return qobject_cast<W*>(window->control(id)); }

    /// The device sends bytes; the next poll reads them all.
    void deviceSends(const std::string& bytes)
    {
        ASSERT_TRUE(pty->writeAll(bytes));
        pollfd p{logic->port().fd(), POLLIN, 0};
        for (int i = 0; i < 100 && logic->port().bytesWaiting() < bytes.size(); ++i)
            poll(&p, 1, 20);
        logic->onTimer(PollTimer);
    }
    /// Shows the window, connects COM1 and lets the device send "rx" into
    /// the receive area, which it returns.
    dialog::qt::LogView* connectedWithReceived()
    {
        window->show();
        QTest::mouseClick(get<QPushButton>(ConnectButton), Qt::LeftButton);
        EXPECT_TRUE(logic->isPortOpen());
        deviceSends("rx");
        auto* area = get<dialog::qt::LogView>(ReceiveArea);
        EXPECT_TRUE(QTest::qWaitFor([&] { return area->toPlainText() == QStringLiteral("rx"); }, 2000));
        return area;
    }
};

TEST(VeltraWindow, EveryControlOfTheTemplateWithItsCaption)
{
    struct Case {
        int id;
        const char* caption; // "" for edits and lists
        const char* widget;
    };
    // clang-format off
    const Case cases[] = {
        {PortList, "", "QComboBox"},      {BaudList, "", "QComboBox"},          {DataBitsList, "", "QComboBox"},
        {ParityList, "", "QComboBox"},    {StopBitsList, "", "QComboBox"},      {FlowList, "", "QComboBox"},
        {ConnectButton, "连接串口", "QPushButton"},
        {ReceiveArea, "", "dialog::qt::LogView"}, {ReceiveHex, "十六进制", "QCheckBox"},
        {ReceiveTime, "接收时间", "QCheckBox"}, {BurstNewline, "数据帧换行", "QCheckBox"},
        {AutoClear, "自动清空", "QCheckBox"}, {ClearReceive, "清空接收", "QPushButton"},
        {Save, "保存", "QPushButton"},       {SendArea, "", "QPlainTextEdit"},     {SendHex, "十六进制", "QCheckBox"},
        {AppendNewline, "追加换行", "QCheckBox"}, {TimedSend, "定时发送", "QCheckBox"},
        {Period, "", "QLineEdit"},           {SendButton, "发送", "QPushButton"},
        {ClearSend, "清空发送", "QPushButton"},
        {Quick1Hex, "HEX", "QCheckBox"},     {Quick1Text, "", "QLineEdit"},        {Quick1Send, "发送", "QPushButton"},
        {Quick2Hex, "HEX", "QCheckBox"},     {Quick2Text, "", "QLineEdit"},        {Quick2Send, "发送", "QPushButton"},
        {Quick3Hex, "HEX", "QCheckBox"},     {Quick3Text, "", "QLineEdit"},        {Quick3Send, "发送", "QPushButton"},
        {CommandType, "", "QComboBox"},      {DeviceAddress, "", "QComboBox"},     {Function, "", "QComboBox"},
        {FunctionLabel, "功能", "QLabel"},   {Parameter, "", "QComboBox"},         {ParameterLabel, "参数", "QLabel"},
        {TemporaryChange, "临时修改", "QCheckBox"}, {CommandPreview, "", "QLineEdit"},
        {Crc16, "CRC16校验", "QCheckBox"},   {SendCommand, "发送", "QPushButton"},
        {ProductCaption, "Veltra串口助手 V1.1", "QLabel"}, {StatusCaption, "状态", "QLabel"},
        {StatusText, "OK", "QLabel"},        {ReceivedCaption, "接收计数", "QLabel"},
        {ReceivedCount, "0", "QLabel"},      {SentCaption, "发送计数", "QLabel"},  {SentCount, "0", "QLabel"},
        {WebAddress, "WWW.EXAMPLE.COM", "QLabel"},
    };
    // clang-format on
    Window w;
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Veltra科技串口调试助手V1.1 - www.example.com"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        QWidget* widget = w.window->control(c.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(c.widget));
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            caption = b->text();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            caption = l->text();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption));
    }
    EXPECT_TRUE(w.get<QComboBox>(DeviceAddress)->isEditable());
    EXPECT_FALSE(w.get<QComboBox>(CommandType)->isEditable());
    EXPECT_TRUE(w.get<QLineEdit>(CommandPreview)->isReadOnly());
    EXPECT_EQ(w.get<QPlainTextEdit>(SendArea)->toPlainText(), QStringLiteral("www.example.com"));
    EXPECT_EQ(w.get<QLineEdit>(Period)->text(), QStringLiteral("500"));
    EXPECT_EQ(w.get<QComboBox>(BaudList)->currentText(), QStringLiteral("9600"));
    for (const char* group : {"串口设置区", "数据接收区", "数据发送区", "Veltra指令区"}) {
        bool found = false;
        for (auto* g : w.window->findChildren<QGroupBox*>())
            found = found || g->title() == QString::fromUtf8(group);
        EXPECT_TRUE(found) << group;
    }
}

TEST(VeltraWindow, KeyTypedIntoTheReceiveAreaGoesOutAndDisappears)
{
    Window w(true);
    ASSERT_GE(w.master, 0);
    auto* area = w.connectedWithReceived();
    ASSERT_FALSE(testing::Test::HasFailure());

    QTest::keyClicks(area, "a");
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(w.pty->readUntil(2), "a\r");
    EXPECT_EQ(area->toPlainText(), QStringLiteral("rx"));
    // The counter shows its text at the end of the frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.get<QLabel>(SentCount)->text() == QStringLiteral("2"); }, 2000));
    EXPECT_TRUE(w.window->isVisible()); // Enter in the area did not close it
}

// Input methods commit whole words and accessibility tools insert whole
// strings: each character goes out, in order, as if typed one by one.
TEST(VeltraWindow, EveryCharacterOfOneInputGoesOutInOrder)
{
    struct Case {
        const char* name;
        std::function<void(dialog::qt::LogView*)> input;
        std::string sent;
    };
    const QString word = QStringLiteral("温度");
    const Case cases[] = {
        {"input-method commit",
         [&](dialog::qt::LogView* area) {
             QInputMethodEvent commit;
             commit.setCommitString(word);
             QApplication::sendEvent(area, &commit);
         },
         "\xCE\xC2\xB6\xC8"},
        {"key event carrying two characters",
         [&](dialog::qt::LogView* area) {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("a温"));
             QApplication::sendEvent(area, &key);
         },
         "a\xCE\xC2"},
        {"accessible text insert",
         [&](dialog::qt::LogView* area) {
             QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(area);
             ASSERT_NE(acc, nullptr);
             ASSERT_NE(acc->editableTextInterface(), nullptr);
             acc->editableTextInterface()->insertText(2, QStringLiteral("温\n度"));
         },
         "\xCE\xC2\r\xB6\xC8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w(true);
        ASSERT_GE(w.master, 0);
        auto* area = w.connectedWithReceived();
        ASSERT_FALSE(testing::Test::HasFailure());
        c.input(area);
        EXPECT_EQ(w.pty->readUntil(c.sent.size()), c.sent);
        EXPECT_EQ(w.logic->sentCount(), static_cast<std::int64_t>(c.sent.size()));
        EXPECT_EQ(area->toPlainText(), QStringLiteral("rx"));
    }
}

TEST(VeltraWindow, ADoubleByteCharacterSplitAcrossPollsShowsWhole)
{
    Window w(true);
    ASSERT_GE(w.master, 0);
    QTest::mouseClick(w.get<QPushButton>(ConnectButton), Qt::LeftButton);
    ASSERT_TRUE(w.logic->isPortOpen());
    w.deviceSends("\x41\xD6");
    w.deviceSends("\xD0\xB9");
    w.deviceSends("\xFA");
    auto* area = w.get<dialog::qt::LogView>(ReceiveArea);
    EXPECT_TRUE(QTest::qWaitFor([&] { return area->toPlainText() == QStringLiteral("A中国"); }, 2000))
        << area->toPlainText().toStdString();
}

TEST(VeltraWindow, TypingWithThePortClosedIsReported)
{
    Window w;
    w.window->show();
    MessageCatcher catcher;
    catcher.arm();
    QTest::keyClicks(w.get<dialog::qt::LogView>(ReceiveArea), "a");
    EXPECT_EQ(catcher.text, QStringLiteral("串口未打开！"));
    EXPECT_EQ(w.get<dialog::qt::LogView>(ReceiveArea)->toPlainText(), QStringLiteral("a"));
}

TEST(VeltraWindow, OpeningThePortListReadsTheControls)
{
    Window w;
    w.window->show();
    w.get<QComboBox>(DeviceAddress)->setEditText(QStringLiteral("00 00 00 01 02"));
    MessageCatcher catcher;
    catcher.arm();
    w.get<QComboBox>(PortList)->showPopup();
    EXPECT_EQ(catcher.text, QStringLiteral("“请填入不多于11个的字符。”"));
    w.get<QComboBox>(PortList)->hidePopup();
}

// Enter presses the push button with the focus; the window stays.
TEST(VeltraWindow, EnterPressesTheFocusedButton)
{
    Window w(true);
    ASSERT_GE(w.master, 0);
    w.window->show();
    struct Case {
        const char* name;
        int id;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"连接串口", ConnectButton, [&] { return w.logic->isPortOpen(); }},
        {"发送", SendButton, [&] { return w.pty->readUntil(15) == "www.example.com"; }},
        {"清空发送", ClearSend, [&] { return w.get<QPlainTextEdit>(SendArea)->toPlainText().isEmpty(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.window->control(c.id)->setFocus();
        QTest::keyClick(w.window->control(c.id), Qt::Key_Return);
        EXPECT_TRUE(c.done());
        EXPECT_TRUE(w.window->isVisible());
    }
}

TEST(VeltraWindow, AboutBoxShowsTheProgramsIcon)
{
    QPixmap red(32, 32);
    red.fill(Qt::red);
    const QIcon before = QApplication::windowIcon();
    QApplication::setWindowIcon(QIcon(red));
    dialog::InfoBoxLogic logic;
    dialog::qt::DialogWindow box(veltraAboutBoxTemplate(), logic);
    QApplication::setWindowIcon(before);
    bool shown = false;
    for (auto* label : box.findChildren<QLabel*>())
        shown = shown || (!label->pixmap().isNull() && label->pixmap().toImage().pixelColor(16, 16) == QColor(Qt::red));
    EXPECT_TRUE(shown);
}

TEST(VeltraWindow, EnterKeepsTheWindowAndEscapeEndsIt)
{
    Window w;
    w.window->show();
    QTest::keyClick(w.get<QComboBox>(BaudList), Qt::Key_Return);
    QTest::keyClick(w.window.get(), Qt::Key_Return);
    EXPECT_TRUE(w.window->isVisible());
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
}

} // namespace
} // namespace veltra
