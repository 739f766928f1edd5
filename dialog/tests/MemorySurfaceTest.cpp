// The surface contract over the in-memory surface.

#include "dialog/testing/MemorySurface.h"
#include "dialog/tests/SurfaceContract.h"

#include <gtest/gtest.h>

namespace dialog::contract {
namespace {

class InMemory : public SurfaceUnderTest {
public:
    ControlSurface& surface() override { return s_; }
    void userTypes(int id, const std::string& ascii) override
    {
        std::string text = s_.text(id);
        const int caret = s_.selectionStart(id);
        text.insert(static_cast<std::size_t>(caret), ascii);
        s_.userEdit(id, text, caret + static_cast<int>(ascii.size()));
    }
    void userPlacesCaret(int id, int bytes) override { s_.controls[id].caret = bytes; }
    bool ticking(int id) const override { return s_.ticking(id); }
    // The in-memory surface tells its logic nothing by itself.
    std::vector<std::pair<int, Notification>> notifications() override { return {}; }
    std::optional<bool> menuCheck(int command) override { return s_.menuCheck(command); }

private:
    testing::MemorySurface s_{sampleWindow()};
};

std::unique_ptr<SurfaceUnderTest> makeInMemory() { return std::make_unique<InMemory>(); }

INSTANTIATE_TEST_SUITE_P(MemorySurface, SurfaceContract, ::testing::Values(SurfaceKind{"memory", &makeInMemory}));

// A logic whose tick reads a port and rests until it is readable again.
class PortLogic : public DialogLogic {
public:
    void bind(ControlSurface& s) override { surface = &s; }
    void onInit() override {}
    void dispatch(int, Notification) override {}
    void onTimer(int id) override
    {
        ticks.push_back(clock->ms);
        surface->pauseTimerUntilReadable(id, 7);
    }
    bool onCloseRequest() override { return true; }
    void onMenuCommand(int) override {}

    ControlSurface* surface = nullptr;
    testing::FakeClock* clock = nullptr;
    std::vector<std::int64_t> ticks;
};

TEST(MemorySurface, TimersRunOnTheWindowsSchedule)
{
    testing::FakeClock clock;
    testing::MemorySurface s;
    PortLogic logic;
    logic.clock = &clock;
    logic.bind(s);
    s.useClock(clock);
    s.startTimer(1, 10);
    s.runTimers(logic, 13);
    EXPECT_FALSE(s.ticking(1)); // resting after its first tick
    s.portReadable(logic, 1);   // early: it catches up to the period
    EXPECT_TRUE(s.ticking(1));
    s.runTimers(logic, 100);
    s.portReadable(logic, 1); // late: at once
    EXPECT_EQ(logic.ticks, (std::vector<std::int64_t>{10, 20, 113}));
    EXPECT_EQ(s.pausedTimers.at(1), 7);
}

} // namespace
} // namespace dialog::contract
