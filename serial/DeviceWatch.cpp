#include "serial/DeviceWatch.h"

#include "serial/PortNames.h"

#include <libudev.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

namespace fs = std::filesystem;

namespace serial {
namespace {

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY |
                                   IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// While the folder is missing only its coming matters.
constexpr uint32_t kParentEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

void addToEpoll(int epoll, int fd)
{
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &ev);
}

// Editors' swap and backup files come and go beside the links; only the
// entries that stand for names matter.
bool namesAPort(std::string_view name) { return portNumber(std::string(name)) || name == "adapters"; }

} // namespace

void DeviceWatch::UdevRelease::operator()(udev* u) const { udev_unref(u); }
void DeviceWatch::UdevRelease::operator()(udev_monitor* m) const { udev_monitor_unref(m); }

DeviceWatch::DeviceWatch(fs::path linksDir)
    : linksDir_(std::move(linksDir))
    , epoll_(epoll_create1(EPOLL_CLOEXEC))
    , inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (inotify_) {
        addToEpoll(epoll_.get(), inotify_.get());
        watchFolder();
    }
    watchDevices();
}

DeviceWatch::~DeviceWatch() = default;

void DeviceWatch::watchDevices()
{
    udev_.reset(udev_new());
    // udevd sends its "udev" events once the rules have run (by-id links
    // made, properties recorded). Where no udev daemon runs (a container, a
    // rescue system) those never come and libudev refuses to listen for
    // them, so the kernel's own events stand in: devtmpfs has made the
    // node by the time the kernel announces it.
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    if (udev_)
        monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), source));
    if (monitor_ && udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor_.get()) >= 0) {
        addToEpoll(epoll_.get(), udev_monitor_get_fd(monitor_.get()));
        return;
    }
    monitor_.reset();
    // No netlink at all (a sandbox): tty nodes appearing in /dev will do.
    if (inotify_)
        devWatch_ = inotify_add_watch(inotify_.get(), "/dev", IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM);
}

bool DeviceWatch::watchFolder()
{
    fs::path target = linksDir_;
    std::error_code ec;
    while (!fs::is_directory(target, ec) && target.has_relative_path())
        target = target.parent_path();
    if (target.empty())
        target = ".";
    const bool present = target == linksDir_;
    if (target == watched_ && folderWatch_ >= 0)
        return present;
    if (folderWatch_ >= 0)
        inotify_rm_watch(inotify_.get(), folderWatch_);
    folderWatch_ = inotify_add_watch(inotify_.get(), target.c_str(), present ? kFolderEvents : kParentEvents);
    watched_ = folderWatch_ >= 0 ? target : fs::path();
    return present;
}

bool DeviceWatch::drain()
{
    const bool devices = drainDevices();
    const bool folder = drainFolder();
    return devices || folder;
}

bool DeviceWatch::drainDevices()
{
    if (!monitor_)
        return false;
    bool changed = false;
    // The monitor's socket does not block: nullptr once it is empty.
    while (udev_device* d = udev_monitor_receive_device(monitor_.get())) {
        const char* action = udev_device_get_action(d);
        if (action && (!std::strcmp(action, "add") || !std::strcmp(action, "remove") ||
                       !std::strcmp(action, "change") || !std::strcmp(action, "move")))
            changed = true;
        udev_device_unref(d);
    }
    return changed;
}

bool DeviceWatch::drainFolder()
{
    if (!inotify_)
        return false;
    bool changed = false, rewatch = false, lost = false;
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t n = read(inotify_.get(), buffer.data(), buffer.size());
        if (n <= 0)
            break; // EAGAIN: all read
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            const std::string_view name = ev->len ? std::string_view(ev->name) : std::string_view();
            if (ev->mask & IN_Q_OVERFLOW) {
                changed = rewatch = true;
            } else if (ev->wd == devWatch_) {
                changed |= name.rfind("tty", 0) == 0;
            } else if (ev->wd != folderWatch_) {
                continue; // a watch given up on
            } else if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                changed = rewatch = lost = true;
            } else if (watched_ == linksDir_) {
                changed |= namesAPort(name);
            } else {
                rewatch = true; // a step towards the folder may have been made
            }
        }
    }
    // A folder moved away keeps its watch; another may take its place.
    if (lost && folderWatch_ >= 0) {
        inotify_rm_watch(inotify_.get(), folderWatch_);
        folderWatch_ = -1;
        watched_.clear();
    }
    // The folder that appeared may already hold links: a change too.
    if (rewatch && watched_ != linksDir_ && watchFolder())
        changed = true;
    else if (rewatch)
        watchFolder();
    return changed;
}

} // namespace serial
