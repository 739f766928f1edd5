#pragma once
// Tells the window's event loop when the ports may have changed: a serial
// device came or went, or a link or the adapters file in the ports folder
// was added, removed or edited. No thread and no polling: one descriptor
// to wait on, and drain() to read what is pending.

#include "serial/UniqueFd.h"

#include <filesystem>
#include <memory>

struct udev;
struct udev_monitor;

namespace serial {

class DeviceWatch {
public:
    /// Starts watching. What cannot be watched (no netlink in a sandbox, a
    /// folder that cannot be read) is left out; the rest still works.
    /// @param linksDir the ports folder; it may not exist yet.
    explicit DeviceWatch(std::filesystem::path linksDir);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    /// Readable when something is pending; for the event loop. Stays the
    /// same descriptor for the watch's life.
    int fd() const { return epoll_.get(); }

    /// Reads everything pending without blocking.
    /// @return whether a device or the ports folder changed since the last
    ///         call (the caller looks at the ports again).
    bool drain();

private:
    struct UdevRelease {
        void operator()(udev* u) const;
        void operator()(udev_monitor* m) const;
    };

    void watchDevices();
    /// Puts the folder watch on the ports folder or, while it is missing,
    /// on its nearest existing parent. @return whether the folder is there.
    bool watchFolder();
    bool drainDevices();
    bool drainFolder();

    std::filesystem::path linksDir_;
    UniqueFd epoll_;
    UniqueFd inotify_;
    std::unique_ptr<udev, UdevRelease> udev_;
    std::unique_ptr<udev_monitor, UdevRelease> monitor_;
    int folderWatch_ = -1;
    std::filesystem::path watched_; ///< the folder folderWatch_ is on
    int devWatch_ = -1;             ///< /dev, when no uevents can be had
};

} // namespace serial
