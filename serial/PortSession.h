#pragma once
// The open port of a program: resolves its name, opens the device
// exclusively, sets up and verifies the line, and lets it go again, on a
// close or when the device goes away. The one owner of the open device;
// the program only reads the outcome and words it.
//
// A remote name (a serial server's port, PortNames.h) goes through the
// same calls: its open runs in the background (Connecting) and the window
// calls finishOpen() when fd() turns readable; once open, reads, writes
// and the loss of the connection answer as a local device's do.

#include "serial/PortNames.h"
#include "serial/PortSettings.h"
#include "serial/RemoteLink.h"
#include "serial/SerialDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

namespace serial {

class RemoteOpen;

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
        Connecting,  // a remote port's open goes on in the background: see finishOpen()
        NoDevice,    // the name stands for no device
        OpenFailed,  // the device refused the open (absent, busy, no access; no connection, a malformed ports file)
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
    explicit PortSession(const PortNames& names);
    ~PortSession();
    PortSession(PortSession&&) noexcept;

    /// Lets go of a device still held, then opens name and sets it up:
    /// applies the line (the device reads it back and refuses what it did
    /// not keep), the write time-out, drops what the queues hold and, with
    /// holdDtr, raises DTR. A device is held afterwards only when the
    /// whole sequence succeeded; a failure releases everything, so the same
    /// port can be opened again. A remote name returns Connecting at once.
    Result open(const std::string& name, SessionSetup setup);
    /// Opens the name of the last successful open again, with its setup:
    /// for a device that went away and may be back.
    Result reopen();
    /// Lets the device go as the setup asks (DTR lowered, queues dropped
    /// with holdDtr). Nothing when none is held. Abandons an open still
    /// connecting.
    void close();

    /// A remote open is going on.
    bool connecting() const { return static_cast<bool>(connecting_); }
    /// While connecting: readable once the open is done; call finishOpen().
    /// Once open: readable when bytes (or the loss) wait. -1 for neither.
    int fd() const;
    /// The outcome of the remote open: Connecting while it goes on, else
    /// as open() words it for a local device (a refused line setting is
    /// SetupFailed with the refusal's words).
    Result finishOpen();
    /// Words for the tooltip about the open port (UTF-8): whose line
    /// settings hold, or what the server left unanswered; "" for a local
    /// device.
    std::string notes() const;

    /// A local device or a remote link is held.
    bool isOpen() const { return device_.isOpen() || link_.isOpen(); }
    /// The local device held; a closed one when none is (a remote link
    /// open included). Its fd says when bytes wait.
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
    Result openRemote(const std::string& name, const RemotePort& port, SessionSetup setup);

    const PortNames& names_;
    SerialDevice device_;
    RemoteLink link_;
    std::unique_ptr<RemoteOpen> connecting_;
    SessionSetup setup_;
    std::string name_;
    // The name and setup of the open still connecting, the session's own
    // once it succeeds.
    SessionSetup pendingSetup_;
    std::string pendingName_;
};

} // namespace serial
