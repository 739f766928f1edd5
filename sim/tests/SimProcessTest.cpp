// The real serial-sim program, as a user's program meets it: the COM link
// it makes, the line behind it, and the link gone when it is stopped.

#include "testing/Process.h"

#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(SerialSim, EchoesOnItsLinkAndRemovesItWhenStopped)
{
    const test_support::TempDir home("sim-home");
    test_support::Process::Options options;
    options.readOutput = true;
    options.env = {"XDG_CONFIG_HOME=" + home.path().string()};
    test_support::Process echo({SERIAL_SIM, "echo"}, options);
    const std::string said = echo.readLine().value_or(""); // "COM1 -> /dev/pts/7"
    const auto arrow = said.find(" -> ");
    ASSERT_NE(arrow, std::string::npos) << said;
    const fs::path link = home / "comports" / said.substr(0, arrow);
    EXPECT_EQ(fs::read_symlink(link), said.substr(arrow + 4));

    // The same name again is refused while the first one holds it.
    test_support::Process second({SERIAL_SIM, "--name", said.substr(0, arrow), "echo"}, options);
    EXPECT_EQ(second.readLine(), std::nullopt);
    EXPECT_EQ(second.stop(), 1);

    // Opened twice, as a program opens and closes its port.
    for (int open = 0; open < 2; ++open) {
        SCOPED_TRACE(open);
        const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        const std::string sent("hi\0\xFF\r\n", 6);
        ASSERT_EQ(::write(fd, sent.data(), sent.size()), 6);
        std::string back;
        char buf[64];
        while (back.size() < sent.size() && test_support::waitReadable(fd)) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            back.append(buf, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(back, sent);
        ::close(fd);
    }

    EXPECT_EQ(echo.stop(), 0); // SIGTERM is a clean stop
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

} // namespace
