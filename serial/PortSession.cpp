#include "serial/PortSession.h"

#include <utility>

namespace serial {

PortSession::Result PortSession::open(const std::string& name, SessionSetup setup)
{
    close();
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
    if (!device_.isOpen())
        return {};
    std::error_code ec;
    const std::size_t count = device_.read(buf, max, ec);
    return finish(count, ec);
}

PortSession::Transfer PortSession::write(const std::uint8_t* buf, std::size_t len)
{
    std::error_code ec;
    const std::size_t count = device_.write(buf, len, ec);
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
