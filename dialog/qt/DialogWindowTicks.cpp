// The window's side of the timers and the paints: Qt timers and socket
// notifiers doing what the schedule asks, and the schedule told what they
// saw.

#include "dialog/qt/DialogWindowTicks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

namespace dialog::qt {

DialogWindow::Pacing::Pacing(DialogWindow& window) : window_(window)
{
    for (auto [timer, w] :
         {std::pair{&paintLater_, FramePacer::Wait::Paint}, std::pair{&appendLater_, FramePacer::Wait::Appends},
          std::pair{&countLater_, FramePacer::Wait::Counts}}) {
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, &window_, [this, w = w] { frames.waitEnded(w); });
    }
}

void DialogWindow::Pacing::stopBeats()
{
    for (auto& [id, h] : handles_)
        if (h.beat)
            h.beat->stop();
}

void DialogWindow::Pacing::startBeat(int id, int ms)
{
    Handles& h = handles(id);
    if (!h.beat) {
        h.beat = new QTimer(&window_);
        h.beat->setTimerType(Qt::PreciseTimer);
        QObject::connect(h.beat, &QTimer::timeout, &window_, [this, id] { ticks.beatFired(id); });
    }
    h.beat->start(ms);
}

void DialogWindow::Pacing::stopBeat(int id)
{
    if (QTimer* t = handles(id).beat)
        t->stop();
}

void DialogWindow::Pacing::startCatchUp(int id, int ms)
{
    Handles& h = handles(id);
    if (!h.catchUp) {
        h.catchUp = new QTimer(&window_);
        h.catchUp->setSingleShot(true);
        h.catchUp->setTimerType(Qt::PreciseTimer);
        QObject::connect(h.catchUp, &QTimer::timeout, &window_, [this, id] { ticks.catchUpFired(id); });
    }
    h.catchUp->start(ms);
}

void DialogWindow::Pacing::stopCatchUp(int id)
{
    if (QTimer* t = handles(id).catchUp)
        t->stop();
}

void DialogWindow::Pacing::watch(int id, int fd)
{
    // Read also wakes on a hang-up or an error, so a device that goes away
    // while idle is still noticed by the next tick. Each change of the
    // loop's descriptors costs GLib two more system calls.
    Handles& h = handles(id);
    if (!h.wake) {
        h.wake = new QSocketNotifier(QSocketNotifier::Read, &window_);
        QObject::connect(h.wake, &QSocketNotifier::activated, &window_, [this, id] { ticks.readable(id); });
    }
    if (h.wake->socket() != fd)
        h.wake->setSocket(fd);
    h.wake->setEnabled(true);
}

void DialogWindow::Pacing::unwatch(int id)
{
    if (QSocketNotifier* n = handles(id).wake)
        n->setEnabled(false);
}

void DialogWindow::Pacing::tick(int id) { window_.logic_.onTimer(id); }

void DialogWindow::Pacing::served(std::optional<int> nextTickMs) { frames.serve(nextTickMs); }

QTimer& DialogWindow::Pacing::wait(FramePacer::Wait w)
{
    switch (w) {
    case FramePacer::Wait::Paint: return paintLater_;
    case FramePacer::Wait::Appends: return appendLater_;
    case FramePacer::Wait::Counts: break;
    }
    return countLater_;
}

void DialogWindow::Pacing::startWait(FramePacer::Wait w, int ms) { wait(w).start(ms); }

void DialogWindow::Pacing::stopWait(FramePacer::Wait w) { wait(w).stop(); }

void DialogWindow::Pacing::requestPaint()
{
    QCoreApplication::postEvent(&window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void DialogWindow::Pacing::flush(int id)
{
    if (const ControlAdapter* c = window_.find(id))
        c->flushWaiting();
}

// --- the window's timers, as the surface offers them ------------------------

void DialogWindow::startTimer(int id, int ms) { pacing_->ticks.start(id, ms); }

void DialogWindow::stopTimer(int id) { pacing_->ticks.stop(id); }

void DialogWindow::pauseTimerUntilReadable(int id, int fd) { pacing_->ticks.pauseUntilReadable(id, fd); }

bool DialogWindow::ticking(int id) const { return pacing_->ticks.ticking(id); }

void DialogWindow::changesWaiting(int id) { pacing_->frames.viewWaiting(id); }

void DialogWindow::countWaiting(int id) { pacing_->frames.countWaiting(id); }

void DialogWindow::flushWaitingChanges() { pacing_->frames.flushWaiting(); }

} // namespace dialog::qt
