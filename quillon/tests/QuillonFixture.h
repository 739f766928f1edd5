#pragma once
// A Quillon main dialog on an in-memory window, with temporary folders for
// its settings and port links, and a clock the test sets.

#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace quillon::testing {

namespace fs = std::filesystem;

using dialog::testing::FakeClock;
using test_support::Pty;
using test_support::TempDir;
using test_support::writeFile;

class QuillonTest : public ::testing::Test {
protected:
    void SetUp() override { clock.seconds = 1159664703; } // 2006-10-01 01:05:03 UTC
    // The dialog goes before a derived test's ptys, its port's far end.
    void TearDown() override { dialog_.reset(); }

    /// Pins a COM name to a device.
    void link(const std::string& name, const std::string& device) { fs::create_symlink(device, linksDir / name); }

    /// Builds and initialises the dialog, as the window does at start.
    QuillonMainDialog& start()
    {
        serial::PortNames ports(linksDir.path(), [] { return std::vector<fs::path>{}; });
        dialog_ = std::make_unique<QuillonMainDialog>(clock, std::move(ports), configDir.path());
        dialog_->bind(surface);
        dialog_->onInit();
        return *dialog_;
    }

    QuillonMainDialog& dlg() { return *dialog_; }

    void click(int id) { dialog_->dispatch(id, dialog::Notification::Clicked); }
    /// A counter as its control shows it.
    std::int64_t counter(int id) { return std::stoll(surface.text(id)); }
    void choose(int id, int pos)
    {
        surface.select(id, pos);
        dialog_->dispatch(id, dialog::Notification::SelectionChanged);
    }
    void choosePort(const std::string& name)
    {
        ASSERT_TRUE(surface.selectPrefix(PortList, name));
        dialog_->dispatch(PortList, dialog::Notification::SelectionChanged);
    }

    TempDir configDir{"quillon-config"};
    TempDir linksDir{"quillon-ports"};
    FakeClock clock;
    dialog::testing::MemorySurface surface{quillonMainWindowTemplate()};

private:
    std::unique_ptr<QuillonMainDialog> dialog_;
};

} // namespace quillon::testing
