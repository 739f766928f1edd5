// Quillon's real window under a real window manager: Xvfb and openbox are
// started here, on a display of their own. Maximizing through the manager
// gives the receive view the size computed from the screen and restoring
// brings back 483 x 270; the toggle 1074 moves the window in and out of
// the manager's "above" state without moving it.
#include "dialog/Clock.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/ui/QuillonWindow.h"
#include "testing/TempDir.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

extern char** environ;

namespace fs = std::filesystem;

namespace {

pid_t spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions = nullptr)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) != 0)
        return -1;
    return pid;
}

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

bool waitFor(const std::function<bool()>& condition, int ms = 5000)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition())
            return true;
        QTest::qWait(20);
    }
    return condition();
}

// The virtual screen and its window manager, for the whole run.
struct Desktop {
    pid_t xvfb = -1;
    pid_t wm = -1;
    std::string display;

    // An empty text, or what is missing. A display that another server
    // on the machine took first (openbox cannot open it, or dies on it) is
    // given up and a fresh one started, a few times.
    std::string start()
    {
        std::string missing;
        for (int attempt = 0; attempt < 3; ++attempt) {
            missing = startOnce();
            if (missing.empty())
                return {};
            std::fprintf(stderr, "window manager test: %s, starting again\n", missing.c_str());
            stop();
        }
        return missing;
    }
    std::string startOnce()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return "no pipe";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 9);
        // Xvfb picks a free display and writes its number to the pipe.
        xvfb = spawn({"Xvfb", "-displayfd", "9", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, &actions);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (xvfb < 0) {
            ::close(fds[0]);
            return "Xvfb (package xvfb) cannot be started";
        }
        // The number comes in pieces; the pipe stays open until its line
        // end has come, or Xvfb dies of the broken pipe.
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.empty())
            return "Xvfb did not report its display";
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
        wm = spawn({"openbox", "--sm-disable"});
        if (wm < 0)
            return "openbox (package openbox) cannot be started";
        // The manager is there once it names itself on the root window.
        for (int i = 0; i < 100; ++i) {
            if (run("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") != std::string::npos)
                return {};
            if (waitpid(wm, nullptr, WNOHANG) == wm) {
                wm = -1;
                return "openbox could not open " + display;
            }
            usleep(50 * 1000);
        }
        return "openbox did not take " + display;
    }
    void stop()
    {
        for (pid_t* pid : {&wm, &xvfb}) {
            if (*pid > 0) {
                kill(*pid, SIGTERM);
                waitpid(*pid, nullptr, 0);
            }
            *pid = -1;
        }
    }
};

} // namespace

namespace quillon {
namespace {

struct Window {
    test_support::TempDir config{"quillon-wm"};
    dialog::SystemClock clock;
    QuillonMainDialog logic{clock, serial::PortNames(config.path(), [] { return std::vector<fs::path>{}; }),
                            config.path()};
    dialog::qt::DialogWindow window{quillonMainWindowTemplate(), logic};

    Window()
    {
        ui::installIndicators(window, logic);
        window.show();
    }
    std::string netWmState() { return run("xprop -id " + std::to_string(window.winId()) + " _NET_WM_STATE"); }
};

std::string sizeOf(const QWidget* w) { return std::to_string(w->width()) + "x" + std::to_string(w->height()); }

TEST(QuillonUnderAWindowManager, MaximizeAndRestoreResizeTheReceiveView)
{
    Window w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    const std::string actions = run("xprop -id " + std::to_string(w.window.winId()) + " _NET_WM_ALLOWED_ACTIONS");
    EXPECT_NE(actions.find("_NET_WM_ACTION_MAXIMIZE_HORZ"), std::string::npos) << actions;
    QWidget* view = w.window.control(ReceiveView);
    const QSize screen = w.window.screen()->geometry().size();
    // Where the manager put it, once it has: restoring brings it back there.
    ASSERT_TRUE(waitFor([&] { return w.window.pos() != QPoint(0, 0); }));
    const QPoint normalAt = w.window.geometry().topLeft();

    // What the title bar's button does: a request the manager carries out.
    w.window.setWindowState(Qt::WindowMaximized);
    EXPECT_TRUE(waitFor([&] { return w.window.width() == screen.width(); })) << "window " << sizeOf(&w.window);
    EXPECT_EQ(view->size(), QSize(screen.width() - 310, screen.height() - 270)) << sizeOf(view);
    EXPECT_EQ(w.logic.viewSize().charsPerLine, 110);
    EXPECT_TRUE(w.window.control(TopmostToggle)->isHidden());

    w.window.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(waitFor([&] { return w.window.size() == QSize(794, 540); })) << "window " << sizeOf(&w.window);
    EXPECT_TRUE(waitFor([&] { return w.window.geometry().topLeft() == normalAt; }, 1000))
        << w.window.geometry().x() << "," << w.window.geometry().y() << " instead of " << normalAt.x() << ","
        << normalAt.y();
    EXPECT_EQ(view->size(), QSize(483, 270)) << sizeOf(view);
    EXPECT_FALSE(w.window.control(TopmostToggle)->isHidden());
}

TEST(QuillonUnderAWindowManager, ToggleUsesTheManagersAboveState)
{
    Window w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    auto* toggle = qobject_cast<QPushButton*>(w.window.control(TopmostToggle));
    ASSERT_NE(toggle, nullptr);
    const QRect before = w.window.geometry();
    struct Step {
        const char* name;
        bool above;
        QColor face;
    };
    const Step steps[] = {{"first click", true, QColor(255, 0, 0)}, {"second click", false, QColor(0, 255, 0)}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_TRUE(waitFor([&] {
            return (w.netWmState().find("_NET_WM_STATE_ABOVE") != std::string::npos) == s.above;
        })) << w.netWmState();
        EXPECT_TRUE(w.window.isVisible());
        EXPECT_EQ(w.window.geometry(), before);
        EXPECT_TRUE(waitFor([&] { return toggle->grab().toImage().pixelColor(toggle->width() / 2, 2) == s.face; }));
    }
}

} // namespace
} // namespace quillon

int main(int argc, char** argv)
{
    // Not skipped when a tool is missing: tools/deps.sh installs them.
    Desktop desktop;
    const std::string missing = desktop.start();
    if (!missing.empty()) {
        std::fprintf(stderr, "window manager test: %s\n", missing.c_str());
        desktop.stop();
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int status = 1;
    {
        QApplication app(argc, argv);
        dialog::qt::applyProgramLook(app);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    desktop.stop();
    return status;
}
