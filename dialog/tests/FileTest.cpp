#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

TEST(FileErrors, MessagesNameTheCauseAndThePath)
{
    struct Case {
        const char* name;
        int err;
        const char* expected;
    };
    const Case cases[] = {
        {"missing", ENOENT, "没有找到 /x/设置.log。"},
        {"bad path", ENOTDIR, "/x/设置.log 中包含无效的路径。"},
        {"denied", EACCES, "对 /x/设置.log 的存取被拒绝。"},
        {"read-only file system", EROFS, "对 /x/设置.log 的存取被拒绝。"},
        {"disk full", ENOSPC, "在存取 /x/设置.log 时磁盘已满。"},
        {"too many files", EMFILE, "无法打开 /x/设置.log 因为太多文件已被打开。"},
        {"hardware", EIO, "在存取 /x/设置.log 时一个硬件输入/输出错误被报告。"},
        {"unknown", EXDEV, "在对 /x/设置.log 进行访问时发生了一个不明错误。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dialog::fromGbk(dialog::fileErrorMessage(std::error_code(c.err, std::generic_category()),
                                                           dialog::gbk("/x/设置.log"))),
                  c.expected);
    }
}

TEST(FileIo, AtomicWriteReplacesWholeFileAndLeavesNoTemporary)
{
    const test_support::TempDir dir("dialogtest");
    const fs::path file = dir / "set.log";
    ASSERT_FALSE(dialog::writeFileAtomically(file, "old\r\n"));
    ASSERT_FALSE(dialog::writeFileAtomically(file, "new content\r\n"));
    EXPECT_EQ(dialog::readWholeFile(file).value_or("?"), "new content\r\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(FileIo, FailedWriteReportsTheCauseAndKeepsTheOldFile)
{
    const test_support::TempDir dir("dialogtest");
    // A directory where the file should be: the rename cannot replace it.
    const fs::path blocked = dir / "data.log";
    fs::create_directory(blocked);
    fs::create_directory(blocked / "keep");
    std::error_code ec = dialog::writeFileAtomically(blocked, "x");
    EXPECT_TRUE(ec);
    EXPECT_TRUE(fs::is_directory(blocked / "keep"));
    // A folder that does not exist.
    ec = dialog::writeFileAtomically(dir / "missing" / "set.log", "x");
    EXPECT_EQ(ec.value(), ENOENT);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(FileIo, LinksAreWrittenThroughAndKept)
{
    const test_support::TempDir d("dialogtest");
    fs::create_directory(d / "sub");
    for (const char* name : {"t", "sub/t", "h"})
        ASSERT_FALSE(dialog::writeFileAtomically(d / name, "old"));
    fs::create_symlink("t", d / "link");
    fs::create_symlink("sub/t", d / "l2");
    fs::create_symlink(d / "l2", d / "chain");
    fs::create_symlink("new.txt", d / "dangling");
    fs::create_hard_link(d / "h", d / "h2");
    fs::create_symlink("/dev/full", d / "full");
    struct Case {
        const char* name;
        const char* written;
        const char* readBack; // another name that must show the new text
    };
    const Case cases[] = {
        {"link", "link", "t"},
        {"chain of links", "chain", "sub/t"},
        {"dangling link makes its file", "dangling", "new.txt"},
        {"second hard link", "h", "h2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(dialog::writeFileAtomically(d / c.written, c.name));
        EXPECT_EQ(dialog::readWholeFile(d / c.readBack).value_or("?"), c.name);
    }
    // A device is written in place, and its failure told.
    EXPECT_EQ(dialog::writeFileAtomically(d / "full", "x").value(), ENOSPC);
    for (const char* name : {"link", "l2", "chain", "dangling", "full"})
        EXPECT_TRUE(fs::is_symlink(d / name)) << name;
    for (const auto& e : fs::recursive_directory_iterator(d.path()))
        EXPECT_NE(e.path().filename().string().front(), '.') << "temporary left: " << e.path();
}
