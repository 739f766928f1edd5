#include "VeltraFixture.h"

#include "dialog/FileIo.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

class VeltraSaveTest : public VeltraTest {
protected:
    void TearDown() override
    {
        fs::permissions(dir.path(), fs::perms::owner_all);
        VeltraTest::TearDown();
    }
    TempDir dir{"veltra-save"};
};

TEST_F(VeltraSaveTest, SavesTheAreaAsShown)
{
    struct Case {
        const char* name;
        std::string received;
        int hex;
        std::string old; // content before, "" for no file
        std::string expected;
    };
    const Case cases[] = {
        {"empty area, empty file", "", 0, "", ""},
        {"replaces, never appends", "new", 0, "older and longer", "new"},
        {"hex as pairs of text", "A\r", 1, "", "41 0D "},
        {"a lone CR as received", "a\rb", 0, "", "a\rb"},
    };
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        surface.setCheck(ReceiveHex, c.hex);
        if (!c.received.empty()) {
            peerSends(c.received);
            tick();
        }
        const fs::path file = dir / "veltra.txt";
        fs::remove(file);
        if (!c.old.empty()) {
            ASSERT_FALSE(dialog::writeFileAtomically(file, c.old));
        }
        surface.fileAnswers.emplace_back(dialog::gbkFromPath(file));
        click(Save);
        EXPECT_EQ(dialog::readWholeFile(file).value_or("missing"), c.expected);
        EXPECT_TRUE(surface.messages.empty());
        ASSERT_EQ(surface.fileDialogs.size(), 1u);
        const dialog::FileDialogOptions& options = surface.fileDialogs[0];
        EXPECT_EQ(options.title, gbk("请选择文件存放路径:"));
        EXPECT_EQ(options.filter, "txt files(*.txt)|*.txt||");
        EXPECT_EQ(options.defaultExt, "txt");
        EXPECT_EQ(options.initialName, "veltra.txt");
        EXPECT_TRUE(options.overwritePrompt);
        EXPECT_EQ(options.initialFolder, dialog::gbkFromPath(dir.path()));
        click(ConnectButton);
    }
    fs::current_path(cwd);
}

TEST_F(VeltraSaveTest, CancelWritesNothingAndFailureKeepsTheOldFile)
{
    start();
    click(Save); // cancelled
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // A folder that is not there: reported, nothing made.
    const std::string missing = dialog::gbkFromPath(dir / "no-such-folder" / "v.txt");
    surface.fileAnswers.emplace_back(missing);
    click(Save);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("没有找到 ") + missing + gbk("。"));
    EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Stop);
    EXPECT_EQ(surface.messages[0].caption, "Veltra");
    surface.messages.clear();

    // A link to a full device: the cause is told and the link stays.
    fs::create_symlink("/dev/full", dir / "full.txt");
    const std::string full = dialog::gbkFromPath(dir / "full.txt");
    surface.fileAnswers.emplace_back(full);
    surface.userEdit(ReceiveArea, "received");
    edited(SendArea); // a read of the controls takes the area's text
    click(Save);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("在存取 ") + full + gbk(" 时磁盘已满。"));
    EXPECT_TRUE(fs::is_symlink(dir / "full.txt"));
    fs::remove(dir / "full.txt");
    surface.messages.clear();

    // A disk that fills up while the file is written: the old file stays,
    // and so does what the area shows.
    const fs::path older = dir / "older.txt";
    ASSERT_FALSE(dialog::writeFileAtomically(older, "old"));
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4, limit.rlim_max}; // past it, a write fails with EFBIG
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    surface.fileAnswers.emplace_back(dialog::gbkFromPath(older));
    click(Save);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("在存取 ") + dialog::gbkFromPath(older) + gbk(" 时磁盘已满。"));
    EXPECT_EQ(dialog::readWholeFile(older).value_or(""), "old");
    EXPECT_EQ(dlg().receiveText(), "received");
    fs::remove(older);
    surface.messages.clear();

    const fs::path file = dir / "kept.txt";
    ASSERT_FALSE(dialog::writeFileAtomically(file, "old"));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const std::string path = dialog::gbkFromPath(file);
    surface.fileAnswers.emplace_back(path);
    auto saveIntoTheLockedFolder = [&] {
        click(Save);
        return surface.messages.size() == 1 && surface.messages[0].text == gbk("对 ") + path + gbk(" 的存取被拒绝。") &&
               surface.messages[0].icon == dialog::MessageIcon::Stop;
    };
    if (geteuid() == 0) {
        // Root writes into any folder: save as an ordinary user, in a child.
        EXPECT_EXIT(
            {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    std::_Exit(2);
                std::_Exit(saveIntoTheLockedFolder() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    } else {
        EXPECT_TRUE(saveIntoTheLockedFolder());
    }
    EXPECT_EQ(dialog::readWholeFile(file).value_or(""), "old");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u); // no temporary left behind
}
