// Quillon's core against a Modbus RTU server from outside the project:
// libmodbus inside serial-sim, on one end of a socat pty pair, with Quillon
// on the other as COM1. The answers and CRCs are libmodbus's own.

#include "quillon/tests/TrafficFixture.h"
#include "testing/Process.h"

#include "quillon/send/Checksum.h"

#include <fcntl.h>
#include <termios.h>

#include <functional>
#include <memory>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;
using test_support::Process;

namespace {

// What the server answers, worked out apart from both programs.
const std::string kTenRegisters = "01 03 14 00 00 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 CD 51 ";

class QuillonModbus : public TrafficTest {
protected:
    void SetUp() override
    {
        TrafficTest::SetUp();
        const std::string quillonEnd = (configDir / "quillon-end").string();
        const std::string serverEnd = (configDir / "server-end").string();
        try {
            socat = std::make_unique<Process>(test_support::socatPair(quillonEnd, serverEnd));
        } catch (const std::runtime_error& e) {
            GTEST_SKIP() << e.what();
        }
        // Held for the whole test, so that socat keeps the pair up once the
        // server has gone and Quillon's frames still leave the port. Raw
        // from here on: socat may set up the pty only after its link shows,
        // and libmodbus puts back at close what it found, echo included.
        serverSide = ::open(serverEnd.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(serverSide, 0) << serverEnd;
        termios raw{};
        ASSERT_EQ(tcgetattr(serverSide, &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(serverSide, TCSANOW, &raw), 0);
        Process::Options output;
        output.readOutput = true;
        server =
            std::make_unique<Process>(std::vector<std::string>{SERIAL_SIM, "modbus", "--device", serverEnd}, output);
        ASSERT_EQ(server->readLine(), serverEnd); // the server has the line open

        link("COM1", quillonEnd);
        click(OpenButton); // the fixture's own port closes
        choosePort("COM1");
        click(OpenButton);
        ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
        surface.setCheck(RxHex, 1);
    }
    void TearDown() override
    {
        TrafficTest::TearDown();
        server.reset();
        if (serverSide >= 0)
            ::close(serverSide);
        socat.reset();
    }

    /// Types hex text into a send area and appends the checksum button's
    /// CRC-16, low byte first.
    void typeWithCrc(int textId, int checksumButton, const std::string& text)
    {
        surface.setText(textId, text);
        surface.modalHandler = [](const dialog::WindowTemplate&, dialog::DialogLogic& logic) {
            dialog::testing::MemorySurface box(quillonChecksumDialogTemplate());
            logic.bind(box);
            logic.onInit();
            for (int k = 0; k < kChecksumKinds; ++k)
                box.setCheck(kChecksumFirstRadio + k, kChecksumList[k].value == ChecksumKind::Crc16LowFirst);
            logic.dispatch(IdOk, dialog::Notification::Clicked);
            return box.endedWith.value_or(0);
        };
        click(checksumButton);
    }

    std::unique_ptr<Process> socat;
    std::unique_ptr<Process> server;
    int serverSide = -1;
};

TEST_F(QuillonModbus, ReadRegistersIsAnsweredAsOneFrameInTheViewAndTheLog)
{
    // Before it, two requests that get no answer: one for another slave
    // and one with a damaged CRC.
    const std::string silent[] = {"02 03 00 00 00 01 84 39", "01 03 00 00 00 01 84 0B"};
    surface.setCheck(Area2Hex, 1);
    surface.setText(Area2Text, silent[0]);
    surface.setCheck(Area3Hex, 1);
    surface.setText(Area3Text, silent[1]);
    surface.setCheck(Area1Hex, 1);
    typeWithCrc(Area1Text, Area1Checksum, "01 03 00 00 00 0A");
    ASSERT_EQ(surface.text(Area1Text), "01 03 00 00 00 0A C5 CD");
    surface.setCheck(FrameNewline, 1); // a split answer would show a line break inside
    click(SaveToggle);
    // Apart, as a master sends them: the server takes what comes between
    // two silences as one request.
    const auto pause = [] { ::poll(nullptr, 0, 50); };
    click(Area2Send);
    pause();
    click(Area3Send);
    pause();
    click(Area1Send);
    ASSERT_TRUE(tickUntil([&] { return counter(RxFrames) == 1; }));
    int more = 10; // a second piece, or a late answer, would have come by now
    tickUntil([&] { return --more == 0; });

    EXPECT_EQ(surface.text(RxFrames) + "/" + surface.text(RxBytes), "1/25");
    EXPECT_EQ(inColour(kRed), "\r" + kTenRegisters);
    EXPECT_EQ(logged(), silent[0] + " \r\n" + silent[1] + " \r\n01 03 00 00 00 0A C5 CD \r\n" + kTenRegisters + "\r\n");
}

TEST_F(QuillonModbus, AnswerDrivenRotationStepsOnAnswersAndWithoutTheServerRetries)
{
    const struct {
        int text, checksum, hex, takesPart;
        const char* request;
    } areas[] = {
        {Area1Text, Area1Checksum, Area1Hex, Area1TakesPart, "01 03 00 00 00 01"},
        {Area2Text, Area2Checksum, Area2Hex, Area2TakesPart, "01 03 00 05 00 01"},
        {Area3Text, Area3Checksum, Area3Hex, Area3TakesPart, "01 04 00 07 00 01"},
    };
    for (const auto& a : areas) {
        surface.setCheck(a.hex, 1);
        surface.setCheck(a.takesPart, 1);
        typeWithCrc(a.text, a.checksum, a.request);
    }
    surface.setCheck(AnswerMode, 1);
    click(AnswerMode);
    surface.setText(AnswerTimeout, "1");
    surface.setText(RetryCount, "1");

    // The clock stands still: only answers can move the rotation on.
    click(AreaRotationButton);
    ASSERT_TRUE(tickUntil([&] { return counter(RxFrames) == 4; })) << inColour(kRed);
    click(AreaRotationButton); // stopped before it sends the fifth
    EXPECT_EQ(inColour(kRed), "01 03 02 00 00 B8 44 01 03 02 00 05 78 47 01 04 02 00 07 F8 F2 01 03 02 00 00 B8 44 ");
    EXPECT_EQ(counter(TxFrames), 4);

    // No server: each frame goes out again after the time-out, then the
    // next; the area rotation goes on after the area it sent last.
    EXPECT_EQ(server->stop(), 0); // SIGTERM is a clean stop
    surface.setCheck(ShowSent, 1);
    const std::string before = inColour(kBlue);
    click(AreaRotationButton);
    ASSERT_TRUE(tickUntil([&] {
        clock.seconds += 1;
        return counter(TxFrames) == 9;
    }));
    const std::string a2 = gbk("[发送]01 03 00 05 00 01 94 0B "), a3 = gbk("[发送]01 04 00 07 00 01 80 0B "),
                      a1 = gbk("[发送]01 03 00 00 00 01 84 0A ");
    EXPECT_EQ(inColour(kBlue).substr(before.size()), a2 + a2 + a3 + a3 + a1);
    EXPECT_EQ(counter(RxFrames), 4) << surface.richText(ReceiveView);
}

} // namespace
