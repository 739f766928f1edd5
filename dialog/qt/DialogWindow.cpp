#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/DialogWindowTicks.h"
#include "dialog/qt/TextConvert.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace dialog::qt {
namespace {

QRect toQRect(const Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

} // namespace

DialogWindow::DialogWindow(const WindowTemplate& layout, DialogLogic& logic, QWidget* parent)
    : QDialog(parent)
    , logic_(logic)
    , clientSize_(layout.width, layout.height)
    , menu_(layout.menu)
    , menuChecks_(layout.menu.size(), false)
{
    makeMenusAccessible();
    pacing_ = std::make_unique<Pacing>(*this);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
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

    build(layout);
    logic_.bind(*this);
    logic_.onInit();
}

DialogWindow::~DialogWindow()
{
    pacing_->stopBeats();
    // The widgets go before their adapters, which their signals reach.
    for (const auto& c : adapters_)
        delete c->widget();
}

void DialogWindow::build(const WindowTemplate& layout)
{
    std::vector<QWidget*> below; // group boxes and frames, drawn under the rest
    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& c : layout.controls) {
        if (c.styles & style::Group)
            radioGroup = nullptr; // a group mark ends the radio group before it
        std::unique_ptr<ControlAdapter> control = createControl(c, this, *this, radioGroup);
        QWidget* w = control->widget();
        // The label's buddy: its access key focuses the control, and
        // accessibility tools report the control as labelled by it.
        if (c.label >= 0 && c.label < static_cast<int>(adapters_.size()))
            if (auto* label = qobject_cast<QLabel*>(adapters_[c.label]->widget()))
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
        if (c.id >= 0 && c.id <= 0xFFFF) {
            if (static_cast<std::size_t>(c.id) >= controls_.size())
                controls_.resize(static_cast<std::size_t>(c.id) + 1);
            controls_[static_cast<std::size_t>(c.id)] = control.get();
            control->connectSignals(*this);
            control->watchChanges(*this);
        }
        adapters_.push_back(std::move(control));
    }
    std::for_each(below.rbegin(), below.rend(), [](QWidget* w) { w->lower(); });
}

void DialogWindow::notify(int id, Notification n) { logic_.dispatch(id, n); }

ControlAdapter* DialogWindow::find(int id) const
{
    return id >= 0 && static_cast<std::size_t>(id) < controls_.size() ? controls_[static_cast<std::size_t>(id)]
                                                                      : nullptr;
}

QWidget* DialogWindow::control(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->widget() : nullptr;
}

// --- closing ---------------------------------------------------------------

void DialogWindow::closeWindow() { finish(QDialog::Accepted); }

void DialogWindow::finish(int code)
{
    ended_ = true;
    // A finished window's logic gets no more ticks.
    pacing_->ticks.end();
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

void DialogWindow::reject() { requestClose(); }

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
    // At most one paint a frame: the pacer holds the rest to the frame's end.
    if (event->type() == QEvent::UpdateRequest && !pacing_->frames.paintRequested())
        return true;
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
        event->accept();
        pressForEnter();
        return;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            event->accept();
            openContextMenuByKey();
            return;
        }
        break;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

// Enter presses the push button that has the focus, otherwise the window's
// default button; a window without one (the main windows) stays as it is.
void DialogWindow::pressForEnter()
{
    const auto usable = [](QPushButton* b) { return b && b->isEnabled() && b->isVisible(); };
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (!usable(button)) {
        button = nullptr;
        for (QPushButton* b : findChildren<QPushButton*>())
            if (b->isDefault())
                button = b;
    }
    if (usable(button))
        button->click();
}

void DialogWindow::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // Only a normal window's own size: the manager's move of a window it
    // maximizes may come before the state it has put it in.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) &&
        size().height() <= clientSize_.height() + 1)
        normalPos_ = geometry().topLeft();
}

void DialogWindow::showEvent(QShowEvent* event)
{
    ended_ = false;
    pacing_->ticks.reopen();
    // The focus shows from the start, as for a window reached by the
    // keyboard: its controls are worked with Tab, Space and Enter.
    setAttribute(Qt::WA_KeyboardFocusChange);
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
        // Some managers (openbox) leave a restored window where its
        // maximized frame was, at the top left.
        if (normalPos_)
            setGeometry(QRect(*normalPos_, size()));
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

// --- clipboard, window ------------------------------------------------------------

std::string DialogWindow::clipboardText() const { return toSurface(QGuiApplication::clipboard()->text()); }

void DialogWindow::setClipboardText(const std::string& gbk) { QGuiApplication::clipboard()->setText(fromSurface(gbk)); }

void DialogWindow::setTitle(const std::string& gbk) { setWindowTitle(fromSurface(gbk)); }

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
