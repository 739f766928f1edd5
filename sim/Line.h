#pragma once
// The simulator's end of the serial line, and the loop that serves it.

#include "sim/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <termios.h>

namespace sim {

/// SIGINT, SIGTERM and SIGHUP, caught for the life of this object and
/// made readable on fd(), so that a loop waiting in poll() sees them.
class StopSignals {
public:
    /// @throws std::runtime_error if no pipe is to be had.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int fd() const;
};

/// One end of a line in raw mode, non-blocking.
class Line {
public:
    /// A new pseudo-terminal: fd() is its master, path() its slave. The
    /// slave stays open as long as this object does, so that the master
    /// never sees a hang-up between the programs that open the path.
    /// @throws std::runtime_error if no pty is to be had.
    static Line pty();
    /// An existing device (a serial port, one end of a socat pair) at baud,
    /// 8 data bits, no parity, one stop bit; its settings are put back when
    /// this object goes.
    /// @throws std::runtime_error saying why it could not be opened.
    static Line device(const std::string& path, int baud);

    Line(Line&& other) noexcept;
    Line& operator=(Line&&) = delete;
    ~Line();

    int fd() const { return fd_; }
    /// The path a program opens to talk to the simulator.
    const std::string& path() const { return path_; }

private:
    Line() = default;

    int fd_ = -1;
    int slave_ = -1;
    std::string path_;
    bool restore_ = false;
    termios saved_{};
};

/// Whether a --device line can run at baud (1200 to 921600, the usual
/// steps).
bool knownBaud(int baud);

/// Microseconds on the monotonic clock.
Micros nowMicros();

/// What a mode does with the line: the loop reads, calls, and writes what
/// the calls return.
class Responder {
public:
    virtual ~Responder() = default;
    /// Bytes arrived at now; returns the bytes to send.
    virtual Bytes received(const std::uint8_t* data, std::size_t size, Micros now) = 0;
    /// When atDeadline() wants to run; nothing: only when bytes come.
    virtual std::optional<Micros> deadline() const { return std::nullopt; }
    virtual Bytes atDeadline(Micros now) = 0;
};

enum class End {
    Stopped, // a stop signal
    HungUp,  // the far end went away
    Failed,  // reading or writing failed otherwise (errno tells)
};

/// What waitFor saw first.
enum class Event { Readable, Stopped, HungUp, Deadline, Failed };

/// Waits until fd has bytes, stopFd is readable, fd hangs up, or the
/// deadline (on the nowMicros() clock) passes.
Event waitFor(int fd, int stopFd, std::optional<Micros> deadline);

/// Writes all bytes to the non-blocking fd. A line with no room for 100 ms
/// (nobody reading at the far end) loses the rest, as a device's output
/// with no one listening does, and so does a stop signal. False only when
/// writing failed (errno EIO: the far end hung up).
bool writeAll(int fd, const Bytes& bytes, int stopFd);

/// Serves the line until a stop signal, a hang-up or a failure.
End serve(int fd, Responder& responder, int stopFd);

} // namespace sim
