#include "dialog/qt/TextConvert.h"

#include "dialog/Gbk.h"

#include <gtest/gtest.h>

namespace dialog::qt {
namespace {

TEST(TextConvert, LinesBetweenSurfaceAndWidget)
{
    struct Case {
        const char* name;
        const char* utf8Surface; // converted to GBK first
        const char* widget;
    };
    const Case cases[] = {
        {"crlf", "第一行\r\n第二行", "第一行\n第二行"},
        {"lone cr is a break", "a\rb", "a\nb"},
        {"trailing crlf", "x\r\n", "x\n"},
        {"blank lines", "\r\n\r\n", "\n\n"},
        {"no breaks", "打开串口", "打开串口"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string gbk = dialog::toGbk(c.utf8Surface);
        EXPECT_EQ(fromSurfaceLines(gbk), QString::fromUtf8(c.widget));
    }
}

TEST(TextConvert, WidgetLinesGoBackAsCrLf)
{
    EXPECT_EQ(toSurfaceLines(QStringLiteral("第一行\n第二行\n")), dialog::toGbk("第一行\r\n第二行\r\n"));
    EXPECT_EQ(toSurface(QStringLiteral("状态")), dialog::toGbk("状态"));
    EXPECT_EQ(toSurface(QStringLiteral("状态")).size(), 4u); // two GBK characters, not UTF-8
}

TEST(TextConvert, FilterToNameFilters)
{
    struct Case {
        const char* name;
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"name holds its pattern", "文本文件(*.txt)|*.txt||", {QStringLiteral("文本文件(*.txt)")}},
        {"name holds other patterns", "Text(*.log)|*.txt||", {QStringLiteral("Text(*.log) (*.txt)")}},
        {"two entries", "Text|*.txt|All|*.*||", {QStringLiteral("Text (*.txt)"), QStringLiteral("All (*.*)")}},
        {"several patterns", "Logs|*.log;*.txt||", {QStringLiteral("Logs (*.log *.txt)")}},
        {"no end marker", "Text|*.txt", {QStringLiteral("Text (*.txt)")}},
        {"empty", "", {}},
        {"name without pattern", "Text|*.txt|Orphan", {QStringLiteral("Text (*.txt)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nameFiltersFrom(QString::fromUtf8(c.filter)), c.expected);
    }
}

TEST(TextConvert, DefaultExtension)
{
    struct Case {
        const char* name;
        const char* path;
        const char* ext;
        const char* expected;
    };
    const Case cases[] = {
        {"bare name", "/tmp/log", ".txt", "/tmp/log.txt"},
        {"ext without dot", "/tmp/log", "txt", "/tmp/log.txt"},
        {"has own extension", "/tmp/a.csv", ".txt", "/tmp/a.csv"},
        {"dot only in folder", "/tmp/d.x/log", ".txt", "/tmp/d.x/log.txt"},
        {"no default", "/tmp/log", "", "/tmp/log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(withDefaultExtension(QString::fromUtf8(c.path), QString::fromUtf8(c.ext)),
                  QString::fromUtf8(c.expected));
    }
}

TEST(TextConvert, MnemonicMarkersRemoved)
{
    EXPECT_EQ(withoutMnemonic(QStringLiteral("关于 Quillon(&A)...")), QStringLiteral("关于 Quillon(A)..."));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("A && B")), QStringLiteral("A & B"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("trailing&")), QStringLiteral("trailing"));
}

} // namespace
} // namespace dialog::qt
