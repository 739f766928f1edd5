// The command builder with any typed address and parameter: a frame is
// made only of whole hex bytes with a 4-byte address, its length byte
// counts the whole frame, its CRC closes it, its text is its bytes, and
// the window's preview is that frame or, in its place, the fault.

#include "FuzzCommon.h"

#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "serial/HexFormat.h"
#include "testing/TempDir.h"
#include "veltra/app/HexText.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"
#include "veltra/command/CommandFrame.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace veltra;
using namespace veltra::command;

namespace {

struct Window {
    test_support::TempDir links{"fuzz-veltra-ports"};
    dialog::testing::FakeClock clock;
    dialog::testing::MemorySurface surface{veltraMainWindowTemplate()};
    VeltraMainDialog dlg{clock, serial::PortNames(links.path(), [] { return std::vector<std::filesystem::path>{}; })};
    Window()
    {
        dlg.bind(surface);
        dlg.onInit();
    }
    void choose(int id, int pos)
    {
        surface.select(id, pos);
        dlg.dispatch(id, dialog::Notification::SelectionChanged);
    }
    void type(int id, const std::string& text)
    {
        surface.userEdit(id, text);
        dlg.dispatch(id, dialog::Notification::TextEdited);
    }
};

// Hex text of the bytes, pairs between single spaces: the receive area's
// form without its last space, so the preview's spacing is checked apart.
std::string cleanHex(const std::string& bytes)
{
    std::string hex = serial::formatHex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!hex.empty())
        hex.pop_back();
    return hex;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    FrameRequest r;
    r.kind = static_cast<CommandKind>(in.ConsumeIntegralInRange(-1, 3));
    r.functionPos = in.ConsumeIntegralInRange(-2, 24);
    r.temporary = in.ConsumeBool();
    r.crc = in.ConsumeBool();
    const bool clean = in.ConsumeBool();
    std::string address = in.ConsumeRandomLengthString(24);
    std::string parameter = in.ConsumeRemainingBytesAsString();
    if (clean) {
        address = cleanHex(address);
        parameter = cleanHex(parameter);
    }
    r.address = address;
    r.parameter = parameter;

    const ComposedFrame frame = composeFrame(r);
    const CommandTypeEntry* type = typeEntry(r.kind);
    if (!type || frame.problem != FrameProblem::None) {
        FUZZ_CHECK(frame.bytes.empty() && frame.text.empty() && !frame.tooLong,
                   "no frame without a type or with a fault");
        FUZZ_CHECK(!type || !clean || readHexBytes(address).bytes.size() != kAddressBytes,
                   "whole hex with a 4-byte address makes a frame");
    } else {
        const std::vector<std::uint8_t>& bytes = frame.bytes;
        FUZZ_CHECK(bytes.size() >= 2 + kAddressBytes && bytes[0] == type->typeCode, "the type code leads");
        FUZZ_CHECK(bytes[1] == (bytes.size() & 0xFFu), "the length byte counts the whole frame");
        FUZZ_CHECK(frame.tooLong == (bytes.size() > kMaxFrameBytes), "too long by its length");
        FUZZ_CHECK(frame.text == cleanHex(std::string(bytes.begin(), bytes.end())), "the text is the bytes");
        if (r.crc && bytes.size() <= 0xFF)
            FUZZ_CHECK(commandCrc16(bytes.data(), bytes.size()) == 0, "the CRC closes the frame");
    }

    // The same texts typed into the window.
    static Window w;
    w.surface.setText(DeviceAddress, ""); // the last input's may be too long
    w.surface.messages.clear();
    if (type)
        w.choose(CommandType, static_cast<int>(r.kind));
    if (r.functionPos >= 0 && r.functionPos < w.surface.itemCount(Function))
        w.choose(Function, r.functionPos);
    w.surface.setCheck(TemporaryChange, r.temporary);
    w.surface.setCheck(Crc16, r.crc);
    w.type(DeviceAddress, address);
    w.type(Parameter, parameter);
    FUZZ_CHECK(w.dlg.boundValues().deviceAddressText == address, "the typed address is taken, too long or not");
    FUZZ_CHECK(w.surface.messages.empty() == (address.size() <= kAddressMaxChars), "a too-long address is told");
    if (address.size() <= kAddressMaxChars)
        FUZZ_CHECK(w.dlg.parameterBytes() == parameter, "the typed parameter is taken");
    FrameRequest shown{
        w.dlg.commandType(),   w.surface.selection(Function), r.temporary, r.crc, w.dlg.boundValues().deviceAddressText,
        w.dlg.parameterBytes()};
    const ComposedFrame shownFrame = composeFrame(shown);
    if (shownFrame.problem == FrameProblem::None)
        FUZZ_CHECK(w.surface.text(CommandPreview) == shownFrame.text, "the preview is the frame");
    else
        FUZZ_CHECK(!w.surface.text(CommandPreview).empty() && !readHexBytes(w.surface.text(CommandPreview)).whole(),
                   "a fault is shown in place of the frame");
    return 0;
}
