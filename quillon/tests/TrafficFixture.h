#pragma once
// A Quillon main dialog with COM3 open on a pty; the test is the device on
// the master side and drives the 10 ms tick by hand.

#include "QuillonFixture.h"

#include "dialog/FileIo.h"
#include "dialog/Gbk.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace quillon::testing {

using Bytes = std::vector<std::uint8_t>;

class TrafficTest : public QuillonTest {
protected:
    void SetUp() override
    {
        QuillonTest::SetUp();
        link("COM3", pty.slavePath());
        setenv("TZ", "UTC", 1);
        tzset();
        start();
        ASSERT_TRUE(surface.selectPrefix(PortList, "COM3"));
        click(OpenButton);
        ASSERT_EQ(surface.text(OpenButton), dialog::gbk("关闭串口"));
        logFile = configDir / "log.txt";
        // Taken at the next exchange, which every send and tick begins with.
        surface.setText(LogPath, logFile.string());
    }

    /// The device sends bytes; they are waiting for the port when this returns.
    void deviceSends(const Bytes& bytes)
    {
        ASSERT_TRUE(pty.writeAll(bytes.data(), bytes.size()));
        ASSERT_TRUE(test_support::waitReadable(dlg().device().fd()));
        // Bytes can reach the reader in pieces: wait until all of them wait.
        for (int i = 0; i < 200 && dlg().device().bytesWaiting() < std::min<std::size_t>(bytes.size(), 4095); ++i)
            ::poll(nullptr, 0, 1);
    }
    void deviceSends(const std::string& s) { deviceSends(Bytes(s.begin(), s.end())); }

    /// What the device has received so far.
    Bytes deviceReceived() { return pty.drain<Bytes>(); }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            dlg().onTimer(MainTick);
    }
    /// Ticks 10 ms apart, as the window's timer gives them, until done()
    /// holds after one; false if it did not within about five seconds. For
    /// a peer that answers in its own time.
    bool tickUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 500; ++i) {
            ::poll(nullptr, 0, 10);
            ticks(1);
            if (done())
                return true;
        }
        return false;
    }
    /// Leaves a rotation's frame awaiting its answer: an answer-driven
    /// rotation sends area 1 at its first tick and is stopped again.
    void awaitAnswer()
    {
        surface.setText(Area1Text, "01");
        surface.setCheck(Area1TakesPart, 1);
        surface.setCheck(AnswerMode, 1);
        click(AnswerMode);
        click(AreaRotationButton);
        ticks(1);
        click(AreaRotationButton);
        ASSERT_EQ(dlg().answerWait().answerPending, 1);
        deviceReceived();
    }
    /// Ticks until the line has been quiet long enough for any frame to end:
    /// one tick to read, then up to four quiet ones.
    void settle() { ticks(5); }

    /// The view's text after the 24 spaces it starts with.
    std::string shown()
    {
        const std::string all = surface.richText(ReceiveView);
        return all.rfind(std::string(24, ' '), 0) == 0 ? all.substr(24) : all;
    }
    std::string logged() { return dialog::readWholeFile(logFile).value_or(""); }

    /// Runs of the view in a colour.
    std::string inColour(dialog::Rgb colour)
    {
        std::string t;
        for (const auto& r : surface.controls[ReceiveView].runs)
            if (r.colour == colour)
                t += r.text;
        return t;
    }

    Pty pty{Pty::Slave::Close};
    fs::path logFile;
};

inline constexpr dialog::Rgb kRed{255, 0, 0};
inline constexpr dialog::Rgb kBlue{0, 0, 255};

} // namespace quillon::testing
