#include "dialog/MessageQueue.h"

#include "dialog/testing/MemorySurface.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace dialog {
namespace {

using testing::MemorySurface;

struct Queue {
    MemorySurface surface;
    MessageQueue queue{"Prog"};
    Queue() { queue.bind(surface); }

    /// The boxes shown so far, "text" or "text/detail", and forgets them.
    std::vector<std::string> takeShown()
    {
        std::vector<std::string> out;
        for (const auto& m : surface.messages)
            out.push_back(m.detail.empty() ? m.text : m.text + "/" + m.detail);
        surface.messages.clear();
        return out;
    }
};

struct Step {
    enum Kind { Report, BeginTick, EndTick, Flush } kind;
    const char* text = "";
    const char* detail = "";
};
Step report(const char* text, const char* detail = "") { return {Step::Report, text, detail}; }
constexpr Step kBegin{Step::BeginTick};
constexpr Step kEnd{Step::EndTick};
constexpr Step kFlush{Step::Flush};

TEST(MessageQueue, BoxesWaitForTheEndOfATickOnceEachInOrder)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::vector<std::string>> shownPerStep;
    };
    const Case cases[] = {
        {"outside a tick at once", {report("a"), report("a")}, {{"a"}, {"a"}}},
        {"inside a tick after the flush, in order",
         {kBegin, report("b"), report("a"), kEnd, kFlush},
         {{}, {}, {}, {}, {"b", "a"}}},
        {"a waiting text is not queued twice",
         {kBegin, report("a"), report("b"), report("a"), kEnd, kFlush},
         {{}, {}, {}, {}, {}, {"a", "b"}}},
        {"the same text with another detail is another box",
         {kBegin, report("a", "x"), report("a", "y"), report("a", "x"), kEnd, kFlush},
         {{}, {}, {}, {}, {}, {"a/x", "a/y"}}},
        {"shown once, a text may come again",
         {kBegin, report("a"), kEnd, kFlush, kBegin, report("a"), kEnd, kFlush},
         {{}, {}, {}, {"a"}, {}, {}, {}, {"a"}}},
        {"a report after the tick shows what the tick left",
         {kBegin, report("a"), kEnd, report("b")},
         {{}, {}, {}, {"a", "b"}}},
        {"a flush inside the tick shows what waits", {kBegin, report("a"), kFlush, kEnd}, {{}, {}, {"a"}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Queue q;
        ASSERT_EQ(c.steps.size(), c.shownPerStep.size());
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            switch (s.kind) {
            case Step::Report: q.queue.report(s.text, MessageIcon::Warning, 0, s.detail); break;
            case Step::BeginTick: q.queue.beginTick(); break;
            case Step::EndTick: q.queue.endTick(); break;
            case Step::Flush: q.queue.flush(); break;
            }
            EXPECT_EQ(q.takeShown(), c.shownPerStep[i]) << "after step " << i;
        }
    }
}

// A tick runs inside an open box's loop: what it reports is shown by that
// loop after the box closes, never on top of it.
TEST(MessageQueue, ReportsWhileABoxIsOpenAreShownAfterItOneAtATime)
{
    struct Case {
        const char* name;
        std::function<void(MessageQueue&)> open; // the first box
        std::vector<std::string> shown;
        MessageAnswer answer;
    };
    const Case cases[] = {
        {"behind a report",
         [](MessageQueue& q) { q.report("first", MessageIcon::Stop); },
         {"first", "tick", "late"},
         MessageAnswer::Ok},
        {"behind a question",
         [](MessageQueue& q) {
             EXPECT_EQ(q.ask("sure?", MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::No);
         },
         {"sure?", "tick", "late"},
         MessageAnswer::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Queue q;
        q.surface.messageAnswers = {c.answer};
        int depth = 0, deepest = 0;
        bool ticked = false;
        q.surface.onMessage = [&](const testing::ShownMessage&) {
            deepest = std::max(deepest, ++depth);
            if (!ticked) {
                ticked = true;
                q.queue.beginTick();
                q.queue.report("tick", MessageIcon::Warning);
                q.queue.report("tick", MessageIcon::Warning);
                q.queue.endTick();
                q.queue.flush();
                q.queue.report("late", MessageIcon::Warning); // a handler behind the box
                EXPECT_TRUE(q.queue.showing());
            }
            --depth;
        };
        c.open(q.queue);
        EXPECT_EQ(q.takeShown(), c.shown);
        EXPECT_EQ(deepest, 1);
        EXPECT_FALSE(q.queue.showing());
    }
}

TEST(MessageQueue, ABoxCarriesTheCaptionAndFocusesItsControlWhenClosed)
{
    Queue q;
    q.queue.report("bad", MessageIcon::Warning, 42, "why");
    ASSERT_EQ(q.surface.messages.size(), 1u);
    EXPECT_EQ(q.surface.messages[0].caption, "Prog");
    EXPECT_EQ(q.surface.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(q.surface.messages[0].detail, "why");
    EXPECT_EQ(q.surface.focused, 42);
}

} // namespace
} // namespace dialog
