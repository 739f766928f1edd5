#include "serial/DeviceWatch.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <functional>

namespace fs = std::filesystem;

namespace serial {
namespace {

using test_support::TempDir;
using test_support::writeFile;

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

// One watch through a folder's life, starting two levels before it exists.
TEST(DeviceWatch, SeesThePortsFolderChange)
{
    const TempDir root("devicewatch");
    const fs::path dir = root / "config" / "comports";
    DeviceWatch watch(dir);
    struct Step {
        const char* name;
        std::function<void()> act;
        bool changed;
    };
    const Step steps[] = {
        {"nothing yet", [] {}, false},
        {"another file beside the parent", [&] { writeFile(root / "other", "x"); }, false},
        {"the parent made", [&] { fs::create_directory(root / "config"); }, false},
        {"the folder made", [&] { fs::create_directory(dir); }, true},
        {"a link added", [&] { fs::create_symlink("/dev/null", dir / "COM3"); }, true},
        {"an editor's swap file", [&] { writeFile(dir / ".adapters.swp", "x"); }, false},
        {"the adapters file edited", [&] { writeFile(dir / "adapters", "COM4 10c4:ea60 serial=1\n"); }, true},
        {"a link pointed elsewhere",
         [&] {
             fs::create_symlink("/dev/zero", dir / "tmp");
             fs::rename(dir / "tmp", dir / "COM3");
         },
         true},
        {"a link removed", [&] { fs::remove(dir / "COM3"); }, true},
        {"the folder removed", [&] { fs::remove_all(dir); }, true},
        {"the folder back with a link in it",
         [&] {
             fs::create_directory(dir);
             fs::create_symlink("/dev/null", dir / "COM1");
         },
         true},
        {"the link in the new folder removed", [&] { fs::remove(dir / "COM1"); }, true},
        {"the folder moved away", [&] { fs::rename(dir, root / "config" / "old"); }, true},
        {"a link in the moved-away folder", [&] { fs::create_symlink("/dev/null", root / "config" / "old" / "COM2"); },
         false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        if (s.changed) {
            EXPECT_TRUE(readable(watch.fd()));
        }
        EXPECT_EQ(watch.drain(), s.changed);
        EXPECT_FALSE(watch.drain()); // all read
    }
}

} // namespace
} // namespace serial
