// serial-sim --listen as the programs meet it, through a ports-folder file
// and their own session, with Debian's ser2net in front of the simulator's
// pty as the reference: the same cases give the same results on both.

#include "serial/PortSession.h"
#include "serial/tests/RemotePeer.h"

#include "testing/Process.h"
#include "testing/Ser2net.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace fs = std::filesystem;
using namespace serial;
using namespace serial::remote_testing;
using test_support::Process;
using Log = std::vector<std::string>;

enum class Server { Sim, Ser2net };
enum class Kind { Rfc2217, Tcp };

class SimListen : public ::testing::TestWithParam<std::tuple<Server, Kind>> {
protected:
    void SetUp() override
    {
        const auto [server, kind] = GetParam();
        const std::string scheme = kind == Kind::Rfc2217 ? "rfc2217" : "tcp";
        if (server == Server::Ser2net && !test_support::Ser2net::installed())
            GTEST_SKIP() << "the ser2net column is skipped: " << test_support::Ser2net::kPath
                         << " is not installed (Debian package ser2net)";
        Process::Options options;
        options.readOutput = true;
        options.env = {"XDG_CONFIG_HOME=" + home.path().string()};
        std::vector<std::string> argv{SERIAL_SIM, "echo"};
        if (server == Server::Sim)
            argv.insert(argv.begin() + 1, {"--listen", scheme + ":0"});
        sim.emplace(argv, options);
        const std::string said = sim->readLine().value_or(""); // "COM1 -> rfc2217://127.0.0.1:4001"
        const auto arrow = said.find(" -> ");
        ASSERT_NE(arrow, std::string::npos) << said;
        name = said.substr(0, arrow);
        const std::string target = said.substr(arrow + 4);
        if (server == Server::Sim) {
            const auto remote = names.remote(name);
            ASSERT_TRUE(remote && remote->address) << "no file for the port";
            EXPECT_EQ(remote->address->text, target);
            return;
        }
        // ser2net in front of the simulator's own pty, through the accepter of the kind.
        const bool rfc = kind == Kind::Rfc2217;
        ser2net.emplace(home.path(), rfc ? target : std::string(), rfc ? std::string() : target);
        ASSERT_TRUE(ser2net->started()) << "ser2net does not listen";
        name = "COM200";
        test_support::writeFile(home / "comports" / name,
                                (kind == Kind::Rfc2217 ? ser2net->rfc2217Address() : ser2net->rawAddress()) + "\n");
    }

    void open(PortSession& s, Log& log, std::function<void(LineSettings&)> line = {})
    {
        const PortSession::Result r = waitOpen(s, s.open(name, {std::move(line), {100, 1000}}));
        log.push_back(r ? "opened" : "refused: " + r.reason);
    }
    static void echo(PortSession& s, Log& log, const Bytes& bytes)
    {
        s.write(bytes.data(), bytes.size());
        const Bytes back = readSome(s, bytes.size());
        log.push_back(back == bytes ? "echoed" : "echo: " + std::to_string(back.size()) + " bytes, differing");
    }

    test_support::TempDir home{"sim-listen"};
    PortNames names{home / "comports", [] { return std::vector<fs::path>{}; }};
    std::optional<Process> sim;
    std::optional<test_support::Ser2net> ser2net;
    std::string name;
};

INSTANTIATE_TEST_SUITE_P(Servers, SimListen,
                         ::testing::Combine(::testing::Values(Server::Sim, Server::Ser2net),
                                            ::testing::Values(Kind::Rfc2217, Kind::Tcp)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Server::Sim ? "sim" : "ser2net") +
                                    (std::get<1>(info.param) == Kind::Rfc2217 ? "_rfc2217" : "_tcp");
                         });

TEST_P(SimListen, AnswersAsTheReferenceDoes)
{
    // Every byte value, with what a careless escape turns into protocol.
    Bytes every{0xFF, 0xFF, 0xFF, 0xFA, 0x2C, 0xFF, 0xF0, 0x0D, 0x00};
    for (int i = 0; i < 256; ++i)
        every.push_back(static_cast<std::uint8_t>(i));
    const Bytes x{'x'};
    struct Case {
        const char* name;
        std::function<void(PortSession& a, PortSession& b, Log&)> run;
        Log expected[2]; // by kind
    };
    const Case cases[] = {
        {"line settings confirmed: 19200 with two stop bits, 250000 7E1",
         [&](PortSession& a, PortSession& b, Log& log) {
             open(a, log, [](LineSettings& l) { l = {.baudRate = 19200, .stopBits = stopbits::Two}; });
             a.close();
             open(b, log, [](LineSettings& l) { l = {.baudRate = 250000, .dataBits = 7, .parity = parity::Even}; });
             echo(b, log, x);
         },
         {{"opened", "opened", "echoed"}, {"opened", "opened", "echoed"}}},
        // A bytes-only port opens, and the first read finds it closed.
        {"a second client is refused while one is served, then served; every byte value both ways",
         [&](PortSession& a, PortSession& b, Log& log) {
             open(a, log), open(b, log);
             std::error_code lost;
             if (b.isOpen())
                 readSome(b, 1000, &lost), log.push_back(deviceLost(lost) ? "lost" : "kept");
             echo(a, log, every), a.close();
             open(b, log), echo(b, log, every);
         },
         {{"opened", "refused: 服务器断开了连接（端口可能正被其他客户端使用）", "echoed", "opened", "echoed"},
          {"opened", "opened", "lost", "echoed", "opened", "echoed"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortSession a(names), b(names);
        Log log;
        c.run(a, b, log);
        EXPECT_EQ(log, c.expected[int(std::get<1>(GetParam()))]);
    }
    if (std::get<0>(GetParam()) == Server::Sim) {
        EXPECT_EQ(sim->stop(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(home / "comports" / name))) << "the file is left";
    }
}

} // namespace
