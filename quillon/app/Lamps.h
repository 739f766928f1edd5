#pragma once
// The status lamp and the two traffic lamps, on their own 10 ms tick
// (timer 2) that stops while they are dark.

#include "dialog/ControlSurface.h"

namespace quillon {

class Lamps {
public:
    /// What the lamps show, as decided by the last lamp tick; the window's
    /// painters read it.
    struct Shown {
        bool portOpen = false;
        /// The port stays in use while its device is away.
        bool waiting = false;
        bool txLit = false;
        bool rxLit = false;
    };

    void bind(dialog::ControlSurface& surface) { surface_ = &surface; }
    const Shown& shown() const { return shown_; }

    /// A send or a chunk since the last lamp tick: its lamp lights until
    /// the next one.
    void lightTx() { tx_ = true; }
    void lightRx() { rx_ = true; }
    /// The status lamp shows the wait for a device from the next lamp tick.
    void setWaiting(bool on) { waiting_ = on; }

    /// Timer 2: lights or dims the lamps for the next 10 ms.
    void tick(bool portOpen);
    /// Restarts a stopped lamp tick when a lamp is to change.
    void wakeIfDue(bool portOpen);

private:
    dialog::ControlSurface* surface_ = nullptr;
    bool tx_ = false;
    bool rx_ = false;
    bool waiting_ = false;
    Shown shown_;
    bool held_ = false;
};

} // namespace quillon
