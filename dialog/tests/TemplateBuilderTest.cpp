// Which label names which control as a template is written.
#include "dialog/TemplateBuilder.h"

#include <gtest/gtest.h>

namespace dialog {
namespace {

TEST(TemplateBuilder, ALabelNamesTheNextFieldOnItsRow)
{
    WindowTemplate layout;
    TemplateBuilder b(layout);
    b.label("端口号", {10, 10, 40, 22});   // 0
    b.list(1, {60, 10, 100, 22});          // 1: its field
    b.edit(2, {170, 10, 60, 22});          // 2: the label is spent
    b.label("周期", {10, 40, 40, 22});     // 3
    b.button(3, "发送", {60, 40, 40, 22}); // 4
    b.edit(4, {110, 40, 60, 22});          // 5: a button between is fine
    b.label("毫秒", {180, 40, 30, 22});    // 6
    b.edit(5, {10, 80, 100, 22});          // 7: another row
    b.nameNext("发送区");
    b.add(6, ControlKind::MultiLineEdit, "", {60, 10, 100, 60}); // 8: named by hand
    b.label("状态", {10, 110, 30, 22});                          // 9
    b.add(7, ControlKind::Picture, "", {44, 114, 13, 13});       // 10
    b.label("接收", {10, 140, 30, 22});                          // 11
    b.nameNext("接收区");
    b.add(8, ControlKind::RichView, "", {44, 140, 100, 22}); // 12: the given name wins

    const std::pair<const char*, int> expected[] = {
        {"", -1}, {"端口号", 0},  {"", -1}, {"", -1},    {"", -1}, {"周期", 3},    {"", -1},
        {"", -1}, {"发送区", -1}, {"", -1}, {"状态", 9}, {"", -1}, {"接收区", -1},
    };
    ASSERT_EQ(layout.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(layout.controls[i].accessibleName, expected[i].first);
        EXPECT_EQ(layout.controls[i].label, expected[i].second);
    }
}

} // namespace
} // namespace dialog
