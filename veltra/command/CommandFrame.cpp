#include "veltra/command/CommandFrame.h"

#include "veltra/app/HexText.h"

#include <cstdio>
#include <vector>

namespace veltra::command {
namespace {

std::string hexByte(unsigned value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X", value);
    return buf;
}

std::string body(const FrameRequest& r)
{
    const std::string code = hexByte(functionCode(r.kind, r.functionPos));
    std::string out(r.address);
    out += ' ';
    switch (r.kind) {
    case CommandKind::DataQuery:
    case CommandKind::ParameterQuery:
        out += code;
        break;
    case CommandKind::DeviceControl:
        out += code + ' ';
        out += r.parameter;
        break;
    case CommandKind::ParameterChange:
        out += r.temporary ? "00 " : "01 ";
        out += code + ' ';
        out += r.parameter;
        break;
    case CommandKind::None:
        break;
    }
    return out;
}

} // namespace

ComposedFrame composeFrame(const FrameRequest& r)
{
    ComposedFrame frame;
    const CommandTypeEntry* type = typeEntry(r.kind);
    if (!type)
        return frame;
    const std::string text = body(r);
    const std::size_t length = parseHexText(text).size() + (r.crc ? 4 : 2);
    frame.tooLong = length > kMaxFrameBytes;
    frame.text = hexByte(type->typeCode) + ' ' + hexByte(static_cast<unsigned>(length)) + ' ' + text;
    if (r.crc) {
        const std::vector<std::uint8_t> bytes = parseHexText(frame.text);
        const std::uint16_t crc = commandCrc16(bytes.data(), bytes.size());
        frame.text += ' ' + hexByte(crc & 0xFFu) + ' ' + hexByte(crc >> 8);
    }
    return frame;
}

std::uint16_t commandCrc16(const std::uint8_t* bytes, std::size_t count)
{
    std::uint16_t reg = 0xFFFF;
    const auto n = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < n; ++i) {
        reg ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1u) ? static_cast<std::uint16_t>((reg >> 1) ^ 0xA001u) : static_cast<std::uint16_t>(reg >> 1);
    }
    return reg;
}

} // namespace veltra::command
