// The file rotation over any file content: the lines are counted as the
// file has them, each step sends the next line that yields a frame, and
// what goes out is that line's frame.

#include "FuzzCommon.h"

#include "dialog/Gbk.h"
#include "dialog/testing/FakeClock.h"
#include "quillon/QuillonIds.h"
#include "quillon/send/FileRotation.h"
#include "quillon/send/HexTextCodec.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

using namespace quillon;

namespace {

struct Host : RotationHost {
    int currentLine = 0; // as the rotation last showed it
    std::optional<int> sentLine;
    std::vector<std::uint8_t> sentBytes;
    std::string sentText;
    int endMessages = 0, oversizeMessages = 0;

    bool sendArea(int) override { fuzz::fail("an area sent by the file rotation", __FILE__, __LINE__); }
    void sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text) override
    {
        FUZZ_CHECK(!sentLine, "one line per step");
        sentLine = currentLine;
        sentBytes = bytes;
        sentText = text;
    }
    void setControlText(int id, const std::string& t) override
    {
        if (id == FileCurrentLine)
            currentLine = std::stoi(t);
    }
    void enableControl(int, bool) override {}
    void reportMessage(const std::string& t, dialog::MessageIcon) override
    {
        ++(t.find(dialog::gbk("没有可以发送的行")) != std::string::npos ? endMessages : oversizeMessages);
    }
};

// The lines as a text-mode read gives them: LF ends one, a CR before it goes.
std::vector<std::string> linesOf(const std::string& content)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A file in memory, written afresh for each input, opened by path.
    static const int file = memfd_create("rotation", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(file);
    if (size == 0)
        return 0;
    std::array<SendArea, 3> areas;
    areas[0].hex = data[0] & 1; // line breaks inside a line are dropped
    RotationSettings settings;
    settings.rotateOnce = (data[0] >> 1) & 1;
    std::string content = fuzz::text(data + 1, size - 1);
    if (data[0] & 4) {
        // The first line eight times: longer than the longest frame, from a short input.
        const std::string first = content.substr(0, content.find('\n'));
        for (int i = 1; i < 8; ++i)
            content.insert(0, first);
    }
    const auto written = pwrite(file, content.data(), content.size(), 0);
    FUZZ_CHECK(ftruncate(file, static_cast<off_t>(content.size())) == 0 &&
                   written == static_cast<ssize_t>(content.size()),
               "the rotation file is written");

    const std::vector<std::string> lines = linesOf(content);
    std::vector<std::optional<std::vector<std::uint8_t>>> frames; // nothing: not sent
    for (const std::string& line : lines) {
        std::vector<std::uint8_t> f;
        const bool ok = !line.empty() && parseHex(upperCased(line), areas[0].hex != 0, f) == HexResult::Ok &&
                        f.size() <= FileRotation::kMaxLineBytes;
        frames.push_back(ok ? std::optional(f) : std::nullopt);
    }

    Host host;
    AnswerWait wait;
    dialog::testing::FakeClock clock;
    FileRotation rotation(host, settings, areas, wait, clock);
    FUZZ_CHECK(rotation.choose(path), "the file opens");
    FUZZ_CHECK(rotation.fileLineCount == static_cast<int>(lines.size()), "every line counted");
    rotation.onStartStop(false);

    std::size_t next = 0; // index of the line the next step starts at
    // Enough steps to come round again in a short file; each reads the file anew.
    const std::size_t steps = std::min<std::size_t>(2 * lines.size() + 2, 24);
    for (std::size_t step = 0; step < steps && rotation.fileRotationRunning; ++step) {
        host.sentLine.reset();
        const int endMessagesBefore = host.endMessages;
        rotation.fileRotationStep();
        std::optional<std::size_t> expected;
        for (std::size_t k = 0; k < lines.size() && !expected; ++k) {
            std::size_t at = next + k;
            if (at >= lines.size() && settings.rotateOnce)
                break;
            at %= lines.size();
            if (frames[at])
                expected = at;
        }
        if (!expected) {
            FUZZ_CHECK(!host.sentLine && !rotation.fileRotationRunning, "stops when no line can go");
            FUZZ_CHECK(host.endMessages == endMessagesBefore + (settings.rotateOnce && next > 0 ? 0 : 1),
                       "says so unless a single pass ended");
            break;
        }
        FUZZ_CHECK(host.sentLine && *host.sentLine == static_cast<int>(*expected) + 1, "the next sendable line");
        FUZZ_CHECK(host.sentBytes == *frames[*expected], "the line's frame");
        FUZZ_CHECK(host.sentText == upperCased(lines[*expected]), "the line echoed as read");
        next = (*expected + 1) % lines.size();
        if (settings.rotateOnce && next == 0)
            FUZZ_CHECK(!rotation.fileRotationRunning, "a single pass ends after the last line");
    }
    FUZZ_CHECK(host.oversizeMessages <= 1, "an over-long line is told once per file");
    return 0;
}
