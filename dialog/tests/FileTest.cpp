#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
fs::path makeTempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "dialogtest.XXXXXX").string();
    return fs::path(mkdtemp(tmpl.data()));
}
} // namespace

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
    const fs::path dir = makeTempDir();
    const fs::path file = dir / "set.log";
    ASSERT_FALSE(dialog::writeFileAtomically(file, "old\r\n"));
    ASSERT_FALSE(dialog::writeFileAtomically(file, "new content\r\n"));
    EXPECT_EQ(dialog::readWholeFile(file).value_or("?"), "new content\r\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1);
    fs::remove_all(dir);
}

TEST(FileIo, FailedWriteReportsTheCauseAndKeepsTheOldFile)
{
    const fs::path dir = makeTempDir();
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
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1);
    fs::remove_all(dir);
}
