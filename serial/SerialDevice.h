#pragma once
// One open serial port: owns the descriptor and its lock, restores the
// port's original termios on close. Move-only. Every operation reports
// its failure as a std::error_code: the system's errno values in the
// generic category, and DeviceError for what no errno says.

#include "LineCheck.h"
#include "PortSettings.h"
#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace serial {

/// Failures of an open device that have no errno of their own.
enum class DeviceError {
    /// The line is gone: the far end of a pseudo-terminal closed, or the
    /// adapter was unplugged. Nothing will arrive until it is opened again.
    HungUp = 1,
};
const std::error_category& deviceErrorCategory();
std::error_code make_error_code(DeviceError e);

/// What purge() drops.
namespace purge {
inline constexpr unsigned ClearOutput = 0x04, ClearInput = 0x08;
}

class SerialDevice {
public:
    SerialDevice(); // no port held
    ~SerialDevice();
    SerialDevice(SerialDevice&& other) noexcept;
    SerialDevice& operator=(SerialDevice&& other) noexcept;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    /// Opens devicePath exclusively (O_NOCTTY|O_NONBLOCK, TIOCEXCL, flock;
    /// the lock also refuses a second open in the same process). Nothing
    /// of the line is changed yet; settings().line holds what the device
    /// reported.
    /// @param portName the name the program shows ("COM3"), kept in settings().
    /// @return an open device, or a closed one with ec set (ENOENT absent,
    ///         EBUSY held elsewhere, EACCES no access, ENOTTY not a
    ///         terminal). A failed open holds nothing.
    static SerialDevice open(const std::string& devicePath, const std::string& portName, std::error_code& ec);

    bool isOpen() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }
    const PortSettings& settings() const { return settings_; }

    /// The port's current line settings (baud through TCGETS2); the last
    /// settings known if the device cannot be read.
    LineSettings readLineSettings() const;
    // The configuration steps answer false and leave their cause in
    // lastError(), which stays set until cleared, so a caller can run them
    // all and test once (EBADF when no port is held).

    /// Applies settings; what Linux cannot do (1.5 stop bits, data bits
    /// outside 5..8, unknown parity or stop codes, DSR flow) is refused
    /// before anything is changed, and what the port did not keep (read
    /// back after applying) is refused and the previous settings put back.
    /// @return false and lastError() set on refusal (EINVAL, the refusal in
    ///         lineRefusal()) or failure.
    bool applyLineSettings(const LineSettings& line);
    /// Keeps the time-out for write(); always succeeds on an open device.
    bool setWriteTimeout(const WriteTimeout& t);
    /// Drops queued bytes (ClearInput, ClearOutput).
    /// @return false with lastError() EINVAL for bits outside purge::*.
    bool purge(unsigned flags);
    /// Raises or lowers DTR / RTS. A device without modem lines (a
    /// pseudo-terminal) counts as success.
    bool setDtr(bool on);
    bool setRts(bool on);

    // The transfers report through ec, cleared when they succeed; an error
    // other than a write's time-out means the device can no longer be used
    // (see deviceLost()).

    /// Bytes waiting in the input queue (FIONREAD). When none wait, one
    /// poll with no wait tells whether the line hung up.
    /// @return the count; 0 with ec set (DeviceError::HungUp, EIO, EBADF
    ///         when no port is held) when nothing can arrive any more.
    std::size_t bytesWaiting(std::error_code& ec) const;
    /// The same for callers that only wait for bytes to come.
    std::size_t bytesWaiting() const
    {
        std::error_code ignored;
        return bytesWaiting(ignored);
    }
    /// Reads at most max bytes of what is waiting; never blocks. One call
    /// does what bytesWaiting() and a read of that many would, the count
    /// and the hang-up alike, for a tick that polls the port.
    /// @return the count; 0 without ec when nothing is there, 0 with ec
    ///         set when the line hung up or the read failed.
    std::size_t read(std::uint8_t* buf, std::size_t max, std::error_code& ec);
    /// Writes until every byte was taken or the write time-out
    /// (perByteMs x len + constantMs) passed; with
    /// both at 0 it waits without limit.
    /// @return the count taken; short with ec std::errc::timed_out on
    ///         time-out, or with the write's error (EIO on a device that
    ///         went away, DeviceError::HungUp).
    std::size_t write(const std::uint8_t* buf, std::size_t len, std::error_code& ec);

    /// The cause of the last failed configuration step; empty if all succeeded.
    std::error_code lastError() const { return lastError_; }
    /// The line setting the last failed step refused, if that was the cause.
    const std::optional<LineRefusal>& lineRefusal() const { return refusal_; }
    /// lastError() in words for the user (UTF-8): the refusal's reason, or
    /// failureReason().
    std::string lastErrorReason() const;
    void clearLastError()
    {
        lastError_.clear();
        refusal_.reset();
    }

    /// Restores the original termios, releases the lock, closes. Idempotent.
    void close();

private:
    UniqueFd fd_;
    PortSettings settings_;
    WriteTimeout writeTimeout_;
    std::error_code lastError_;
    std::optional<LineRefusal> refusal_;
    // The port's termios and speeds as found at open, put back at close.
    // Kept behind a pointer so this header does not pull in <termios.h>.
    struct Original;
    std::unique_ptr<Original> original_;

    bool fail(int err);
    bool changeModemLine(int line, bool on);
    // Whether a poll without waiting says the line is gone.
    bool hungUp() const;
    // The error of a transfer that failed with err.
    std::error_code failure(int err) const;
};

/// Whether an error of bytesWaiting(), read() or write() means the open
/// device can no longer be used (it hung up or fails), so the port is to
/// be closed: false for no error, a write's time-out, and EBADF (no port
/// held).
bool deviceLost(const std::error_code& ec);

/// Why an open failed or an open port stopped working, in Chinese (UTF-8)
/// words a user can act on: EACCES and EPERM ask to join the dialout group,
/// EBUSY (also the lock refusal) is a busy device, ENOENT, ENODEV and ENXIO
/// no such device, DeviceError::HungUp a device gone; any other error the C
/// library's description (in English whatever the locale) after "系统错误：";
/// empty for no error.
std::string failureReason(const std::error_code& ec);

} // namespace serial

template <> struct std::is_error_code_enum<serial::DeviceError> : std::true_type {
};
