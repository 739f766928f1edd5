#include "serial/PortSession.h"

#include "serial/RemoteOpen.h"

#include <utility>

namespace serial {

PortSession::PortSession(const PortNames& names) : names_(names) {}
PortSession::~PortSession() = default;
PortSession::PortSession(PortSession&&) noexcept = default;

PortSession::Result PortSession::open(const std::string& name, SessionSetup setup)
{
    close();
    if (const auto remote = names_.remote(name))
        return openRemote(name, *remote, std::move(setup));
    const auto path = names_.resolve(name);
    if (!path) {
        const std::error_code ec = std::make_error_code(std::errc::no_such_device);
        return {Outcome::NoDevice, ec, failureReason(ec)};
    }
    std::error_code ec;
    SerialDevice device = SerialDevice::open(path->string(), name, ec);
    if (!device.isOpen())
        return {Outcome::OpenFailed, ec, failureReason(ec)};

    LineSettings line = device.readLineSettings();
    if (setup.line)
        setup.line(line);
    // A line the port cannot give is not half set up: nothing more is done
    // to the device, and its error is the outcome.
    if (device.applyLineSettings(line)) {
        device.setWriteTimeout(setup.writeTimeout);
        device.purge(purge::ClearOutput | purge::ClearInput);
        if (setup.holdDtr)
            device.setDtr(true);
    }
    if (const std::error_code err = device.lastError()) {
        Result failed{Outcome::SetupFailed, err, device.lastErrorReason()};
        device.close();
        return failed;
    }
    device_ = std::move(device);
    setup_ = std::move(setup);
    name_ = name;
    return {};
}

PortSession::Result PortSession::openRemote(const std::string& name, const RemotePort& port, SessionSetup setup)
{
    if (!port.address)
        return {Outcome::OpenFailed, std::make_error_code(std::errc::invalid_argument), port.error};
    // The line starts from the record's defaults, as a device fresh from
    // its driver would report it; a bytes-only port is asked nothing.
    LineSettings line;
    if (setup.line)
        setup.line(line);
    // DTR goes up once the line is set, as holdDtr raises it locally.
    if (setup.holdDtr)
        line.dtr = LineControl::Enable;
    connecting_ = std::make_unique<RemoteOpen>(*port.address, line, true);
    pendingName_ = name;
    pendingSetup_ = std::move(setup);
    return {Outcome::Connecting, std::make_error_code(std::errc::operation_in_progress), {}};
}

PortSession::Result PortSession::finishOpen()
{
    if (!connecting_)
        return {Outcome::OpenFailed, std::make_error_code(std::errc::bad_file_descriptor), {}};
    if (!connecting_->done())
        return {Outcome::Connecting, std::make_error_code(std::errc::operation_in_progress), {}};
    RemoteLink link;
    RemoteOpen::Outcome o = connecting_->take(link);
    connecting_.reset();
    switch (o.kind) {
    case RemoteOpen::Outcome::Kind::Opened: break;
    case RemoteOpen::Outcome::Kind::ConnectFailed: return {Outcome::OpenFailed, o.error, std::move(o.reason)};
    case RemoteOpen::Outcome::Kind::Refused:
    case RemoteOpen::Outcome::Kind::Failed: return {Outcome::SetupFailed, o.error, std::move(o.reason)};
    }
    link.setWriteTimeout(pendingSetup_.writeTimeout);
    link_ = std::move(link);
    setup_ = std::move(pendingSetup_);
    name_ = std::move(pendingName_);
    return {};
}

int PortSession::fd() const
{
    if (connecting_)
        return connecting_->fd();
    return link_.isOpen() ? link_.fd() : device_.fd();
}

std::string PortSession::notes() const { return link_.isOpen() ? link_.notes() : std::string(); }

PortSession::Result PortSession::reopen()
{
    // open() takes its arguments over; the session's own are kept for the
    // next reopen whatever the outcome.
    const std::string name = name_;
    SessionSetup setup = setup_;
    return open(name, std::move(setup));
}

void PortSession::close()
{
    connecting_.reset();
    if (link_.isOpen()) {
        if (setup_.holdDtr)
            link_.dropDtrAndPurge();
        link_.close();
    }
    if (!device_.isOpen())
        return;
    if (setup_.holdDtr) {
        device_.setDtr(false);
        device_.purge(purge::ClearOutput | purge::ClearInput);
    }
    device_.close();
}

PortSession::Transfer PortSession::read(std::uint8_t* buf, std::size_t max)
{
    if (!isOpen())
        return {};
    std::error_code ec;
    const std::size_t count = link_.isOpen() ? link_.read(buf, max, ec) : device_.read(buf, max, ec);
    return finish(count, ec);
}

PortSession::Transfer PortSession::write(const std::uint8_t* buf, std::size_t len)
{
    std::error_code ec;
    const std::size_t count = link_.isOpen() ? link_.write(buf, len, ec) : device_.write(buf, len, ec);
    return finish(count, ec);
}

PortSession::Transfer PortSession::finish(std::size_t count, const std::error_code& ec)
{
    if (!deviceLost(ec))
        return {count, {}};
    // As a close would: whoever opens it next starts afresh.
    close();
    return {count, ec};
}

} // namespace serial
