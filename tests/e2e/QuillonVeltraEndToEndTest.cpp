// Quillon and Veltra on the two ends of one line (a socat pty pair), both
// driven through their window logic and their timer ticks: frames go both
// ways as each program's user would send and see them.

#include "dialog/Clock.h"
#include "dialog/Gbk.h"
#include "dialog/testing/MemorySurface.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "testing/Process.h"
#include "testing/TempDir.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using dialog::Notification;
using dialog::testing::MemorySurface;
using test_support::eventually;

namespace {

class QuillonVeltraLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test_support::onPath("socat"))
            GTEST_SKIP() << "socat is not installed";
        fs::create_directories(dir / "q-ports");
        fs::create_directories(dir / "v-ports");
        socat.emplace(test_support::socatPair(dir / "q-ports" / "COM3", dir / "v-ports" / "COM1"));

        const auto noScan = [] { return std::vector<fs::path>{}; };
        quillon = std::make_unique<quillon::QuillonMainDialog>(clock, serial::PortNames(dir / "q-ports", noScan),
                                                               dir / "q-config");
        quillon->bind(qs);
        quillon->onInit();
        ASSERT_TRUE(qs.selectPrefix(quillon::PortList, "COM3"));
        quillon->dispatch(quillon::OpenButton, Notification::Clicked);
        ASSERT_EQ(qs.text(quillon::OpenButton), dialog::gbk("关闭串口"));

        veltra = std::make_unique<veltra::VeltraMainDialog>(clock, serial::PortNames(dir / "v-ports", noScan));
        veltra->bind(vs);
        veltra->onInit();
        ASSERT_EQ(vs.selectedText(veltra::PortList), "COM1");
        veltra->dispatch(veltra::ConnectButton, Notification::Clicked);
        ASSERT_TRUE(veltra->isPortOpen());
    }
    void TearDown() override
    {
        veltra.reset();
        quillon.reset();
        socat.reset();
    }

    void tickBoth()
    {
        quillon->onTimer(quillon::MainTick);
        veltra->onTimer(veltra::PollTimer);
    }

    const test_support::TempDir dir{"quillon-veltra"};
    std::optional<test_support::Process> socat;
    dialog::SystemClock clock;
    MemorySurface qs{quillon::quillonMainWindowTemplate()};
    MemorySurface vs{veltra::veltraMainWindowTemplate()};
    std::unique_ptr<quillon::QuillonMainDialog> quillon;
    std::unique_ptr<veltra::VeltraMainDialog> veltra;
};

TEST_F(QuillonVeltraLine, FramesGoBothWays)
{
    // Quillon's first send area, as hex, to Veltra's receive area in hex.
    vs.setCheck(veltra::ReceiveHex, 1);
    vs.setCheck(veltra::BurstNewline, 1);
    qs.setText(quillon::Area1Text, "01 02 A5 FF");
    qs.setCheck(quillon::Area1Hex, 1);
    quillon->dispatch(quillon::Area1Send, Notification::Clicked);
    EXPECT_TRUE(eventually([&] {
        tickBoth();
        return vs.text(veltra::ReceiveArea) == "01 02 A5 FF \r\n";
    })) << vs.text(veltra::ReceiveArea);
    EXPECT_EQ(veltra->receivedCount(), 4);

    // Veltra's send area as text, with its line break, and a quick line in
    // hex, to Quillon's receive view in hex.
    vs.setText(veltra::SendArea, "hi");
    vs.setCheck(veltra::AppendNewline, 1);
    veltra->dispatch(veltra::SendButton, Notification::Clicked);
    EXPECT_TRUE(eventually([&] {
        tickBoth();
        return qs.richText(quillon::ReceiveView).find("68 69 0D 0A") != std::string::npos;
    })) << qs.richText(quillon::ReceiveView);
    vs.setText(veltra::Quick2Text, "7E 10 00");
    vs.setCheck(veltra::Quick2Hex, 1);
    veltra->dispatch(veltra::Quick2Send, Notification::Clicked);
    EXPECT_TRUE(eventually([&] {
        tickBoth();
        return qs.richText(quillon::ReceiveView).find("7E 10 00") != std::string::npos;
    })) << qs.richText(quillon::ReceiveView);
    EXPECT_EQ(veltra->sentCount(), 7);
    EXPECT_EQ(vs.text(veltra::SentCount), "7");

    // A key typed into Veltra's receive area reaches Quillon as one byte.
    const std::string shown = vs.text(veltra::ReceiveArea);
    vs.userEdit(veltra::ReceiveArea, shown + "Z");
    veltra->dispatch(veltra::ReceiveArea, Notification::TextEdited);
    EXPECT_TRUE(eventually([&] {
        tickBoth();
        return qs.richText(quillon::ReceiveView).find("5A") != std::string::npos;
    })) << qs.richText(quillon::ReceiveView);
    EXPECT_EQ(vs.text(veltra::ReceiveArea), shown);
}

} // namespace
