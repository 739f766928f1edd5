#pragma once
// A Modbus RTU server on the simulator's line, built on libmodbus: holding
// and input registers, exception replies for what it does not hold, and
// silence for a request with a bad CRC or for another slave id.

#include "sim/Line.h"

#include <string>

struct _modbus;
struct _modbus_mapping_t;

namespace sim {

struct ModbusSettings {
    int slave = 1;
    int registers = 100; // holding and input registers 0 to registers - 1
    int base = 0;        // register i holds base + i (16 bits)
    int baud = 9600;
};

class ModbusServer {
public:
    /// libmodbus opens the device at path itself (8N1 at the baud rate).
    /// @throws std::runtime_error saying why it could not.
    static ModbusServer onDevice(const std::string& path, const ModbusSettings& settings);
    /// Serves on fd (a pty's master), which the caller keeps and closes.
    static ModbusServer onDescriptor(int fd, const ModbusSettings& settings);

    ModbusServer(ModbusServer&& other) noexcept;
    ModbusServer& operator=(ModbusServer&&) = delete;
    ~ModbusServer();

    /// Answers requests until a stop signal on stopFd or a hang-up.
    End serve(int stopFd);

private:
    explicit ModbusServer(const ModbusSettings& settings);
    void freshContext();

    ModbusSettings settings_;
    _modbus* owner_ = nullptr; // opened the device (onDevice) and closes it
    _modbus* ctx_ = nullptr;   // serves fd_
    _modbus_mapping_t* map_ = nullptr;
    int fd_ = -1;
};

} // namespace sim
