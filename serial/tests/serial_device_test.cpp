#include "serial/SerialDevice.h"
#include "serial/Termios2.h"
#include "testing/Pty.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

#include <filesystem>
#include <numeric>
#include <thread>

namespace serial {
namespace {

using test_support::Pty;

SerialDevice openOrFail(const std::string& path)
{
    std::error_code ec;
    SerialDevice d = SerialDevice::open(path, "COM1", ec);
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_TRUE(d.isOpen());
    return d;
}

std::size_t openDescriptors()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

TEST(SerialDevice, BytesTravelBothWaysUntouched)
{
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    ASSERT_TRUE(dev.applyLineSettings(LineSettings{}));

    // Bytes a cooked terminal would translate, swallow or act on.
    const std::vector<std::uint8_t> bytes{0x00, 0x0D, 0x0A, 0x03, 0x04, 0x11, 0x13, 0x7F, 0xFF, 'x'};
    std::error_code ec;
    EXPECT_EQ(dev.write(bytes.data(), bytes.size(), ec), bytes.size());
    EXPECT_FALSE(ec);
    EXPECT_EQ(pty.readUntil<std::vector<std::uint8_t>>(bytes.size()), bytes);

    ASSERT_EQ(::write(pty.master(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ASSERT_TRUE(test_support::waitReadable(dev.fd()));
    EXPECT_EQ(dev.bytesWaiting(), bytes.size());
    std::vector<std::uint8_t> got(64);
    got.resize(dev.read(got.data(), got.size(), ec));
    EXPECT_EQ(got, bytes);
    EXPECT_FALSE(ec);
    EXPECT_FALSE(dev.lastError());
}

TEST(SerialDevice, ReadWithNothingWaitingReturnsAtOnce)
{
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    std::uint8_t buf[16];
    std::error_code ec;
    EXPECT_EQ(dev.bytesWaiting(ec), 0u);
    EXPECT_FALSE(ec);
    EXPECT_EQ(dev.read(buf, sizeof buf, ec), 0u);
    EXPECT_FALSE(ec);
    EXPECT_EQ(dev.read(buf, 0, ec), 0u);
    EXPECT_FALSE(ec);
}

// Unplugging is a far end that closes: the kernel hangs the line up.
TEST(SerialDevice, ReadsTellNothingThereFromAHungUpLine)
{
    struct Case {
        const char* name;
        Pty::Slave slave;
        std::string sent; // by the far end, before it closes or not
        bool farEndCloses;
        std::string read;
        bool lost;
    };
    const Case cases[] = {
        {"bytes waiting", Pty::Slave::KeepOpen, "ab", false, "ab", false},
        {"nothing there", Pty::Slave::KeepOpen, "", false, "", false},
        {"far end closed", Pty::Slave::Close, "", true, "", true},
        {"far end closed, another opener left", Pty::Slave::KeepOpen, "", true, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pty pty(c.slave);
        SerialDevice dev = openOrFail(pty.slavePath());
        ASSERT_TRUE(dev.applyLineSettings(LineSettings{})); // raw: an empty queue reads 0
        if (!c.sent.empty()) {
            ASSERT_TRUE(pty.writeAll(c.sent));
            ASSERT_TRUE(test_support::waitReadable(dev.fd()));
        }
        if (c.farEndCloses)
            pty.closeMaster();

        std::error_code waitingError, readError, writeError;
        EXPECT_EQ(dev.bytesWaiting(waitingError), c.read.size());
        std::string got(16, '\0');
        got.resize(dev.read(reinterpret_cast<std::uint8_t*>(got.data()), got.size(), readError));
        EXPECT_EQ(got, c.read);
        const std::uint8_t z = 'z';
        dev.write(&z, 1, writeError);
        for (const std::error_code& ec : {waitingError, readError, writeError}) {
            EXPECT_EQ(deviceLost(ec), c.lost) << ec.message();
            if (c.lost) {
                EXPECT_EQ(ec, DeviceError::HungUp);
            }
        }
    }
}

TEST(SerialDevice, FailedOpensReportTheCauseAndHoldNothing)
{
    Pty pty;
    SerialDevice holder = openOrFail(pty.slavePath());
    struct Case {
        const char* name;
        std::string path;
        int error;
    };
    const Case cases[] = {
        {"missing device", "/dev/ttyNoSuchPort-serial-test", ENOENT},
        {"not a terminal", "/dev/null", ENOTTY},
        {"held by this process", pty.slavePath(), EBUSY},
    };
    const std::size_t before = openDescriptors();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        SerialDevice d = SerialDevice::open(c.path, "COM9", ec);
        EXPECT_FALSE(d.isOpen());
        EXPECT_EQ(ec.value(), c.error);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(SerialDevice, FailureReasonsTellTheUserWhatToDo)
{
    struct Case {
        const char* name;
        std::error_code error;
        const char* reason;
    };
    auto errnoCode = [](int e) { return std::error_code(e, std::generic_category()); };
    const Case cases[] = {
        {"no access", errnoCode(EACCES), "权限不足：请把用户加入 dialout 组（重新登录后生效）"},
        {"not permitted", errnoCode(EPERM), "权限不足：请把用户加入 dialout 组（重新登录后生效）"},
        {"held elsewhere", errnoCode(EBUSY), "设备忙：另一个程序正在使用该端口"},
        {"missing", errnoCode(ENOENT), "没有这个设备"},
        {"no device", errnoCode(ENODEV), "没有这个设备"},
        {"unplugged", errnoCode(ENXIO), "没有这个设备"},
        {"the line hung up", DeviceError::HungUp, "设备已断开"},
        {"any other: the C library's text", errnoCode(EIO), "系统错误：Input/output error"},
        {"not a terminal", errnoCode(ENOTTY), "系统错误：Inappropriate ioctl for device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureReason(c.error), c.reason);
    }
}

TEST(SerialDevice, PortHeldByAnotherProcessIsRefused)
{
    Pty pty;
    SerialDevice holder = openOrFail(pty.slavePath());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::error_code ec;
        SerialDevice d = SerialDevice::open(pty.slavePath(), "COM1", ec);
        _exit(d.isOpen() ? 100 : ec.value());
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EBUSY);
}

TEST(SerialDevice, MovesCarryThePort)
{
    Pty a, b;
    SerialDevice onA = openOrFail(a.slavePath());
    SerialDevice moved(std::move(onA));
    EXPECT_FALSE(onA.isOpen()); // NOLINT(bugprone-use-after-move): what a move leaves is the point
    ASSERT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.settings().portName, "COM1");

    // Assigning over an open device releases the port it held.
    SerialDevice onB = openOrFail(b.slavePath());
    onB = std::move(moved);
    EXPECT_FALSE(moved.isOpen()); // NOLINT(bugprone-use-after-move)
    SerialDevice againB = openOrFail(b.slavePath());
    std::error_code ec;
    SerialDevice againA = SerialDevice::open(a.slavePath(), "COM1", ec);
    EXPECT_EQ(ec.value(), EBUSY);
}

LineSettings withBaud(std::uint32_t baud)
{
    LineSettings s;
    s.baudRate = baud;
    return s;
}

TEST(SerialDevice, EveryBaudRateReadsBackExactly)
{
    // Both programs' lists, the usual higher rates and odd ones a user may type.
    const std::uint32_t rates[] = {110,   300,    600,    1200,   2400,   4800,   9600,   14400, 19200, 38400, 56000,
                                   57600, 115200, 128000, 256000, 230400, 250000, 921600, 31250, 12345, 74880, 1000000};
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    for (std::uint32_t baud : rates) {
        SCOPED_TRACE(baud);
        ASSERT_TRUE(dev.applyLineSettings(withBaud(baud)));
        std::uint32_t in = 0, out = 0;
        ASSERT_EQ(termios2::readSpeeds(pty.slave(), in, out), 0);
        EXPECT_EQ(out, baud);
        EXPECT_EQ(in, baud);
        EXPECT_EQ(dev.readLineSettings().baudRate, baud);
    }
    EXPECT_FALSE(dev.lastError());
}

TEST(SerialDevice, LineFlagsAPseudoTerminalKeeps)
{
    struct Case {
        const char* name;
        void (*change)(LineSettings&);
        tcflag_t cflagsSet, cflagsClear, iflagsSet, iflagsClear;
    };
    const Case cases[] = {
        {"8N1", [](LineSettings&) {}, CREAD | CLOCAL, CSTOPB | PARODD | CMSPAR | CRTSCTS, 0, IXON | IXOFF | INPCK},
        {"two stop bits", [](LineSettings& s) { s.stopBits = stopbits::Two; }, CSTOPB, 0, 0, 0},
        {"parity check", [](LineSettings& s) { s.parityCheck = true; }, 0, 0, INPCK, 0},
        {"xon/xoff", [](LineSettings& s) { s.xonXoffOut = s.xonXoffIn = true; }, 0, 0, IXON | IXOFF, 0},
        {"cts flow", [](LineSettings& s) { s.ctsOutFlow = true; }, CRTSCTS, 0, 0, 0},
    };
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineSettings s;
        c.change(s);
        ASSERT_TRUE(dev.applyLineSettings(s));
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
        EXPECT_EQ(t.c_cflag & c.cflagsSet, c.cflagsSet);
        EXPECT_EQ(t.c_cflag & c.cflagsClear, 0u);
        EXPECT_EQ(t.c_iflag & c.iflagsSet, c.iflagsSet);
        EXPECT_EQ(t.c_iflag & c.iflagsClear, 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(dev.settings().line, s);
    }
    EXPECT_FALSE(dev.lastError());
}

// Linux has no 1.5 stop bits or 4 data bits; a pty keeps only 8 data bits
// and no parity, which the read-back after applying finds.
TEST(SerialDevice, RefusedSettingsSayWhyAndChangeNothing)
{
    struct Case {
        const char* name;
        void (*change)(LineSettings&);
        const char* reason;
    };
    const Case cases[] = {
        {"one and a half stop bits", [](LineSettings& s) { s.stopBits = stopbits::OneAndHalf; },
         "Linux 串口驱动不支持 1.5 位停止位"},
        {"four data bits", [](LineSettings& s) { s.dataBits = 4; }, "Linux 串口驱动不支持 4 位数据位"},
        {"parity code 255", [](LineSettings& s) { s.parity = 255; }, "Linux 串口驱动不支持校验代码 255"},
        {"stop code 255", [](LineSettings& s) { s.stopBits = 255; }, "Linux 串口驱动不支持停止位代码 255"},
        {"dsr output flow", [](LineSettings& s) { s.dsrOutFlow = true; }, "Linux 串口驱动不支持 DSR 输出流控"},
        {"dtr handshake", [](LineSettings& s) { s.dtr = LineControl::Handshake; }, "Linux 串口驱动不支持 DTR 握手"},
        {"baud 0", [](LineSettings& s) { s.baudRate = 0; }, "Linux 串口驱动不支持波特率 0"},
        {"pty keeps 8 of 7 data bits", [](LineSettings& s) { s.dataBits = 7; }, "端口不支持 7 位数据位（实际为 8 位）"},
        {"pty keeps 8 of 5 data bits", [](LineSettings& s) { s.dataBits = 5; }, "端口不支持 5 位数据位（实际为 8 位）"},
        {"pty drops odd parity", [](LineSettings& s) { s.parity = parity::Odd; }, "端口不支持奇校验（实际为无校验）"},
        {"pty drops even parity", [](LineSettings& s) { s.parity = parity::Even; }, "端口不支持偶校验（实际为无校验）"},
        {"pty drops mark parity", [](LineSettings& s) { s.parity = parity::Mark; },
         "端口不支持标志校验（实际为无校验）"},
        {"pty drops space parity", [](LineSettings& s) { s.parity = parity::Space; },
         "端口不支持空格校验（实际为无校验）"},
    };
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    ASSERT_TRUE(dev.applyLineSettings(withBaud(19200)));
    const LineSettings applied = dev.settings().line;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave(), &before), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineSettings s = withBaud(57600);
        s.stopBits = stopbits::Two;
        c.change(s);
        dev.clearLastError();
        EXPECT_FALSE(dev.applyLineSettings(s));
        EXPECT_EQ(dev.lastError(), std::errc::invalid_argument);
        EXPECT_EQ(dev.lastErrorReason(), c.reason);
        termios after{};
        ASSERT_EQ(tcgetattr(pty.slave(), &after), 0);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(dev.readLineSettings().baudRate, 19200u);
        EXPECT_EQ(dev.settings().line, applied);
    }
    dev.clearLastError();
    EXPECT_EQ(dev.lastErrorReason(), "") << "the refusal is cleared with the error";
}

// The steps a program runs after opening, on a device without modem lines.
TEST(SerialDevice, PseudoTerminalConfiguresWithoutError)
{
    Pty pty;
    int bits = TIOCM_DTR;
    ASSERT_NE(ioctl(pty.slave(), TIOCMBIS, &bits), 0);
    ASSERT_EQ(errno, ENOTTY) << "premise: a pty has no modem lines";

    SerialDevice dev = openOrFail(pty.slavePath());
    LineSettings s = dev.readLineSettings();
    s.baudRate = 115200;
    s.parityCheck = true;
    s.xonXoffOut = s.xonXoffIn = false;
    dev.applyLineSettings(s);
    dev.setWriteTimeout({100, 1000});
    dev.purge(purge::ClearOutput | purge::ClearInput);
    dev.setDtr(true);
    dev.setRts(false);
    EXPECT_FALSE(dev.lastError());
}

TEST(SerialDevice, PurgeDropsWaitingInput)
{
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    ASSERT_TRUE(dev.applyLineSettings(LineSettings{}));
    const std::uint8_t bytes[] = {'a', 'b', 'c'};
    ASSERT_EQ(::write(pty.master(), bytes, sizeof bytes), ssize_t(sizeof bytes));
    ASSERT_TRUE(test_support::waitReadable(dev.fd()));
    ASSERT_TRUE(dev.purge(purge::ClearOutput | purge::ClearInput));
    EXPECT_EQ(dev.bytesWaiting(), 0u);

    EXPECT_FALSE(dev.purge(0x10));
    EXPECT_FALSE(dev.purge(0x01)) << "there is nothing pending to abort";
    EXPECT_EQ(dev.lastError(), std::errc::invalid_argument);
}

TEST(SerialDevice, WriteStopsAtTheTimeOutWhenTheLineDoesNotDrain)
{
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    ASSERT_TRUE(dev.applyLineSettings(LineSettings{}));
    ASSERT_TRUE(dev.setWriteTimeout({0, 20}));
    // Far more than a pty buffers; the master never reads.
    std::vector<std::uint8_t> big(4 << 20, 0x55);
    std::error_code ec;
    std::size_t taken = dev.write(big.data(), big.size(), ec);
    EXPECT_GT(taken, 0u);
    EXPECT_LT(taken, big.size());
    EXPECT_EQ(ec, std::errc::timed_out);
    EXPECT_FALSE(deviceLost(ec)) << "a slow line is no lost device";
}

TEST(SerialDevice, WriteWithoutTimeOutWaitsForTheReader)
{
    Pty pty;
    SerialDevice dev = openOrFail(pty.slavePath());
    ASSERT_TRUE(dev.applyLineSettings(LineSettings{}));
    ASSERT_TRUE(dev.setWriteTimeout({}));
    std::vector<std::uint8_t> big(1 << 20);
    std::iota(big.begin(), big.end(), std::uint8_t{0});
    std::vector<std::uint8_t> received;
    std::thread reader([&] { received = pty.readUntil<std::vector<std::uint8_t>>(big.size()); });
    std::error_code ec;
    std::size_t taken = dev.write(big.data(), big.size(), ec);
    reader.join();
    EXPECT_EQ(taken, big.size());
    EXPECT_FALSE(ec);
    EXPECT_EQ(received, big);
}

TEST(SerialDevice, CloseRestoresTheOriginalLine)
{
    Pty pty;
    // A custom speed the port had before: only termios2 can put it back.
    ASSERT_EQ(termios2::setSpeed(pty.slave(), 12345), 0);
    termios original{};
    ASSERT_EQ(tcgetattr(pty.slave(), &original), 0);
    ASSERT_NE(original.c_lflag & ICANON, 0u) << "premise: a new pty is cooked";
    {
        SerialDevice dev = openOrFail(pty.slavePath());
        LineSettings s = withBaud(115200);
        s.stopBits = stopbits::Two;
        s.xonXoffOut = true;
        ASSERT_TRUE(dev.applyLineSettings(s));
        int exclusive = 0;
        ASSERT_EQ(ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
    }
    // Other openers are let in again.
    int exclusive = 1;
    ASSERT_EQ(ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave(), &after), 0);
    EXPECT_EQ(after.c_lflag, original.c_lflag);
    EXPECT_EQ(after.c_iflag, original.c_iflag);
    EXPECT_EQ(after.c_oflag, original.c_oflag);
    EXPECT_EQ(after.c_cflag, original.c_cflag);
    std::uint32_t in = 0, out = 0;
    ASSERT_EQ(termios2::readSpeeds(pty.slave(), in, out), 0);
    EXPECT_EQ(out, 12345u);
    EXPECT_EQ(in, 12345u);
}

} // namespace
} // namespace serial
