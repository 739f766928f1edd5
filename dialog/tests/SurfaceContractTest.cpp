#include "dialog/tests/SurfaceContract.h"

#include "dialog/Gbk.h"

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <map>

namespace dialog::contract {

WindowTemplate sampleWindow()
{
    WindowTemplate layout;
    layout.title = "示例";
    layout.width = 400;
    layout.height = 300;
    layout.menu = {{kPlainEntry, "关于(&A)..."}, {kCheckEntry, "自动重连(&R)", true}};
    auto add = [&](int id, ControlKind kind, const char* caption, Rect r, unsigned styles = 0,
                   const char* accessible = "") {
        ControlTemplate c;
        c.id = id;
        c.kind = kind;
        c.caption = caption;
        c.rect = r;
        c.styles = styles;
        c.accessibleName = accessible;
        layout.controls.push_back(c);
    };
    add(kStaticId, ControlKind::Label, "串口号", {10, 10, 40, 20});
    add(Caption, ControlKind::Label, "状态", {10, 34, 40, 20});
    add(Picture, ControlKind::Picture, "", {60, 34, 13, 13}, style::Disabled);
    add(Edit, ControlKind::Edit, "", {60, 10, 100, 22}, 0, "串口号");
    layout.controls.back().label = 0;
    add(Number, ControlKind::Edit, "", {170, 10, 60, 22}, style::Number, "周期");
    add(Lines, ControlKind::MultiLineEdit, "", {10, 60, 180, 50}, 0, "发送区1");
    add(Rich, ControlKind::RichView, "", {200, 60, 190, 100}, 0, "接收区");
    add(List, ControlKind::DropList, "", {10, 120, 100, 22}, 0, "端口");
    layout.controls.back().items = {"COM1", "COM2", "com3"};
    add(Group, ControlKind::GroupBox, "方式", {10, 150, 180, 90});
    add(Check, ControlKind::CheckBox, "16进制", {20, 170, 80, 20});
    add(RadioA, ControlKind::RadioButton, "定时", {20, 192, 60, 20}, style::Group);
    add(RadioB, ControlKind::RadioButton, "应答", {90, 192, 60, 20});
    add(RadioC, ControlKind::RadioButton, "独立", {20, 214, 60, 20}, style::Group);
    add(Push, ControlKind::Button, "打开串口", {200, 170, 80, 24});
    add(Drawn, ControlKind::OwnerDrawButton, "", {290, 170, 15, 17});
    add(Rule, ControlKind::HorizontalRule, "", {200, 200, 100, 1});
    add(Sunken, ControlKind::Frame, "", {200, 210, 100, 40}, style::Hidden);
    add(Combo, ControlKind::ComboBox, "", {200, 260, 120, 22}, 0, "状态");
    layout.controls.back().label = 1;
    layout.controls.back().items = {"00 00 00 01", "FF FF FF FF"};
    add(Counter, ControlKind::Edit, "0", {330, 10, 60, 22}, style::ReadOnly, "收字节数");
    return layout;
}

namespace {

TEST_P(SurfaceContract, TextIsGbkAsSetForEveryKind)
{
    struct Case {
        const char* name;
        int id;
        const char* utf8;
    };
    const Case cases[] = {
        {"label", Caption, "端口"},
        {"edit", Edit, "打开串口"},
        {"edit emptied", Edit, ""},
        {"read-only edit", Counter, "1024"},
        {"combo box", Combo, "地址"},
        {"multi-line CR LF", Lines, "第一行\r\n第二行"},
        {"multi-line trailing break", Lines, "01 02\r\n"},
        {"rich view", Rich, "收\r\n发"},
        {"check box", Check, "16进制"},
        {"radio", RadioB, "应答"},
        {"group box", Group, "轮发"},
        {"button", Push, "关闭串口"},
        {"owner-drawn button", Drawn, "置顶"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(c.id, gbk(c.utf8));
        EXPECT_EQ(s.text(c.id), gbk(c.utf8));
    }
}

TEST_P(SurfaceContract, TextStartsAsTheTableHasIt)
{
    const std::pair<int, const char*> cases[] = {
        {Caption, "状态"}, {Push, "打开串口"}, {Check, "16进制"}, {Group, "方式"},
        {Edit, ""},        {Lines, ""},        {Rich, ""},        {List, ""}, // nothing selected
        {Combo, ""},       {9999, ""},                                        // an id the table lacks
    };
    auto t = make();
    for (const auto& [id, utf8] : cases)
        EXPECT_EQ(t->surface().text(id), gbk(utf8)) << id;
}

TEST_P(SurfaceContract, ChecksAndRadios)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> set; // id, state, in order
        std::vector<std::pair<int, int>> expected;
    };
    const Case cases[] = {
        {"unchecked at the start", {}, {{Check, 0}, {RadioA, 0}, {RadioB, 0}, {RadioC, 0}, {9999, 0}}},
        {"check box", {{Check, 1}}, {{Check, 1}}},
        {"indeterminate", {{Check, 2}}, {{Check, 2}}},
        {"check box cleared", {{Check, 1}, {Check, 0}}, {{Check, 0}}},
        {"radio", {{RadioB, 1}}, {{RadioA, 0}, {RadioB, 1}}},
        {"the program clears the checked radio", {{RadioB, 1}, {RadioB, 0}}, {{RadioB, 0}}},
        {"radios of two groups", {{RadioA, 1}, {RadioC, 1}}, {{RadioA, 1}, {RadioC, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        for (const auto& [id, state] : c.set)
            s.setCheck(id, state);
        for (const auto& [id, state] : c.expected)
            EXPECT_EQ(s.check(id), state) << id;
    }
}

TEST_P(SurfaceContract, EnabledAndShown)
{
    struct Case {
        const char* name;
        int id;
        std::function<void(ControlSurface&, int)> act;
        bool enabled;
        bool shown;
    };
    const auto nothing = [](ControlSurface&, int) {};
    const Case cases[] = {
        {"as the table has it", Push, nothing, true, true},
        {"disabled by the table", Picture, nothing, false, true},
        {"hidden by the table", Sunken, nothing, true, false},
        {"disabled", Push, [](ControlSurface& s, int id) { s.enable(id, false); }, false, true},
        {"enabled again", Picture, [](ControlSurface& s, int id) { s.enable(id, true); }, true, true},
        {"hidden", Lines, [](ControlSurface& s, int id) { s.show(id, false); }, true, false},
        {"shown again", Sunken, [](ControlSurface& s, int id) { s.show(id, true); }, true, true},
        {"an id the table lacks", 9999, nothing, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        c.act(s, c.id);
        EXPECT_EQ(s.isEnabled(c.id), c.enabled);
        EXPECT_EQ(s.isShown(c.id), c.shown);
    }
}

// The table's items are COM1, COM2, com3; COM2 is selected first.
TEST_P(SurfaceContract, InsertedItemsGoWhereAskedAndTheSelectionStaysOnItsItem)
{
    struct Case {
        const char* name;
        int pos;
        int at;        // where it went, as returned
        int selection; // COM2's position after it
    };
    const Case cases[] = {
        {"at the front", 0, 0, 2}, {"before the selection", 1, 1, 2}, {"after the selection", 2, 2, 1},
        {"at the end", 3, 3, 1},   {"-1: at the end", -1, 3, 1},      {"past the end: at the end", 42, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.select(List, 1);
        EXPECT_EQ(s.insertItem(List, c.pos, gbk("新")), c.at);
        EXPECT_EQ(s.itemCount(List), 4);
        EXPECT_EQ(s.itemText(List, c.at), gbk("新"));
        EXPECT_EQ(s.itemText(List, 4), "");
        EXPECT_EQ(s.itemText(List, -1), "");
        EXPECT_EQ(s.selection(List), c.selection);
        EXPECT_EQ(s.text(List), "COM2");
    }
}

TEST_P(SurfaceContract, InsertingSelectsNothingAndKeepsWhatWasTyped)
{
    for (int id : {List, Combo}) {
        SCOPED_TRACE(id);
        auto t = make();
        ControlSurface& s = t->surface();
        s.clearList(id);
        EXPECT_EQ(s.itemCount(id), 0);
        EXPECT_EQ(s.selection(id), -1);
        if (id == Combo)
            s.setText(id, "12 34");
        s.insertItem(id, -1, "COM1");
        s.insertItem(id, 0, "COM0");
        EXPECT_EQ(s.selection(id), -1);
        EXPECT_EQ(s.text(id), id == Combo ? "12 34" : "");
    }
}

TEST_P(SurfaceContract, SelectionOutsideTheListClearsIt)
{
    struct Case {
        const char* name;
        int id;
        int pos;
    };
    const Case cases[] = {
        {"list, -1", List, -1},       {"list, just past the end", List, 3},  {"list, far past", List, 99},
        {"combo box, -1", Combo, -1}, {"combo box, past the end", Combo, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.select(c.id, 1);
        ASSERT_EQ(s.selection(c.id), 1);
        EXPECT_EQ(s.text(c.id), s.itemText(c.id, 1)); // a combo box's edit shows the item
        s.select(c.id, c.pos);
        EXPECT_EQ(s.selection(c.id), -1);
        EXPECT_EQ(s.selectedText(c.id), "");
        EXPECT_EQ(s.text(c.id), ""); // a combo box's edit empties too
    }
}

TEST_P(SurfaceContract, ClearingAComboBoxEmptiesItsEdit)
{
    auto t = make();
    ControlSurface& s = t->surface();
    s.setText(Combo, "12 34");
    s.clearList(Combo);
    EXPECT_EQ(s.itemCount(Combo), 0);
    EXPECT_EQ(s.text(Combo), "");
    s.insertItem(Combo, 0, "x");
    s.select(Combo, 0);
    s.clearList(Combo);
    EXPECT_EQ(s.text(Combo), "") << "selected";
}

// Only single-byte letters fold: a trail byte in 0x40..0x7E looks like an
// ASCII letter.
TEST_P(SurfaceContract, SelectPrefixFoldsOnlyAsciiLetters)
{
    struct Case {
        const char* name;
        std::string prefix;
        int selected; // -1: none begins with it, the selection stays
    };
    const Case cases[] = {
        {"ASCII, case ignored", "com3", 2},
        {"double-byte", "\x81\x61", 0},
        {"double-byte differing only in its trail byte's case", "\x81\x41", 1},
        {"double-byte then ASCII of the other case",
         "\x81\x41"
         "A",
         1},
        {"half a character", "\x81", 0},
        {"nothing begins with it", "\x82\x61", -1},
        {"empty", "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.clearList(List);
        for (const char* item : {"\x81\x61",
                                 "\x81\x41"
                                 "a",
                                 "COM3"})
            s.insertItem(List, -1, item);
        EXPECT_EQ(s.selectPrefix(List, c.prefix), c.selected >= 0);
        EXPECT_EQ(s.selection(List), c.selected);
        s.select(List, 2);
        if (c.selected < 0) {
            EXPECT_FALSE(s.selectPrefix(List, c.prefix));
            EXPECT_EQ(s.selection(List), 2); // a failed prefix leaves the selection
        }
    }
}

TEST_P(SurfaceContract, AppendTextShowsWhatSetTextWould)
{
    struct Case {
        const char* name;
        int id;
        std::string set;
        std::vector<std::string> pieces;
        std::string whole;
    };
    const Case cases[] = {
        {"edit", Edit, "", {"41 ", "0D"}, "41 0D"},
        {"edit after its text", Edit, "COM", {"5"}, "COM5"},
        {"combo box", Combo, "01", {" 02"}, "01 02"},
        {"multi-line pieces", Lines, "", {"41 ", "0D ", "42"}, "41 0D 42"},
        {"CR LF split across appends", Lines, "", {"ab\r", "\ncd"}, "ab\r\ncd"},
        {"CR LF split between set and append", Lines, "ab\r", {"\ncd"}, "ab\r\ncd"},
        {"double-byte", Lines, "", {"\xD6\xD0", "\xCE\xC4\r\n"}, "\xD6\xD0\xCE\xC4\r\n"},
        {"nothing appended", Lines, "x", {""}, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(c.id, c.set);
        for (const std::string& p : c.pieces)
            s.appendText(c.id, p);
        EXPECT_EQ(s.text(c.id), c.whole);
    }
}

TEST_P(SurfaceContract, SetTextReplacesWhatWasAppended)
{
    const auto rich = [](ControlSurface& s, int id) { s.appendRich(id, "tail", {255, 0, 0}); };
    const auto plain = [](ControlSurface& s, int id) { s.appendText(id, "tail"); };
    const std::pair<int, std::function<void(ControlSurface&, int)>> cases[] = {
        {Rich, rich}, {Lines, plain}, {Edit, plain}};
    for (const auto& [id, append] : cases) {
        SCOPED_TRACE(id);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(id, "head");
        append(s, id);
        s.setText(id, gbk("新"));
        EXPECT_EQ(s.text(id), gbk("新"));
    }
}

// Modified: the user changed the text since the program last set or
// appended to it, or cleared the flag.
TEST_P(SurfaceContract, ModifiedMeansChangedByTheUserSinceTheProgramLastWrote)
{
    enum Step { Type, Set, Append, Clear, Mark };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool modified;
    };
    const Case cases[] = {
        {"untouched", {}, false},
        {"typed", {Type}, true},
        {"set, then typed", {Set, Type}, true},
        {"typed, then set", {Type, Set}, false},
        {"typed, then appended to", {Type, Append}, false},
        {"appended to, then typed", {Append, Type}, true},
        {"typed, then cleared", {Type, Clear}, false},
        {"marked by the program", {Mark}, true},
    };
    for (int id : {Edit, Combo, Lines}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(id) + ": " + c.name);
            auto t = make();
            ControlSurface& s = t->surface();
            for (Step step : c.steps) {
                switch (step) {
                case Type: t->userTypes(id, "b"); break;
                case Set: s.setText(id, "a"); break;
                case Append: s.appendText(id, "c"); break;
                case Clear: s.setModified(id, false); break;
                case Mark: s.setModified(id, true); break;
                }
            }
            EXPECT_EQ(s.isModified(id), c.modified);
        }
    }
}

// A program that shows what it received keeps it only in the view: the
// revert gives back the text of the program's last write, whatever the
// user did since and whether a handler cleared the flag.
TEST_P(SurfaceContract, RevertPutsBackTheProgramsLastWrite)
{
    enum Step { Type, Clear, Append };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool userTextStays; // the program wrote after the user's change
    };
    const Case cases[] = {
        {"typed", {Type}, false},
        {"typed, taken in, typed again", {Type, Clear, Type}, false},
        {"typed, then appended to", {Type, Append}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(Rich, gbk("收到\r\n"));
        for (Step step : c.steps) {
            switch (step) {
            case Type: t->userTypes(Rich, "k"); break;
            case Clear: s.setModified(Rich, false); break;
            case Append: s.appendText(Rich, "z"); break;
            }
        }
        const std::string before = s.text(Rich);
        EXPECT_NE(before, gbk("收到\r\n")) << "the user changed nothing";
        s.revertUserEdits(Rich);
        EXPECT_EQ(s.text(Rich), c.userTextStays ? before : gbk("收到\r\n"));
        EXPECT_FALSE(s.isModified(Rich));
    }
}

// Byte offsets into the GBK text: a double-byte character and a CR LF
// count two each. An append leaves the caret where it was, or at the end
// when it was at the end.
TEST_P(SurfaceContract, SelectionStartIsAByteOffset)
{
    constexpr int kEnd = -1; // moveCaretToEnd
    struct Case {
        const char* name;
        int id;
        const char* utf8;
        int caret;
        int expected;
    };
    const Case cases[] = {
        {"edit, at the end", Edit, "中a", kEnd, 3},
        {"edit, after a double-byte character", Edit, "中a", 2, 2},
        {"edit, at the start", Edit, "中a", 0, 0},
        {"combo box, at the end", Combo, "地址1", kEnd, 5},
        {"combo box, inside", Combo, "地址1", 2, 2},
        {"multi-line, at the end", Lines, "中a\r\n", kEnd, 5},
        {"multi-line, before the break", Lines, "中a\r\nb", 3, 3},
        {"multi-line, after the break", Lines, "中a\r\nb", 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(c.id, gbk(c.utf8));
        if (c.caret == kEnd)
            s.moveCaretToEnd(c.id);
        else
            t->userPlacesCaret(c.id, c.caret);
        EXPECT_EQ(s.selectionStart(c.id), c.expected);
        s.appendText(c.id, "!");
        EXPECT_EQ(s.selectionStart(c.id), c.caret == kEnd ? c.expected + 1 : c.expected);
    }
}

// What the views hold: lines (an empty view has one) and characters (a
// paragraph break and a double-byte character count one each).
TEST_P(SurfaceContract, ViewsCountLinesAndCharacters)
{
    struct Case {
        const char* name;
        int id;
        std::string set;
        std::vector<std::string> appended; // appendRich or appendText
        int lines;
        int length; // rich view only; -1: not asked
    };
    // clang-format off
    const Case cases[] = {
        {"empty rich view", Rich, "", {}, 1, 0},
        {"empty multi-line edit", Lines, "", {}, 1, -1},
        {"rich view, set and appended", Rich, "a\r\nb", {"\r\nc"}, 3, 5},
        {"rich view, double-byte", Rich, "", {"\xD6\xD0" "a"}, 1, 2},
        {"rich view, CR LF in one append", Rich, "abc", {gbk("收到"), gbk("\r\n发送")}, 2, 8},
        {"multi-line edit, set and appended", Lines, "a\r\nb", {"\r\nc"}, 3, -1},
        {"multi-line edit, CR LF split across appends", Lines, "a\r", {"\nb"}, 2, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setText(c.id, c.set);
        std::string whole = c.set;
        for (const std::string& a : c.appended) {
            if (c.id == Rich)
                s.appendRich(c.id, a, {255, 0, 0});
            else
                s.appendText(c.id, a);
            whole += a;
        }
        EXPECT_EQ(s.text(c.id), whole);
        EXPECT_EQ(s.lineCount(c.id), c.lines);
        if (c.length >= 0) {
            EXPECT_EQ(s.textLength(c.id), c.length);
        }
    }
}

// What can be seen without waiting for a tick.
TEST_P(SurfaceContract, TimersStartStopAndWaitForTheirDescriptor)
{
    enum Step { Start, Stop, Pause };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool ticking;
    };
    const Case cases[] = {
        {"never started", {}, false},
        {"started", {Start}, true},
        {"stopped", {Start, Stop}, false},
        {"waiting for a quiet descriptor", {Start, Pause}, false},
        {"a start ends the wait", {Start, Pause, Start}, true},
        {"stopped while waiting", {Start, Pause, Stop}, false},
        {"stopped while waiting, then started", {Start, Pause, Stop, Start}, true},
        {"a stopped timer does not wait", {Start, Stop, Pause}, false},
        {"a wait before the start is forgotten", {Pause, Start}, true},
    };
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.startTimer(2, 1000); // another timer, untouched by what timer 1 does
        for (Step step : c.steps) {
            switch (step) {
            case Start: s.startTimer(1, 1000); break;
            case Stop: s.stopTimer(1); break;
            case Pause: s.pauseTimerUntilReadable(1, fds[0]); break;
            }
        }
        EXPECT_EQ(t->ticking(1), c.ticking);
        EXPECT_TRUE(t->ticking(2));
        s.stopTimer(1); // no wait outlives the descriptor
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_P(SurfaceContract, ProgramChangesRaiseNoNotification)
{
    auto t = make();
    ControlSurface& s = t->surface();
    for (int id : {Caption, Edit, Number, Lines, Rich, Combo, Check, RadioA, Group, Push, Drawn})
        s.setText(id, gbk("文字\r\n"));
    s.appendText(Edit, "1");
    s.appendText(Lines, "2\r\n");
    s.appendText(Combo, "3");
    s.appendRich(Rich, gbk("01 02 "), {255, 0, 0});
    s.setText(Rich, gbk("   "));
    s.select(List, 1);
    s.select(Combo, 1);
    s.insertItem(List, 0, gbk("COM9"));
    s.insertItem(Combo, -1, gbk("00"));
    s.selectPrefix(List, "com3");
    s.clearList(List);
    s.clearList(Combo);
    s.setCheck(Check, 1);
    s.setCheck(Check, 2);
    s.setCheck(RadioA, 1);
    s.setCheck(RadioB, 1);
    s.setCheck(RadioB, 0);
    s.setModified(Lines, true);
    s.moveCaretToEnd(Lines);
    s.scrollToEnd(Rich);
    EXPECT_EQ(s.text(Lines), gbk("文字\r\n2\r\n")); // every append went in
    EXPECT_EQ(t->notifications(), (std::vector<std::pair<int, Notification>>{}));
}

TEST_P(SurfaceContract, EveryChangeAReadCanSeeMovesTheControlsChangeStamp)
{
    // The reads of controls whose stamp stays are taken as unchanged: a
    // change that does not move it leaves the program acting on old values.
    struct Case {
        const char* name;
        int id;
        std::function<void(SurfaceUnderTest&)> change; // empty: reads only, which move nothing
    };
    const Case cases[] = {
        {"edit set", Edit, [](SurfaceUnderTest& t) { t.surface().setText(Edit, "COM9"); }},
        {"edit appended", Edit, [](SurfaceUnderTest& t) { t.surface().appendText(Edit, "1"); }},
        {"edit typed", Edit, [](SurfaceUnderTest& t) { t.userTypes(Edit, "9"); }},
        {"read-only edit set", Counter, [](SurfaceUnderTest& t) { t.surface().setText(Counter, "1024"); }},
        {"multi-line appended", Lines, [](SurfaceUnderTest& t) { t.surface().appendText(Lines, "01\r\n"); }},
        {"multi-line typed", Lines, [](SurfaceUnderTest& t) { t.userTypes(Lines, "ab"); }},
        {"list selected", List, [](SurfaceUnderTest& t) { t.surface().select(List, 2); }},
        {"list item inserted", List, [](SurfaceUnderTest& t) { t.surface().insertItem(List, 0, "COM0"); }},
        {"list emptied", List, [](SurfaceUnderTest& t) { t.surface().clearList(List); }},
        {"combo box typed", Combo, [](SurfaceUnderTest& t) { t.userTypes(Combo, "01"); }},
        {"combo box set", Combo, [](SurfaceUnderTest& t) { t.surface().setText(Combo, "02"); }},
        {"check box indeterminate", Check, [](SurfaceUnderTest& t) { t.surface().setCheck(Check, 2); }},
        {"radio", RadioA, [](SurfaceUnderTest& t) { t.surface().setCheck(RadioA, 1); }},
        {"button caption", Push, [](SurfaceUnderTest& t) { t.surface().setText(Push, "关闭"); }},
        {"label", Caption, [](SurfaceUnderTest& t) { t.surface().setText(Caption, "OK"); }},
        {"reads only", Edit, {}},
    };
    const int watched[] = {Caption, Edit, Number, Lines, List, Check, RadioA, RadioB, Push, Combo, Counter};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = make();
        ControlSurface& s = t->surface();
        s.setCheck(Check, 1);
        s.select(List, 0);
        std::map<int, std::uint64_t> before;
        for (int id : watched) {
            ASSERT_TRUE(s.changedAt(id).has_value()) << id;
            before[id] = *s.changedAt(id);
        }
        for (int id : watched) {
            s.text(id);
            s.check(id);
            s.selectedText(id);
            s.itemCount(id);
        }
        if (c.change)
            c.change(*t);
        for (int id : watched) {
            if (id == c.id && c.change) {
                EXPECT_GT(*s.changedAt(id), before[id]) << id;
            } else if (id != c.id) {
                EXPECT_EQ(*s.changedAt(id), before[id]) << id;
            }
        }
    }
}

} // namespace
// The logic alone decides a menu entry's check mark; a plain entry shows
// none.
TEST_P(SurfaceContract, MenuChecksAreWhatTheLogicLastSet)
{
    const struct {
        const char* name;
        std::vector<std::pair<int, bool>> set; // setMenuCheck calls, in order
        bool checked;
    } cases[] = {
        {"starts unchecked", {}, false},
        {"set and cleared", {{kCheckEntry, true}, {kCheckEntry, false}}, false},
        {"other commands change nothing", {{kCheckEntry, true}, {kPlainEntry, false}, {48, false}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = make();
        for (const auto& [command, on] : c.set)
            w->surface().setMenuCheck(command, on);
        EXPECT_EQ(w->menuCheck(kCheckEntry), c.checked);
        EXPECT_EQ(w->menuCheck(kPlainEntry), std::nullopt);
    }
}

} // namespace dialog::contract
