#pragma once
// A Veltra main dialog on an in-memory window, with a temporary folder of
// port links, ptys as the far ends of the line and a clock the test sets.

#include "dialog/Clock.h"
#include "dialog/Gbk.h"
#include "dialog/testing/MemorySurface.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace veltra::testing {

namespace fs = std::filesystem;

class FakeClock : public dialog::Clock {
public:
    std::time_t now() const override { return 0; }
    std::tm localNow() const override { return local; }
    std::tm local = at(2013, 3, 20, 8, 8, 0);

    static std::tm at(int y, int mo, int d, int h, int mi, int s)
    {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_sec = s;
        return t;
    }
};

/// One pseudo-terminal; the master is the peer's end of the line.
struct Pty {
    int master = -1;
    int slave = -1; // kept open so the line stays up between opens
    std::string slavePath;
    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slavePath = name;
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void send(const std::string& bytes) const
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    /// What the program wrote, read until count bytes came or a bounded
    /// wait found nothing more.
    std::string received(std::size_t count) const
    {
        std::string got;
        char buf[4096];
        pollfd p{master, POLLIN, 0};
        while (got.size() < count && poll(&p, 1, 2000) > 0) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    /// Everything already written, without waiting for more.
    std::string drain() const
    {
        std::string got;
        char buf[4096];
        pollfd p{master, POLLIN, 0};
        while (poll(&p, 1, 50) > 0) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
};

inline fs::path makeTempDir(const char* what)
{
    std::string tmpl = (fs::temp_directory_path() / (std::string(what) + ".XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    return fs::path(tmpl);
}

class VeltraTest : public ::testing::Test {
protected:
    void SetUp() override { linksDir = makeTempDir("veltra-ports"); }
    void TearDown() override
    {
        dialog_.reset();
        fs::remove_all(linksDir);
    }

    void link(const std::string& name, const std::string& device) { fs::create_symlink(device, linksDir / name); }

    VeltraMainDialog& start()
    {
        dialog_.reset();
        surface = dialog::testing::MemorySurface(veltraMainWindowTemplate());
        serial::PortNames ports(linksDir, [] { return std::vector<fs::path>{}; });
        dialog_ = std::make_unique<VeltraMainDialog>(clock, std::move(ports));
        dialog_->bind(surface);
        dialog_->onInit();
        return *dialog_;
    }

    /// Starts with pty as COM1 and connects to it.
    VeltraMainDialog& startConnected()
    {
        if (!fs::is_symlink(linksDir / "COM1"))
            link("COM1", pty.slavePath);
        start();
        click(ConnectButton);
        EXPECT_TRUE(dlg().portOpen);
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

    /// The peer sends bytes; returns once the port has them all waiting.
    void peerSends(const std::string& bytes)
    {
        const std::size_t before = dlg().portHandle.bytesWaiting();
        pty.send(bytes);
        pollfd p{dlg().portHandle.fd(), POLLIN, 0};
        for (int i = 0; i < 100 && dlg().portHandle.bytesWaiting() < before + bytes.size(); ++i)
            poll(&p, 1, 20);
    }
    void tick() { dialog_->onTimer(PollTimer); }
    std::string area() { return surface.text(ReceiveArea); }

    fs::path linksDir;
    FakeClock clock;
    Pty pty;
    dialog::testing::MemorySurface surface;

private:
    std::unique_ptr<VeltraMainDialog> dialog_;
};

} // namespace veltra::testing
