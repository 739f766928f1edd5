#include "quillon/app/Lamps.h"

#include "quillon/QuillonIds.h"

namespace quillon {

void Lamps::tick(bool portOpen)
{
    // A lamp is repainted only when what it shows changes, so that an idle
    // window costs nothing.
    const Shown now{portOpen, portOpen && waiting_, tx_, rx_};
    tx_ = false;
    rx_ = false;
    if (now.portOpen != shown_.portOpen || now.waiting != shown_.waiting)
        surface_->redraw(StatusLamp);
    if (now.txLit != shown_.txLit || now.rxLit != shown_.rxLit)
        surface_->redraw(TrafficLamps);
    shown_ = now;
    // Dark lamps stay dark until a send, a chunk or the port wakes them.
    if (!now.txLit && !now.rxLit) {
        surface_->stopTimer(LampTick);
        held_ = true;
    }
}

void Lamps::wakeIfDue(bool portOpen)
{
    if (held_ && (tx_ || rx_ || portOpen != shown_.portOpen || (portOpen && waiting_) != shown_.waiting)) {
        held_ = false;
        surface_->startTimer(LampTick, 10);
    }
}

} // namespace quillon
