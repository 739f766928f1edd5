#include "serial/SerialDevice.h"

#include "serial/BoundedWrite.h"

#include "serial/Termios2.h"
#include "serial/TermiosBuild.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace serial {

struct SerialDevice::Original {
    termios attributes{};
    std::uint32_t inBaud = 0;
    std::uint32_t outBaud = 0;
};

namespace {

// Pseudo-terminals and some USB bridges have no modem lines; the kernel
// says so with one of these, which is not a failure of the port.
bool meansNoModemLines(int err) { return err == ENOTTY || err == EINVAL; }

std::optional<int> modemLines(int fd)
{
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) != 0)
        return std::nullopt;
    return bits;
}

// The line as the driver holds it: the termios and the exact speeds
// (TCGETS2). 0, or the errno of the read that failed.
int readLine(int fd, termios& t, std::uint32_t& inBaud, std::uint32_t& outBaud)
{
    if (tcgetattr(fd, &t) != 0)
        return errno;
    return termios2::readSpeeds(fd, inBaud, outBaud);
}

} // namespace

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() { close(); }

SerialDevice::SerialDevice(SerialDevice&& other) noexcept
    : fd_(std::move(other.fd_))
    , settings_(std::move(other.settings_))
    , writeTimeout_(other.writeTimeout_)
    , lastError_(std::exchange(other.lastError_, {}))
    , original_(std::move(other.original_))
{
}

SerialDevice& SerialDevice::operator=(SerialDevice&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::move(other.fd_);
        settings_ = std::move(other.settings_);
        writeTimeout_ = other.writeTimeout_;
        lastError_ = std::exchange(other.lastError_, {});
        original_ = std::move(other.original_);
    }
    return *this;
}

SerialDevice SerialDevice::open(const std::string& devicePath, const std::string& portName, std::error_code& ec)
{
    ec.clear();
    UniqueFd owned(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!owned) {
        ec.assign(errno, std::generic_category());
        return {};
    }
    const int fd = owned.get();
    bool exclusive = false;
    auto giveUp = [&](int err) {
        // TIOCEXCL outlives this descriptor while others have the tty open.
        if (exclusive)
            ioctl(fd, TIOCNXCL);
        ec.assign(err, std::generic_category());
        return SerialDevice{};
    };
    // The lock comes first so a refused open leaves the holder's tty as it was.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return giveUp(errno == EWOULDBLOCK ? EBUSY : errno);
    // TIOCEXCL keeps out openers that do not lock; root ignores it, which
    // is why the lock is taken as well.
    if (ioctl(fd, TIOCEXCL) != 0)
        return giveUp(errno);
    exclusive = true;
    auto original = std::make_unique<Original>();
    if (int err = readLine(fd, original->attributes, original->inBaud, original->outBaud))
        return giveUp(err);

    SerialDevice device;
    device.fd_ = std::move(owned);
    device.original_ = std::move(original);
    device.settings_.portName = portName;
    device.settings_.line = device.readLineSettings();
    return device;
}

void SerialDevice::close()
{
    if (!fd_)
        return;
    const int fd = fd_.get();
    if (original_) {
        // TCSANOW: waiting for output to drain could hang on a stopped line.
        tcsetattr(fd, TCSANOW, &original_->attributes);
        termios2::setSpeeds(fd, original_->inBaud, original_->outBaud);
        original_.reset();
    }
    ioctl(fd, TIOCNXCL);
    // Closing the descriptor also drops the flock.
    fd_.close();
}

bool SerialDevice::fail(int err)
{
    lastError_.assign(err, std::generic_category());
    refusal_.reset();
    return false;
}

LineSettings SerialDevice::readLineSettings() const
{
    termios t{};
    std::uint32_t inBaud = 0, outBaud = 0;
    if (!fd_ || readLine(fd_.get(), t, inBaud, outBaud) != 0)
        return settings_.line;
    return lineSettingsFrom(t, outBaud, modemLines(fd_.get()));
}

bool SerialDevice::applyLineSettings(const LineSettings& line)
{
    if (!fd_)
        return fail(EBADF);
    auto refuse = [&](const LineRefusal& r) {
        fail(EINVAL);
        refusal_ = r;
        return false;
    };
    if (const auto r = refusedByLinux(line))
        return refuse(*r);
    const int fd = fd_.get();
    termios current{};
    std::uint32_t inBaud = 0, outBaud = 0;
    if (int err = readLine(fd, current, inBaud, outBaud))
        return fail(err);
    std::optional<termios> wanted = withLineSettings(current, line);
    if (!wanted)
        return fail(EINVAL);
    // The flags go in with the current speed, then the exact speed through
    // termios2, so the line never runs at a speed nobody asked for.
    if (tcsetattr(fd, TCSANOW, &*wanted) != 0)
        return fail(errno);
    if (int err = termios2::setSpeed(fd, line.baudRate))
        return fail(err);
    // tcsetattr succeeds when the driver kept only part of the record; what
    // it kept is the line the user gets.
    termios kept{};
    std::uint32_t keptIn = 0, keptOut = 0;
    if (int err = readLine(fd, kept, keptIn, keptOut))
        return fail(err);
    LineSettings got = lineSettingsFrom(kept, keptOut == line.baudRate ? keptIn : keptOut, std::nullopt);
    if (const auto r = notKept(line, got)) {
        tcsetattr(fd, TCSANOW, &current);
        termios2::setSpeeds(fd, inBaud, outBaud);
        return refuse(*r);
    }
    bool ok = true;
    if (line.dtr != LineControl::Handshake)
        ok = setDtr(line.dtr == LineControl::Enable) && ok;
    if (line.rts != LineControl::Handshake)
        ok = setRts(line.rts == LineControl::Enable) && ok;
    if (ok)
        settings_.line = line;
    return ok;
}

bool SerialDevice::setWriteTimeout(const WriteTimeout& t)
{
    if (!fd_)
        return fail(EBADF);
    writeTimeout_ = t;
    return true;
}

bool SerialDevice::purge(unsigned flags)
{
    if (!fd_)
        return fail(EBADF);
    constexpr unsigned known = purge::ClearOutput | purge::ClearInput;
    if (flags & ~known)
        return fail(EINVAL);
    const bool in = flags & purge::ClearInput;
    const bool out = flags & purge::ClearOutput;
    if (!in && !out)
        return true;
    const int which = in && out ? TCIOFLUSH : in ? TCIFLUSH : TCOFLUSH;
    if (tcflush(fd_.get(), which) != 0)
        return fail(errno);
    return true;
}

bool SerialDevice::changeModemLine(int line, bool on)
{
    if (!fd_)
        return fail(EBADF);
    if (ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return true;
    if (meansNoModemLines(errno))
        return true;
    return fail(errno);
}

bool SerialDevice::setDtr(bool on) { return changeModemLine(TIOCM_DTR, on); }

bool SerialDevice::setRts(bool on) { return changeModemLine(TIOCM_RTS, on); }

bool SerialDevice::hungUp() const
{
    pollfd p{fd_.get(), POLLIN, 0};
    int r;
    do
        r = poll(&p, 1, 0);
    while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

std::error_code SerialDevice::failure(int err) const
{
    // A hung-up tty answers reads, writes and ioctls with EIO or 0 alike;
    // the poll tells the user's reason apart from a failing driver.
    if (hungUp())
        return DeviceError::HungUp;
    return {err, std::generic_category()};
}

std::size_t SerialDevice::bytesWaiting(std::error_code& ec) const
{
    ec.clear();
    if (!fd_) {
        ec.assign(EBADF, std::generic_category());
        return 0;
    }
    int count = 0;
    // An unplugged adapter's tty answers every ioctl with EIO.
    if (ioctl(fd_.get(), FIONREAD, &count) != 0) {
        ec = failure(errno);
        return 0;
    }
    if (count > 0)
        return static_cast<std::size_t>(count);
    // A line that hangs up while its count can still be read has nothing
    // waiting either; only the poll tells them apart.
    if (hungUp())
        ec = DeviceError::HungUp;
    return 0;
}

std::size_t SerialDevice::read(std::uint8_t* buf, std::size_t max, std::error_code& ec)
{
    ec.clear();
    if (!fd_) {
        ec.assign(EBADF, std::generic_category());
        return 0;
    }
    if (max == 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd_.get(), buf, max);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n == 0) {
            // An empty queue reads EAGAIN (VMIN 1 on a non-blocking
            // descriptor); 0 is a hang-up, but a line set up by someone
            // else may still read 0 when empty, so the poll decides.
            if (hungUp())
                ec = DeviceError::HungUp;
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            ec = failure(errno);
        return 0;
    }
}

std::size_t SerialDevice::write(const std::uint8_t* buf, std::size_t len, std::error_code& ec)
{
    ec.clear();
    if (!fd_) {
        ec.assign(EBADF, std::generic_category());
        return 0;
    }
    return writeWithin(
        fd_.get(), buf, len, WriteDeadline(writeTimeout_, len), ec,
        [&](const std::uint8_t* p, std::size_t n) { return ::write(fd_.get(), p, n); },
        [&](int err) { return failure(err); });
}

bool deviceLost(const std::error_code& ec)
{
    return ec && ec != std::errc::timed_out && ec != std::errc::bad_file_descriptor;
}

namespace {

// Not strerror(): the locale's language and encoding are not the window's.
std::string describe(const std::error_code& ec)
{
    if (ec.category() != std::generic_category())
        return ec.message();
    if (const char* description = strerrordesc_np(ec.value()))
        return description;
    return "error " + std::to_string(ec.value());
}

class DeviceErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "serial device"; }
    std::string message(int value) const override
    {
        switch (static_cast<DeviceError>(value)) {
        case DeviceError::HungUp: return "the device hung up";
        }
        return "serial device error " + std::to_string(value);
    }
};

} // namespace

const std::error_category& deviceErrorCategory()
{
    static const DeviceErrorCategory category;
    return category;
}

std::error_code make_error_code(DeviceError e) { return {static_cast<int>(e), deviceErrorCategory()}; }

std::string failureReason(const std::error_code& ec)
{
    if (!ec)
        return {};
    if (ec == DeviceError::HungUp)
        return "设备已断开";
    if (ec.category() == std::generic_category()) {
        switch (ec.value()) {
        case EACCES:
        case EPERM: return "权限不足：请把用户加入 dialout 组（重新登录后生效）";
        case EBUSY: return "设备忙：另一个程序正在使用该端口";
        case ENOENT:
        case ENODEV:
        case ENXIO: return "没有这个设备";
        default: break;
        }
    }
    return "系统错误：" + describe(ec);
}

std::string SerialDevice::lastErrorReason() const
{
    return refusal_ ? refusalReason(*refusal_) : failureReason(lastError_);
}

} // namespace serial
