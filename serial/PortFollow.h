#pragma once
// What a window does about the ports between its own actions: it looks at
// them again when a device or a link changes, and, after its open device
// went away with reconnect on, waits for the name to stand for a device
// again. One timer carries it: held until the watch's descriptor is
// readable, beating at the reconnect's pace only while a round of tries
// is on.

#include "serial/DeviceWatch.h"
#include "serial/Reconnect.h"

#include <filesystem>

namespace serial {

class PortFollow {
public:
    /// @param session the window's port session; it must outlive this.
    PortFollow(PortSession& session, std::filesystem::path linksDir) : watch_(std::move(linksDir)), wait_(session) {}

    /// The descriptor the timer is held on.
    int fd() const { return watch_.fd(); }
    Reconnect& reconnect() { return wait_; }
    const Reconnect& reconnect() const { return wait_; }

    struct Tick {
        /// A device or a link changed: lists and tooltips are looked at again.
        bool portsChanged = false;
        /// The waited-for port is open again.
        bool reopened = false;
        /// The timer beats again after Reconnect::kRetryMs; otherwise it
        /// is held until fd() is readable.
        bool beatAgain = false;
    };
    /// The timer's tick, or the wake by fd().
    Tick tick()
    {
        Tick t;
        t.portsChanged = watch_.drain();
        const Reconnect::Step step = wait_.next(t.portsChanged);
        t.reopened = step.reopened;
        t.beatAgain = step.beatAgain;
        return t;
    }

private:
    DeviceWatch watch_;
    Reconnect wait_;
};

} // namespace serial
