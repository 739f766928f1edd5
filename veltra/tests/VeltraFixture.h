#pragma once
// A Veltra main dialog on an in-memory window, with a temporary folder of
// port links, ptys as the far ends of the line and a clock the test sets.

#include "dialog/Gbk.h"
#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltra::testing {

namespace fs = std::filesystem;

using dialog::testing::FakeClock;
using test_support::Pty;
using test_support::TempDir;

/// The window; once receivePieces is set, it keeps each text the receive
/// area is given. The area converts each on its own, so a double-byte
/// character parted between two shows as neither.
struct VeltraSurface : dialog::testing::MemorySurface {
    using MemorySurface::MemorySurface;
    void setText(int id, const std::string& gbk) override
    {
        keep(id, gbk);
        MemorySurface::setText(id, gbk);
    }
    void appendText(int id, const std::string& gbk) override
    {
        keep(id, gbk);
        MemorySurface::appendText(id, gbk);
    }
    std::optional<std::vector<std::string>> receivePieces;

private:
    void keep(int id, const std::string& gbk)
    {
        if (receivePieces && id == ReceiveArea)
            receivePieces->push_back(gbk);
    }
};

class VeltraTest : public ::testing::Test {
protected:
    void SetUp() override { clock.local = FakeClock::at(2013, 3, 20, 8, 8, 0); }
    void TearDown() override { dialog_.reset(); }

    void link(const std::string& name, const std::string& device) { fs::create_symlink(device, linksDir / name); }

    VeltraMainDialog& start()
    {
        dialog_.reset();
        surface = VeltraSurface(veltraMainWindowTemplate());
        serial::PortNames ports(linksDir.path(), [] { return std::vector<fs::path>{}; });
        dialog_ = std::make_unique<VeltraMainDialog>(clock, std::move(ports), configDir.path());
        dialog_->bind(surface);
        dialog_->onInit();
        return *dialog_;
    }

    /// Starts with pty as COM1 and connects to it.
    VeltraMainDialog& startConnected()
    {
        if (!fs::is_symlink(linksDir / "COM1"))
            link("COM1", pty.slavePath());
        start();
        click(ConnectButton);
        EXPECT_TRUE(dlg().isPortOpen());
        return dlg();
    }

    VeltraMainDialog& dlg() { return *dialog_; }

    void click(int id) { dialog_->dispatch(id, dialog::Notification::Clicked); }
    void edited(int id) { dialog_->dispatch(id, dialog::Notification::TextEdited); }
    void chooseText(int id, const char* utf8) { ASSERT_TRUE(surface.selectPrefix(id, dialog::gbk(utf8))) << utf8; }
    void typeInto(int id, const std::string& gbkText)
    {
        surface.userEdit(id, gbkText);
        edited(id);
    }
    /// Selects the entry whose text is utf8, as a click in the list does;
    /// false when the list has none.
    bool choose(int id, const char* utf8)
    {
        for (int i = 0; i < surface.itemCount(id); ++i)
            if (surface.itemText(id, i) == dialog::gbk(utf8)) {
                surface.select(id, i);
                dlg().dispatch(id, dialog::Notification::SelectionChanged);
                return true;
            }
        return false;
    }

    /// The peer sends bytes; returns once the port has them all waiting.
    void peerSends(const std::string& bytes)
    {
        const std::size_t before = dlg().port().bytesWaiting();
        ASSERT_TRUE(pty.writeAll(bytes));
        pollfd p{dlg().port().fd(), POLLIN, 0};
        // A loaded machine (a sanitizer run beside others) may hand them on
        // late; a poll that took only part would read otherwise.
        for (int i = 0; i < 500 && dlg().port().bytesWaiting() < before + bytes.size(); ++i)
            poll(&p, 1, 20);
        ASSERT_GE(dlg().port().bytesWaiting(), before + bytes.size()) << "the bytes did not all arrive";
    }
    // A held poll's tick is its wake, which ends the hold, as in the window.
    void tick()
    {
        surface.pausedTimers.erase(PollTimer);
        dialog_->onTimer(PollTimer);
    }
    std::string area() { return surface.text(ReceiveArea); }
    /// Neither the poll nor the timed send runs (the port watch always does).
    bool portTimersStopped() const { return !surface.timers.count(PollTimer) && !surface.timers.count(SendTimer); }

    TempDir linksDir{"veltra-ports"};
    TempDir configDir{"veltra-config"};
    FakeClock clock;
    Pty pty;
    VeltraSurface surface;

private:
    std::unique_ptr<VeltraMainDialog> dialog_;
};

} // namespace veltra::testing
