#include "dialog/DataExchange.h"
#include "dialog/Gbk.h"
#include "dialog/MessageMap.h"
#include "dialog/testing/MemorySurface.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

using dialog::Binding;
using dialog::DataExchange;
using dialog::parseInteger;
using dialog::testing::MemorySurface;

TEST(ParseInteger, AcceptsOneDecimalIntegerWithBlanksAround)
{
    struct Case {
        const char* name;
        const char* text;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"plain", "1000", 1000},
        {"zero", "0", 0},
        {"leading zeros", "007", 7},
        {"blanks and tabs around", " \t 42\t ", 42},
        {"negative", "-15", -15},
        {"explicit plus", "+15", 15},
        {"zero with sign fails", "-0", std::nullopt},
        {"plus zero fails", "+0", std::nullopt},
        {"blank zero", "  0", 0},
        {"empty", "", std::nullopt},
        {"only blanks", "   ", std::nullopt},
        {"sign only", "-", std::nullopt},
        {"letters after", "12a", std::nullopt},
        {"two numbers", "1 2", std::nullopt},
        {"hex prefix", "0x10", std::nullopt},
        {"line break is not a blank", "5\r\n", std::nullopt},
        {"largest", "2147483647", 2147483647},
        {"smallest", "-2147483648", -2147483647 - 1},
        {"too large", "2147483648", std::nullopt},
        {"far too large", "99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseInteger(c.text), c.expected);
    }
    // Only the first 31 characters are read.
    EXPECT_EQ(parseInteger(std::string(30, ' ') + "7"), 7);
    EXPECT_EQ(parseInteger(std::string(30, ' ') + "78"), 7);
    EXPECT_EQ(parseInteger(std::string(31, ' ') + "7"), std::nullopt);
}

namespace {

struct Fields {
    int position = 0;
    std::string port;
    std::string text;
    int checked = 0;
    int first = 0;
    int second = 0;
    int after = 0;
    bool flag = false;
};

std::vector<Binding> bindingsOf(Fields& f)
{
    return {Binding::control(1),        Binding::position(10, f.position), Binding::selectedText(11, f.port),
            Binding::text(12, f.text),  Binding::integer(13, f.first),     Binding::integer(14, f.second),
            Binding::check(16, f.flag), Binding::check(15, f.after)};
}

MemorySurface surfaceWithLists()
{
    MemorySurface s;
    for (const char* item : {"110", "300", "600"})
        s.insertItem(10, -1, item);
    for (const char* item : {"COM1", "COM2", "COM10", "COM12"})
        s.insertItem(11, -1, item);
    return s;
}

} // namespace

TEST(DataExchange, RoundTripsEveryKindOfBinding)
{
    MemorySurface s = surfaceWithLists();
    Fields f;
    f.position = 2;
    f.port = "com10";
    f.text = dialog::gbk("打开 1 2");
    f.first = -5;
    f.second = 1000;
    f.after = 1;
    f.flag = true;
    auto b = bindingsOf(f);
    DataExchange dx("Quillon");
    dx.toControls(s, b);
    EXPECT_EQ(s.selection(10), 2);
    EXPECT_EQ(s.selectedText(11), "COM10");
    EXPECT_EQ(s.text(13), "-5");
    EXPECT_EQ(s.check(16), 1);
    Fields g;
    auto b2 = bindingsOf(g);
    ASSERT_TRUE(dx.toFields(s, b2));
    EXPECT_EQ(g.position, 2);
    EXPECT_EQ(g.port, "COM10");
    EXPECT_EQ(g.text, f.text);
    EXPECT_EQ(g.first, -5);
    EXPECT_EQ(g.second, 1000);
    EXPECT_EQ(g.after, 1);
    EXPECT_TRUE(g.flag);
    EXPECT_TRUE(s.messages.empty());
}

TEST(DataExchange, ListRulesForPositionsAndNames)
{
    struct Case {
        const char* name;
        int position;
        const char* port;
        int expectedPosition;
        const char* expectedPort;
    };
    // The previous selections are position 1 and "COM2".
    const Case cases[] = {
        {"out of range clears", 7, "COM1", -1, "COM1"},
        {"minus one clears", -1, "COM1", -1, "COM1"},
        {"name begins an item, case ignored", 0, "com1", 0, "COM1"},
        {"prefix takes the first item", 0, "COM1", 0, "COM1"},
        {"unknown name keeps the selection", 0, "COM99", 0, "COM2"},
        {"name longer than the item", 0, "COM123", 0, "COM2"},
        {"empty name begins no item", 0, "", 0, "COM2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySurface s = surfaceWithLists();
        s.select(10, 1);
        s.select(11, 1);
        Fields f;
        f.position = c.position;
        f.port = c.port;
        auto b = bindingsOf(f);
        DataExchange("Quillon").toControls(s, b);
        EXPECT_EQ(s.selection(10), c.expectedPosition);
        EXPECT_EQ(s.selectedText(11), c.expectedPort);
    }
}

TEST(DataExchange, EmptyListSelectionReadsAsMinusOneAndEmptyName)
{
    MemorySurface s = surfaceWithLists();
    s.setText(13, "1");
    s.setText(14, "2");
    Fields f;
    f.position = 5;
    f.port = "COM3";
    auto b = bindingsOf(f);
    ASSERT_TRUE(DataExchange("Quillon").toFields(s, b));
    EXPECT_EQ(f.position, -1);
    EXPECT_EQ(f.port, "");
}

// A tick reads every bound control; while none changed, the exchange
// gives the last read's values without asking them, and what it gives must
// be what a fresh read would.
TEST(DataExchange, ARepeatedReadOfUnchangedControlsAsksThemNothing)
{
    // Counts the exchange's reads, not those the in-memory stamps make.
    struct CountingSurface : MemorySurface {
        mutable int reads = 0;
        mutable bool stamping = false;
        std::string text(int id) const override { return reads += !stamping, MemorySurface::text(id); }
        int check(int id) const override { return reads += !stamping, MemorySurface::check(id); }
        int selection(int id) const override { return reads += !stamping, MemorySurface::selection(id); }
        std::optional<std::uint64_t> changedAt(int id) const override
        {
            stamping = true;
            const auto at = MemorySurface::changedAt(id);
            stamping = false;
            return at;
        }
    };
    struct Case {
        const char* name;
        std::function<void(CountingSurface&, Fields&, std::vector<Binding>&, DataExchange&)> between;
        bool asks;
        bool reads = true;
    };
    const Case cases[] = {
        {"nothing changed", [](auto&...) {}, false},
        {"the program changed fields since",
         [](auto&, Fields& f, auto&...) { f.text = "mine", f.first = 9, f.flag = false; }, false},
        {"an edit changed", [](CountingSurface& s, auto&...) { s.setText(12, "new"); }, true},
        {"the items changed under the selection",
         [](CountingSurface& s, auto&...) {
             s.clearList(11);
             s.insertItem(11, -1, "COM3");
             s.select(11, 0);
         },
         true},
        {"other bindings", [](auto&, Fields& f, std::vector<Binding>& b, auto&) { b.pop_back(), f.after = 5; }, true},
        {"the last read failed",
         [](CountingSurface& s, Fields& f, std::vector<Binding>& b, DataExchange& dx) {
             s.setText(14, "?");
             dx.toFields(s, b);
             s.setText(14, "-3"); // as it was at the good read
             f.second = 0;
         },
         true},
        {"a bad integer is reported again", [](CountingSurface& s, auto&...) { s.setText(14, "?"); }, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingSurface s;
        for (const char* item : {"110", "300", "600"})
            s.insertItem(10, -1, item);
        for (const char* item : {"COM1", "COM2"})
            s.insertItem(11, -1, item);
        s.select(10, 1);
        s.select(11, 1);
        s.setText(12, "text");
        s.setText(13, "7");
        s.setText(14, "-3");
        s.setCheck(15, 1);
        s.setCheck(16, 1);
        Fields f;
        std::vector<Binding> b = bindingsOf(f);
        DataExchange dx("Quillon");
        ASSERT_TRUE(dx.toFields(s, b));
        c.between(s, f, b, dx);
        s.reads = 0;
        const std::size_t shown = s.messages.size();
        EXPECT_EQ(dx.toFields(s, b), c.reads);
        EXPECT_EQ(s.reads > 0, c.asks);
        if (!c.reads) {
            EXPECT_EQ(s.messages.size(), shown + 1);
            EXPECT_FALSE(dx.toFields(s, b)); // and not taken for a good read next time
            EXPECT_EQ(s.messages.size(), shown + 2);
            continue;
        }
        Fields fresh;
        std::vector<Binding> freshBindings = bindingsOf(fresh);
        freshBindings.resize(b.size());
        fresh.after = f.after;
        ASSERT_TRUE(DataExchange("Quillon").toFields(s, freshBindings));
        EXPECT_EQ(std::tie(f.position, f.port, f.text, f.checked, f.first, f.second, f.after, f.flag),
                  std::tie(fresh.position, fresh.port, fresh.text, fresh.checked, fresh.first, fresh.second,
                           fresh.after, fresh.flag));
    }
}

TEST(DataExchange, StopsAtTheFirstBadIntegerWithMessageAndFocus)
{
    MemorySurface s = surfaceWithLists();
    s.setText(12, "typed");
    s.setText(13, "12x");
    s.setText(14, "also bad");
    s.setCheck(15, 1);
    Fields f;
    f.second = 77;
    auto b = bindingsOf(f);
    DataExchange dx("Quillon");
    EXPECT_FALSE(dx.toFields(s, b));
    EXPECT_EQ(f.text, "typed"); // bound before: read
    EXPECT_EQ(f.second, 77);    // bound after: untouched
    EXPECT_EQ(f.after, 0);
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].text, dialog::gbk("请键入一个整数。"));
    EXPECT_EQ(s.messages[0].caption, "Quillon");
    EXPECT_EQ(s.focused, 13);
    ASSERT_TRUE(dx.lastFailure().has_value());
    EXPECT_EQ(dx.lastFailure()->first, 13);
}

TEST(DataExchange, ReportFilterCanSilenceARepeatedFailure)
{
    MemorySurface s = surfaceWithLists();
    s.setText(13, "5");
    s.setText(14, "?");
    Fields f;
    auto b = bindingsOf(f);
    DataExchange dx("Quillon");
    dx.reportFilter = [](int, const std::string&) { return false; };
    EXPECT_FALSE(dx.toFields(s, b));
    EXPECT_TRUE(s.messages.empty());
    EXPECT_EQ(f.first, 5);
}

TEST(DataExchange, ComboTextLimitAndPrefixDisplay)
{
    struct Case {
        const char* name;
        std::string typed;
        bool reads;
    };
    const Case cases[] = {
        {"eleven bytes read", "00 00 00 01", true},
        {"twelve bytes stop the read", "00 00 00 001", false},
        {"empty reads", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySurface s;
        s.controls[20].editable = true;
        s.insertItem(20, -1, "00 00 00 01");
        s.insertItem(20, -1, "FF FF FF FF");
        s.setText(20, c.typed);
        s.setText(21, "after");
        std::string address = "old", after = "old";
        const Binding b[] = {Binding::comboText(20, address, 11), Binding::text(21, after)};
        DataExchange dx("Veltra");
        EXPECT_EQ(dx.toFields(s, b), c.reads);
        EXPECT_EQ(address, c.typed); // stored even when too long
        EXPECT_EQ(after, c.reads ? "after" : "old");
        if (c.reads) {
            EXPECT_TRUE(s.messages.empty());
            continue;
        }
        ASSERT_EQ(s.messages.size(), 1u);
        EXPECT_EQ(s.messages[0].text, dialog::gbk("“请填入不多于11个的字符。”"));
        EXPECT_EQ(s.messages[0].caption, "Veltra");
        EXPECT_EQ(s.focused, 20);
    }

    // Written back: an item it begins (case ignored) is selected, other
    // text shows as typed.
    MemorySurface s;
    s.controls[20].editable = true;
    s.insertItem(20, -1, "00 00 00 01");
    s.insertItem(20, -1, "FF FF FF FF");
    std::string address = "ff ff";
    const Binding b[] = {Binding::comboText(20, address)};
    DataExchange dx("Veltra");
    dx.toControls(s, b);
    EXPECT_EQ(s.selection(20), 1);
    EXPECT_EQ(s.text(20), "FF FF FF FF");
    address = "12 34";
    dx.toControls(s, b);
    EXPECT_EQ(s.text(20), "12 34");
}

namespace {
struct Handlers {
    std::vector<int> calls;
    void a() { calls.push_back(1); }
    void b() { calls.push_back(2); }
};
} // namespace

TEST(MessageMap, RoutesByIdAndNotification)
{
    using dialog::Notification;
    dialog::MessageMap<Handlers> map{{1003, Notification::Clicked, &Handlers::a},
                                     {2040, Notification::SelectionChanged, &Handlers::b}};
    Handlers h;
    EXPECT_TRUE(map.dispatch(h, 1003, Notification::Clicked));
    EXPECT_FALSE(map.dispatch(h, 1003, Notification::SelectionChanged));
    EXPECT_FALSE(map.dispatch(h, 2041, Notification::SelectionChanged));
    EXPECT_TRUE(map.dispatch(h, 2040, Notification::SelectionChanged));
    EXPECT_EQ(h.calls, (std::vector<int>{1, 2}));
}
