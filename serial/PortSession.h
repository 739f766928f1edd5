#pragma once
// The open port of a program: resolves its name, opens the device
// exclusively, sets up and verifies the line, and lets it go again, on a
// close or when the device goes away. The one owner of the open device;
// the program only reads the outcome and words it.

#include "serial/PortNames.h"
#include "serial/PortSettings.h"
#include "serial/SerialDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

namespace serial {

/// How a session sets up the line once the device is open.
struct SessionSetup {
    /// Turns the line the device reported into the one wanted; what it
    /// leaves alone keeps what the device reported. Empty: left as it is.
    std::function<void(LineSettings&)> line;
    WriteTimeout writeTimeout;
    /// DTR raised once the line is set up, and lowered, with the queues
    /// dropped, before the device is let go.
    bool holdDtr = false;
};

class PortSession {
public:
    enum class Outcome {
        Opened,
        NoDevice,    // the name stands for no device
        OpenFailed,  // the device refused the open (absent, busy, no access)
        SetupFailed, // the line could not be given, or a step of its set-up failed
    };
    struct Result {
        Outcome outcome = Outcome::Opened;
        /// The cause; empty when opened. NoDevice is ENODEV.
        std::error_code error;
        /// The cause in words for the user (UTF-8): failureReason(), or the
        /// refused setting for SetupFailed.
        std::string reason;
        explicit operator bool() const { return outcome == Outcome::Opened; }
    };
    /// A transfer's count; lost set when the device went away, and the
    /// session has let it go.
    struct Transfer {
        std::size_t count = 0;
        std::error_code lost;
    };

    /// @param names resolves port names; it must outlive the session.
    explicit PortSession(const PortNames& names) : names_(names) {}

    /// Lets go of a device still held, then opens name and sets it up:
    /// applies the line (the device reads it back and refuses what it did
    /// not keep), the write time-out, drops what the queues hold and, with
    /// holdDtr, raises DTR. A device is held afterwards only when the
    /// whole sequence succeeded; a failure releases everything, so the same
    /// port can be opened again.
    Result open(const std::string& name, SessionSetup setup);
    /// Opens the name of the last successful open again, with its setup:
    /// for a device that went away and may be back.
    Result reopen();
    /// Lets the device go as the setup asks (DTR lowered, queues dropped
    /// with holdDtr). Nothing when none is held.
    void close();

    bool isOpen() const { return device_.isOpen(); }
    /// The device held; a closed one when none is. Its fd says when bytes
    /// wait.
    const SerialDevice& device() const { return device_; }
    /// The name of the last successful open; kept after the close, for the
    /// message that the device went away.
    const std::string& portName() const { return name_; }
    const PortNames& names() const { return names_; }

    /// Reads at most max bytes of what waits; never blocks. 0 when nothing
    /// waits or no device is held.
    Transfer read(std::uint8_t* buf, std::size_t max);
    /// Writes len bytes, as SerialDevice::write does; what it did not take
    /// within the write time-out is dropped.
    Transfer write(const std::uint8_t* buf, std::size_t len);

private:
    Transfer finish(std::size_t count, const std::error_code& ec);

    const PortNames& names_;
    SerialDevice device_;
    SessionSetup setup_;
    std::string name_;
};

} // namespace serial
