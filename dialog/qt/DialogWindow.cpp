#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/LogView.h"
#include "dialog/qt/TextConvert.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace dialog::qt {
namespace {

QRect toQRect(const Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

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
    connect(&appendLater_, &QTimer::timeout, this, [this] { flushWaitingChanges(); });
    countLater_.setSingleShot(true);
    connect(&countLater_, &QTimer::timeout, this, [this] { flushWaitingChanges(); });
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
    for (auto it = below.rbegin(); it != below.rend(); ++it)
        (*it)->lower();
}

void DialogWindow::notify(int id, Notification n)
{
    logic_.dispatch(id, n);
}

ControlAdapter* DialogWindow::find(int id) const
{
    return id >= 0 && static_cast<std::size_t>(id) < controls_.size() ? controls_[static_cast<std::size_t>(id)] : nullptr;
}

QWidget* DialogWindow::control(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->widget() : nullptr;
}

void DialogWindow::setPainter(int id, Painter painter)
{
    if (ControlAdapter* c = find(id))
        c->setPainter(std::move(painter));
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

// --- what every control does -------------------------------------------------

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

std::optional<std::uint64_t> DialogWindow::changedAt(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->changedAt() : std::nullopt;
}

int DialogWindow::clientHeight(int id) const
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control(id)))
        return area->viewport()->height();
    QWidget* w = control(id);
    return w ? w->height() : 0;
}

// --- what the kinds do ---------------------------------------------------------

// The program's change of control id: marked while it runs, so the signals
// it causes are not taken for the user's, and stamped once done. False when
// the table has no such control.
template <class Change>
bool DialogWindow::changeByProgram(int id, Change&& change)
{
    ControlAdapter* c = find(id);
    if (!c)
        return false;
    ProgramChange marked(*this);
    change(*c);
    c->markChanged(*this);
    return true;
}

std::string DialogWindow::text(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->text() : std::string();
}

void DialogWindow::setText(int id, const std::string& gbk)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.setText(gbk); });
}

int DialogWindow::check(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->check() : 0;
}

void DialogWindow::setCheck(int id, int state)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.setCheck(state); });
}

void DialogWindow::clearList(int id)
{
    changeByProgram(id, [](ControlAdapter& c) { c.clearList(); });
}

int DialogWindow::insertItem(int id, int pos, const std::string& gbk)
{
    int at = -1;
    changeByProgram(id, [&](ControlAdapter& c) { at = c.insertItem(pos, gbk); });
    return at;
}

int DialogWindow::itemCount(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->itemCount() : 0;
}

std::string DialogWindow::itemText(int id, int pos) const
{
    const ControlAdapter* c = find(id);
    return c ? c->itemText(pos) : std::string();
}

int DialogWindow::selection(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->selection() : -1;
}

void DialogWindow::select(int id, int pos)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.select(pos); });
}

void DialogWindow::setItemToolTip(int id, int pos, const std::string& gbk)
{
    if (ControlAdapter* c = find(id))
        c->setItemToolTip(pos, gbk);
}

void DialogWindow::appendText(int id, const std::string& gbk)
{
    if (!gbk.empty())
        changeByProgram(id, [&](ControlAdapter& c) { c.appendText(gbk); });
}

bool DialogWindow::isModified(int id) const
{
    const ControlAdapter* c = find(id);
    return c && c->isModified();
}

void DialogWindow::setModified(int id, bool on)
{
    if (ControlAdapter* c = find(id))
        c->setModified(on);
}

int DialogWindow::selectionStart(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->selectionStart() : 0;
}

void DialogWindow::moveCaretToEnd(int id)
{
    if (ControlAdapter* c = find(id))
        c->moveCaretToEnd();
}

void DialogWindow::appendRich(int id, const std::string& gbk, Rgb colour)
{
    changeByProgram(id, [&](ControlAdapter& c) { c.appendRich(gbk, colour); });
}

int DialogWindow::lineCount(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->lineCount() : 0;
}

int DialogWindow::textLength(int id) const
{
    const ControlAdapter* c = find(id);
    return c ? c->textLength() : 0;
}

void DialogWindow::scrollToEnd(int id)
{
    if (ControlAdapter* c = find(id))
        c->scrollToEnd();
}

void DialogWindow::setDefaultColour(int id, Rgb colour)
{
    if (ControlAdapter* c = find(id))
        c->setDefaultColour(colour);
}

// Views' appends wait, like paints, for the frame's end.
void DialogWindow::changesWaiting(int id)
{
    waitingControls_.insert(id);
    if (!appendLater_.isActive())
        appendLater_.start(msToViewsShown());
}

// Under a stream, a view scrolled at every frame costs the window a blit
// and a paint each time, far more than the bytes it shows: the appends then
// come at the counters' pace. After a quiet spell the first append is shown
// at the frame's end.
int DialogWindow::msToViewsShown() const
{
    const int frame = msToFrameEnd();
    if (!viewsShown_.isValid() || viewsShown_.elapsed() >= kCountMs)
        return frame;
    return std::max(frame, static_cast<int>(kCountMs - viewsShown_.elapsed()));
}

int DialogWindow::msToFrameEnd() const
{
    if (!sinceLastPaint_.isValid())
        return 0;
    return static_cast<int>(std::max<qint64>(0, kFrameMs - sinceLastPaint_.elapsed()));
}

void DialogWindow::countWaiting(int id)
{
    waitingCounts_.insert(id);
    if (!countLater_.isActive())
        countLater_.start(kCountMs);
}

void DialogWindow::flushWaiting(std::set<int>& ids)
{
    while (!ids.empty()) {
        const int id = *ids.begin();
        ids.erase(ids.begin());
        if (const ControlAdapter* c = find(id))
            c->flushWaiting();
    }
}

// The counters and the text they count are shown together, in one paint.
void DialogWindow::flushWaitingChanges()
{
    if (!waitingControls_.empty()) {
        appendLater_.stop();
        viewsShown_.start();
        flushWaiting(waitingControls_);
    }
    countLater_.stop();
    flushWaiting(waitingCounts_);
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
    // Started beside a running timer of the same period, it takes that
    // timer's beat, the first one at least a period away, so the two tick
    // in one pass of the loop.
    for (const auto& [other, beat] : timers_) {
        if (other == id || ms <= 0 || !ticksWithLast(beat, ms))
            continue;
        const qint64 firstNs = 2 * nanoseconds(ms) - beat.lastTick.nsecsElapsed() % nanoseconds(ms);
        t.timer->setInterval(ms);
        startCatchUp(id, t, firstNs);
        return;
    }
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
    t.waiting = false;
    if (t.wake)
        t.wake->setEnabled(false);
    if (t.catchUp)
        t.catchUp->stop();
}

bool DialogWindow::ticksWithLast(const Timer& t, int period)
{
    return t.timer->isActive() && t.timer->interval() == period && t.lastTick.isValid();
}

qint64 DialogWindow::nanoseconds(int ms)
{
    return std::int64_t{ms} * 1000000;
}

bool DialogWindow::running(const Timer& t)
{
    return t.timer->isActive() || (t.catchUp && t.catchUp->isActive());
}

void DialogWindow::pauseTimerUntilReadable(int id, int fd)
{
    auto it = timers_.find(id);
    if (it == timers_.end() || !running(it->second))
        return;
    Timer& t = it->second;
    if (t.catchUp)
        t.catchUp->stop();
    ++t.run;
    t.timer->stop();
    t.waiting = true;
    // One notifier per timer, kept: an idle poll pauses after every burst.
    // Read also wakes on a hang-up or an error, so a device that goes away
    // while idle is still noticed by the next tick. A wake's tick that
    // pauses again finds it still on its descriptor: each change of the
    // loop's descriptors costs GLib two more system calls.
    if (!t.wake) {
        t.wake = new QSocketNotifier(QSocketNotifier::Read, this);
        connect(t.wake, &QSocketNotifier::activated, this, [this, id] { wake(id); });
    }
    if (t.wake->socket() != fd)
        t.wake->setSocket(fd);
    t.wake->setEnabled(true);
}

void DialogWindow::wake(int id)
{
    Timer& t = timers_[id];
    // Not waiting: behind a box the wake's own tick opened, where the
    // running timer ticks.
    if (ended_ || !t.waiting) {
        endWait(t);
        return;
    }
    t.waiting = false;
    ++t.run;
    // The wake is the tick, what woke it read at once, unless the last
    // tick is less than a period ago: ticks come no closer than their
    // period (to the millisecond), and a tick reads what a running timer's
    // would.
    const int period = t.timer->interval();
    const qint64 periodNs = nanoseconds(period);
    const qint64 restNs = std::max<qint64>(0, t.lastTick.isValid() ? periodNs - t.lastTick.nsecsElapsed() : 0);
    // The other timers of its period move onto its beat, each once to the
    // first of its beats not sooner than a period after its last tick.
    for (auto& [other, b] : timers_) {
        if (other == id || !ticksWithLast(b, period))
            continue;
        const qint64 dueNs = periodNs - b.lastTick.nsecsElapsed();
        qint64 firstNs = restNs;
        while (firstNs < dueNs)
            firstNs += periodNs;
        ++b.run;
        b.timer->stop();
        startCatchUp(other, b, firstNs);
    }
    if (restNs == 0) {
        resume(id);
        if (!t.waiting)
            t.wake->setEnabled(false);
        tickDueCompanions(id);
        serveFrame(id);
        return;
    }
    t.wake->setEnabled(false);
    startCatchUp(id, t, restNs);
}

void DialogWindow::startCatchUp(int id, Timer& t, qint64 ns)
{
    if (!t.catchUp) {
        t.catchUp = new QTimer(this);
        t.catchUp->setSingleShot(true);
        t.catchUp->setTimerType(Qt::PreciseTimer);
        connect(t.catchUp, &QTimer::timeout, this, [this, id] {
            resume(id);
            serveFrame(id);
        });
    }
    // To the nearest millisecond, the timer's grain: a tick comes at most
    // half of one early or late, and a burst's ticks keep their rate.
    t.catchUp->start(static_cast<int>((ns + 500000) / 1000000));
}

void DialogWindow::resume(int id)
{
    Timer& t = timers_[id];
    t.timer->start();
    t.lastTick.start();
    // Not through tick(): the timer is not in its own slot, so it fires by
    // itself behind a box this tick opens.
    logic_.onTimer(id);
}

void DialogWindow::tick(int id)
{
    if (const auto it = timers_.find(id); it != timers_.end())
        it->second.lastTick.start();
    runningTicks_.push_back(id);
    logic_.onTimer(id);
    runningTicks_.pop_back();
    tickDueCompanions(id);
    serveFrame(id);
}

void DialogWindow::serveFrame(int id)
{
    // What the frame and the counters would flush or paint before the next
    // tick is done in this tick's pass of the loop, at most a period early:
    // under a feed the window then wakes once per tick, not once more for
    // each of them. Counters due before the next frame's end ride along.
    // A tick that left its timer waiting for the port cannot tell when the
    // next comes; it serves what is due within a quarter of a frame.
    const auto it = timers_.find(id);
    if (ended_ || it == timers_.end())
        return;
    const Timer& t = it->second;
    if (!t.timer->isActive() && !t.waiting)
        return;
    const int period = t.waiting ? kFrameMs / 4 : t.timer->interval();
    const bool frameEnds = msToFrameEnd() < period;
    const bool appendsDue = frameEnds && appendLater_.isActive() && appendLater_.remainingTime() < period;
    const bool frameDue = appendsDue || (frameEnds && paintLater_.isActive());
    const bool countsDue = countLater_.isActive() &&
                           (appendsDue || countLater_.remainingTime() < (frameDue ? kFrameMs + period : period));
    if (appendsDue || countsDue)
        flushWaitingChanges();
    // Otherwise the paint waits for its frame's end, which a later tick serves.
    if (!frameEnds || !(frameDue || countsDue))
        return;
    paintNow_ = true;
    if (paintLater_.isActive()) {
        paintLater_.stop();
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }
}

void DialogWindow::tickDueCompanions(int id)
{
    // Timers of one period share a pass of the loop: one due within two
    // milliseconds (a whole one, rounded up) ticks now and starts its
    // period again from here, so that the next passes find both due
    // together. A tick so comes at most that much early, once.
    const auto it = timers_.find(id);
    if (ended_ || it == timers_.end() || !it->second.timer->isActive())
        return;
    const int period = it->second.timer->interval();
    const auto dueSoon = [period](const Timer& t) {
        if (t.timer->interval() != period)
            return false;
        if (t.timer->isActive())
            return t.timer->remainingTime() <= 2;
        return t.catchUp && t.catchUp->isActive() && t.catchUp->remainingTime() <= 2;
    };
    std::vector<int> due;
    for (const auto& [other, t] : timers_)
        if (other != id && dueSoon(t))
            due.push_back(other);
    for (int other : due) {
        Timer& t = timers_[other];
        if (ended_ || !dueSoon(t))
            continue;
        endWait(t);
        ++t.run;
        resume(other);
    }
}

bool DialogWindow::ticking(int id) const
{
    const auto it = timers_.find(id);
    return it != timers_.end() && running(it->second);
}

// --- closing ---------------------------------------------------------------

void DialogWindow::closeWindow()
{
    finish(QDialog::Accepted);
}

void DialogWindow::finish(int code)
{
    ended_ = true;
    // A finished window's logic gets no more ticks.
    for (auto& [id, t] : timers_) {
        endWait(t);
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
        if (const int wait = msToFrameEnd(); wait > 0 && !paintNow_) {
            if (!paintLater_.isActive())
                paintLater_.start(wait);
            return true;
        }
        paintNow_ = false;
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
        event->accept();
        pressForEnter();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
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

QMenu* DialogWindow::createContextMenu(int id)
{
    if (auto* view = qobject_cast<LogView*>(control(id)))
        return view->createContextMenu();
    auto* menu = new QMenu(this);
    for (const MenuEntry& e : menu_) {
        const int command = e.command;
        connect(menu->addAction(fromSource(e.caption)), &QAction::triggered, this,
                [this, command] { logic_.onMenuCommand(command); });
    }
    return menu;
}

void DialogWindow::addMenuEntries(QMenu& menu)
{
    if (menu_.empty())
        return;
    menu.addSeparator();
    for (const MenuEntry& e : menu_) {
        const int command = e.command;
        connect(menu.addAction(fromSource(e.caption)), &QAction::triggered, this,
                [this, command] { logic_.onMenuCommand(command); });
    }
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

// --- clipboard, window ------------------------------------------------------------

std::string DialogWindow::clipboardText() const
{
    return toSurface(QGuiApplication::clipboard()->text());
}

void DialogWindow::setClipboardText(const std::string& gbk)
{
    QGuiApplication::clipboard()->setText(fromSurface(gbk));
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
