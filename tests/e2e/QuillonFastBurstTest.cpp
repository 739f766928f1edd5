// Quillon's core on a pty fed a megabyte at 3 Mbaud's full speed: with
// only the ticks the line's time gives, every byte is counted and the
// receive view shows the hex of all of them, in order.

#include "FastBurst.h"
#include "quillon/tests/TrafficFixture.h"

using namespace quillon;
using namespace quillon::testing;

namespace {

TEST_F(TrafficTest, AMegabyteAtFullSpeedIsCountedAndShownWhole)
{
    surface.setCheck(AutoClear, 0);
    const Bytes burst = e2e::megabyteBurst();
    {
        const e2e::BurstWriter writer(pty.master(), burst);
        EXPECT_TRUE(e2e::tickThroughBurst(
            dlg().device(), burst.size(), [&] { ticks(1); },
            [&] { return static_cast<std::size_t>(counter(RxBytes)); }));
    }
    settle();
    EXPECT_EQ(counter(RxBytes), static_cast<std::int64_t>(burst.size()));
    EXPECT_EQ(e2e::hexMismatch(shown(), burst), "");
}

} // namespace
