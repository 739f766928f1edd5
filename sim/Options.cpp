#include "sim/Options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <type_traits>

namespace sim {

const char* const kHelpText = R"(Usage: serial-sim [--name COMn] [--listen WHERE] MODE [options]
       serial-sim --device PATH MODE [options]

A serial device to try the programs without hardware. It makes a
pseudo-terminal, links it as a COM name in the ports folder
($XDG_CONFIG_HOME/comports, else ~/.config/comports), prints the name it
took on one line ("COM3 -> /dev/pts/7"), answers until it gets SIGINT or
SIGTERM, and then removes the link again.

Line:
  --name COMn     take this name (refused when a link pins it to something
                  that exists); default: the first name that stands for no
                  port
  --device PATH   serve an existing device (e.g. one end of a socat pair)
                  instead, and make no link; prints PATH once it is open
  --listen WHERE  serve on a TCP port instead, to one client at a time (a
                  second is refused while one is served), named by a file
                  in the ports folder: WHERE is tcp:PORT (bytes only) or
                  rfc2217:PORT (telnet; the line settings asked for are
                  kept and confirmed) on 127.0.0.1, or HOST:PORT for
                  another IPv4 address; PORT 0 takes a free one; prints
                  "COM3 -> rfc2217://127.0.0.1:4001"
  --baud N        baud rate of a --device line (default 9600); always 8N1
  -h, --help      this text

Modes:
  echo            sends every byte back

  modbus          a Modbus RTU server (libmodbus): holding and input
                  registers from address 0, exception replies for what it
                  does not hold or serve, silence on a bad CRC or another
                  slave id; a request ends after 3.5 characters of silence
                  at --baud (1.75 ms above 19200), also on the pty
    --slave N       slave id, 1 to 247 (default 1)
    --registers N   how many holding and input registers (default 100)
    --base V        register i holds V + i (default 0)

  module          answers the command frames of Veltra's command builder
                  (type, length, 4-byte address, fields, optional CRC-16
                  low byte first, checked when present) with a short
                  acknowledgement: type, length 0A, address, function or
                  port code, status 00, CRC-16. These answers are a
                  simulation made for trying the program, not what a real
                  module answers.
                  Ill-formed frames get no answer.
    --require-crc   answer only frames that carry a valid CRC
    --gap MS        silence after which an unfinished frame is dropped
                    (default 20)

  table FILE      a scripted device: FILE holds lines "request => answer"
                  in hex, e.g.
                      01 03 00 00 00 01 84 0A => 01 03 02 00 2A 39 9B
                      01 ?? 00 *  => 01 80 01    # ?? any byte, * any rest
                      *           => 06          # any request
                  "#" starts a comment; an empty answer swallows the
                  request. A request ends after a silence of --gap, or at
                  once when it matches a line without "*" exactly; the first
                  matching line answers, a request no line matches gets none.
    --gap MS        silence that ends a request (default 20)

  stream          sends frames on its own, with pauses, to watch frame
                  splitting, time stamps and counters; what comes in is
                  dropped
    --text          text lines "#000001 ABC...\r\n" (the default)
    --binary        binary frames AA 55, frame number (2 bytes, high first),
                    then 00 01 02 ...
    --frame N       bytes a frame, 4 to 4096 (default 16)
    --pause MS      pause after each frame (default 1000)
    --rate N        bytes per second within a frame; 0 sends each frame in
                    one piece (default 0)
    --count N       frames to send, then stay quiet; 0: no end (default 0)

Exit status: 0 when stopped by a signal, 1 when the line failed or could
not be set up, 2 for a wrong command line.
)";

namespace {

constexpr unsigned bit(Mode m) { return 1u << static_cast<unsigned>(m); }
constexpr unsigned kAllModes = 0x1F;

struct ModeName {
    const char* name;
    Mode mode;
};
constexpr ModeName kModes[] = {
    {"echo", Mode::Echo},   {"modbus", Mode::Modbus}, {"module", Mode::Module},
    {"table", Mode::Table}, {"stream", Mode::Stream},
};

bool number(const std::string& text, long min, long max, long& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

// A setter for a whole-number option; field picks the member it sets.
template <class Field> std::function<bool(Options&, const std::string&)> numberInto(long min, long max, Field field)
{
    return [=](Options& o, const std::string& v) {
        long n = 0;
        if (!number(v, min, max, n))
            return false;
        auto& f = field(o);
        f = static_cast<std::remove_reference_t<decltype(f)>>(n);
        return true;
    };
}

struct OptionRule {
    const char* name;
    unsigned modes;
    const char* range; // for the message about a bad value; nullptr: takes no value
    std::function<bool(Options&, const std::string&)> set;
};

const std::vector<OptionRule>& optionRules()
{
    // clang-format off
    static const std::vector<OptionRule> rules = {
        {"--name", kAllModes, "a name COM1 to COM255",
         [](Options& o, const std::string& v) { return o.name = v, !v.empty(); }},
        {"--device", kAllModes, "a path", [](Options& o, const std::string& v) { return o.device = v, !v.empty(); }},
        {"--listen", kAllModes, "tcp:PORT or rfc2217:PORT, with HOST: before PORT if wanted; PORT 0 to 65535",
         [](Options& o, const std::string& v) { return (o.listen = parseListen(v)).has_value(); }},
        {"--baud", kAllModes, "1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800 or 921600",
         [](Options& o, const std::string& v) {
             long n = 0;
             return number(v, 1, 921600, n) && knownBaud(static_cast<int>(n)) && (o.baud = static_cast<int>(n), true);
         }},
        {"--gap", bit(Mode::Table) | bit(Mode::Module), "1 to 10000 ms",
         numberInto(1, 10000, [](Options& o) -> auto& { return o.gapMs; })},
        {"--slave", bit(Mode::Modbus), "1 to 247", numberInto(1, 247, [](Options& o) -> auto& { return o.modbus.slave; })},
        {"--registers", bit(Mode::Modbus), "1 to 65535",
         numberInto(1, 65535, [](Options& o) -> auto& { return o.modbus.registers; })},
        {"--base", bit(Mode::Modbus), "0 to 65535", numberInto(0, 65535, [](Options& o) -> auto& { return o.modbus.base; })},
        {"--require-crc", bit(Mode::Module), nullptr, [](Options& o, const std::string&) { return o.requireCrc = true; }},
        {"--text", bit(Mode::Stream), nullptr, [](Options& o, const std::string&) { return o.stream.text = true; }},
        {"--binary", bit(Mode::Stream), nullptr,
         [](Options& o, const std::string&) { return o.stream.text = false, true; }},
        {"--frame", bit(Mode::Stream), "4 to 4096",
         numberInto(4, 4096, [](Options& o) -> auto& { return o.stream.frameBytes; })},
        {"--pause", bit(Mode::Stream), "0 to 3600000 ms",
         [](Options& o, const std::string& v) {
             long ms = 0;
             return number(v, 0, 3600000, ms) && (o.stream.pause = ms * 1000, true);
         }},
        {"--rate", bit(Mode::Stream), "0 to 1000000 bytes per second",
         numberInto(0, 1000000, [](Options& o) -> auto& { return o.stream.rate; })},
        {"--count", bit(Mode::Stream), "0 to 1000000000",
         numberInto(0, 1000000000, [](Options& o) -> auto& { return o.stream.count; })},
    };
    // clang-format on
    return rules;
}

} // namespace

std::variant<Options, std::string> parseOptions(const std::vector<std::string>& args)
{
    Options o;
    std::vector<std::string> positional;
    std::vector<const OptionRule*> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            return o;
        }
        if (arg.rfind('-', 0) != 0 || arg == "-") {
            positional.push_back(arg);
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        const OptionRule* rule = nullptr;
        for (const OptionRule& s : optionRules())
            if (arg == s.name)
                rule = &s;
        if (!rule)
            return "unknown option " + arg;
        if (rule->range && !inlineValue) {
            if (i + 1 == args.size())
                return arg + " needs a value (" + rule->range + ")";
            value = args[++i];
        } else if (!rule->range && inlineValue) {
            return arg + " takes no value";
        }
        if (!rule->set(o, value))
            return "bad value \"" + value + "\" for " + arg + " (" + (rule->range ? rule->range : "") + ")";
        given.push_back(rule);
    }
    if (positional.empty())
        return "no mode given (echo, modbus, module, table FILE or stream)";
    const ModeName* mode = nullptr;
    for (const ModeName& m : kModes)
        if (positional[0] == m.name)
            mode = &m;
    if (!mode)
        return "unknown mode \"" + positional[0] + "\"";
    o.mode = mode->mode;
    const std::size_t wanted = o.mode == Mode::Table ? 2 : 1;
    if (positional.size() < wanted)
        return "table needs a FILE";
    if (positional.size() > wanted)
        return "unexpected argument \"" + positional[wanted] + "\"";
    if (wanted == 2)
        o.tableFile = positional[1];
    for (const OptionRule* s : given)
        if (!(s->modes & bit(o.mode)))
            return std::string(s->name) + " does not apply to " + mode->name;
    if (!o.name.empty() && !o.device.empty())
        return "--name and --device exclude each other";
    if (o.listen && !o.device.empty())
        return "--listen and --device exclude each other";
    return o;
}

} // namespace sim
