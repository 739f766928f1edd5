#pragma once
// An open connection to a serial server's port: the socket, and for an
// RFC 2217 port the telnet stream around the data. Reads and writes carry
// data bytes only, as a local port's do; what the server says besides is
// answered or dropped here. Move-only; made by RemoteOpen.

#include "serial/PortSettings.h"
#include "serial/RemoteAddress.h"
#include "serial/Telnet.h"
#include "serial/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace serial {

/// Failures of a connection that no errno names.
enum class RemoteError {
    HostNotFound = 1, // the name resolves to no address
    NameLookup,       // the resolver failed otherwise
    Negotiation,      // the server did not take the port's options
};
const std::error_category& remoteErrorCategory();
std::error_code make_error_code(RemoteError e);

/// Why a connection could not be made or was refused, in Chinese (UTF-8):
/// refused, unreachable, timed out, host not found; failureReason() for
/// the rest.
std::string connectFailureReason(const std::error_code& ec, const std::string& host);

class RemoteLink {
public:
    RemoteLink() = default; // no connection
    /// @param telnet the stream of an RFC 2217 port (its state after the
    ///        opening); nothing for a bytes-only one.
    RemoteLink(UniqueFd socket, std::unique_ptr<telnet::Stream> telnet, LineSettings line, std::string notes,
               std::vector<std::uint8_t> held);
    ~RemoteLink();
    RemoteLink(RemoteLink&&) noexcept;
    RemoteLink& operator=(RemoteLink&&) noexcept;

    bool isOpen() const { return static_cast<bool>(socket_); }
    int fd() const { return socket_.get(); }
    /// The line as the server confirmed it; as wanted for what it never
    /// answered, the default record for a bytes-only port.
    const LineSettings& line() const { return line_; }
    /// For the tooltip (UTF-8): whose the line settings are, or what the
    /// server left unanswered.
    const std::string& notes() const { return notes_; }

    void setWriteTimeout(const WriteTimeout& t) { writeTimeout_ = t; }
    /// As SerialDevice::read: never blocks; 0 without ec when no data is
    /// there, DeviceError::HungUp when the server closed.
    std::size_t read(std::uint8_t* buf, std::size_t max, std::error_code& ec);
    /// As SerialDevice::write, within the write time-out.
    std::size_t write(const std::uint8_t* buf, std::size_t len, std::error_code& ec);
    /// Lowers DTR and drops the server's queues (RFC 2217 only), without
    /// waiting for an answer: the close that follows does not wait either.
    void dropDtrAndPurge();
    void close();

private:
    // Sends what the socket takes now of pending_; false when it failed.
    bool flushPending(std::error_code& ec);
    std::error_code failure(int err) const;

    UniqueFd socket_;
    std::unique_ptr<telnet::Stream> telnet_;
    LineSettings line_;
    std::string notes_;
    WriteTimeout writeTimeout_;
    std::vector<std::uint8_t> held_;    // data that came before the first read
    std::vector<std::uint8_t> pending_; // protocol bytes that must go out whole
};

} // namespace serial

template <> struct std::is_error_code_enum<serial::RemoteError> : std::true_type {
};
