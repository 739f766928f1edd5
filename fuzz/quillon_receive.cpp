// Quillon's receive pipeline on any bytes in any chunks: first the frame
// splitter alone (every byte comes out once, in order, in frames that fit
// the buffer and keep GBK characters whole), then the dialog with the
// options the input picks, its port on a pty. Shown as hex, or as text
// without decoration, the view holds exactly what came, and the log what
// the view holds.

#include "FuzzCommon.h"

#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/receive/FrameSplitter.h"
#include "quillon/send/HexTextCodec.h"
#include "serial/HexFormat.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

using namespace quillon;
using dialog::gbk;
namespace fs = std::filesystem;

namespace {

struct Chunk {
    fuzz::Bytes bytes;
    int quietTicks;
};

void checkSplitter(const std::vector<Chunk>& chunks, const fuzz::Bytes& all)
{
    FrameSplitter splitter;
    fuzz::Bytes out;
    auto take = [&](const Frame& f, bool cut) {
        FUZZ_CHECK(!f.empty() && f.size() <= FrameSplitter::kMaxFrame, "a frame fits the buffer");
        std::size_t i = 0;
        while (cut && i < f.size())
            i += dialog::isGbkLeadByte(static_cast<char>(f[i])) ? 2 : 1;
        FUZZ_CHECK(!cut || i == f.size(), "a cut frame keeps its last character whole");
        out.insert(out.end(), f.begin(), f.end());
    };
    for (const Chunk& c : chunks) {
        for (const Frame& f : splitter.addChunk(c.bytes.data(), c.bytes.size()))
            take(f, true);
        for (int i = 0; i < c.quietTicks; ++i)
            if (auto f = splitter.quietPoll())
                take(*f, false);
    }
    for (int i = 0; i < FrameSplitter::kQuietPolls; ++i)
        if (auto f = splitter.quietPoll())
            take(*f, false);
    FUZZ_CHECK(!splitter.pending(), "a frame ends after the quiet polls");
    FUZZ_CHECK(out == all, "every byte once, in order");
}

std::string without(std::string s, std::string_view chars)
{
    std::erase_if(s, [&](char c) { return chars.find(c) != std::string_view::npos; });
    return s;
}

// The dialog with COM3 open on a pty, the test the device on the master.
struct Line {
    test_support::TempDir config = fuzz::memoryTempDir("fuzz-quillon-config");
    test_support::TempDir links = fuzz::memoryTempDir("fuzz-quillon-ports");
    test_support::Pty pty{test_support::Pty::Slave::Close};
    dialog::testing::FakeClock clock;
    dialog::testing::MemorySurface surface{quillonMainWindowTemplate()};
    std::unique_ptr<QuillonMainDialog> dlg;
    fs::path log = config / "log.txt";

    Line()
    {
        setenv("TZ", "UTC", 1);
        tzset();
        clock.seconds = 1159664703;
        fs::create_symlink(pty.slavePath(), links / "COM3");
        dlg = std::make_unique<QuillonMainDialog>(
            clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }), config.path());
        dlg->bind(surface);
        dlg->onInit();
        FUZZ_CHECK(surface.selectPrefix(PortList, "COM3"), "COM3 listed");
        click(OpenButton);
        FUZZ_CHECK(dlg->device().isOpen(), "COM3 opens");
        surface.setText(LogPath, log.string());
    }
    ~Line() { dlg.reset(); } // before its port's far end

    void click(int id) { dlg->dispatch(id, dialog::Notification::Clicked); }
    void tick() { dlg->onTimer(MainTick); }
    long long counter(int id) { return std::stoll(surface.text(id)); }
    void send(const fuzz::Bytes& bytes)
    {
        fuzz::deliver(pty, bytes, [&] { return dlg->device().bytesWaiting(); });
        tick();
    }
    /// Ends what is pending at the quiet poll that restarts the cycle, so
    /// that every input starts from the same state.
    void flush()
    {
        send({'.'});
        const long long frames = counter(RxFrames);
        for (int i = 0; i < FrameSplitter::kQuietPolls && counter(RxFrames) == frames; ++i)
            tick();
        FUZZ_CHECK(counter(RxFrames) == frames + 1, "a frame ends within the quiet polls");
    }
    void setToggle(int id, const char* offCaption, bool on)
    {
        if ((surface.text(id) == gbk(offCaption)) == on)
            click(id);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool hex = in.ConsumeBool(), stamp = in.ConsumeBool(), marker = in.ConsumeBool(), newline = in.ConsumeBool(),
               autoClear = in.ConsumeBool(), saving = in.ConsumeBool(), displayOn = !in.ConsumeBool(),
               filter = in.ConsumeBool();
    const std::string keyword = filter ? in.ConsumeRandomLengthString(8) : std::string();
    std::vector<Chunk> chunks;
    fuzz::Bytes all;
    while (in.remaining_bytes() > 0) {
        const auto length = in.ConsumeIntegralInRange<std::size_t>(1, FrameSplitter::kMaxChunk);
        const int quiet = in.ConsumeIntegralInRange(0, 5);
        // Repeats let a short input fill more than a frame buffer.
        const int repeats = in.ConsumeBool() ? 8 : 1;
        const fuzz::Bytes bytes = in.ConsumeBytes<std::uint8_t>(length);
        if (bytes.empty())
            break;
        for (int i = 1; i <= repeats; ++i) {
            all.insert(all.end(), bytes.begin(), bytes.end());
            chunks.push_back({bytes, i == repeats ? quiet : 0});
        }
    }
    checkSplitter(chunks, all);

    static Line line;
    line.flush();
    line.surface.setRichText(ReceiveView, "");
    fs::remove(line.log);
    line.surface.setCheck(RxHex, hex);
    line.surface.setCheck(ShowTimestamp, stamp);
    line.surface.setCheck(ShowSent, marker);
    line.surface.setCheck(FrameNewline, newline);
    line.surface.setCheck(AutoClear, autoClear);
    line.surface.setCheck(KeywordFilter, filter);
    line.surface.setText(Keyword, keyword);
    line.setToggle(SaveToggle, "保存数据", saving);
    line.setToggle(DisplayToggle, "继续显示", displayOn);
    const long long bytesBefore = line.counter(RxBytes), framesBefore = line.counter(RxFrames);

    for (const Chunk& c : chunks) {
        line.send(c.bytes);
        for (int i = 0; i < c.quietTicks; ++i)
            line.tick();
    }
    for (int i = 0; i < FrameSplitter::kQuietPolls; ++i)
        line.tick();

    FUZZ_CHECK(line.counter(RxBytes) == bytesBefore + static_cast<long long>(all.size()), "every byte counted");
    FUZZ_CHECK((line.counter(RxFrames) > framesBefore) == !all.empty(), "frames counted");
    const std::string view = line.surface.richText(ReceiveView);
    if (!displayOn)
        FUZZ_CHECK(view.empty(), "nothing shown while the display is stopped");
    const bool plain = displayOn && !filter && !autoClear && !stamp && !marker;
    const bool zeros = std::find(all.begin(), all.end(), 0) != all.end();
    if (plain && (hex || !zeros)) {
        const std::string came = hex ? serial::formatHex(all) : fuzz::text(all.data(), all.size());
        FUZZ_CHECK(without(view, "\r") == without(came, "\r"), "the view holds what came");
        FUZZ_CHECK(newline || view == came, "nothing but what came");
    }
    if (saving && displayOn && !autoClear) {
        const std::string logged = dialog::readWholeFile(line.log).value_or("");
        FUZZ_CHECK(without(logged, "\r\n") == without(view, "\r\n"), "the log holds what the view shows");
    }
    return 0;
}
