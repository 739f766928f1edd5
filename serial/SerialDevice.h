#pragma once
// One open serial port: owns the descriptor and its lock, restores the
// port's original termios on close. Move-only.

#include "PortSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

namespace serial {

/// Purge flags, as the programs pass them (0x0F, 0x0C).
namespace purge {
inline constexpr unsigned AbortWrite = 0x01, AbortRead = 0x02, ClearOutput = 0x04, ClearInput = 0x08;
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

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const PortSettings& settings() const { return settings_; }

    /// The port's current line settings (baud through TCGETS2); the last
    /// settings known if the device cannot be read.
    LineSettings readLineSettings() const;
    /// Applies settings; what Linux cannot do (1.5 stop bits, data bits
    /// outside 5..8, unknown parity or stop codes, DSR flow) is refused.
    /// @return false and lastError() set on refusal or failure.
    bool applyLineSettings(const LineSettings& line);
    /// Keeps the time-outs for write(); always succeeds on an open device.
    bool setTimeouts(const Timeouts& t);
    /// The kernel's tty buffers have a fixed size: accepted and ignored.
    bool setQueueSizes(std::size_t in, std::size_t out);
    /// Drops queued bytes (ClearInput, ClearOutput). The abort flags have
    /// nothing to abort: no operation is ever left pending.
    /// @return false with lastError() EINVAL for bits outside purge::*.
    bool purge(unsigned flags);
    /// Raises or lowers DTR / RTS. A device without modem lines (a
    /// pseudo-terminal) counts as success.
    bool setDtr(bool on);
    bool setRts(bool on);

    /// Bytes waiting in the input queue (FIONREAD); 0 on error.
    std::size_t bytesWaiting() const;
    /// Reads at most max bytes of what is waiting; never blocks.
    std::size_t read(std::uint8_t* buf, std::size_t max);
    /// Writes until every byte was taken or the write time-out
    /// (writeTotalMultiplierMs x len + writeTotalConstantMs) passed; with
    /// both at 0 it waits without limit.
    /// @return the count taken; short on time-out or a write error.
    std::size_t write(const std::uint8_t* buf, std::size_t len);

    /// errno of the last failed configuration step; 0 if all succeeded.
    int lastError() const { return lastError_; }
    void clearLastError() { lastError_ = 0; }

    /// Restores the original termios, releases the lock, closes. Idempotent.
    void close();

private:
    int fd_ = -1;
    PortSettings settings_;
    Timeouts timeouts_;
    int lastError_ = 0;
    // The port's termios and speeds as found at open, put back at close.
    // Kept behind a pointer so this header does not pull in <termios.h>.
    struct Original;
    std::unique_ptr<Original> original_;

    bool fail(int err);
    bool changeModemLine(int line, bool on);
};

/// Why an open failed, in English words a user can act on: EACCES and
/// EPERM ask to join the dialout group, EBUSY (also the lock refusal) is
/// "device busy", ENOENT, ENODEV and ENXIO "no such device"; any other
/// error its C library description, in English whatever the locale.
std::string openFailureReason(const std::error_code& ec);

} // namespace serial
