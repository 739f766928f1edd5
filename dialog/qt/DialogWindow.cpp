#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/ProgramLook.h"
#include "dialog/qt/TextConvert.h"

#include <QAbstractTextDocumentLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

namespace dialog::qt {
namespace {

// Raises the counter for the lifetime of a programmatic change, so that
// the change signals it causes are not taken for the user's edits.
class Quiet {
public:
    explicit Quiet(int& counter) : counter_(counter) { ++counter_; }
    ~Quiet() { --counter_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int& counter_;
};

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

} // namespace

bool EnterSwallower::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool BeforeInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (hook)
            hook();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// A list that tells before it opens.
class DroppingComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToDrop;

protected:
    void showPopup() override
    {
        if (aboutToDrop)
            aboutToDrop();
        QComboBox::showPopup();
    }
};

// Appended text without line breaks would make one paragraph that grows
// without end, and the plain layout redoes a whole paragraph at every
// change. Past this length an append starts a new paragraph marked as a
// continuation: it shows as a wrap, and reads back as nothing.
constexpr int kContinuationAfter = 4096;
constexpr int kContinuation = 0x51A7;

// The edit's text up to document position upTo (-1: all), without the
// continuation breaks.
QString plainText(const QPlainTextEdit* edit, int upTo = -1)
{
    const QTextDocument* doc = edit->document();
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b != doc->begin() && b.userState() != kContinuation)
            out += QLatin1Char('\n');
        if (upTo >= 0 && upTo < b.position() + b.length()) {
            out += b.text().left(upTo - b.position());
            break;
        }
        out += b.text();
    }
    return out;
}

QRect toQRect(const Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

// A combo box with an edit shows as two accessible objects, the box and its
// edit; both carry the name.
void setAccessibleNames(QWidget* w, const QString& name)
{
    w->setAccessibleName(name);
    if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
}

Qt::Alignment labelAlignment(unsigned styles)
{
    Qt::Alignment h = Qt::AlignLeft;
    if (styles & style::Centre)
        h = Qt::AlignHCenter;
    else if (styles & style::AlignRight)
        h = Qt::AlignRight;
    return h | Qt::AlignVCenter;
}

} // namespace

DialogWindow::DialogWindow(const WindowTemplate& layout, DialogLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), clientSize_(layout.width, layout.height), menu_(layout.menu)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowCloseButtonHint;
    if (layout.minimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    if (layout.maximizeBox)
        flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(fromSource(layout.title));
    maximizable_ = layout.maximizeBox;
    constrainSize(false);
    setSizeGripEnabled(false);
    setAutoFillBackground(true);
    paintLater_.setSingleShot(true);
    appendLater_.setSingleShot(true);
    connect(&appendLater_, &QTimer::timeout, this, [this] { flushAllAppends(); });
    connect(&paintLater_, &QTimer::timeout, this,
            [this] { QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority); });

    build(layout);
    logic_.bind(*this);
    logic_.onInit();
}

DialogWindow::~DialogWindow()
{
    for (auto& [id, t] : timers_)
        t.timer->stop();
}

void DialogWindow::build(const WindowTemplate& layout)
{
    std::vector<QWidget*> below; // group boxes and frames, drawn under the rest
    std::vector<QWidget*> built; // by position in the table
    for (const ControlTemplate& c : layout.controls) {
        if (c.styles & style::Group)
            radioGroup_ = nullptr; // a group mark ends the radio group before it
        QWidget* w = create(c);
        built.push_back(w);
        // The label's buddy: its access key focuses the control, and
        // accessibility tools report the control as labelled by it.
        if (c.label >= 0 && c.label + 1 < static_cast<int>(built.size()))
            if (auto* label = qobject_cast<QLabel*>(built[c.label]))
                label->setBuddy(w);
        w->setObjectName(QString::number(c.id));
        w->setAccessibleDescription(QString::number(c.id));
        w->setGeometry(toQRect(c.rect));
        if (c.styles & style::Disabled)
            w->setEnabled(false);
        if (c.styles & style::Hidden)
            w->setVisible(false);
        if (c.styles & style::Compact) {
            QFont font = w->font();
            if (font.pixelSize() > 0)
                font.setPixelSize(font.pixelSize() - 1);
            else
                font.setPointSizeF(font.pointSizeF() - 0.75);
            w->setFont(font);
        }
        if (c.kind == ControlKind::GroupBox || c.kind == ControlKind::Frame)
            below.push_back(w);
        if (c.id != kStaticId)
            controls_[c.id] = Control{c.kind, w};
        connectSignals(c.id, c.kind, w);
    }
    for (auto it = below.rbegin(); it != below.rend(); ++it)
        (*it)->lower();
}

QWidget* DialogWindow::create(const ControlTemplate& c)
{
    const QString caption = fromSource(c.caption);
    const QString accessible = fromSource(c.accessibleName.empty() ? c.caption : c.accessibleName);
    switch (c.kind) {
    case ControlKind::Label: {
        auto* w = new QLabel(caption, this);
        w->setTextFormat(Qt::PlainText);
        w->setAlignment(labelAlignment(c.styles));
        w->setWordWrap(true);
        w->setAccessibleName(caption);
        return w;
    }
    case ControlKind::Picture: {
        auto* w = new PictureWidget(this);
        w->setAccessibleName(accessible);
        return w;
    }
    case ControlKind::Edit: {
        auto* w = new QLineEdit(caption, this);
        w->setReadOnly(c.styles & style::ReadOnly);
        if (c.styles & style::Number)
            w->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), w));
        if (c.styles & style::AlignRight)
            w->setAlignment(Qt::AlignRight);
        w->setAccessibleName(accessible);
        return w;
    }
    case ControlKind::MultiLineEdit: {
        auto* w = new QPlainTextEdit(caption, this);
        w->setReadOnly(c.styles & style::ReadOnly);
        w->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w->setTabChangesFocus(true);
        // A one-line box (the send areas) holds its line without a scroll bar.
        w->document()->setDocumentMargin(2);
        w->setAccessibleName(accessible);
        return w;
    }
    case ControlKind::RichView: {
        auto* w = new RichTextView(this);
        w->setFont(richViewFont());
        w->setReadOnly(c.styles & style::ReadOnly);
        w->setTabChangesFocus(true);
        w->setAccessibleName(accessible);
        w->setMenuExtender([this](QMenu& menu) {
            if (menu_.empty())
                return;
            menu.addSeparator();
            for (const MenuEntry& e : menu_) {
                const int command = e.command;
                QObject::connect(menu.addAction(fromSource(e.caption)), &QAction::triggered, this,
                                 [this, command] { logic_.onMenuCommand(command); });
            }
        });
        return w;
    }
    case ControlKind::DropList: {
        auto* w = new DroppingComboBox(this);
        w->setEditable(false);
        w->setMaxVisibleItems(20);
        for (const std::string& item : c.items)
            w->addItem(fromSource(item));
        w->setCurrentIndex(-1); // a list starts with nothing selected
        w->setAccessibleName(accessible);
        return w;
    }
    case ControlKind::ComboBox: {
        auto* w = new DroppingComboBox(this);
        w->setEditable(true);
        w->setInsertPolicy(QComboBox::NoInsert); // Enter adds nothing to the list
        w->setMaxVisibleItems(20);
        for (const std::string& item : c.items)
            w->addItem(fromSource(item));
        w->setCurrentIndex(-1);
        setAccessibleNames(w, accessible);
        return w;
    }
    case ControlKind::CheckBox: {
        auto* w = new QCheckBox(caption, this);
        w->setAccessibleName(withoutMnemonic(caption));
        return w;
    }
    case ControlKind::RadioButton: {
        // Auto-exclusive stays on although the group decides: without it
        // accessibility tools see a check box.
        auto* w = new QRadioButton(caption, this);
        if (!radioGroup_) {
            radioGroup_ = new QButtonGroup(this);
            radioGroup_->setExclusive(true);
        }
        radioGroup_->addButton(w);
        w->setAccessibleName(withoutMnemonic(caption));
        return w;
    }
    case ControlKind::GroupBox: {
        auto* w = new QGroupBox(caption, this);
        w->setFocusPolicy(Qt::NoFocus);
        w->setAccessibleName(withoutMnemonic(caption));
        return w;
    }
    case ControlKind::Button:
    case ControlKind::OwnerDrawButton: {
        QPushButton* w = c.kind == ControlKind::Button ? new QPushButton(caption, this) : new PaintedButton(this);
        // Enter must never press a button by itself.
        w->setAutoDefault(false);
        w->setDefault(false);
        w->setAccessibleName(withoutMnemonic(caption));
        return w;
    }
    case ControlKind::HorizontalRule:
        return new RuleWidget(this);
    case ControlKind::Frame: {
        auto* w = new QFrame(this);
        w->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return w;
    }
    }
    return new QWidget(this);
}

void DialogWindow::connectSignals(int id, ControlKind kind, QWidget* w)
{
    if (id == kStaticId)
        return;
    switch (kind) {
    case ControlKind::Button:
    case ControlKind::OwnerDrawButton:
        // clicked() comes from the user only, never from setChecked().
        connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                [this, id] { forward(id, Notification::Clicked); });
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        auto* button = static_cast<QAbstractButton*>(w);
        connect(button, &QAbstractButton::clicked, this, [this, id] {
            toggledUnclicked_.erase(id);
            forward(id, Notification::Clicked);
        });
        // An assistive tool's "toggle" action changes the state without a
        // click, and the logic would never hear of it. A click emits its
        // toggle first and its clicked() at once after, so a toggle still
        // unclaimed once control is back in the event loop was no click.
        connect(button, &QAbstractButton::toggled, this, [this, id, radio = kind == ControlKind::RadioButton](bool on) {
            if (quiet_ != 0 || (radio && !on))
                return; // the program's own change, or the radio a group unchecked
            toggledUnclicked_.insert(id);
            QMetaObject::invokeMethod(
                this,
                [this, id] {
                    if (toggledUnclicked_.erase(id))
                        forward(id, Notification::Clicked);
                },
                Qt::QueuedConnection);
        });
        break;
    }
    case ControlKind::DropList:
        connect(static_cast<QComboBox*>(w), &QComboBox::activated, this,
                [this, id] { forward(id, Notification::SelectionChanged); });
        static_cast<DroppingComboBox*>(w)->aboutToDrop = [this, id] { forward(id, Notification::DroppedDown); };
        break;
    case ControlKind::Edit:
        connect(static_cast<QLineEdit*>(w), &QLineEdit::textEdited, this,
                [this, id] { forward(id, Notification::TextEdited); });
        break;
    case ControlKind::ComboBox: {
        auto* box = static_cast<QComboBox*>(w);
        connect(box, &QComboBox::activated, this, [this, id] { forward(id, Notification::SelectionChanged); });
        connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, id] { forward(id, Notification::TextEdited); });
        // Enter in the edit would make Qt pick the entry that matches the
        // typed text, case ignored, and replace the text by it: what the
        // user typed must stay as typed, and Enter never acts here.
        box->lineEdit()->installEventFilter(&enterSwallower_);
        static_cast<DroppingComboBox*>(w)->aboutToDrop = [this, id] { forward(id, Notification::DroppedDown); };
        break;
    }
    case ControlKind::MultiLineEdit:
        connect(static_cast<QPlainTextEdit*>(w), &QPlainTextEdit::textChanged, this, [this, id] { userEdited(id); });
        watchInput(static_cast<QAbstractScrollArea*>(w));
        break;
    case ControlKind::RichView:
        connect(static_cast<QTextEdit*>(w), &QTextEdit::textChanged, this, [this, id] { userEdited(id); });
        watchInput(static_cast<QAbstractScrollArea*>(w));
        break;
    default:
        break;
    }
}

void DialogWindow::watchInput(QAbstractScrollArea* view)
{
    // Keys and clicks act on what the view would show had it taken its
    // waiting appends at once: a caret at the end follows them first.
    beforeViewInput_.hook = [this] { flushAllAppends(); };
    view->installEventFilter(&beforeViewInput_);
    view->viewport()->installEventFilter(&beforeViewInput_);
}

void DialogWindow::userEdited(int id)
{
    if (quiet_ == 0)
        flushAppends(id);
    if (quiet_ == 0)
        forward(id, Notification::TextEdited);
}

void DialogWindow::forward(int id, Notification n)
{
    logic_.dispatch(id, n);
}

const DialogWindow::Control* DialogWindow::find(int id) const
{
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

template <class W>
W* DialogWindow::as(int id) const
{
    const Control* c = find(id);
    return c ? qobject_cast<W*>(c->widget) : nullptr;
}

QWidget* DialogWindow::control(int id) const
{
    const Control* c = find(id);
    return c ? c->widget : nullptr;
}

void DialogWindow::setPainter(int id, Painter painter)
{
    if (auto* p = as<PictureWidget>(id))
        p->setPainter(std::move(painter));
    else if (auto* b = as<PaintedButton>(id))
        b->setPainter(std::move(painter));
}

void DialogWindow::redraw(int id)
{
    if (QWidget* w = control(id))
        w->update();
}

void DialogWindow::moveControl(int id, const Rect& rect)
{
    if (QWidget* w = control(id))
        w->setGeometry(toQRect(rect));
}

// --- texts -------------------------------------------------------------

std::string DialogWindow::text(int id) const
{
    flushAppends(id);
    const Control* c = find(id);
    if (!c)
        return {};
    QWidget* w = c->widget;
    switch (c->kind) {
    case ControlKind::Label:
        return toSurface(static_cast<QLabel*>(w)->text());
    case ControlKind::Edit:
        return toSurface(static_cast<QLineEdit*>(w)->text());
    case ControlKind::MultiLineEdit:
        return toSurfaceLines(plainText(static_cast<QPlainTextEdit*>(w)));
    case ControlKind::RichView:
        return toSurfaceLines(static_cast<QTextEdit*>(w)->toPlainText());
    case ControlKind::DropList: {
        auto* box = static_cast<QComboBox*>(w);
        return box->currentIndex() < 0 ? std::string() : toSurface(box->currentText());
    }
    case ControlKind::ComboBox:
        return toSurface(static_cast<QComboBox*>(w)->currentText());
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::Button:
    case ControlKind::OwnerDrawButton:
        return toSurface(static_cast<QAbstractButton*>(w)->text());
    case ControlKind::GroupBox:
        return toSurface(static_cast<QGroupBox*>(w)->title());
    default:
        return {};
    }
}

void DialogWindow::setText(int id, const std::string& gbk)
{
    pendingAppends_.erase(id); // replaced, as they would have been
    const Control* c = find(id);
    if (!c)
        return;
    Quiet quiet(quiet_);
    QWidget* w = c->widget;
    switch (c->kind) {
    case ControlKind::Label: {
        auto* label = static_cast<QLabel*>(w);
        label->setText(fromSurface(gbk));
        // The accessible names were fixed at creation: follow the caption,
        // so accessibility tools read what the window shows, also for the
        // control the label names.
        w->setAccessibleName(label->text());
        if (QWidget* buddy = label->buddy())
            setAccessibleNames(buddy, label->text());
        break;
    }
    case ControlKind::Edit:
        static_cast<QLineEdit*>(w)->setText(fromSurface(gbk));
        break;
    case ControlKind::MultiLineEdit: {
        auto* edit = static_cast<QPlainTextEdit*>(w);
        edit->setPlainText(fromSurfaceLines(gbk));
        edit->document()->setModified(false);
        endsWithCr_[id] = !gbk.empty() && gbk.back() == '\r';
        break;
    }
    case ControlKind::ComboBox:
        static_cast<QComboBox*>(w)->setEditText(fromSurface(gbk));
        break;
    case ControlKind::RichView: {
        auto* view = static_cast<QTextEdit*>(w);
        view->clear();
        QTextCharFormat format;
        auto colour = defaultColours_.find(id);
        if (colour != defaultColours_.end())
            format.setForeground(colour->second);
        QTextCursor cursor(view->document());
        cursor.insertText(fromSurfaceLines(gbk), format);
        if (colour != defaultColours_.end())
            view->setTextColor(colour->second);
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::Button:
        static_cast<QAbstractButton*>(w)->setText(fromSurface(gbk));
        w->setAccessibleName(withoutMnemonic(fromSurface(gbk)));
        break;
    case ControlKind::OwnerDrawButton:
        // The painter draws the face; the text names it to accessibility tools.
        static_cast<QAbstractButton*>(w)->setText(fromSurface(gbk));
        w->setAccessibleName(fromSurface(gbk));
        break;
    case ControlKind::GroupBox:
        static_cast<QGroupBox*>(w)->setTitle(fromSurface(gbk));
        w->setAccessibleName(withoutMnemonic(fromSurface(gbk)));
        break;
    default:
        break;
    }
}

int DialogWindow::check(int id) const
{
    if (auto* box = as<QCheckBox>(id)) {
        switch (box->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
        }
    }
    if (auto* radio = as<QRadioButton>(id))
        return radio->isChecked() ? 1 : 0;
    return 0;
}

void DialogWindow::setCheck(int id, int state)
{
    Quiet quiet(quiet_);
    if (auto* box = as<QCheckBox>(id)) {
        if (state == 2)
            box->setTristate(true);
        box->setCheckState(state == 2 ? Qt::PartiallyChecked : state ? Qt::Checked : Qt::Unchecked);
    } else if (auto* radio = as<QRadioButton>(id)) {
        // An exclusive group refuses to uncheck its checked button; the
        // program may still clear a radio button.
        QButtonGroup* group = radio->group();
        if (group && !state)
            group->setExclusive(false);
        radio->setChecked(state != 0);
        if (group && !state)
            group->setExclusive(true);
    }
}

void DialogWindow::enable(int id, bool on)
{
    if (QWidget* w = control(id))
        w->setEnabled(on);
}

bool DialogWindow::isEnabled(int id) const
{
    QWidget* w = control(id);
    return w && w->isEnabled();
}

void DialogWindow::show(int id, bool on)
{
    if (QWidget* w = control(id))
        w->setVisible(on);
}

bool DialogWindow::isShown(int id) const
{
    QWidget* w = control(id);
    return w && !w->isHidden();
}

void DialogWindow::focus(int id)
{
    if (QWidget* w = control(id))
        w->setFocus(Qt::OtherFocusReason);
}

void DialogWindow::setToolTip(int id, const std::string& gbk)
{
    if (QWidget* w = control(id))
        w->setToolTip(fromSurface(gbk));
}

// --- lists ---------------------------------------------------------------

void DialogWindow::clearList(int id)
{
    Quiet quiet(quiet_);
    if (auto* box = as<QComboBox>(id))
        box->clear();
}

int DialogWindow::insertItem(int id, int pos, const std::string& gbk)
{
    auto* box = as<QComboBox>(id);
    if (!box)
        return -1;
    Quiet quiet(quiet_);
    const int selected = box->currentIndex();
    const QString typed = box->currentText();
    if (pos < 0 || pos > box->count())
        pos = box->count();
    box->insertItem(pos, fromSurface(gbk));
    // Inserting never selects: QComboBox selects the first item of an
    // empty list, a drop-down list does not.
    if (selected < 0) {
        box->setCurrentIndex(-1);
        if (box->isEditable())
            box->setEditText(typed); // nor does it touch what was typed
    }
    return pos;
}

int DialogWindow::itemCount(int id) const
{
    auto* box = as<QComboBox>(id);
    return box ? box->count() : 0;
}

std::string DialogWindow::itemText(int id, int pos) const
{
    auto* box = as<QComboBox>(id);
    if (!box || pos < 0 || pos >= box->count())
        return {};
    return toSurface(box->itemText(pos));
}

int DialogWindow::selection(int id) const
{
    auto* box = as<QComboBox>(id);
    return box ? box->currentIndex() : -1;
}

void DialogWindow::select(int id, int pos)
{
    auto* box = as<QComboBox>(id);
    if (!box)
        return;
    Quiet quiet(quiet_);
    box->setCurrentIndex(pos >= 0 && pos < box->count() ? pos : -1);
}

void DialogWindow::setItemToolTip(int id, int pos, const std::string& gbk)
{
    auto* box = as<QComboBox>(id);
    if (box && pos >= 0 && pos < box->count())
        box->setItemData(pos, fromSurface(gbk), Qt::ToolTipRole);
}

// --- timers --------------------------------------------------------------

void DialogWindow::startTimer(int id, int ms)
{
    Timer& t = timers_[id];
    if (!t.timer) {
        t.timer = new QTimer(this);
        t.timer->setTimerType(Qt::PreciseTimer);
        connect(t.timer, &QTimer::timeout, this, [this, id] { tick(id); });
    }
    endWait(t);
    ++t.run;
    t.timer->start(ms);
}

void DialogWindow::stopTimer(int id)
{
    auto it = timers_.find(id);
    if (it != timers_.end()) {
        endWait(it->second);
        ++it->second.run;
        it->second.timer->stop();
    }
}

void DialogWindow::endWait(Timer& t)
{
    if (t.wake) {
        // It may be the notifier whose signal is being delivered.
        t.wake->setEnabled(false);
        t.wake->deleteLater();
        t.wake = nullptr;
    }
}

void DialogWindow::pauseTimerUntilReadable(int id, int fd)
{
    auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.timer->isActive())
        return;
    Timer& t = it->second;
    endWait(t);
    ++t.run;
    t.timer->stop();
    // Read also wakes on a hang-up or an error, so a device that goes away
    // while idle is still noticed by the next tick.
    t.wake = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(t.wake, &QSocketNotifier::activated, this, [this, id] {
        Timer& timer = timers_[id];
        endWait(timer);
        ++timer.run;
        timer.timer->start();
    });
}

void DialogWindow::tick(int id)
{
    ticking_.push_back(id);
    logic_.onTimer(id);
    ticking_.pop_back();
}

// Qt fires no timer again while its own timeout slot runs, so a box opened
// inside a tick would hold that timer's ticks until it closed. For as long
// as a box is open, a stand-in timer ticks for each timer whose tick is
// running; an idle window pays nothing for it.
class DialogWindow::StandInTicks {
public:
    explicit StandInTicks(DialogWindow& w)
    {
        for (int id : w.ticking_) {
            const auto it = w.timers_.find(id);
            if (it == w.timers_.end() || !it->second.timer->isActive() ||
                std::any_of(standIns_.begin(), standIns_.end(), [id](const auto& s) { return s.first == id; }))
                continue;
            auto timer = std::make_unique<QTimer>();
            timer->setTimerType(Qt::PreciseTimer);
            // A stop or a restart ends the stand-in: a timer restarted
            // inside its tick is a new timer to Qt, and fires by itself.
            QObject::connect(timer.get(), &QTimer::timeout, &w, [&w, id, run = it->second.run] {
                const auto t = w.timers_.find(id);
                if (t != w.timers_.end() && t->second.run == run && !w.ended_)
                    w.tick(id);
            });
            timer->start(it->second.timer->interval());
            standIns_.emplace_back(id, std::move(timer));
        }
    }
    StandInTicks(const StandInTicks&) = delete;
    StandInTicks& operator=(const StandInTicks&) = delete;

private:
    std::vector<std::pair<int, std::unique_ptr<QTimer>>> standIns_;
};

// --- modal boxes -----------------------------------------------------------

MessageAnswer DialogWindow::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                       MessageButtons buttons, const std::string& detail)
{
    QMessageBox box(this);
    box.setWindowTitle(fromSurface(caption));
    box.setTextFormat(Qt::PlainText); // "<COM1>" is text, not a tag
    box.setText(fromSurface(text));
    // In the box itself, not behind a "details" button: a short reason the
    // user should read at once.
    if (!detail.empty())
        box.setInformativeText(fromSurface(detail));
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }

    std::vector<std::pair<QAbstractButton*, MessageAnswer>> answers;
    auto add = [&](const char* utf8, QMessageBox::ButtonRole role, MessageAnswer answer) {
        QPushButton* b = box.addButton(QString::fromUtf8(utf8), role);
        answers.emplace_back(b, answer);
        return b;
    };
    MessageAnswer onEscape = MessageAnswer::Ok;
    switch (buttons) {
    case MessageButtons::Ok:
        box.setDefaultButton(add("确定", QMessageBox::AcceptRole, MessageAnswer::Ok));
        box.setEscapeButton(answers.back().first);
        break;
    case MessageButtons::OkCancel:
        box.setDefaultButton(add("确定", QMessageBox::AcceptRole, MessageAnswer::Ok));
        box.setEscapeButton(add("取消", QMessageBox::RejectRole, MessageAnswer::Cancel));
        onEscape = MessageAnswer::Cancel;
        break;
    case MessageButtons::YesNo:
        box.setDefaultButton(add("是", QMessageBox::YesRole, MessageAnswer::Yes));
        box.setEscapeButton(add("否", QMessageBox::NoRole, MessageAnswer::No));
        onEscape = MessageAnswer::No;
        break;
    }

    StandInTicks ticks(*this);
    box.exec();
    for (const auto& [button, answer] : answers)
        if (box.clickedButton() == button)
            return answer;
    return onEscape;
}

std::string DialogWindow::fileDialog(const FileDialogOptions& options, bool save, bool& chosen)
{
    QFileDialog dialog(this, fromSurface(options.title));
    // The Qt dialog works on every platform plugin, also without a portal.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Like the open dialog this models, the chosen file need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (save && !options.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFiltersFrom(fromSurface(options.filter));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QString ext = fromSurface(options.defaultExt);
    if (!ext.isEmpty())
        dialog.setDefaultSuffix(ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext);
    // Set, the folder wins over the one the toolkit remembers from earlier
    // dialogs and runs.
    if (!options.initialFolder.empty())
        dialog.setDirectory(fromSurface(options.initialFolder));
    if (!options.initialName.empty())
        dialog.selectFile(fromSurface(options.initialName));

    StandInTicks ticks(*this);
    chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (!chosen)
        return {};
    return toSurface(withDefaultExtension(dialog.selectedFiles().constFirst(), ext));
}

std::optional<std::string> DialogWindow::openFileDialog(const FileDialogOptions& options)
{
    bool chosen = false;
    std::string path = fileDialog(options, false, chosen);
    if (!chosen)
        return std::nullopt;
    return path;
}

std::optional<std::string> DialogWindow::saveFileDialog(const FileDialogOptions& options)
{
    bool chosen = false;
    std::string path = fileDialog(options, true, chosen);
    if (!chosen)
        return std::nullopt;
    return path;
}

int DialogWindow::runModal(const WindowTemplate& layout, DialogLogic& logic)
{
    DialogWindow child(layout, logic, this);
    StandInTicks ticks(*this);
    return child.exec();
}

// --- closing ---------------------------------------------------------------

void DialogWindow::endDialog(int code)
{
    finish(code);
}

void DialogWindow::closeWindow()
{
    finish(QDialog::Accepted);
}

void DialogWindow::finish(int code)
{
    ended_ = true;
    // A finished window's logic gets no more ticks.
    for (auto& [id, t] : timers_) {
        ++t.run;
        t.timer->stop();
    }
    QDialog::done(code);
}

void DialogWindow::requestClose()
{
    // A second Esc while the first request waits in a message box.
    if (inCloseRequest_ || ended_)
        return;
    inCloseRequest_ = true;
    QPointer<DialogWindow> self(this);
    const bool agreed = logic_.onCloseRequest();
    if (!self)
        return;
    inCloseRequest_ = false;
    if (agreed && !ended_)
        finish(kCloseCode);
}

void DialogWindow::reject()
{
    requestClose();
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    requestClose();
}

bool DialogWindow::event(QEvent* event)
{
    // A tick changes the views up to 333 times a second; painting each
    // change would cost more than all the rest. An update asked for within
    // a frame of the last paint is held to the frame's end, where one paint
    // shows everything changed since. What the controls hold is current at
    // once; only their pixels wait. A window at rest paints at once.
    if (event->type() == QEvent::UpdateRequest) {
        if (sinceLastPaint_.isValid() && sinceLastPaint_.elapsed() < kFrameMs) {
            if (!paintLater_.isActive())
                paintLater_.start(static_cast<int>(kFrameMs - sinceLastPaint_.elapsed()));
            return true;
        }
        sinceLastPaint_.start();
    }
    return QDialog::event(event);
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        requestClose();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // never a default button, never the end of the window
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void DialogWindow::showEvent(QShowEvent* event)
{
    ended_ = false;
    QDialog::showEvent(event);
    if (!placed_ && !parentWidget()) {
        placed_ = true;
        if (QScreen* s = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(s->availableGeometry().center());
            move(frame.topLeft());
        }
    }
}

void DialogWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates state = windowState();
    int kind = DialogLogic::kRestored;
    if (state & Qt::WindowMinimized) {
        kind = DialogLogic::kMinimized;
    } else if (state & Qt::WindowMaximized) {
        kind = DialogLogic::kMaximized;
        constrainSize(true);
    } else {
        constrainSize(false);
    }
    // The layout is computed from the screen, not from the client area the
    // window manager leaves.
    QScreen* s = screen();
    const QSize screenSize = s ? s->geometry().size() : QSize();
    logic_.onResize(kind, screenSize.width(), screenSize.height());
}

void DialogWindow::constrainSize(bool maximized)
{
    if (!maximizable_) {
        setFixedSize(clientSize_);
        return;
    }
    // X11 window managers (openbox among them) offer maximize only to a
    // window they may resize, and take one whose minimum and maximum sizes
    // agree as not resizable. So a maximizable window leaves them one pixel
    // of height while normal: maximize is offered, and there is no size
    // worth dragging the border to. Maximized, the limit goes.
    setMinimumSize(clientSize_);
    setMaximumSize(maximized ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : clientSize_ + QSize(0, 1));
    if (!maximized)
        resize(clientSize_);
}

QMenu* DialogWindow::createContextMenu(int id)
{
    if (auto* view = as<RichTextView>(id))
        return view->createContextMenu();
    auto* menu = new QMenu(this);
    for (const MenuEntry& e : menu_) {
        const int command = e.command;
        connect(menu->addAction(fromSource(e.caption)), &QAction::triggered, this,
                [this, command] { logic_.onMenuCommand(command); });
    }
    return menu;
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (menu_.empty()) {
        event->ignore();
        return;
    }
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// --- clipboard, rich view, window ------------------------------------------------

std::string DialogWindow::clipboardText() const
{
    return toSurface(QGuiApplication::clipboard()->text());
}

void DialogWindow::setClipboardText(const std::string& gbk)
{
    QGuiApplication::clipboard()->setText(fromSurface(gbk));
}

// Appends wait, like paints, for the frame's end: a document edit and its
// layout per tick would cost as much as the paints did. Whatever reads or
// replaces a view's content first puts its waiting appends in.
void DialogWindow::queueAppend(int id, const std::string& gbk, std::optional<Rgb> colour)
{
    PendingAppend& p = pendingAppends_[id];
    if (!p.runs.empty() && p.runs.back().colour == colour)
        p.runs.back().gbk += gbk;
    else
        p.runs.push_back({gbk, colour});
    if (!appendLater_.isActive()) {
        const qint64 sincePaint = sinceLastPaint_.isValid() ? sinceLastPaint_.elapsed() : kFrameMs;
        appendLater_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - sincePaint)));
    }
}

void DialogWindow::flushAppends(int id) const
{
    const auto it = pendingAppends_.find(id);
    if (it == pendingAppends_.end())
        return;
    const PendingAppend p = std::move(it->second);
    pendingAppends_.erase(it);
    auto* self = const_cast<DialogWindow*>(this);
    for (const AppendRun& run : p.runs) {
        if (run.colour)
            self->insertRich(id, run.gbk, *run.colour);
        else
            self->insertPlain(id, run.gbk);
    }
    if (p.scrollToEnd)
        self->scrollToEndNow(id);
}

void DialogWindow::flushAllAppends() const
{
    while (!pendingAppends_.empty())
        flushAppends(pendingAppends_.begin()->first);
}

void DialogWindow::appendRich(int id, const std::string& gbk, Rgb colour)
{
    if (as<QTextEdit>(id) && !gbk.empty())
        queueAppend(id, gbk, colour);
}

void DialogWindow::insertRich(int id, const std::string& gbk, Rgb colour)
{
    auto* view = as<QTextEdit>(id);
    if (!view)
        return;
    Quiet quiet(quiet_);
    view->document()->setUndoRedoEnabled(false); // a log of what came: nothing to undo
    // A cursor of our own: the user's caret and selection stay where they are.
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(toQColor(colour));
    cursor.insertText(fromSurfaceLines(gbk), format);
}

int DialogWindow::lineCount(int id) const
{
    flushAppends(id);
    if (auto* edit = as<QPlainTextEdit>(id)) {
        // The plain layout keeps each paragraph's wrapped line count as it
        // lays it out, and the document keeps their sum.
        edit->document()->documentLayout()->documentSize();
        return std::max(1, edit->document()->lineCount());
    }
    auto* view = as<QTextEdit>(id);
    if (!view)
        return 0;
    QTextDocument* doc = view->document();
    doc->documentLayout()->documentSize(); // finishes the layout of every block
    int lines = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        lines += std::max(1, layout ? layout->lineCount() : 0);
    }
    return lines;
}

int DialogWindow::textLength(int id) const
{
    flushAppends(id);
    auto* view = as<QTextEdit>(id);
    // characterCount() is kept by the document; it includes the separator
    // after the last paragraph.
    return view ? std::max(0, view->document()->characterCount() - 1) : 0;
}

void DialogWindow::scrollToEnd(int id)
{
    const auto it = pendingAppends_.find(id);
    if (it != pendingAppends_.end())
        it->second.scrollToEnd = true;
    else
        scrollToEndNow(id);
}

void DialogWindow::scrollToEndNow(int id)
{
    if (auto* edit = as<QPlainTextEdit>(id)) {
        // Scrolled by paragraphs: no layout of what is above.
        QScrollBar* bar = edit->verticalScrollBar();
        bar->setValue(bar->maximum());
        return;
    }
    auto* view = as<QTextEdit>(id);
    if (!view)
        return;
    view->document()->documentLayout()->documentSize();
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// --- edits -------------------------------------------------------------------

QLineEdit* DialogWindow::lineEditOf(int id) const
{
    if (auto* edit = as<QLineEdit>(id))
        return edit;
    auto* box = as<QComboBox>(id);
    return box ? box->lineEdit() : nullptr;
}

void DialogWindow::appendText(int id, const std::string& gbk)
{
    if (gbk.empty())
        return;
    if (as<QPlainTextEdit>(id))
        queueAppend(id, gbk, std::nullopt);
    else if (QLineEdit* line = lineEditOf(id)) {
        Quiet quiet(quiet_);
        line->setText(line->text() + fromSurface(gbk));
    }
}

void DialogWindow::insertPlain(int id, const std::string& gbk)
{
    Quiet quiet(quiet_);
    if (auto* edit = as<QPlainTextEdit>(id)) {
        const bool wasModified = edit->document()->isModified();
        // A CR that ended the last piece and the LF that starts this one
        // are one line break, as they would be in one piece.
        const bool joinLf = endsWithCr_[id] && gbk.front() == '\n';
        endsWithCr_[id] = gbk.back() == '\r';
        const QString text = fromSurfaceLines(joinLf ? gbk.substr(1) : gbk);
        QTextDocument* doc = edit->document();
        // What the program appends is a log of what arrived: no undo
        // history of it, which would keep every piece twice.
        doc->setUndoRedoEnabled(false);
        if (!text.isEmpty()) {
            QTextCursor cursor(doc);
            cursor.movePosition(QTextCursor::End);
            cursor.beginEditBlock();
            // In pieces, so that a long run without line breaks still ends
            // up in paragraphs of bounded length.
            for (qsizetype at = 0; at < text.size(); at += kContinuationAfter) {
                const QString piece = text.mid(at, kContinuationAfter);
                if (cursor.block().length() > kContinuationAfter && !piece.startsWith(QLatin1Char('\n'))) {
                    cursor.insertBlock();
                    cursor.block().setUserState(kContinuation);
                }
                cursor.insertText(piece);
            }
            cursor.endEditBlock();
        }
        // The append was the program's, made when asked; a change the user
        // made since still counts.
        edit->document()->setModified(wasModified);
    }
}

bool DialogWindow::isModified(int id) const
{
    if (auto* edit = as<QPlainTextEdit>(id))
        return edit->document()->isModified();
    if (QLineEdit* line = lineEditOf(id))
        return line->isModified();
    return false;
}

void DialogWindow::setModified(int id, bool on)
{
    if (auto* edit = as<QPlainTextEdit>(id))
        edit->document()->setModified(on);
    else if (QLineEdit* line = lineEditOf(id))
        line->setModified(on);
}

int DialogWindow::selectionStart(int id) const
{
    flushAppends(id);
    if (auto* edit = as<QPlainTextEdit>(id)) {
        return static_cast<int>(toSurfaceLines(plainText(edit, edit->textCursor().selectionStart())).size());
    }
    if (QLineEdit* line = lineEditOf(id)) {
        const int pos = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        return static_cast<int>(toSurface(line->text().left(pos)).size());
    }
    return 0;
}

void DialogWindow::moveCaretToEnd(int id)
{
    flushAppends(id);
    if (auto* edit = as<QPlainTextEdit>(id)) {
        edit->moveCursor(QTextCursor::End);
        edit->ensureCursorVisible();
    } else if (QLineEdit* line = lineEditOf(id)) {
        line->end(false);
    }
}

int DialogWindow::clientHeight(int id) const
{
    if (auto* area = as<QAbstractScrollArea>(id))
        return area->viewport()->height();
    QWidget* w = control(id);
    return w ? w->height() : 0;
}

void DialogWindow::setDefaultColour(int id, Rgb colour)
{
    auto* view = as<QTextEdit>(id);
    if (!view)
        return;
    defaultColours_[id] = toQColor(colour);
    view->setTextColor(toQColor(colour));
}

void DialogWindow::setTitle(const std::string& gbk)
{
    setWindowTitle(fromSurface(gbk));
}

void DialogWindow::setTopmost(bool on)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (flags == windowFlags())
        return;
    if (QWindow* handle = windowHandle()) {
        // setWindowFlags() would hide the window, which ends a running
        // exec(); telling the native window keeps it in place.
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

} // namespace dialog::qt
