#pragma once
// The simulator's command line.

#include "sim/Listen.h"
#include "sim/ModbusServer.h"
#include "sim/StreamGenerator.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sim {

enum class Mode { Echo, Modbus, Module, Table, Stream };

struct Options {
    bool help = false;
    Mode mode = Mode::Echo;
    std::string name;                    // --name: the COM name wanted; empty: the first free
    std::string device;                  // --device: serve this path, make no link
    std::optional<ListenAddress> listen; // --listen: serve a TCP port instead of a pty
    int baud = 9600;
    long gapMs = 20; // table and module: the silence that ends a request
    ModbusSettings modbus;
    bool requireCrc = false; // module
    std::string tableFile;
    StreamSettings stream;
};

/// The options from the arguments after the program's name, or the message
/// that says what is wrong with them.
std::variant<Options, std::string> parseOptions(const std::vector<std::string>& args);

/// What --help prints.
extern const char* const kHelpText;

} // namespace sim
