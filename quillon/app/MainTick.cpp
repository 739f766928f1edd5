// The main loop of Quillon's main dialog, timer 1 every 10 ms while the
// port is open: controls to fields, the file rotation, auto-send, the
// send-area rotation, then the receive.

#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/send/HexTextCodec.h"

namespace quillon {

void QuillonMainDialog::tick()
{
    if (inTick_)
        return;
    if (!portOpen) {
        // Nothing runs while the port is closed.
        surface().stopTimer(MainTick);
        mainTickHeld_ = true;
        return;
    }
    inTick_ = true;
    const std::int64_t rxBefore = rxBytes;

    for (int id : {Area3Period, Area2Period, Area1Period, RotationPeriod})
        if (surface().text(id).size() < 2)
            surface().setText(id, "10");
    updateFields();
    for (auto& a : areas)
        if (a.hex)
            a.text = upperCased(std::move(a.text));

    // A write that finds the device gone closes the port; what the tick
    // had left to do stops there, as it would after a close.
    fileRotation_.tick();

    for (int n = 1; n <= 3 && portOpen; ++n) {
        SendArea& a = areas[static_cast<std::size_t>(n - 1)];
        if (!a.autoSend)
            continue;
        if (static_cast<long long>(++a.autoSendTicks) * 14 > a.period) {
            sendArea(n, true);
            a.autoSendTicks = 0;
        }
    }

    if (portOpen)
        areaRotation_.tick();

    if (portOpen)
        receive();
    holdIdleTicks(rxBytes != rxBefore);
    inTick_ = false;
}

void QuillonMainDialog::holdIdleTicks(bool readThisTick)
{
    wakeLampsIfDue();
    if (!portOpen || readThisTick || frames_.pending() || areaRotation_.areaRotationRunning ||
        fileRotation_.fileRotationRunning)
        return;
    for (const SendArea& a : areas)
        if (a.autoSend)
            return;
    // The quiet-poll cycle stands still while held; a frame still ends one
    // to four polls after its last byte.
    if (portDevice.isOpen())
        surface().pauseTimerUntilReadable(MainTick, portDevice.fd());
    else
        surface().stopTimer(MainTick);
    mainTickHeld_ = true;
}

void QuillonMainDialog::wakeTicks()
{
    if (mainTickHeld_) {
        mainTickHeld_ = false;
        surface().startTimer(MainTick, 10);
    }
    wakeLampsIfDue();
}

void QuillonMainDialog::wakeLampsIfDue()
{
    if (lampTickHeld_ && (txLamp || rxLamp || (portOpen != 0) != shownLamps_.portOpen)) {
        lampTickHeld_ = false;
        surface().startTimer(LampTick, 10);
    }
}

} // namespace quillon
