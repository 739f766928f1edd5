#include "sim/ModbusServer.h"

#include <modbus.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace sim {

ModbusResponder::ModbusResponder(const ModbusSettings& s) : settings_(s), framer_(rtuSilence(s.baud))
{
    map_ = modbus_mapping_new_start_address(0, 0, 0, 0, 0, s.registers, 0, s.registers);
    if (!map_)
        throw std::runtime_error(std::string("libmodbus: ") + modbus_strerror(errno));
    for (int i = 0; i < s.registers; ++i) {
        map_->tab_registers[i] = static_cast<std::uint16_t>(s.base + i);
        map_->tab_input_registers[i] = static_cast<std::uint16_t>(s.base + i);
    }
    // libmodbus sends its answers itself; into a pipe, they come back here
    // and go out through the serving loop like every mode's.
    if (::pipe2(answers_, O_CLOEXEC | O_NONBLOCK) != 0) {
        modbus_mapping_free(map_);
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    // The device name is used only by modbus_connect, which this context
    // never gets to.
    ctx_ = modbus_new_rtu("/dev/null", s.baud, 'N', 8, 1);
    if (!ctx_) {
        const std::string why = modbus_strerror(errno);
        ::close(answers_[0]);
        ::close(answers_[1]);
        modbus_mapping_free(map_);
        throw std::runtime_error("libmodbus: " + why);
    }
    modbus_set_slave(ctx_, s.slave);
    modbus_set_socket(ctx_, answers_[1]);
}

ModbusResponder::~ModbusResponder()
{
    modbus_free(ctx_);
    ::close(answers_[0]);
    ::close(answers_[1]);
    modbus_mapping_free(map_);
}

Bytes ModbusResponder::received(const std::uint8_t* data, std::size_t size, Micros now)
{
    framer_.feed(data, size, now);
    return {};
}

Bytes ModbusResponder::atDeadline(Micros)
{
    const auto frame = framer_.quiet();
    return frame ? answer(*frame) : Bytes{};
}

Bytes ModbusResponder::answer(const Bytes& request)
{
    if (request.size() < 4 || !rtuCrcHolds(request))
        return {};
    const std::uint8_t slave = request[0], function = request[1];
    const bool broadcast = slave == MODBUS_BROADCAST_ADDRESS;
    if ((slave != settings_.slave && !broadcast) || function == 0 || function >= 0x80)
        return {};
    if (!servedFunction(function))
        return broadcast ? Bytes{} : modbusException(slave, function, kIllegalFunction);
    if (!servedFrameFits(request))
        return broadcast ? Bytes{} : modbusException(slave, function, kIllegalDataValue);
    return served(request);
}

Bytes ModbusResponder::served(const Bytes& request)
{
    // The whole buffer libmodbus expects; a frame that fits has every
    // field it reads.
    std::uint8_t req[MODBUS_RTU_MAX_ADU_LENGTH] = {};
    std::copy(request.begin(), request.end(), req);
    modbus_reply(ctx_, req, static_cast<int>(request.size()), map_);
    Bytes out;
    std::uint8_t buf[MODBUS_RTU_MAX_ADU_LENGTH];
    ssize_t n;
    while ((n = ::read(answers_[0], buf, sizeof buf)) > 0)
        out.insert(out.end(), buf, buf + n);
    return out;
}

} // namespace sim
