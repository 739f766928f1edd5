#pragma once
// The three send areas: a press of a send button, auto-send's boxes, and
// the checksum appended to an area's text.

#include "dialog/ControlSurface.h"
#include "dialog/MessageQueue.h"
#include "quillon/receive/TrafficView.h"
#include "quillon/send/Checksum.h"
#include "quillon/send/SendArea.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

/// What the send areas ask of the dialog that owns the port.
class SendHost {
public:
    virtual ~SendHost() = default;
    virtual bool portOpen() const = 0;
    /// Lights the send lamp and writes frame; a device gone closes the
    /// port. The bytes the device took, or nothing when it took none of a
    /// frame that had some: then no frame went out.
    virtual std::optional<std::size_t> writeFrame(const std::vector<std::uint8_t>& frame) = 0;
};

class SendAreas {
public:
    /// Largest frame one send, or one checksum, takes.
    static constexpr std::size_t kMaxSendBytes = 4096;
    static constexpr std::size_t kMaxChecksumBytes = 1024;

    SendAreas(SendHost& host, TrafficView& view, dialog::MessageQueue& messages)
        : host_(host), view_(view), messages_(messages)
    {
    }
    void bind(dialog::ControlSurface& surface) { surface_ = &surface; }

    std::array<SendArea, 3> areas;

    SendArea& area(int n) { return areas[static_cast<std::size_t>(n - 1)]; }

    /// Sends area n (1 to 3) as its fields stand, just read from the
    /// controls. Hex text of spaces alone is a frame of no bytes, echoed
    /// and counted, when emptyFrameCounts is set.
    /// @return false when the area has nothing to send: an empty text, one
    ///         that is not hex or is too long (said once per text), or, with
    ///         emptyFrameCounts unset, no bytes. True while the port is
    ///         closed, since nothing there is the area's.
    bool send(int n, bool emptyFrameCounts);

    /// Area n's text kept before the checksum dialog, with the checksum
    /// of kind over the bytes it denotes appended. The field is put back
    /// to kept. Nothing when it denotes no bytes, or (after a message) too
    /// many.
    std::optional<std::string> withChecksum(int n, const std::string& kept, ChecksumKind kind);

    /// The auto-send box: ticked, its period is enabled and its area leaves
    /// the rotation.
    void onAutoSendBox(int n);
    /// The takes-part box: the area stops auto-sending.
    void onTakesPartBox(int n);

private:
    /// Reports why area n's typed text is not sent, once per text.
    void refuseText(int n, const std::string& typed, const std::string& why);

    SendHost& host_;
    TrafficView& view_;
    dialog::MessageQueue& messages_;
    dialog::ControlSurface* surface_ = nullptr;
    // A text refused (too long, not hex), per area: reported once, until
    // it changes.
    std::array<std::string, 3> refusedText_;
};

} // namespace quillon
