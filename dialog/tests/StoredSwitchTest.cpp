#include "dialog/StoredSwitch.h"

#include "dialog/FileIo.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dialog {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "auto-reconnect";

TEST(StoredSwitch, OnlyItsOwnLineSetToOneReadsAsOn)
{
    struct Case {
        const char* name;
        const char* content; // nullptr: no file
        bool on;
    };
    const Case cases[] = {
        {"missing file", nullptr, false},
        {"on", "auto-reconnect=1\n", true},
        {"off", "auto-reconnect=0\n", false},
        {"blanks, CR LF, other lines", "x=0\r\n auto-reconnect = 1 \r\n", true},
        {"the last line of the key counts", "auto-reconnect=1\nauto-reconnect=0", false},
        {"malformed value", "auto-reconnect=yes\n", false},
        {"another key", "auto-reconnect-delay=1\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test_support::TempDir dir("switchtest");
        if (c.content) {
            ASSERT_TRUE(test_support::writeFile(dir / "a.conf", c.content));
        }
        EXPECT_EQ(StoredSwitch(0x20, dir / "a.conf", kKey).on(), c.on);
    }
}

TEST(StoredSwitch, WriteSetsItsLineAndKeepsTheOthers)
{
    struct Case {
        const char* name;
        const char* before; // nullptr: no file
        bool on;
        const char* after; // nullptr: the write fails
    };
    const Case cases[] = {
        {"new file", nullptr, true, "auto-reconnect=1\n"},
        {"replaced in place, a duplicate dropped", "a=1\r\nauto-reconnect=1\nb\nauto-reconnect=1\n", false,
         "a=1\r\nauto-reconnect=0\nb\n"},
        {"added after the others", "c=2", true, "c=2\nauto-reconnect=1\n"},
        {"folder that cannot be made", nullptr, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test_support::TempDir dir("switchtest");
        if (!c.after) {
            ASSERT_TRUE(test_support::writeFile(dir / "folder", "a file where the folder should be"));
        }
        const fs::path file = dir / "folder" / "a.conf";
        if (c.before) {
            fs::create_directory(dir / "folder");
            ASSERT_TRUE(test_support::writeFile(file, c.before));
        }
        EXPECT_EQ(static_cast<bool>(writeSwitch(file, kKey, c.on)), c.after == nullptr);
        EXPECT_EQ(readWholeFile(file), c.after ? std::optional<std::string>(c.after) : std::nullopt);
    }
}

} // namespace
} // namespace dialog
