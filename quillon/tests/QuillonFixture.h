#pragma once
// A Quillon main dialog on an in-memory window, with temporary folders for
// its settings and port links, and a clock the test sets.

#include "dialog/Clock.h"
#include "dialog/testing/MemorySurface.h"
#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace quillon::testing {

namespace fs = std::filesystem;

class FakeClock : public dialog::Clock {
public:
    std::time_t now() const override { return seconds; }
    std::time_t seconds = 1159664703; // 2006-10-01 01:05:03 UTC
};

/// One pseudo-terminal: the master stays with the test as the peer.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;
    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slavePath = name;
        // Only the master is needed; the device is opened by path.
        ::close(slave);
        slave = -1;
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
};

inline fs::path makeTempDir(const char* what)
{
    std::string tmpl = (fs::temp_directory_path() / (std::string(what) + ".XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    return fs::path(tmpl);
}

inline void writeFile(const fs::path& p, const std::string& content)
{
    std::ofstream(p, std::ios::binary) << content;
}

class QuillonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        configDir = makeTempDir("quillon-config");
        linksDir = makeTempDir("quillon-ports");
    }
    void TearDown() override
    {
        dialog_.reset();
        fs::remove_all(configDir);
        fs::remove_all(linksDir);
    }

    /// Pins a COM name to a device.
    void link(const std::string& name, const std::string& device) { fs::create_symlink(device, linksDir / name); }

    /// Builds and initialises the dialog, as the window does at start.
    QuillonMainDialog& start()
    {
        serial::PortNames ports(linksDir, [] { return std::vector<fs::path>{}; });
        dialog_ = std::make_unique<QuillonMainDialog>(clock, std::move(ports), configDir);
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

    fs::path configDir;
    fs::path linksDir;
    FakeClock clock;
    dialog::testing::MemorySurface surface{quillonMainWindowTemplate()};

private:
    std::unique_ptr<QuillonMainDialog> dialog_;
};

} // namespace quillon::testing
