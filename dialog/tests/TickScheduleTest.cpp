// The tick schedule and the paint pacing on a fake clock: what ticks when,
// what is shown when.

#include "dialog/FramePacer.h"
#include "dialog/TickScheduler.h"
#include "dialog/testing/FakeClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace dialog {
namespace {

using testing::FakeClock;

// Runs the schedule's timers on the fake clock, as the window's would,
// and records the ticks as "id@ms".
class Ticks : public TickScheduler::Carrier {
public:
    void startBeat(int, int) override {}
    void stopBeat(int) override {}
    void startCatchUp(int, int) override {}
    void stopCatchUp(int) override {}
    void watch(int id, int) override { watched.insert(id); }
    void unwatch(int id) override { watched.erase(id); }
    void tick(int id) override
    {
        log.push_back(std::to_string(id) + "@" + std::to_string(clock.ms));
        if (onTick)
            onTick(id);
    }
    void served(std::optional<int>) override {}

    void runUntil(std::int64_t ms)
    {
        while (const auto due = schedule.nextDue()) {
            if (due->atNs > ms * 1000000)
                break;
            clock.ms = due->atNs / 1000000;
            schedule.fire(*due);
        }
        clock.ms = std::max(clock.ms, ms);
    }

    FakeClock clock;
    TickScheduler schedule{clock, *this};
    std::vector<std::string> log;
    std::set<int> watched;
    std::function<void(int)> onTick;
};

using Log = std::vector<std::string>;

TEST(TickScheduler, TimersTickOnTheirSchedule)
{
    // Steps: s<id>:<ms> start, x<id> stop, p<id> pause, r<id> readable, all
    // at the current time; w<ms> runs the timers until then.
    struct Case {
        const char* name;
        std::vector<std::string> steps;
        Log ticks;
    };
    const Case cases[] = {
        {"a beat every period", {"s1:10", "w35"}, {"1@10", "1@20", "1@30"}},
        {"a second timer takes the first's beat",
         {"s1:10", "w12", "s2:10", "w40"},
         {"1@10", "1@20", "1@30", "2@30", "1@40", "2@40"}},
        {"another period keeps its own beat", {"s1:10", "w12", "s2:15", "w30"}, {"1@10", "1@20", "2@27", "1@30"}},
        {"a stopped timer stays quiet", {"s1:10", "w15", "x1", "w50"}, {"1@10"}},
        {"a paused timer rests", {"s1:10", "w10", "p1", "w100"}, {"1@10"}},
        {"a late wake ticks at once", {"s1:10", "w10", "p1", "w50", "r1", "w65"}, {"1@10", "1@50", "1@60"}},
        {"an early wake catches up the rest of the period",
         {"s1:10", "w10", "p1", "w13", "r1", "w30"},
         {"1@10", "1@20", "1@30"}},
        {"a wake before any tick ticks at once", {"s1:10", "p1", "w4", "r1", "w14"}, {"1@4", "1@14"}},
        {"a wake brings the others of its period onto its beat",
         {"s1:10", "s2:10", "w10", "p1", "w13", "r1", "w30"},
         {"1@10", "2@10", "1@20", "2@20", "1@30", "2@30"}},
        {"a start ends the wait", {"s1:10", "w10", "p1", "w15", "s1:10", "w25"}, {"1@10", "1@25"}},
        {"a stop ends the wait: the port wakes nothing", {"s1:10", "w10", "p1", "x1", "r1", "w50"}, {"1@10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ticks t;
        for (const std::string& step : c.steps) {
            const int id = step[1] - '0';
            switch (step[0]) {
            case 's': t.schedule.start(id, std::stoi(step.substr(3))); break;
            case 'x': t.schedule.stop(id); break;
            case 'p': t.schedule.pauseUntilReadable(id, 5); break;
            case 'r': t.schedule.readable(id); break;
            case 'w': t.runUntil(std::stoi(step.substr(1))); break;
            }
        }
        EXPECT_EQ(t.log, c.ticks);
    }
}

TEST(TickScheduler, WaitsAndTicksAsThePortDoes)
{
    Ticks t;
    t.schedule.start(1, 10);
    t.runUntil(10);
    t.schedule.pauseUntilReadable(1, 5);
    EXPECT_FALSE(t.schedule.ticking(1));
    EXPECT_EQ(t.watched, std::set<int>{1});
    // A wake whose tick pauses again keeps its watch; one that does not ends it.
    t.onTick = [&](int id) { t.schedule.pauseUntilReadable(id, 5); };
    t.runUntil(30);
    t.schedule.readable(1);
    EXPECT_EQ(t.watched, std::set<int>{1});
    t.onTick = nullptr;
    t.runUntil(60);
    t.schedule.readable(1);
    EXPECT_TRUE(t.watched.empty());
    EXPECT_TRUE(t.schedule.ticking(1));
    EXPECT_EQ(t.log, (Log{"1@10", "1@30", "1@60"}));
}

TEST(TickScheduler, TicksBehindABoxOpenedInATick)
{
    struct Case {
        const char* name;
        std::function<void(TickScheduler&)> insideBox; // what the tick does before it opens the box
        std::size_t standIns;
    };
    const Case cases[] = {
        {"its beat is held: a stand-in ticks for it", [](TickScheduler&) {}, 1},
        {"stopped, it needs none", [](TickScheduler& s) { s.stop(1); }, 0},
        {"paused, it needs none", [](TickScheduler& s) { s.pauseUntilReadable(1, 5); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ticks t;
        std::vector<TickScheduler::StandIn> standIns;
        t.onTick = [&](int) {
            if (t.log.size() != 1)
                return;
            c.insideBox(t.schedule);
            standIns = t.schedule.standIns();
            // The box is open: the stand-in ticks, its beat is held.
            for (int i = 1; i <= 3; ++i) {
                t.clock.ms += 10;
                for (const auto& s : standIns)
                    t.schedule.standInFired(s);
            }
        };
        t.schedule.start(1, 10);
        t.schedule.start(2, 25); // another timer's beat, not the one in the box
        t.runUntil(10);
        ASSERT_EQ(standIns.size(), c.standIns);
        if (!standIns.empty()) {
            EXPECT_EQ(standIns[0].id, 1);
            EXPECT_EQ(standIns[0].ms, 10);
        }
        EXPECT_EQ(t.log.size(), 1 + 3 * c.standIns);
    }
    // A stand-in outlived by a restart of its timer ticks no more.
    Ticks t;
    std::vector<TickScheduler::StandIn> standIns;
    t.onTick = [&](int) {
        if (t.log.size() == 1)
            standIns = t.schedule.standIns();
    };
    t.schedule.start(1, 10);
    t.runUntil(10);
    t.schedule.start(1, 10);
    t.schedule.standInFired(standIns.at(0));
    EXPECT_EQ(t.log, (Log{"1@10"}));
}

TEST(TickScheduler, ATimerStoppedInItsOwnTickStaysQuiet)
{
    Ticks t;
    t.onTick = [&](int id) {
        if (id == 1)
            t.schedule.stop(1);
    };
    t.schedule.start(1, 1);
    t.schedule.start(2, 1);
    t.runUntil(3);
    EXPECT_EQ(t.log, (Log{"1@1", "2@1", "2@2", "2@3"}));
}

TEST(TickScheduler, AFinishedWindowTicksNoMore)
{
    Ticks t;
    t.schedule.start(1, 10);
    t.schedule.start(2, 10);
    t.runUntil(10);
    t.schedule.pauseUntilReadable(1, 5);
    t.schedule.end();
    t.schedule.readable(1);
    t.runUntil(100);
    EXPECT_EQ(t.log, (Log{"1@10", "2@10"}));
    EXPECT_FALSE(t.schedule.ticking(2));
    EXPECT_TRUE(t.watched.empty());
}

// The pacer's waits on the fake clock; a paint comes when one is asked
// for and the pacer lets it through.
class Frames : public FramePacer::Carrier {
public:
    void startWait(FramePacer::Wait, int) override {}
    void stopWait(FramePacer::Wait) override {}
    void requestPaint() override { paint(); }
    void flush(int id) override { shown.push_back(std::to_string(id) + "@" + std::to_string(clock.ms)); }

    void paint()
    {
        if (pacer.paintRequested())
            paints.push_back(clock.ms);
    }
    void runUntil(std::int64_t ms)
    {
        for (;;) {
            std::optional<std::int64_t> next;
            FramePacer::Wait which = FramePacer::Wait::Paint;
            for (auto w : {FramePacer::Wait::Paint, FramePacer::Wait::Appends, FramePacer::Wait::Counts})
                if (const auto at = pacer.waitEndsNs(w); at && (!next || *at < *next)) {
                    next = at;
                    which = w;
                }
            if (!next || *next > ms * 1000000)
                break;
            clock.ms = *next / 1000000;
            pacer.waitEnded(which);
        }
        clock.ms = std::max(clock.ms, ms);
    }

    FakeClock clock;
    FramePacer pacer{clock, *this};
    std::vector<std::string> shown;
    std::vector<std::int64_t> paints;
};

TEST(FramePacer, ShowsChangesAtTheFramesAndCountersPace)
{
    constexpr int View = 1, Counter = 2;
    struct Case {
        const char* name;
        bool stream; // a view was put in just before
        bool served; // a 10 ms tick serves the frames at 5 ms steps
        std::vector<std::string> shown;
        std::vector<std::int64_t> paints;
    };
    // At 100 ms, after a paint at 90: the view gets an append, the counter new text.
    const Case cases[] = {
        {"after a quiet spell the append comes at the frame's end", false, false, {"1@130", "2@130"}, {90, 130}},
        {"under a stream it waits for the counters' pace", true, false, {"1@290", "2@290"}, {90, 130}},
        {"a tick serves the frame's end early", false, true, {"1@125", "2@125"}, {90, 125}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Frames f;
        if (c.stream) {
            f.clock.ms = 90;
            f.pacer.viewWaiting(View);
            f.pacer.flushWaiting();
            f.shown.clear();
        }
        f.clock.ms = 90;
        f.paint();
        f.clock.ms = 100;
        f.paint(); // held to the frame's end
        f.pacer.viewWaiting(View);
        f.pacer.countWaiting(Counter);
        if (c.served)
            for (int ms = 105; ms <= 400 && f.shown.empty(); ms += 5) {
                f.runUntil(ms);
                f.pacer.serve(10);
            }
        f.runUntil(400);
        EXPECT_EQ(f.shown, c.shown);
        EXPECT_EQ(f.paints, c.paints);
    }
}

TEST(FramePacer, PaintsAtMostOnceAFrame)
{
    Frames f;
    for (f.clock.ms = 0; f.clock.ms < 100; f.clock.ms += 5) {
        f.paint();
        f.runUntil(f.clock.ms);
    }
    EXPECT_EQ(f.paints, (std::vector<std::int64_t>{0, 40, 80}));
    EXPECT_EQ(f.pacer.msToFrameEnd(), 20);
}

} // namespace
} // namespace dialog
