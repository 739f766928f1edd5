#pragma once
// A Modbus RTU server on the simulator's line: holding and input registers
// answered by libmodbus, requests framed here by the line's silences.
//
// A request is what comes between two silences of 3.5 characters at the
// baud rate. Then:
//   - too short, a bad CRC, or another slave id: no answer;
//   - a function the server does not serve (1 to 7F): exception 01;
//   - a served function whose frame is not as long as its fields say:
//     exception 03;
//   - otherwise libmodbus's answer (none for a broadcast to slave 0).
// Function codes 00 and 80 to FF are no requests and get no answer.

#include "sim/Line.h"
#include "sim/RtuFrames.h"

// libmodbus's own names for its context and register map.
struct _modbus;           // NOLINT(bugprone-reserved-identifier)
struct _modbus_mapping_t; // NOLINT(bugprone-reserved-identifier)

namespace sim {

struct ModbusSettings {
    int slave = 1;
    int registers = 100; // holding and input registers 0 to registers - 1
    int base = 0;        // register i holds base + i (16 bits)
    int baud = 9600;     // sets the silence that ends a request
};

class ModbusResponder final : public Responder {
public:
    /// @throws std::runtime_error when libmodbus or a pipe is not to be had.
    explicit ModbusResponder(const ModbusSettings& settings);
    ~ModbusResponder() override;
    ModbusResponder(const ModbusResponder&) = delete;
    ModbusResponder& operator=(const ModbusResponder&) = delete;

    Bytes received(const std::uint8_t* data, std::size_t size, Micros now) override;
    std::optional<Micros> deadline() const override { return framer_.deadline(); }
    /// The silence has passed: the answer to the request, if any.
    Bytes atDeadline(Micros now) override;

private:
    Bytes answer(const Bytes& request);
    Bytes served(const Bytes& request);

    ModbusSettings settings_;
    RtuFramer framer_;
    _modbus* ctx_ = nullptr;
    _modbus_mapping_t* map_ = nullptr;
    int answers_[2] = {-1, -1}; // libmodbus writes its answer into [1]
};

} // namespace sim
