// The main loop of Quillon's main dialog, timer 1 every 10 ms while the
// port is open: controls to fields, the file rotation, auto-send, the
// send-area rotation, then the receive.

#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/send/HexTextCodec.h"

namespace quillon {

void QuillonMainDialog::tick()
{
    if (!portOpen || inTick_)
        return;
    inTick_ = true;

    for (int id : {Area3Period, Area2Period, Area1Period, RotationPeriod})
        if (surface().text(id).size() < 2)
            surface().setText(id, "10");
    updateFields();
    for (auto& a : areas)
        if (a.hex)
            a.text = upperCased(a.text);

    // A write that finds the device gone closes the port; what the tick
    // had left to do stops there, as it would after a close.
    fileRotation_.tick();

    for (int n = 1; n <= 3 && portOpen; ++n) {
        SendArea& a = areas[static_cast<std::size_t>(n - 1)];
        if (!a.autoSend)
            continue;
        if (static_cast<long long>(++a.autoSendTicks) * 14 > a.period) {
            sendArea(n);
            a.autoSendTicks = 0;
        }
    }

    if (portOpen)
        areaRotation_.tick();

    if (portOpen)
        receive();
    inTick_ = false;
}

} // namespace quillon
