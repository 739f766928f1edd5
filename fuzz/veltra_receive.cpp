// Veltra's receive poll on any bytes in any chunks, with the options the
// input picks, its port on a pty: every byte is counted, the area shows
// what the receive text holds up to its last whole character, and without
// time stamps or auto clear the text is exactly what came.

#include "FuzzCommon.h"

#include "dialog/Gbk.h"
#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "testing/TempDir.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

using namespace veltra;
namespace fs = std::filesystem;

namespace {

std::string without(std::string s, std::string_view chars)
{
    std::erase_if(s, [&](char c) { return chars.find(c) != std::string_view::npos; });
    return s;
}

// text without a last byte that is the first half of a double-byte character.
std::string wholeCharacters(std::string_view text) { return std::string(text.substr(0, dialog::wholeGbkLength(text))); }

// The dialog connected to COM1, a pty whose master is the peer.
struct Line {
    test_support::TempDir links{"fuzz-veltra-ports"};
    test_support::Pty pty;
    dialog::testing::FakeClock clock;
    dialog::testing::MemorySurface surface{veltraMainWindowTemplate()};
    std::unique_ptr<VeltraMainDialog> dlg;

    Line()
    {
        clock.local = dialog::testing::FakeClock::at(2013, 3, 20, 8, 8, 0);
        fs::create_symlink(pty.slavePath(), links / "COM1");
        dlg = std::make_unique<VeltraMainDialog>(
            clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }));
        dlg->bind(surface);
        dlg->onInit();
        dlg->dispatch(ConnectButton, dialog::Notification::Clicked);
        FUZZ_CHECK(dlg->isPortOpen(), "COM1 opens");
    }
    ~Line() { dlg.reset(); } // before its port's far end

    void tick() { dlg->onTimer(PollTimer); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool hex = in.ConsumeBool(), stamp = in.ConsumeBool(), newline = in.ConsumeBool(),
               autoClear = in.ConsumeBool();
    static Line line;
    line.dlg->dispatch(ClearReceive, dialog::Notification::Clicked);
    line.surface.setCheck(ReceiveHex, hex);
    line.surface.setCheck(ReceiveTime, stamp);
    line.surface.setCheck(BurstNewline, newline);
    line.surface.setCheck(AutoClear, autoClear);

    fuzz::Bytes all;
    while (in.remaining_bytes() > 0) {
        const auto length = in.ConsumeIntegralInRange<std::size_t>(1, kReadChunk);
        const int quiet = in.ConsumeIntegralInRange(0, 3);
        const fuzz::Bytes chunk = in.ConsumeBytes<std::uint8_t>(length);
        if (chunk.empty())
            break;
        all.insert(all.end(), chunk.begin(), chunk.end());
        fuzz::deliver(line.pty, chunk, [&] { return line.dlg->port().bytesWaiting(); });
        line.tick();
        for (int i = 0; i < quiet; ++i)
            line.tick();
        FUZZ_CHECK(line.surface.text(ReceiveArea) == wholeCharacters(line.dlg->receiveText()),
                   "the area shows the receive text");
    }
    line.tick(); // ends the last burst

    FUZZ_CHECK(line.dlg->receivedCount() == static_cast<std::int64_t>(all.size()), "every byte counted");
    FUZZ_CHECK(line.surface.text(ReceivedCount) == std::to_string(all.size()), "and shown");
    FUZZ_CHECK(line.surface.text(ReceiveArea) == wholeCharacters(line.dlg->receiveText()),
               "the area shows the receive text");
    if (!stamp && !autoClear) {
        const std::string came = renderReceived(all.data(), all.size(), hex);
        FUZZ_CHECK(without(line.dlg->receiveText(), "\r\n") == without(came, "\r\n"), "the text holds what came");
        FUZZ_CHECK(newline || line.dlg->receiveText() == came, "nothing but what came");
    }
    return 0;
}
