// Remote ports through the session against servers the test plays: what
// the programs rely on (Connecting, then the outcome; data bytes only; a
// server gone is a device gone) without a real serial server.

#include "serial/PortSession.h"
#include "serial/Reconnect.h"
#include "serial/Rfc2217.h"
#include "serial/tests/RemotePeer.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <string>
#include <vector>

namespace serial {
namespace {

namespace fs = std::filesystem;
using namespace remote_testing;
using test_support::TempDir;
using Outcome = PortSession::Outcome;

struct Ports {
    TempDir dir{"remote-session"};
    PortNames names{dir.path(), [] { return std::vector<fs::path>{}; }};
    void file(const std::string& name, const std::string& line) { test_support::writeFile(dir / name, line + "\n"); }
};

Bytes recvSome(int fd, std::size_t count)
{
    Bytes got;
    std::uint8_t buf[256];
    while (got.size() < count && test_support::waitReadable(fd, 2000)) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

void sendBytes(int fd, const Bytes& b) { ASSERT_EQ(send(fd, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }

TEST(RemoteSession, AnOpenThatCannotConnectSaysWhy)
{
    Ports ports;
    const int closedPort = Listener().port; // nothing listens there once it is gone
    struct Case {
        const char* name;
        std::string line;
        Outcome first;
        std::error_code error;
        std::string reasonHas;
    };
    const Case cases[] = {
        {"tcp, nothing listening", "tcp://127.0.0.1:" + std::to_string(closedPort), Outcome::Connecting,
         std::make_error_code(std::errc::connection_refused), "连接被拒绝"},
        {"rfc2217, nothing listening", "rfc2217://127.0.0.1:" + std::to_string(closedPort), Outcome::Connecting,
         std::make_error_code(std::errc::connection_refused), "连接被拒绝"},
        // Not found, or no resolver to ask: either way the words name the host.
        {"a host no resolver knows",
         "tcp://no-such-host.invalid:4001",
         Outcome::Connecting,
         {},
         "no-such-host.invalid"},
        {"a file that names no server", "ttyUSB0", Outcome::OpenFailed,
         std::make_error_code(std::errc::invalid_argument), "无法识别"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ports.file("COM4", c.line);
        PortSession session(ports.names);
        const PortSession::Result started = session.open("COM4", {});
        EXPECT_EQ(started.outcome, c.first);
        EXPECT_EQ(session.connecting(), c.first == Outcome::Connecting);
        const PortSession::Result r = waitOpen(session, started);
        EXPECT_EQ(r.outcome, Outcome::OpenFailed);
        if (c.error) {
            EXPECT_EQ(r.error, c.error);
        }
        EXPECT_NE(r.reason.find(c.reasonHas), std::string::npos) << r.reason;
        EXPECT_FALSE(session.isOpen());
        EXPECT_FALSE(session.connecting());
        EXPECT_EQ(session.fd(), -1);
    }
}

// Plays a serial server that takes every option and confirms every request
// as asked; data follows the last answer in the same segment.
TEST(RemoteSession, AnRfc2217PortKeepsDataThatCameDuringTheOpening)
{
    Listener server;
    Ports ports;
    ports.file("COM9", "rfc2217://127.0.0.1:" + std::to_string(server.port));
    PortSession session(ports.names);
    const PortSession::Result started = session.open("COM9", {});
    ASSERT_EQ(started.outcome, Outcome::Connecting);
    const int peer = server.accept();
    ASSERT_EQ(recvSome(peer, telnet::Stream().start(true).size()).size(), telnet::Stream().start(true).size());
    sendBytes(peer, {0xFF, 0xFD, 44, 0xFF, 0xFB, 0, 0xFF, 0xFD, 0, 0xFF, 0xFB, 3, 0xFF, 0xFD, 3});
    Bytes asked, answers;
    for (const rfc2217::Request& q : rfc2217::requestsFor(LineSettings{}, true)) {
        const Bytes b = rfc2217::bytes(q), a = rfc2217::bytes({std::uint8_t(q.command + 100), q.value});
        asked.insert(asked.end(), b.begin(), b.end());
        answers.insert(answers.end(), a.begin(), a.end());
    }
    ASSERT_EQ(recvSome(peer, asked.size()), asked);
    answers.insert(answers.end(), {0xFF, 0xFF, 'A'}); // one 0xFF and an A
    sendBytes(peer, answers);
    const PortSession::Result r = waitOpen(session, started);
    ASSERT_TRUE(r) << r.reason;
    EXPECT_EQ(session.notes(), "") << "all answered";

    std::uint8_t buf[16];
    const PortSession::Transfer first = session.read(buf, sizeof buf);
    EXPECT_EQ(Bytes(buf, buf + first.count), (Bytes{0xFF, 'A'})) << "kept from the opening";

    // A command between data bytes is no data; an option asked later is refused.
    sendBytes(peer, {'B', 0xFF, 0xF1, 0xFF, 0xFB, 5, 'C'});
    EXPECT_EQ(readSome(session, 2), (Bytes{'B', 'C'}));
    EXPECT_EQ(recvSome(peer, 3), (Bytes{0xFF, 0xFE, 5})) << "DONT for the unknown option";

    const Bytes data{0x01, 0xFF, 0x02};
    EXPECT_EQ(session.write(data.data(), data.size()).count, data.size());
    EXPECT_EQ(recvSome(peer, 4), (Bytes{0x01, 0xFF, 0xFF, 0x02}));
    close(peer);
}

TEST(RemoteSession, AnOpenLeftWhileConnectingIsAbandoned)
{
    // A server that takes the connection and never says a word: the
    // opening waits for its options.
    Listener silent;
    Ports ports;
    ports.file("COM2", "rfc2217://127.0.0.1:" + std::to_string(silent.port));
    struct Case {
        const char* name;
        bool reopen; // opened again at once rather than closed
    };
    for (const Case& c : {Case{"closed", false}, Case{"opened again", true}}) {
        SCOPED_TRACE(c.name);
        PortSession session(ports.names);
        ASSERT_EQ(session.open("COM2", {}).outcome, Outcome::Connecting);
        const int first = session.fd();
        if (c.reopen) {
            ASSERT_EQ(session.open("COM2", {}).outcome, Outcome::Connecting);
            EXPECT_NE(session.fd(), first) << "the new open's own descriptor";
            const PortSession::Result r = waitOpen(session, session.finishOpen());
            EXPECT_EQ(r.outcome, Outcome::SetupFailed) << "the server never took the port's options";
            EXPECT_FALSE(r.reason.empty());
        } else {
            session.close();
            EXPECT_FALSE(session.connecting());
            EXPECT_EQ(session.fd(), -1);
            EXPECT_EQ(session.finishOpen().outcome, Outcome::OpenFailed) << "nothing goes on";
        }
        EXPECT_FALSE(session.isOpen());
    }
}

TEST(Reconnect, TriesARemotePortUntilTheServerIsBack)
{
    auto server = std::make_unique<Listener>();
    const int port = server->port;
    Ports ports;
    ports.file("COM3", "tcp://127.0.0.1:" + std::to_string(port));
    PortSession session(ports.names);
    ASSERT_TRUE(waitOpen(session, session.open("COM3", {})));
    close(server->accept());
    server.reset();
    std::uint8_t byte = 0;
    ASSERT_TRUE(test_support::waitReadable(session.fd()));
    ASSERT_TRUE(deviceLost(session.read(&byte, 1).lost));

    Reconnect wait(session);
    wait.begin();
    // Refused for far longer than a local port's round of tries.
    int beats = 0;
    for (; beats < 3 * Reconnect::kRetries; ++beats) {
        const Reconnect::Step step = wait.next(false);
        ASSERT_TRUE(step.beatAgain) << "beat " << beats;
        if (session.connecting())
            test_support::waitReadable(session.fd(), 3000); // done; the next beat takes it
    }
    EXPECT_TRUE(wait.waiting());

    // Back on the same port (the test binds it again): reopened within a few tries.
    Listener back(port);
    if (back.port != port)
        GTEST_SKIP() << "the port went elsewhere meanwhile";
    Reconnect::Step step;
    for (int i = 0; i < 4 * Reconnect::kRemoteBeats && !step.reopened; ++i) {
        step = wait.next(false);
        if (session.connecting())
            test_support::waitReadable(session.fd(), 3000);
    }
    EXPECT_TRUE(step.reopened);
    EXPECT_TRUE(session.isOpen());
}

} // namespace
} // namespace serial
