#include "sim/ModbusServer.h"

#include <modbus.h>

#include <cerrno>
#include <stdexcept>

namespace sim {

ModbusServer::ModbusServer(const ModbusSettings& s)
    : settings_(s)
{
    map_ = modbus_mapping_new_start_address(0, 0, 0, 0, 0, s.registers, 0, s.registers);
    if (!map_)
        throw std::runtime_error(std::string("libmodbus: ") + modbus_strerror(errno));
    for (int i = 0; i < s.registers; ++i) {
        map_->tab_registers[i] = static_cast<std::uint16_t>(s.base + i);
        map_->tab_input_registers[i] = static_cast<std::uint16_t>(s.base + i);
    }
}

ModbusServer ModbusServer::onDevice(const std::string& path, const ModbusSettings& s)
{
    ModbusServer server(s);
    server.owner_ = modbus_new_rtu(path.c_str(), s.baud, 'N', 8, 1);
    if (!server.owner_)
        throw std::runtime_error("libmodbus refused " + path + ": " + modbus_strerror(errno));
    if (modbus_connect(server.owner_) != 0)
        throw std::runtime_error("cannot open " + path + ": " + modbus_strerror(errno));
    server.fd_ = modbus_get_socket(server.owner_);
    server.freshContext();
    return server;
}

ModbusServer ModbusServer::onDescriptor(int fd, const ModbusSettings& s)
{
    ModbusServer server(s);
    server.fd_ = fd;
    server.freshContext();
    return server;
}

void ModbusServer::freshContext()
{
    modbus_free(ctx_);
    // The device name is used only by modbus_connect, which this context
    // never gets to: it serves the descriptor it is given.
    ctx_ = modbus_new_rtu("/dev/null", settings_.baud, 'N', 8, 1);
    if (!ctx_)
        throw std::runtime_error(std::string("libmodbus: ") + modbus_strerror(errno));
    modbus_set_slave(ctx_, settings_.slave);
    modbus_set_socket(ctx_, fd_);
}

ModbusServer::ModbusServer(ModbusServer&& o) noexcept
    : settings_(o.settings_)
    , owner_(o.owner_)
    , ctx_(o.ctx_)
    , map_(o.map_)
    , fd_(o.fd_)
{
    o.owner_ = o.ctx_ = nullptr;
    o.map_ = nullptr;
}

ModbusServer::~ModbusServer()
{
    modbus_free(ctx_);
    if (owner_) {
        modbus_close(owner_); // puts the device's settings back
        modbus_free(owner_);
    }
    modbus_mapping_free(map_);
}

End ModbusServer::serve(int stopFd)
{
    std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
    for (;;) {
        // libmodbus's own wait for a request would sleep through signals.
        switch (waitFor(fd_, stopFd, std::nullopt)) {
        case Event::Readable:
            break;
        case Event::Stopped:
            return End::Stopped;
        case Event::HungUp:
            return End::HungUp;
        case Event::Deadline:
        case Event::Failed:
            return End::Failed;
        }
        const int n = modbus_receive(ctx_, request);
        if (n > 0) {
            modbus_reply(ctx_, request, n, map_);
        } else if (n == 0) {
            // A request for another slave. On a shared bus libmodbus then
            // takes the next message for that slave's answer; on this line
            // of two the next message is the master's next request.
            freshContext();
        } else if (errno == ECONNRESET || errno == EIO) {
            return End::HungUp;
        }
        // Otherwise a bad CRC or a request cut short: no answer, as on a
        // real line.
    }
}

} // namespace sim
