#include "serial/PortSession.h"
#include "serial/ReadWhatWaits.h"
#include "serial/Reconnect.h"

#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace serial {
namespace {

namespace fs = std::filesystem;
using test_support::Pty;
using test_support::TempDir;

struct Ports {
    TempDir links{"port-session"};
    PortNames names{links.path(), [] { return std::vector<fs::path>{}; }};
    void link(const std::string& name, const fs::path& device) { fs::create_symlink(device, links / name); }
};

SessionSetup withLine(std::function<void(LineSettings&)> change)
{
    SessionSetup setup;
    setup.line = std::move(change);
    setup.writeTimeout = {100, 1000};
    return setup;
}

TEST(PortSession, AnOpenThatFailsSaysWhyAndHoldsNothing)
{
    Pty pty;
    Ports ports;
    ports.link("COM1", pty.slavePath());
    ports.link("COM2", "/nonexistent/ttyUSB9");
    PortSession holder(ports.names);
    ASSERT_TRUE(holder.open("COM1", {}));
    struct Case {
        const char* name;
        std::string port;
        PortSession::Outcome outcome;
        std::error_code error;
        std::string reason;
    };
    const Case cases[] = {
        {"no link and no device", "COM5", PortSession::Outcome::NoDevice,
         std::make_error_code(std::errc::no_such_device),
         failureReason(std::make_error_code(std::errc::no_such_device))},
        {"no name", "", PortSession::Outcome::NoDevice, std::make_error_code(std::errc::no_such_device),
         failureReason(std::make_error_code(std::errc::no_such_device))},
        {"a link to a device not there", "COM2", PortSession::Outcome::OpenFailed,
         std::make_error_code(std::errc::no_such_file_or_directory),
         failureReason(std::make_error_code(std::errc::no_such_file_or_directory))},
        {"held by another session", "COM1", PortSession::Outcome::OpenFailed,
         std::make_error_code(std::errc::device_or_resource_busy),
         failureReason(std::make_error_code(std::errc::device_or_resource_busy))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortSession session(ports.names);
        const PortSession::Result r = session.open(c.port, withLine({}));
        EXPECT_FALSE(r);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_FALSE(session.isOpen());
    }
}

TEST(PortSession, ALineThePortCannotGiveFailsTheOpenAndFreesThePort)
{
    struct Case {
        const char* name;
        std::function<void(LineSettings&)> line;
    };
    const Case cases[] = {
        {"1.5 stop bits", [](LineSettings& l) { l.stopBits = stopbits::OneAndHalf; }},
        {"an unknown parity code", [](LineSettings& l) { l.parity = 255; }},
        // A pseudo-terminal keeps 8 data bits whatever it is asked.
        {"7 data bits on a pty", [](LineSettings& l) { l.dataBits = 7; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty;
        Ports ports;
        ports.link("COM3", pty.slavePath());
        PortSession session(ports.names);
        const PortSession::Result r = session.open("COM3", withLine(c.line));
        EXPECT_EQ(r.outcome, PortSession::Outcome::SetupFailed);
        EXPECT_EQ(r.error, std::make_error_code(std::errc::invalid_argument));
        EXPECT_FALSE(r.reason.empty());
        EXPECT_NE(r.reason, failureReason(r.error)) << "names the setting";
        EXPECT_FALSE(session.isOpen());
        // Released: the same port opens at once with a line it can give.
        EXPECT_TRUE(session.open("COM3", {})) << "reopen";
    }
}

TEST(PortSession, AnOpenPortHasTheLineAskedForAndStartsEmpty)
{
    Pty pty;
    Ports ports;
    ports.link("COM4", pty.slavePath());
    // Sent before the open: the open drops it.
    ASSERT_TRUE(pty.writeAll("stale\n"));
    ASSERT_TRUE(test_support::waitReadable(pty.slave()));
    pty.drain(); // the terminal's echo of it

    PortSession session(ports.names);
    const PortSession::Result r = session.open("COM4", withLine([](LineSettings& l) { l.baudRate = 19200; }));
    ASSERT_TRUE(r) << r.reason;
    EXPECT_EQ(r.outcome, PortSession::Outcome::Opened);
    EXPECT_FALSE(r.error);
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.portName(), "COM4");
    EXPECT_EQ(session.device().readLineSettings().baudRate, 19200u);

    std::uint8_t buf[16];
    EXPECT_EQ(session.read(buf, sizeof buf).count, 0u) << "what waited before the open was dropped";

    const std::vector<std::uint8_t> frame{0x01, 0x03, 0x00};
    const PortSession::Transfer w = session.write(frame.data(), frame.size());
    EXPECT_EQ(w.count, frame.size());
    EXPECT_FALSE(w.lost);
    EXPECT_EQ(pty.readUntil<std::vector<std::uint8_t>>(frame.size()), frame);

    ASSERT_TRUE(pty.writeAll("ok"));
    ASSERT_TRUE(test_support::waitReadable(session.device().fd()));
    const PortSession::Transfer got = session.read(buf, sizeof buf);
    EXPECT_EQ(std::string(buf, buf + got.count), "ok");
    EXPECT_FALSE(got.lost);

    session.close();
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(session.read(buf, sizeof buf).count, 0u);
    EXPECT_TRUE(PortSession(ports.names).open("COM4", {})) << "the close let it go";
}

TEST(PortSession, ADeviceThatGoesAwayIsLetGoAndSaysWhy)
{
    struct Case {
        const char* name;
        bool byWrite;
    };
    for (const Case& c : {Case{"noticed by a read", false}, Case{"noticed by a write", true}}) {
        SCOPED_TRACE(c.name);
        Pty pty(Pty::Slave::Close);
        Ports ports;
        ports.link("COM6", pty.slavePath());
        PortSession session(ports.names);
        SessionSetup setup = withLine({});
        setup.holdDtr = true;
        ASSERT_TRUE(session.open("COM6", setup));

        pty.closeMaster();
        std::uint8_t byte = 0x55;
        const PortSession::Transfer t = c.byWrite ? session.write(&byte, 1) : session.read(&byte, 1);
        EXPECT_TRUE(deviceLost(t.lost)) << t.lost.message();
        EXPECT_EQ(t.count, 0u);
        EXPECT_FALSE(session.isOpen());
        EXPECT_EQ(session.portName(), "COM6") << "kept for the message";
        // Let go already: nothing more is lost.
        EXPECT_FALSE(session.write(&byte, 1).lost);
        EXPECT_FALSE(session.read(&byte, 1).lost);
    }
}

TEST(Reconnect, WaitsForTheNameToStandForADeviceAgain)
{
    // What the name stands for once the first device went away.
    enum class Then { NewDevice, NoLink, BusyDevice, UserCloses };
    struct Case {
        const char* name;
        Then then;
        bool reopened;
    };
    const Case cases[] = {
        {"a new device under the same name: reopened with the same line", Then::NewDevice, true},
        {"no device yet: tries at the beat for a while, then sleeps", Then::NoLink, false},
        {"the name points at a device another session holds", Then::BusyDevice, false},
        {"the user closes during the wait", Then::UserCloses, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ports ports;
        auto first = std::make_unique<Pty>(Pty::Slave::Close);
        ports.link("COM7", first->slavePath());
        PortSession session(ports.names);
        ASSERT_TRUE(session.open("COM7", withLine([](LineSettings& l) { l.baudRate = 57600; })));
        first->closeMaster();
        std::uint8_t byte = 0;
        ASSERT_TRUE(deviceLost(session.read(&byte, 1).lost));
        first.reset();
        fs::remove(ports.links / "COM7");

        Reconnect wait(session);
        wait.begin();
        Pty second;
        PortSession holder(ports.names);
        if (c.then != Then::NoLink)
            ports.link("COM7", second.slavePath());
        if (c.then == Then::BusyDevice) {
            ASSERT_TRUE(holder.open("COM7", {}));
        }
        if (c.then == Then::UserCloses)
            wait.end();

        Reconnect::Step step = wait.next(true);
        int beats = 0;
        while (step.beatAgain && beats < 100) {
            step = wait.next(false);
            ++beats;
        }
        EXPECT_EQ(step.reopened, c.reopened);
        EXPECT_EQ(session.isOpen(), c.reopened);
        EXPECT_EQ(wait.waiting(), !c.reopened && c.then != Then::UserCloses);
        EXPECT_LT(beats, 100) << "the tries end";
        if (c.reopened) {
            EXPECT_EQ(session.device().readLineSettings().baudRate, 57600u);
            EXPECT_EQ(session.portName(), "COM7");
        } else if (wait.waiting()) {
            EXPECT_EQ(beats, Reconnect::kRetries - 1) << "a round of tries after the change";
            EXPECT_TRUE(wait.next(true).beatAgain) << "the next change starts another round";
        }
    }
}

// A port that answers each read from a script: a count (at most what was
// asked), or the loss of the device.
struct ScriptedPort {
    std::vector<std::size_t> reads;
    std::size_t lostAt = SIZE_MAX; // the read that finds the device gone
    std::size_t asked = 0;
    PortSession::Transfer read(std::uint8_t*, std::size_t n)
    {
        const std::size_t i = asked++;
        if (i == lostAt)
            return {0, std::make_error_code(std::errc::no_such_device)};
        if (i >= reads.size())
            return {n, {}}; // a line that never stops
        return {std::min(reads[i], n), {}};
    }
};

TEST(ReadWhatWaits, ReadsUntilShortOrTheBound)
{
    struct Case {
        const char* name;
        ScriptedPort port;
        std::vector<std::size_t> handed;
        std::size_t reads;
        bool lastFull, lost;
    };
    const std::size_t fullReads = kTickReadBound / 1000 + 1;
    const Case cases[] = {
        {"an empty port: one read, nothing handed", {{0}}, {}, 1, false, false},
        {"a short read ends the tick", {{400, 1000}}, {400}, 1, false, false},
        {"full reads go on to the empty one", {{1000, 1000, 0}}, {1000, 1000}, 3, false, false},
        {"full reads then a short one", {{1000, 1000, 7}}, {1000, 1000, 7}, 3, false, false},
        {"a line that never stops ends at the bound",
         {{}},
         std::vector<std::size_t>(fullReads, 1000),
         fullReads,
         true,
         false},
        {"a loss ends the reads; what came before was handed", {{1000, 1000}, 1}, {1000}, 2, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port = c.port;
        std::uint8_t buf[1000];
        std::vector<std::size_t> handed;
        const TickRead got = readWhatWaits(port, buf, sizeof buf, [&](std::size_t n) { handed.push_back(n); });
        EXPECT_EQ(handed, c.handed);
        EXPECT_EQ(port.asked, c.reads);
        std::size_t total = 0;
        for (std::size_t n : c.handed)
            total += n;
        EXPECT_EQ(got.count, total);
        EXPECT_EQ(got.lastFull, c.lastFull);
        EXPECT_EQ(static_cast<bool>(got.lost), c.lost);
    }
}

} // namespace
} // namespace serial
