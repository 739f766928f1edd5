// Veltra's core on one end of a socat pty pair and a pyserial script as
// the device on the other: what the send paths and the command builder
// write must reach a program nobody here wrote byte for byte, and the
// bursts the device answers with must show in the receive area as they
// came.

#include "testing/Process.h"
#include "veltra/app/HexText.h"
#include "veltra/tests/VeltraFixture.h"

#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

namespace {

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;
using test_support::eventually;
using test_support::Process;

class VeltraDeviceTest : public VeltraTest {
protected:
    void SetUp() override
    {
        VeltraTest::SetUp();
        if (!test_support::onPath("socat") || access("/usr/bin/python3", X_OK) != 0)
            GTEST_SKIP() << "socat or /usr/bin/python3 is not installed";
        socat.emplace(test_support::socatPair(linksDir / "COM1", line / "device"));
        start();
        click(ConnectButton);
        ASSERT_TRUE(dlg().isPortOpen());
    }
    void TearDown() override
    {
        device.reset();
        VeltraTest::TearDown();
        socat.reset();
    }

    /// Starts the device script on the far end with its steps (see the
    /// script) and waits until it has the port open; skips the test when
    /// pyserial is missing.
    void startDevice(const std::vector<std::string>& steps)
    {
        std::vector<std::string> argv{"/usr/bin/python3", VELTRA_DEVICE_SCRIPT, (line / "device").string()};
        argv.insert(argv.end(), steps.begin(), steps.end());
        Process::Options options;
        options.readOutput = true;
        options.errFile = line / "device.err";
        device.emplace(argv, options);
        if (device->readLine(10000) == "ready")
            return;
        device->stop();
        if (device->exitStatus() == 77)
            GTEST_SKIP() << deviceSaid();
        FAIL() << "the device did not start: " << deviceSaid();
    }
    /// What the device wrote to its standard error.
    std::string deviceSaid() const
    {
        std::ifstream in(line / "device.err");
        return {std::istreambuf_iterator<char>(in), {}};
    }
    /// Polls Veltra until done holds, for at most ms.
    bool ticksUntil(const std::function<bool()>& done, int ms)
    {
        return eventually(
            [&] {
                tick();
                return done();
            },
            ms);
    }
    /// Waits for the device to end, polling Veltra meanwhile: "" when it
    /// got every frame as expected, what it found wrong otherwise.
    std::string deviceVerdict()
    {
        if (!ticksUntil([&] { return device->exitStatus().has_value(); }, 15000))
            return "the device did not end";
        const int status = *device->exitStatus();
        return status == 0 ? std::string() : "exit " + std::to_string(status) + ": " + deviceSaid();
    }

    void sendArea(const std::string& gbkText, bool hex, bool newline)
    {
        surface.setText(SendArea, gbkText);
        surface.setCheck(SendHex, hex);
        surface.setCheck(AppendNewline, newline);
        click(SendButton);
    }
    void quick(int hexId, int textId, int sendId, const char* text, bool hex)
    {
        surface.setText(textId, text);
        surface.setCheck(hexId, hex);
        click(sendId);
    }
    void chooseListed(int id, const char* utf8)
    {
        if (!choose(id, utf8))
            ADD_FAILURE() << "no entry " << utf8 << " in " << id;
    }
    void option(int id, bool on)
    {
        surface.setCheck(id, on);
        click(id);
    }
    /// Composes a frame with the builder, as its user would, and sends it.
    void command(const char* type, const char* address, const char* function, const char* parameter, bool temporary,
                 bool crc)
    {
        chooseListed(CommandType, type);
        chooseListed(DeviceAddress, address);
        chooseListed(Function, function);
        if (parameter)
            chooseListed(Parameter, parameter);
        option(TemporaryChange, temporary);
        option(Crc16, crc);
        click(SendCommand);
    }

    const TempDir line{"veltra-device"};
    std::optional<Process> socat;
    std::optional<Process> device;
};

TEST_F(VeltraDeviceTest, EverySendPathWritesExactlyItsBytes)
{
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* bytes; // hex, what the device must read
    };
    const Case cases[] = {
        {"send area as text, with its line break", [&] { sendArea("AB", false, true); }, "41 42 0D 0A"},
        {"send area as GBK text", [&] { sendArea(gbk("串口"), false, false); }, "B4 AE BF DA"},
        {"send area as hex", [&] { sendArea("01 02 0a", true, false); }, "01 02 0A"},
        {"hex pairs with and without spaces", [&] { sendArea("0102 03", true, false); }, "01 02 03"},
        {"hex with the line break, which ends it", [&] { sendArea("7E 7F", true, true); }, "7E 7F"},
        {"quick line 1 as text", [&] { quick(Quick1Hex, Quick1Text, Quick1Send, "AT+ID?", false); },
         "41 54 2B 49 44 3F"},
        {"quick line 2 as hex", [&] { quick(Quick2Hex, Quick2Text, Quick2Send, "7e 10 00", true); }, "7E 10 00"},
        {"quick line 3 as hex", [&] { quick(Quick3Hex, Quick3Text, Quick3Send, "FF00ff", true); }, "FF 00 FF"},
        {"timed send, two periods",
         [&] {
             surface.setText(SendArea, "T");
             surface.setCheck(SendHex, 0);
             surface.setCheck(AppendNewline, 0);
             surface.setText(Period, "50");
             option(TimedSend, true);
             EXPECT_EQ(surface.timers.count(SendTimer) ? surface.timers.at(SendTimer) : 0, 50);
             dlg().onTimer(SendTimer);
             dlg().onTimer(SendTimer);
             option(TimedSend, false);
         },
         "54 54"},
        {"command: parameter query with CRC",
         [&] { command("参数查询", "00 00 00 01", "读取设备信息", nullptr, false, true); },
         "20 09 00 00 00 01 00 3B CB"},
        {"command: temporary baud rate change",
         [&] { command("参数修改", "00 00 00 01", "修改串口波特率", "9600", true, true); },
         "22 0B 00 00 00 01 00 10 04 C6 1D"},
        {"command: device control without CRC",
         [&] { command("设备控制", "00 00 00 02", "IO1", "PWM 50%", false, false); }, "15 08 00 00 00 02 04 32"},
        {"command: the same frame again", [&] { click(SendCommand); }, "15 08 00 00 00 02 04 32"},
    };
    std::vector<std::string> steps;
    std::int64_t total = 0;
    for (const Case& c : cases) {
        steps.push_back(std::string("expect:") + c.name + ":" + c.bytes);
        total += static_cast<std::int64_t>(parseHexText(c.bytes).size());
    }
    startDevice(steps);
    if (IsSkipped() || HasFatalFailure())
        return;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
    }
    EXPECT_EQ(deviceVerdict(), "");
    EXPECT_EQ(dlg().sentCount(), total);
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(VeltraDeviceTest, BurstsShowAsTheyCame)
{
    // Hex bursts, then (after a frame that says the area now shows text)
    // text bursts; the last frame lets the device go.
    surface.setCheck(ReceiveHex, 1);
    surface.setCheck(BurstNewline, 1);
    startDevice({"send:01 02 A5 FF", "send:00 7E", "send:41 0D", "expect:switch:73", "send:48 65 6C 6C 6F",
                 "send:D6 D0 CE C4", "send:41 00 42", "expect:done:64"});
    if (IsSkipped() || HasFatalFailure())
        return;
    const std::string hexBursts = "01 02 A5 FF \r\n00 7E \r\n41 0D \r\n";
    EXPECT_TRUE(ticksUntil([&] { return area() == hexBursts; }, 10000)) << area();

    surface.setCheck(ReceiveHex, 0);
    quick(Quick1Hex, Quick1Text, Quick1Send, "s", false);
    const std::string textBursts = hexBursts + "Hello\r\n" + gbk("中文") + "\r\nAB\r\n";
    EXPECT_TRUE(ticksUntil([&] { return area() == textBursts; }, 10000)) << area();
    quick(Quick1Hex, Quick1Text, Quick1Send, "d", false);

    EXPECT_EQ(deviceVerdict(), "");
    EXPECT_EQ(dlg().receivedCount(), 20);
    EXPECT_EQ(surface.text(ReceivedCount), "20");
}

} // namespace
