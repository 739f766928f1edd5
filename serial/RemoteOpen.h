#pragma once
// Opening a serial server's port without holding up the window: one
// thread per open resolves the host, connects (each address in turn,
// within kConnectLimit all told) and, for RFC 2217, negotiates the line;
// fd() turns readable when it is done.
//
// Abandoning an open (destroying it) never waits: the thread is told
// through an eventfd it polls beside the socket, and it owns its state
// with the open, so whichever ends last frees it. The host name lookup
// cannot be interrupted; a thread caught in it ends when the resolver
// gives up, and touches nothing of the window's.

#include "serial/LineCheck.h"
#include "serial/PortSettings.h"
#include "serial/RemoteAddress.h"
#include "serial/RemoteLink.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace serial {

class RemoteOpen {
public:
    static constexpr std::chrono::milliseconds kConnectLimit{3000};

    /// Starts the open. wanted is the line to ask for (RFC 2217; a
    /// bytes-only port keeps the server's); purge drops what the server's
    /// queues hold once the line is set.
    RemoteOpen(const RemoteAddress& address, const LineSettings& wanted, bool purge);
    /// Abandons an open still running; never blocks.
    ~RemoteOpen();
    RemoteOpen(const RemoteOpen&) = delete;
    RemoteOpen& operator=(const RemoteOpen&) = delete;

    /// Readable once the open is done (an eventfd).
    int fd() const;
    bool done() const;

    struct Outcome {
        enum class Kind {
            Opened,
            ConnectFailed, // no connection: refused, unreachable, timed out, unknown host, closed at once
            Refused,       // a line setting the server did not keep (refusal set)
            Failed,        // connected, but the opening failed (the server's options, a close)
        };
        Kind kind = Kind::Opened;
        std::error_code error;
        std::string reason; // in Chinese (UTF-8); empty when opened
        std::optional<LineRefusal> refusal;
    };
    /// Once done(): the outcome, and for Opened the live link in link.
    /// The open gives its result once.
    Outcome take(RemoteLink& link);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace serial
