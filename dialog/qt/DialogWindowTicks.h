#pragma once
// The window's timers and descriptor watches, carrying out what the tick
// scheduler and the frame pacer decide. Private to the window's files.

#include "dialog/FramePacer.h"
#include "dialog/TickScheduler.h"
#include "dialog/qt/DialogWindow.h"

#include <QTimer>

#include <map>

class QSocketNotifier;

namespace dialog::qt {

class DialogWindow::Pacing final : public TickScheduler::Carrier, public FramePacer::Carrier {
public:
    explicit Pacing(DialogWindow& window);
    Pacing(const Pacing&) = delete;
    Pacing& operator=(const Pacing&) = delete;
    /// Stops the beats, before the window's widgets go.
    void stopBeats();

    SystemClock clock;
    TickScheduler ticks{clock, *this};
    FramePacer frames{clock, *this};

private:
    struct Handles {
        QTimer* beat = nullptr;
        QTimer* catchUp = nullptr;
        QSocketNotifier* wake = nullptr; // one per timer, kept: an idle poll pauses after every burst
    };
    Handles& handles(int id) { return handles_[id]; }
    QTimer& wait(FramePacer::Wait w);

    // TickScheduler::Carrier
    void startBeat(int id, int ms) override;
    void stopBeat(int id) override;
    void startCatchUp(int id, int ms) override;
    void stopCatchUp(int id) override;
    void watch(int id, int fd) override;
    void unwatch(int id) override;
    void tick(int id) override;
    void served(std::optional<int> nextTickMs) override;
    // FramePacer::Carrier
    void startWait(FramePacer::Wait w, int ms) override;
    void stopWait(FramePacer::Wait w) override;
    void requestPaint() override;
    void flush(int id) override;

    DialogWindow& window_;
    std::map<int, Handles> handles_;
    QTimer paintLater_;
    QTimer appendLater_;
    QTimer countLater_;
};

} // namespace dialog::qt
