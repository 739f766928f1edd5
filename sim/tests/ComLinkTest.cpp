#include "sim/ComLink.h"

#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;
using sim::ComLink;

namespace {

// The folder's links as name -> link target.
std::map<std::string, std::string> linksIn(const fs::path& dir)
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_symlink())
            out[it->path().filename().string()] = fs::read_symlink(it->path()).string();
    return out;
}

TEST(ComLink, TakesAFreeNameAndLeavesTheFolderAsItFoundIt)
{
    const test_support::TempDir tmp("sim-links");
    const std::string present = (tmp / "present").string();
    const std::string missing = (tmp / "missing").string();
    test_support::writeFile(present, "");
    const struct {
        const char* name;
        std::map<std::string, std::string> before;
        const char* adapters; // the adapters file, or none
        int scannedDevices;
        const char* wanted;
        const char* took; // empty: refused
    } cases[] = {
        {"empty folder", {}, nullptr, 0, "", "COM1"},
        {"links and present devices keep their numbers", {{"COM1", present}}, nullptr, 1, "", "COM3"},
        {"a dangling link still pins its name", {{"COM1", missing}}, nullptr, 0, "", "COM2"},
        {"wanted, any case", {}, nullptr, 0, "com4", "COM4"},
        {"wanted but pinned to something present", {{"COM1", present}}, nullptr, 0, "COM1", ""},
        {"wanted, pinned in another spelling", {{"com1", present}}, nullptr, 0, "COM1", ""},
        {"wanted, pinned to nothing present: set aside", {{"COM1", missing}}, nullptr, 0, "COM1", "COM1"},
        {"not a port name", {}, nullptr, 0, "COM0", ""},
        {"a name kept for an unplugged adapter", {}, "COM1 10c4:ea60 serial=0001\n", 0, "", "COM2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = tmp / "ports";
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const auto& [name, target] : c.before)
            fs::create_symlink(target, dir / name);
        if (c.adapters)
            test_support::writeFile(dir / "adapters", c.adapters);
        const auto scanner = [&] { return std::vector<fs::path>(c.scannedDevices, "/dev/null"); };
        if (!*c.took) {
            EXPECT_THROW(ComLink(dir, "/dev/pts/99", c.wanted, scanner), std::runtime_error);
        } else {
            const ComLink link(dir, "/dev/pts/99", c.wanted, scanner);
            EXPECT_EQ(link.name(), c.took);
            EXPECT_EQ(fs::read_symlink(dir / c.took), "/dev/pts/99");
        }
        EXPECT_EQ(linksIn(dir), c.before);
    }
}

TEST(ComLink, LeavesAServerPortsNameAlone)
{
    const test_support::TempDir tmp("sim-links");
    const struct {
        const char* name;
        const char* file; // a remote port's file in the folder
        const char* content;
        const char* wanted;
        const char* took; // empty: refused
    } cases[] = {
        {"free choice passes it", "COM1", "tcp://h:1\n", "", "COM2"},
        {"free choice passes it in another spelling", "com1", "tcp://h:1\n", "", "COM2"},
        {"a malformed one too", "com1", "x\n", "", "COM2"},
        {"wanted by name", "com1", "tcp://h:1\n", "COM1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = tmp / "ports";
        fs::remove_all(dir);
        fs::create_directories(dir);
        test_support::writeFile(dir / c.file, c.content);
        const auto scanner = [] { return std::vector<fs::path>{}; };
        if (!*c.took) {
            EXPECT_THROW(ComLink(dir, "/dev/pts/99", c.wanted, scanner), std::runtime_error);
        } else {
            const ComLink link(dir, "/dev/pts/99", c.wanted, scanner);
            EXPECT_EQ(link.name(), c.took);
        }
        EXPECT_TRUE(fs::is_regular_file(dir / c.file)) << "left as it was";
    }
}

} // namespace
