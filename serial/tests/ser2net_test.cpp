// The sessions' remote ports against serial servers nobody here wrote, in
// front of ptys: Debian's ser2net (an RFC 2217 port and a bytes-only one)
// and pyserial's RFC 2217 port manager behind a small script, each opened
// through a ports-folder file as the programs open them.

#include "serial/PortSession.h"
#include "serial/Termios2.h"
#include "serial/tests/RemotePeer.h"

#include "testing/Process.h"
#include "testing/Pty.h"
#include "testing/Ser2net.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

namespace serial {
namespace {

namespace fs = std::filesystem;
using test_support::Process;
using test_support::Pty;
using test_support::TempDir;
using namespace remote_testing;

// Every byte value, with the telnet commands a careless escape would turn
// into protocol: IAC IAC, IAC SB, IAC SE.
Bytes everyByte()
{
    Bytes b;
    for (int i = 0; i < 256; ++i)
        b.push_back(static_cast<std::uint8_t>(i));
    for (std::uint8_t x : {0xFF, 0xFF, 0xFF, 0xFA, 0x2C, 0xFF, 0xF0, 0x0D, 0x00, 0x0D, 0x0A})
        b.push_back(x);
    return b;
}

enum class Server { Ser2net, Pyserial };
enum class Kind { Rfc2217, Tcp };

class RemotePeerTest : public ::testing::TestWithParam<Server> {
protected:
    void SetUp() override
    {
        if (GetParam() == Server::Ser2net && !test_support::Ser2net::installed())
            GTEST_SKIP() << test_support::Ser2net::kPath << " is not installed (Debian package ser2net)";
        if (GetParam() == Server::Pyserial && access("/usr/bin/python3", X_OK) != 0)
            GTEST_SKIP() << "/usr/bin/python3 is not installed";
        start();
    }

    void start() { GetParam() == Server::Ser2net ? startSer2net() : startPyserial(); }

    void startSer2net()
    {
        ser2net.emplace(dir.path(), rfcPty.slavePath(), rawPty.slavePath());
        ASSERT_TRUE(ser2net->started()) << "ser2net does not listen";
        rfcPort = ser2net->rfc2217Port();
        rawPort = ser2net->rawPort();
        writePorts();
    }

    void startPyserial()
    {
        Process::Options options;
        options.readOutput = true;
        options.errFile = dir / "peer.err";
        server.emplace(std::vector<std::string>{"/usr/bin/python3", RFC2217_PEER, rfcPty.slavePath()}, options);
        const std::optional<std::string> port = server->readLine(10000);
        if (!port) {
            server->stop();
            if (server->exitStatus() == 77)
                GTEST_SKIP() << "pyserial is not installed (Debian package python3-serial)";
            FAIL() << "the pyserial server did not start";
        }
        rfcPort = std::stoi(*port);
        rawPort = 0;
        writePorts();
    }

    void writePorts()
    {
        test_support::writeFile(ports / "COM5", "rfc2217://127.0.0.1:" + std::to_string(rfcPort) + "\n");
        test_support::writeFile(ports / "COM6", "tcp://127.0.0.1:" + std::to_string(rawPort) + "\n");
    }

    /// Whether the server has a port of that kind (the script has no bytes-only one).
    bool serves(Kind k) const { return k == Kind::Rfc2217 || GetParam() == Server::Ser2net; }
    const char* name(Kind k) const { return k == Kind::Rfc2217 ? "COM5" : "COM6"; }
    Pty& pty(Kind k) { return k == Kind::Rfc2217 ? rfcPty : rawPty; }

    PortSession::Result open(PortSession& session, Kind k, std::function<void(LineSettings&)> line = {})
    {
        SessionSetup setup;
        setup.line = std::move(line);
        setup.writeTimeout = {100, 1000};
        return waitOpen(session, session.open(name(k), setup));
    }

    TempDir dir{"remote-peer"};
    TempDir ports{"remote-peer-ports"};
    PortNames names{ports.path(), [] { return std::vector<fs::path>{}; }};
    Pty rfcPty, rawPty;
    int rfcPort = 0, rawPort = 0;
    std::optional<test_support::Ser2net> ser2net;
    std::optional<Process> server; // the script
};

INSTANTIATE_TEST_SUITE_P(Servers, RemotePeerTest, ::testing::Values(Server::Ser2net, Server::Pyserial),
                         [](const auto& info) { return info.param == Server::Ser2net ? "ser2net" : "pyserial"; });

TEST_P(RemotePeerTest, BytesCrossUnchangedBothWays)
{
    struct Case {
        const char* name;
        Kind kind;
        std::string notes[2]; // the tooltip's words, by server
    };
    const Case cases[] = {
        // ser2net answers no modem line of a pty; the script's pty answers them.
        {"rfc2217: escaped on the way", Kind::Rfc2217, {"服务器未应答：DTR、RTS", ""}},
        {"tcp: raw bytes, the line is the server's", Kind::Tcp, {"线路设置由服务器决定", ""}},
    };
    const Bytes bytes = everyByte();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!serves(c.kind))
            continue;
        PortSession session(names);
        const PortSession::Result r = open(session, c.kind);
        ASSERT_TRUE(r) << r.reason;
        EXPECT_TRUE(session.isOpen());
        EXPECT_EQ(session.notes(), c.notes[int(GetParam())]);

        const PortSession::Transfer w = session.write(bytes.data(), bytes.size());
        EXPECT_EQ(w.count, bytes.size());
        EXPECT_FALSE(w.lost);
        EXPECT_EQ(pty(c.kind).readUntil<Bytes>(bytes.size()), bytes);

        ASSERT_TRUE(pty(c.kind).writeAll(bytes.data(), bytes.size()));
        EXPECT_EQ(readSome(session, bytes.size()), bytes);
        session.close();
        EXPECT_FALSE(session.isOpen());
    }
}

TEST_P(RemotePeerTest, TheLineChosenReachesTheDevice)
{
    struct Case {
        const char* name;
        std::uint32_t baud;
        std::uint8_t stopBits;
        bool cstopb;
    };
    const Case cases[] = {
        {"19200, one stop bit", 19200, stopbits::One, false},
        {"115200, two stop bits", 115200, stopbits::Two, true},
        {"a rate without a classic code", 250000, stopbits::One, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortSession session(names);
        const PortSession::Result r = open(session, Kind::Rfc2217, [&](LineSettings& l) {
            l.baudRate = c.baud;
            l.stopBits = c.stopBits;
        });
        ASSERT_TRUE(r) << r.reason;
        std::uint32_t in = 0, out = 0;
        ASSERT_EQ(termios2::readSpeeds(rfcPty.slave(), in, out), 0);
        EXPECT_EQ(out, c.baud);
        termios t{};
        ASSERT_EQ(tcgetattr(rfcPty.slave(), &t), 0);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.cstopb);
    }
}

TEST_P(RemotePeerTest, APortAnotherClientHoldsIsBusy)
{
    if (GetParam() != Server::Ser2net)
        GTEST_SKIP() << "the script serves one client at a time and lets the next wait";
    for (const Kind kind : {Kind::Rfc2217, Kind::Tcp}) {
        SCOPED_TRACE(name(kind));
        PortSession holder(names), second(names);
        ASSERT_TRUE(open(holder, kind));
        const PortSession::Result r = open(second, kind);
        EXPECT_EQ(r.outcome, kind == Kind::Rfc2217 ? PortSession::Outcome::OpenFailed : PortSession::Outcome::Opened)
            << r.reason;
        if (kind == Kind::Rfc2217) {
            EXPECT_NE(r.reason.find("其他客户端"), std::string::npos) << r.reason;
        }
        // A bytes-only port has nothing to wait for: the refusal is the
        // connection's end, and the first read finds it.
        if (r) {
            std::error_code lost;
            readSome(second, 1000, &lost);
            EXPECT_TRUE(deviceLost(lost));
        }
        EXPECT_FALSE(second.isOpen());
    }
}

// What Linux has no setting for is refused before asking. ser2net confirms
// every setting in range as asked, whatever the device behind kept (it does
// not read the line back), so what it confirms opens; the script's port
// answers with what the pty kept, and the open is refused in a local
// port's words.
TEST_P(RemotePeerTest, ARefusedSettingIsRefusedAsALocalPortRefusesIt)
{
    struct Case {
        const char* name;
        std::function<void(LineSettings&)> line;
        bool opens[2]; // by server
    };
    const Case cases[] = {
        {"1.5 stop bits", [](LineSettings& l) { l.stopBits = stopbits::OneAndHalf; }, {false, false}},
        {"an unknown parity code", [](LineSettings& l) { l.parity = 255; }, {false, false}},
        {"DSR output flow", [](LineSettings& l) { l.dsrOutFlow = true; }, {false, false}},
        {"7 data bits: a pty keeps 8", [](LineSettings& l) { l.dataBits = 7; }, {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool opens = c.opens[int(GetParam())];
        PortSession session(names);
        const PortSession::Result r = open(session, Kind::Rfc2217, c.line);
        EXPECT_EQ(static_cast<bool>(r), opens) << r.reason;
        EXPECT_EQ(session.isOpen(), opens);
        if (!opens) {
            Pty local;
            TempDir localPorts("remote-peer-local");
            fs::create_symlink(local.slavePath(), localPorts / "COM1");
            PortNames localNames(localPorts.path(), [] { return std::vector<fs::path>{}; });
            PortSession localSession(localNames);
            SessionSetup setup;
            setup.line = c.line;
            const PortSession::Result expected = localSession.open("COM1", setup);
            EXPECT_EQ(r.outcome, expected.outcome);
            EXPECT_EQ(r.error, expected.error);
            EXPECT_EQ(r.reason, expected.reason);
        }
        session.close();
        EXPECT_TRUE(open(session, Kind::Rfc2217)) << "the server let the port go";
    }
}

TEST_P(RemotePeerTest, AServerThatGoesAwayIsADeviceGone)
{
    struct Case {
        const char* name;
        Kind kind;
        bool byWrite;
    };
    const Case cases[] = {
        {"rfc2217, noticed by a read", Kind::Rfc2217, false},
        {"rfc2217, noticed by a write", Kind::Rfc2217, true},
        {"tcp, noticed by a read", Kind::Tcp, false},
        {"tcp, noticed by a write", Kind::Tcp, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!serves(c.kind))
            continue;
        if (!server && !ser2net)
            start();
        PortSession session(names);
        ASSERT_TRUE(open(session, c.kind));
        const std::uint8_t byte = 0x5A;
        ASSERT_EQ(session.write(&byte, 1).count, 1u);
        ASSERT_EQ(pty(c.kind).readUntil(1), "\x5A");
        server.reset();
        ser2net.reset();

        std::error_code lost;
        if (c.byWrite) {
            // The first writes after the close may still be taken by the
            // kernel; the server's reset ends them.
            for (int i = 0; i < 200 && !lost; ++i) {
                lost = session.write(&byte, 1).lost;
                if (!lost)
                    test_support::waitReadable(session.fd(), 10);
            }
        } else {
            readSome(session, 1, &lost);
        }
        EXPECT_TRUE(deviceLost(lost)) << lost.message();
        EXPECT_EQ(failureReason(lost), failureReason(DeviceError::HungUp));
        EXPECT_FALSE(session.isOpen());
        EXPECT_EQ(session.portName(), name(c.kind)) << "kept for the message";
    }
}

} // namespace
} // namespace serial
