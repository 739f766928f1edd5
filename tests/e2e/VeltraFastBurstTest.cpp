// Veltra's core on a pty fed a megabyte at 3 Mbaud's full speed, its polls
// held up to 10 ms apart as a busy window's are: every byte is counted and
// the receive area shows the hex of all of them, in order.

#include "FastBurst.h"
#include "veltra/tests/VeltraFixture.h"

using namespace veltra;
using namespace veltra::testing;

namespace {

TEST_F(VeltraTest, AMegabyteAtFullSpeedIsCountedAndShownWhole)
{
    startConnected();
    surface.setCheck(ReceiveHex, 1);
    surface.setCheck(AutoClear, 0);
    const std::vector<std::uint8_t> burst = e2e::megabyteBurst();
    {
        const e2e::BurstWriter writer(pty.master(), burst);
        EXPECT_TRUE(e2e::tickThroughBurst(
            dlg().port(), burst.size(),
            [&] {
                tick();
                clock.ms += 10;
            },
            [&] { return static_cast<std::size_t>(dlg().receivedCount()); }));
    }
    tick(); // the burst's end
    EXPECT_EQ(dlg().receivedCount(), static_cast<std::int64_t>(burst.size()));
    EXPECT_EQ(surface.text(ReceivedCount), std::to_string(burst.size()));
    EXPECT_EQ(e2e::hexMismatch(area(), burst), "");
}

} // namespace
