#include "veltra/command/CommandFrame.h"

#include "serial/Crc16.h"
#include "serial/HexFormat.h"

namespace veltra::command {

ComposedFrame composeFrame(const FrameRequest& r)
{
    ComposedFrame frame;
    const CommandTypeEntry* type = typeEntry(r.kind);
    if (!type)
        return frame;
    const HexBytes address = readHexBytes(r.address);
    if (!address.whole()) {
        frame.problem = FrameProblem::AddressText;
        frame.fault = address.fault;
        return frame;
    }
    if (address.bytes.empty()) {
        frame.problem = FrameProblem::NoAddress;
        return frame;
    }
    if (address.bytes.size() != kAddressBytes) {
        frame.problem = FrameProblem::AddressLength;
        frame.addressSize = address.bytes.size();
        return frame;
    }
    // Query frames carry no parameter: what stands in the disabled box is
    // not theirs to refuse.
    const bool carriesParameter = r.kind == CommandKind::DeviceControl || r.kind == CommandKind::ParameterChange;
    HexBytes parameter;
    if (carriesParameter) {
        parameter = readHexBytes(r.parameter);
        if (!parameter.whole()) {
            frame.problem = FrameProblem::ParameterText;
            frame.fault = parameter.fault;
            return frame;
        }
    }

    std::vector<std::uint8_t>& b = frame.bytes;
    b.push_back(type->typeCode);
    b.push_back(0); // the length, once it is known
    b.insert(b.end(), address.bytes.begin(), address.bytes.end());
    if (r.kind == CommandKind::ParameterChange)
        b.push_back(r.temporary ? 0x00 : 0x01);
    b.push_back(functionCode(r.kind, r.functionPos));
    b.insert(b.end(), parameter.bytes.begin(), parameter.bytes.end());
    const std::size_t length = b.size() + (r.crc ? 2 : 0);
    b[1] = static_cast<std::uint8_t>(length);
    frame.tooLong = length > kMaxFrameBytes;
    if (r.crc) {
        const std::uint16_t crc = commandCrc16(b.data(), b.size());
        b.push_back(static_cast<std::uint8_t>(crc & 0xFFu));
        b.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    frame.text = serial::formatHex(b, serial::HexSpacing::Between);
    return frame;
}

std::uint16_t commandCrc16(const std::uint8_t* bytes, std::size_t count)
{
    // The module counts the bytes under its CRC in 8 bits.
    return serial::crc16Modbus(bytes, static_cast<std::uint8_t>(count));
}

} // namespace veltra::command
