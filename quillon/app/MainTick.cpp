// The main loop of Quillon's main dialog, timer 1 every 10 ms while the
// port is open: controls to fields, the file rotation, auto-send, the
// send-area rotation, then the receive.

#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/send/HexTextCodec.h"

namespace quillon {

void QuillonMainDialog::tick()
{
    if (messages_.inTick())
        return;
    if (!portOpen_) {
        // Nothing runs while the port is closed.
        surface().stopTimer(MainTick);
        mainTickHeld_ = true;
        return;
    }
    messages_.beginTick();
    bool readThisTick = false;

    for (int id : {Area3Period, Area2Period, Area1Period, RotationPeriod})
        if (surface().text(id).size() < 2)
            surface().setText(id, "10");
    updateFields();
    for (auto& a : sends_.areas)
        if (a.hex)
            a.text = upperCased(std::move(a.text));

    // A write that finds the device gone closes the port; what the tick
    // had left to do stops there, as it would after a close.
    fileRotation_.tick();

    for (int n = 1; n <= 3 && portOpen_; ++n) {
        SendArea& a = sends_.area(n);
        if (!a.autoSend)
            continue;
        if (static_cast<long long>(++a.autoSendTicks) * 14 > a.period) {
            sendArea(n, true);
            a.autoSendTicks = 0;
        }
    }

    if (portOpen_)
        areaRotation_.tick();

    if (portOpen_) {
        const ReceivePath::Polled polled = receive_.receive(session_);
        if (polled.lost)
            portLost(polled.lost); // the port stands closed, as after a close
        if (polled.bytes) {
            lamps_.lightRx();
            readThisTick = true;
        }
    }
    holdIdleTicks(readThisTick);
    messages_.endTick();
}

void QuillonMainDialog::holdIdleTicks(bool readThisTick)
{
    lamps_.wakeIfDue(portOpen_);
    if (!portOpen_ || readThisTick || receive_.pending() || areaRotation_.areaRotationRunning ||
        fileRotation_.fileRotationRunning)
        return;
    for (const SendArea& a : sends_.areas)
        if (a.autoSend)
            return;
    // The quiet-poll cycle stands still while held; a frame still ends one
    // to four polls after its last byte.
    if (session_.isOpen())
        surface().pauseTimerUntilReadable(MainTick, session_.fd());
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
    lamps_.wakeIfDue(portOpen_);
}

} // namespace quillon
