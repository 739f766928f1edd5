// serial-sim: a device on a pseudo-terminal (or a TCP port), named as a
// COM port, for trying the programs without hardware.

#include "serial/PortNames.h"
#include "sim/ComLink.h"
#include "sim/Line.h"
#include "sim/Listen.h"
#include "sim/ModbusServer.h"
#include "sim/Modes.h"
#include "sim/Options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

using namespace sim;

namespace {

// One line on stdout, flushed at once: scripts wait for it.
void announce(const std::string& what)
{
    std::printf("%s\n", what.c_str());
    std::fflush(stdout);
}

std::vector<ReplyRule> readTable(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    if (!in || !(text << in.rdbuf()))
        throw std::runtime_error("cannot read " + file + ": " + std::strerror(errno));
    ParsedTable table = parseReplyTable(text.str());
    if (!table.errors.empty()) {
        std::string all;
        for (const TableError& e : table.errors)
            all += "\n" + file + ":" + std::to_string(e.line) + ": " + e.message;
        throw std::runtime_error("errors in the table" + all);
    }
    return std::move(table.rules);
}

std::unique_ptr<Responder> makeResponder(const Options& o)
{
    const Micros gap = o.gapMs * 1000;
    switch (o.mode) {
    case Mode::Echo: return std::make_unique<EchoResponder>();
    case Mode::Table: return std::make_unique<TableResponder>(readTable(o.tableFile), gap);
    case Mode::Module: return std::make_unique<ModuleResponder>(o.requireCrc, gap);
    case Mode::Stream: return std::make_unique<StreamResponder>(o.stream, nowMicros());
    case Mode::Modbus: {
        ModbusSettings settings = o.modbus;
        settings.baud = o.baud;
        return std::make_unique<ModbusResponder>(settings);
    }
    }
    return nullptr;
}

End run(const Options& o, const StopSignals& stop)
{
    std::unique_ptr<Responder> responder = makeResponder(o);
    if (o.listen) {
        const ListenSocket socket(*o.listen);
        const ComLink file(serial::defaultLinksDir(), ComLink::File{socket.url()}, o.name);
        announce(file.name() + " -> " + socket.url());
        return serveClients(socket, *responder, stop.fd());
    }
    const Line line = o.device.empty() ? Line::pty() : Line::device(o.device, o.baud);
    std::optional<ComLink> link;
    if (o.device.empty()) {
        link.emplace(serial::defaultLinksDir(), line.path(), o.name);
        announce(link->name() + " -> " + line.path());
    } else {
        announce(line.path());
    }
    return serve(line.fd(), *responder, stop.fd());
}

} // namespace

int main(int argc, char** argv)
{
    // An error anywhere ends with its message, and unwinds: a link made
    // by then is removed.
    try {
        const auto parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            std::fprintf(stderr, "serial-sim: %s\nTry 'serial-sim --help'.\n", error->c_str());
            return 2;
        }
        const Options& options = std::get<Options>(parsed);
        if (options.help) {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        // Caught before the set-up, so that a stop during it still removes
        // the link.
        const StopSignals stop;
        switch (run(options, stop)) {
        case End::Stopped: return 0;
        case End::HungUp: std::fprintf(stderr, "serial-sim: the line hung up\n"); return 1;
        case End::Failed: std::fprintf(stderr, "serial-sim: the line failed: %s\n", std::strerror(errno)); return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "serial-sim: %s\n", e.what());
    }
    return 1;
}
