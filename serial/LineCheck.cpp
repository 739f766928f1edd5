#include "serial/LineCheck.h"

namespace serial {
namespace {

bool rtsCts(const LineSettings& s) { return s.ctsOutFlow || s.rts == LineControl::Handshake; }

bool rateKept(std::uint32_t wanted, std::uint32_t kept)
{
    const std::uint64_t off = wanted > kept ? wanted - kept : kept - wanted;
    return off * 100 <= wanted;
}

std::string parityName(std::uint8_t code)
{
    switch (code) {
    case parity::None: return "无校验";
    case parity::Odd: return "奇校验";
    case parity::Even: return "偶校验";
    case parity::Mark: return "标志校验";
    case parity::Space: return "空格校验";
    }
    return "校验代码 " + std::to_string(code);
}

std::string stopBitsName(std::uint8_t code)
{
    switch (code) {
    case stopbits::One: return "1";
    case stopbits::OneAndHalf: return "1.5";
    case stopbits::Two: return "2";
    }
    return std::to_string(code);
}

std::string flowReason(const LineRefusal& r)
{
    if (r.byLinux)
        return std::string("Linux 串口驱动不支持 ") + (r.wanted.dsrOutFlow ? "DSR 输出流控" : "DTR 握手");
    auto flag = [](bool wanted, const char* name) {
        return std::string(wanted ? "端口不支持 " : "端口无法关闭 ") + name;
    };
    if (rtsCts(r.wanted) != r.kept.ctsOutFlow)
        return flag(rtsCts(r.wanted), "RTS/CTS 硬件流控");
    if (r.wanted.xonXoffOut != r.kept.xonXoffOut)
        return flag(r.wanted.xonXoffOut, "XON/XOFF 输出流控");
    return flag(r.wanted.xonXoffIn, "XON/XOFF 输入流控");
}

} // namespace

std::optional<LineRefusal> refusedByLinux(const LineSettings& wanted)
{
    auto refuse = [&](LineSetting s) { return LineRefusal{s, true, wanted, {}}; };
    if (wanted.baudRate == 0)
        return refuse(LineSetting::Baud);
    if (wanted.dataBits < 5 || wanted.dataBits > 8)
        return refuse(LineSetting::DataBits);
    if (wanted.parity > parity::Space)
        return refuse(LineSetting::Parity);
    if (wanted.stopBits != stopbits::One && wanted.stopBits != stopbits::Two)
        return refuse(LineSetting::StopBits);
    if (wanted.dsrOutFlow || wanted.dtr == LineControl::Handshake)
        return refuse(LineSetting::FlowControl);
    return std::nullopt;
}

std::optional<LineRefusal> notKept(const LineSettings& wanted, const LineSettings& kept)
{
    auto refuse = [&](LineSetting s) { return LineRefusal{s, false, wanted, kept}; };
    if (!rateKept(wanted.baudRate, kept.baudRate))
        return refuse(LineSetting::Baud);
    if (wanted.dataBits != kept.dataBits)
        return refuse(LineSetting::DataBits);
    if (wanted.parity != kept.parity)
        return refuse(LineSetting::Parity);
    if (wanted.stopBits != kept.stopBits)
        return refuse(LineSetting::StopBits);
    if (rtsCts(wanted) != kept.ctsOutFlow || wanted.xonXoffOut != kept.xonXoffOut || wanted.xonXoffIn != kept.xonXoffIn)
        return refuse(LineSetting::FlowControl);
    return std::nullopt;
}

std::string refusalReason(const LineRefusal& r)
{
    std::string lead = r.byLinux ? "Linux 串口驱动不支持" : "端口不支持";
    auto actually = [&](const std::string& kept) { return r.byLinux ? std::string() : "（实际为" + kept + "）"; };
    switch (r.setting) {
    case LineSetting::Baud:
        return lead + "波特率 " + std::to_string(r.wanted.baudRate) + actually(" " + std::to_string(r.kept.baudRate));
    case LineSetting::DataBits:
        return lead + " " + std::to_string(r.wanted.dataBits) + " 位数据位" +
               actually(" " + std::to_string(r.kept.dataBits) + " 位");
    case LineSetting::Parity:
        if (r.wanted.parity > parity::Space)
            return lead + parityName(r.wanted.parity);
        return lead + parityName(r.wanted.parity) + actually(parityName(r.kept.parity));
    case LineSetting::StopBits:
        if (r.wanted.stopBits > stopbits::Two)
            return lead + "停止位代码 " + stopBitsName(r.wanted.stopBits);
        return lead + " " + stopBitsName(r.wanted.stopBits) + " 位停止位" +
               actually(" " + stopBitsName(r.kept.stopBits) + " 位");
    case LineSetting::FlowControl: return flowReason(r);
    }
    return lead;
}

} // namespace serial
