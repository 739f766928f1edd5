#include "serial/TermiosBuild.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

namespace serial {
namespace {

// A cooked terminal with every bit the builders might forget to clear.
termios busyTermios()
{
    termios t{};
    t.c_iflag = ICRNL | IXON | IXOFF | IXANY | INPCK | ISTRIP | INLCR | IGNCR | BRKINT | IMAXBEL;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL | B9600;
    t.c_lflag = ECHO | ECHOE | ECHOK | ICANON | ISIG | IEXTEN;
    t.c_cc[VMIN] = 4;
    t.c_cc[VTIME] = 5;
    return t;
}

TEST(TermiosBuild, RawModeClearsProcessingAndKeepsFraming)
{
    termios t = withRawMode(busyTermios());
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT), 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    // Framing and flow belong to the other builders.
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL), CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), IXON | IXOFF | INPCK);
}

TEST(TermiosBuild, DataBits)
{
    const std::pair<int, tcflag_t> sizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
    for (const auto& [bits, size] : sizes) {
        SCOPED_TRACE(bits);
        auto t = withDataBits(busyTermios(), bits);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->c_cflag & CSIZE, size);
    }
    for (int refused : {0, 4, 9, 255})
        EXPECT_FALSE(withDataBits(busyTermios(), refused)) << refused;
}

TEST(TermiosBuild, Parity)
{
    struct Case {
        const char* name;
        std::uint8_t code;
        bool check;
        bool accepted;
        tcflag_t bits; // of PARENB | PARODD | CMSPAR
    };
    const Case cases[] = {
        {"none", parity::None, false, true, 0},
        {"none with check", parity::None, true, true, 0},
        {"odd", parity::Odd, true, true, PARENB | PARODD},
        {"even", parity::Even, false, true, PARENB},
        {"mark", parity::Mark, true, true, PARENB | CMSPAR | PARODD},
        {"space", parity::Space, false, true, PARENB | CMSPAR},
        {"code 5", 5, false, false, 0},
        {"no selection (255)", 255, true, false, 0},
    };
    const tcflag_t mask = PARENB | PARODD | CMSPAR;
    termios none{};
    termios all{};
    all.c_cflag = mask;
    all.c_iflag = INPCK;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const termios& base : {none, all}) {
            auto t = withParity(base, c.code, c.check);
            ASSERT_EQ(t.has_value(), c.accepted);
            if (t) {
                EXPECT_EQ(t->c_cflag & mask, c.bits);
                EXPECT_EQ((t->c_iflag & INPCK) != 0, c.check);
            }
        }
    }
}

TEST(TermiosBuild, FlowControl)
{
    struct Case {
        const char* name;
        LineSettings line;
        bool accepted;
        tcflag_t iflags; // of IXON | IXOFF | IXANY
        bool crtscts;
    };
    auto with = [](auto change) {
        LineSettings s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"none", LineSettings{}, true, 0, false},
        {"xon/xoff out", with([](LineSettings& s) { s.xonXoffOut = true; }), true, IXON, false},
        {"xon/xoff in", with([](LineSettings& s) { s.xonXoffIn = true; }), true, IXOFF, false},
        {"xon/xoff both", with([](LineSettings& s) { s.xonXoffOut = s.xonXoffIn = true; }), true, IXON | IXOFF, false},
        {"cts out", with([](LineSettings& s) { s.ctsOutFlow = true; }), true, 0, true},
        {"rts handshake", with([](LineSettings& s) { s.rts = LineControl::Handshake; }), true, 0, true},
        {"dsr out", with([](LineSettings& s) { s.dsrOutFlow = true; }), false, 0, false},
        {"dtr handshake", with([](LineSettings& s) { s.dtr = LineControl::Handshake; }), false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = withFlowControl(busyTermios(), c.line);
        ASSERT_EQ(t.has_value(), c.accepted);
        if (t) {
            EXPECT_EQ(t->c_iflag & (IXON | IXOFF | IXANY), c.iflags);
            EXPECT_EQ((t->c_cflag & CRTSCTS) != 0, c.crtscts);
        }
    }
}

int modemBits(const LineSettings& s)
{
    return (s.dtr == LineControl::Enable ? TIOCM_DTR : 0) | (s.rts == LineControl::Enable ? TIOCM_RTS : 0);
}

// Everything written by withLineSettings reads back the same.
TEST(TermiosBuild, SettingsRoundTrip)
{
    struct Case {
        const char* name;
        LineSettings line;
    };
    auto make = [](std::uint32_t baud, std::uint8_t data, std::uint8_t par, std::uint8_t stop, auto change) {
        LineSettings s;
        s.baudRate = baud;
        s.dataBits = data;
        s.parity = par;
        s.stopBits = stop;
        change(s);
        return s;
    };
    auto keep = [](LineSettings&) {};
    const Case cases[] = {
        {"8N1 defaults", make(9600, 8, parity::None, stopbits::One, keep)},
        {"7E1 checked", make(19200, 7, parity::Even, stopbits::One, [](LineSettings& s) { s.parityCheck = true; })},
        {"6O2", make(110, 6, parity::Odd, stopbits::Two, keep)},
        {"5M1", make(300, 5, parity::Mark, stopbits::One, keep)},
        {"8S2 with xon/xoff", make(56000, 8, parity::Space, stopbits::Two,
                                   [](LineSettings& s) {
                                       s.xonXoffOut = true;
                                       s.xonXoffIn = true;
                                       s.xonChar = 0x01;
                                       s.xoffChar = 0x02;
                                   })},
        {"lines low", make(128000, 8, parity::None, stopbits::One,
                           [](LineSettings& s) {
                               s.dtr = LineControl::Disable;
                               s.rts = LineControl::Disable;
                           })},
        {"rts/cts handshake", make(256000, 8, parity::None, stopbits::One,
                                   [](LineSettings& s) {
                                       s.ctsOutFlow = true;
                                       s.rts = LineControl::Handshake;
                                   })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = withLineSettings(busyTermios(), c.line);
        ASSERT_TRUE(t);
        EXPECT_EQ(lineSettingsFrom(*t, c.line.baudRate, modemBits(c.line)), c.line);
    }
}

} // namespace
} // namespace serial
