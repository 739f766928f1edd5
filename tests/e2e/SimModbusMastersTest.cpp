// serial-sim's Modbus mode against masters nobody here wrote: mbpoll, and a
// pymodbus client script, on the far end of a socat pty pair. Each case
// gets a fresh pair and server, so that one swallowed request cannot spoil
// the next case.

#include "testing/Process.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace {

using test_support::Process;

/// A socat pair with serial-sim's Modbus server on one end; the master's
/// end is held open raw for the test's own bytes, and so that socat keeps
/// the pair up between the masters' opens.
class ModbusLine {
public:
    explicit ModbusLine(int baud)
    {
        socat_.emplace(test_support::socatPair(master(), dir_ / "server"));
        held_ = ::open(master().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (held_ < 0)
            throw std::runtime_error("cannot open " + master());
        termios raw{};
        tcgetattr(held_, &raw);
        cfmakeraw(&raw);
        tcsetattr(held_, TCSANOW, &raw);
        Process::Options output;
        output.readOutput = true;
        const std::string serverEnd = (dir_ / "server").string();
        server_.emplace(
            std::vector<std::string>{SERIAL_SIM, "modbus", "--device", serverEnd, "--baud", std::to_string(baud)},
            output);
        if (server_->readLine() != serverEnd)
            throw std::runtime_error("the server did not start");
    }
    ~ModbusLine()
    {
        server_.reset();
        if (held_ >= 0)
            ::close(held_);
    }

    std::string master() const { return (dir_ / "master").string(); }
    /// A noise byte on the line, then silence for 100 ms: far more than
    /// the 3.5 characters that end a frame, far less than a byte time-out.
    void noise() const
    {
        const std::uint8_t b = 0xFF;
        if (::write(held_, &b, 1) != 1)
            throw std::runtime_error("cannot write the noise byte");
        tcdrain(held_);
        ::poll(nullptr, 0, 100);
    }

    struct Ran {
        int status = -1;  // -1: it did not end
        std::string said; // its standard output, then its standard error
    };
    /// Runs argv to its end. Standard output is read to its end first, so
    /// that the program is never left blocked on a full pipe.
    Ran run(const std::vector<std::string>& argv) const
    {
        Process::Options options;
        options.readOutput = true;
        options.errFile = dir_ / "master.err";
        Process p(argv, options);
        Ran ran;
        while (const auto line = p.readLine(15000))
            ran.said += *line + "\n";
        if (test_support::eventually([&] { return p.exitStatus().has_value(); }, 5000))
            ran.status = *p.exitStatus();
        std::ifstream err(dir_ / "master.err");
        ran.said.append(std::istreambuf_iterator<char>(err), {});
        return ran;
    }

private:
    test_support::TempDir dir_{"sim-modbus"};
    std::optional<Process> socat_;
    int held_ = -1;
    std::optional<Process> server_;
};

bool havePeers()
{
    return test_support::onPath("socat") && test_support::onPath("mbpoll") && access("/usr/bin/python3", X_OK) == 0;
}

TEST(SimModbusMasters, MbpollReadsAndWrites)
{
    if (!havePeers())
        GTEST_SKIP() << "socat, mbpoll or /usr/bin/python3 is not installed";
    const struct Case {
        const char* name;
        int baud;
        bool noise;
        const char* type;
        const char* write; // a value written to register 3 before the read, or nullptr
        const char* expect;
    } cases[] = {
        {"holding registers", 9600, false, "4", nullptr, "[0]: \t0\n[1]: \t1\n[2]: \t2\n[3]: \t3\n"},
        {"input registers after a noise byte", 9600, true, "3", nullptr, "[0]: \t0\n[1]: \t1\n[2]: \t2\n[3]: \t3\n"},
        {"noise at 115200 baud", 115200, true, "4", nullptr, "[0]: \t0\n[1]: \t1\n[2]: \t2\n[3]: \t3\n"},
        {"a written register reads back", 19200, true, "4", "4660", "[0]: \t0\n[1]: \t1\n[2]: \t2\n[3]: \t4660\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModbusLine line(c.baud);
        const std::vector<std::string> common{"mbpoll", "-m",   "rtu", "-a", "1",  "-b", std::to_string(c.baud),
                                              "-P",     "none", "-0",  "-1", "-o", "1"};
        if (c.write) {
            std::vector<std::string> w = common;
            w.insert(w.end(), {"-t", "4", "-r", "3", line.master(), c.write});
            const auto wrote = line.run(w);
            ASSERT_EQ(wrote.status, 0) << wrote.said;
        }
        if (c.noise)
            line.noise();
        std::vector<std::string> r = common;
        r.insert(r.end(), {"-t", c.type, "-r", "0", "-c", "4", line.master()});
        const auto read = line.run(r);
        EXPECT_EQ(read.status, 0) << read.said; // the poll was answered
        std::string values;
        for (std::size_t at = read.said.find("\n["); at != std::string::npos; at = read.said.find("\n[", at + 1))
            values += read.said.substr(at + 1, read.said.find('\n', at + 1) - at);
        EXPECT_EQ(values, c.expect);
    }
}

TEST(SimModbusMasters, PymodbusClient)
{
    if (!havePeers())
        GTEST_SKIP() << "socat, mbpoll or /usr/bin/python3 is not installed";
    const struct Case {
        const char* name;
        int baud;
        std::vector<std::string> check; // see the script
    } cases[] = {
        {"holding registers", 9600, {"read"}},
        {"a noise byte, silence, then a request", 9600, {"noise"}},
        {"noise at 38400 baud", 38400, {"noise"}},
        {"a request split by 50 ms is dropped", 9600, {"split"}},
        {"07 read exception status", 9600, {"unserved", "07"}},
        {"08 diagnostics", 9600, {"unserved", "08"}},
        {"0B comm event counter", 9600, {"unserved", "0B"}},
        {"0C comm event log", 9600, {"unserved", "0C"}},
        {"14 read file record", 9600, {"unserved", "14"}},
        {"18 read FIFO queue", 9600, {"unserved", "18"}},
        {"2B device identification", 9600, {"unserved", "2B"}},
        {"41, no standard's", 115200, {"unserved", "41"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModbusLine line(c.baud);
        std::vector<std::string> argv{"/usr/bin/python3", SIM_MODBUS_MASTER, line.master(), std::to_string(c.baud)};
        argv.insert(argv.end(), c.check.begin(), c.check.end());
        const auto ran = line.run(argv);
        if (ran.status == 77)
            GTEST_SKIP() << "pymodbus is missing: " << ran.said;
        EXPECT_EQ(ran.status, 0) << ran.said;
    }
}

} // namespace
