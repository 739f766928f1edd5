// The ports between the user's own actions: the tooltips follow what
// each name stands for as devices and links come and go, and with
// reconnect on a port whose device went away stays in use until the
// device is back.

#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"

namespace quillon {

using dialog::gbk;

void QuillonMainDialog::startFollowingPorts()
{
    surface().startTimer(PortWatch, serial::Reconnect::kRetryMs);
    surface().pauseTimerUntilReadable(PortWatch, follow_.fd());
}

void QuillonMainDialog::onPortWatch()
{
    const serial::PortFollow::Tick t = follow_.tick();
    if (t.portsChanged)
        updatePortToolTip();
    if (t.reopened)
        deviceBack();
    if (!t.beatAgain)
        surface().pauseTimerUntilReadable(PortWatch, follow_.fd());
}

void QuillonMainDialog::waitForDevice()
{
    // The tick goes on (auto-send, rotations, the quiet end of a frame);
    // what it sends meanwhile is not written.
    closePort();
    follow_.reconnect().begin();
    traffic_.showNote(gbk(serial::lostMark(session_.portName(), clock_.localNow())));
    lamps_.setWaiting(true);
    surface().setToolTip(StatusLamp, gbk(serial::waitingText(session_.portName())));
    lamps_.wakeIfDue(portOpen_);
    // A round of tries at once: the device may be back before its change
    // is seen.
    surface().startTimer(PortWatch, serial::Reconnect::kRetryMs);
}

void QuillonMainDialog::deviceBack()
{
    traffic_.showNote(gbk(serial::kBackMark));
    endWaitLook();
    wakeTicks();
}

void QuillonMainDialog::endWait()
{
    if (!follow_.reconnect().waiting())
        return;
    follow_.reconnect().end();
    endWaitLook();
}

void QuillonMainDialog::endWaitLook()
{
    lamps_.setWaiting(false);
    surface().setToolTip(StatusLamp, "");
    lamps_.wakeIfDue(portOpen_);
}

} // namespace quillon
