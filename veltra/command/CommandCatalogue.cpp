#include "veltra/command/CommandCatalogue.h"

#include <array>

namespace veltra::command {
namespace {

constexpr FunctionEntry kDataQueries[] = {
    {"高低电平采集", 0x00}, {"开关状态采集", 0x01},   {"高低电平控制输入", 0x02}, {"开闭状态控制输入", 0x03},
    {"高低电平输出", 0x04}, {"4-20MA 采集", 0x05},    {"0-200MV 采集", 0x06},     {"0-3.3V 采集", 0x07},
    {"0-5V 采集", 0x08},    {"18B20 温度采集", 0x09}, {"PT100 温度采集", 0x0A},   {"所有开通功能端口", 0xFF},
};

// "搜索设备地址" and "读取设备信息" share the code 00; a setting reads with
// the code that changes it.
constexpr FunctionEntry kParameterQueries[] = {
    {"搜索设备地址", 0x00},   {"读取设备信息", 0x00},     {"读取无线频点", 0x03},   {"读取无线发射功率", 0x04},
    {"读取网络编号", 0x05},   {"读取网络类型", 0x06},     {"读取节点类型", 0x07},   {"读取发射模式", 0x08},
    {"读取固定目标", 0x09},   {"读取串口波特率", 0x10},   {"读取串口校验", 0x11},   {"读取串口数据位", 0x12},
    {"读取串口停止位", 0x13}, {"读取数据编码格式", 0x14}, {"读取源地址输出", 0x15}, {"读取休眠控制模式", 0x16},
    {"读取低功耗模式", 0x17}, {"读取工作时间", 0x18},     {"读取休眠时间", 0x19},   {"读取主动上报时间", 0x20},
    {"读取电压状态", 0x21},   {"读取联络信号强度", 0x22},
};

constexpr FunctionEntry kPorts[] = {
    {"AD1", 0x00}, {"AD2", 0x01}, {"AD3", 0x02}, {"AD4", 0x03}, {"IO1", 0x04}, {"IO2", 0x05},
    {"IO3", 0x06}, {"IO4", 0x07}, {"IO5", 0x08}, {"IO6", 0x09}, {"IO7", 0x0A},
};

// The same levels for every port; a pulse width is its percentage.
constexpr ParameterChoice kOutputLevels[] = {
    {"低电平", "00"},  {"高电平", "01"},  {"PWM 10%", "0A"}, {"PWM 20%", "14"}, {"PWM 30%", "1E"}, {"PWM 40%", "28"},
    {"PWM 50%", "32"}, {"PWM 60%", "3C"}, {"PWM 70%", "46"}, {"PWM 80%", "50"}, {"PWM 90%", "5A"}, {"PWM 100%", "64"},
};

constexpr ParameterChoice kAddresses[] = {
    {"00 00 00 01", "00 00 00 01"}, {"00 00 00 02", "00 00 00 02"}, {"00 00 00 03", "00 00 00 03"},
    {"00 00 00 04", "00 00 00 04"}, {"00 00 00 05", "00 00 00 05"},
};
constexpr ParameterChoice kChannels[] = {
    {"0--2.405GHz", "00"}, {"1--2.410GHz", "01"}, {"2--2.415GHz", "02"}, {"3--2.420GHz", "03"},
    {"4--2.425GHz", "04"}, {"5--2.430GHz", "05"}, {"6--2.435GHz", "06"}, {"7--2.440GHz", "07"},
    {"8--2.445GHz", "08"}, {"9--2.450GHz", "09"}, {"A--2.455GHz", "0A"}, {"B--2.460GHz", "0B"},
    {"C--2.465GHz", "0C"}, {"D--2.470GHz", "0D"}, {"E--2.475GHz", "0E"}, {"F--2.480GHz", "0F"},
};
constexpr ParameterChoice kPowers[] = {{"最小", "01"}, {"中等", "02"}, {"最大", "03"}};
constexpr ParameterChoice kNetworkNumbers[] = {{"FF FF", "FF FF"}, {"88 00", "88 00"}, {"50 70", "50 70"}};
constexpr ParameterChoice kNetworkTypes[] = {{"网状", "01"}, {"星型", "02"}, {"链型", "03"}, {"对等网", "04"}};
constexpr ParameterChoice kNodeTypes[] = {{"中心主站", "01"}, {"中继路由", "02"}, {"终端节点", "03"}};
constexpr ParameterChoice kTransmitModes[] = {{"广播模式", "01"}, {"固定目标", "02"}, {"指令模式", "03"}};
// The module's own rates: "38400", not the port list's "38400-CFG".
constexpr ParameterChoice kBaudRates[] = {
    {"1200", "01"}, {"2400", "02"}, {"4800", "03"}, {"9600", "04"}, {"19200", "05"}, {"38400", "06"}, {"115200", "07"},
};
constexpr ParameterChoice kParities[] = {
    {"NONE", "01"}, {"EVEN", "02"}, {"ODD", "03"}, {"MARK", "04"}, {"SPACE", "05"},
};
constexpr ParameterChoice kDataBits[] = {{"7位", "01"}, {"8位", "02"}};
constexpr ParameterChoice kStopBits[] = {{"1位", "01"}, {"2位", "02"}};
constexpr ParameterChoice kEncodings[] = {{"ASCII", "01"}, {"十六进制", "02"}};
constexpr ParameterChoice kSourceOutput[] = {{"输出", "01"}, {"不输出", "02"}};
constexpr ParameterChoice kSleepControl[] = {{"IO口控制", "01"}, {"定时控制", "02"}};
// The one low-power mode the modules have is mode 3.
constexpr ParameterChoice kLowPower[] = {{"STOP3 模式", "03"}};

constexpr FunctionEntry kParameterChanges[] = {
    {"修改设备地址", 0x02, kAddresses},
    {"修改无线频点", 0x03, kChannels},
    {"修改无线发射功率", 0x04, kPowers},
    {"修改网络编号", 0x05, kNetworkNumbers},
    {"修改网络类型", 0x06, kNetworkTypes},
    {"修改节点类型", 0x07, kNodeTypes},
    {"修改发射模式", 0x08, kTransmitModes},
    {"修改固定目标", 0x09, kAddresses},
    {"修改串口波特率", 0x10, kBaudRates},
    {"修改串口校验", 0x11, kParities},
    {"修改串口数据位", 0x12, kDataBits},
    {"修改串口停止位", 0x13, kStopBits},
    {"修改数据编码格式", 0x14, kEncodings},
    {"修改源地址输出", 0x15, kSourceOutput},
    {"修改休眠控制模式", 0x16, kSleepControl},
    {"修改低功耗模式", 0x17, kLowPower},
    // Times are typed.
    {"修改工作时间", 0x18},
    {"修改休眠时间", 0x19},
    {"修改主动上报时间", 0x20},
};

constexpr CommandTypeEntry kTypes[] = {
    {CommandKind::DataQuery, "数据查询", 0x10, "功能", false, false, kDataQueries, 0xFF, {}},
    {CommandKind::ParameterQuery, "参数查询", 0x20, "功能", false, false, kParameterQueries, 0x00, {}},
    {CommandKind::DeviceControl, "设备控制", 0x15, "端口", true, false, kPorts, 0x00, kOutputLevels},
    // With nothing chosen the change counts as position -1, which gives 01.
    {CommandKind::ParameterChange, "参数修改", 0x22, "功能", true, true, kParameterChanges, 0x01, {}},
};

constexpr std::array<const char*, 6> kDeviceAddresses{"00 00 00 01", "00 00 00 02", "00 00 00 03",
                                                      "00 00 00 04", "00 00 00 05", "FF FF FF FF"};

bool inside(int pos, std::size_t size) { return pos >= 0 && static_cast<std::size_t>(pos) < size; }

} // namespace

std::span<const CommandTypeEntry> commandTypes() { return kTypes; }

const CommandTypeEntry* typeEntry(CommandKind kind)
{
    for (const CommandTypeEntry& t : kTypes)
        if (t.kind == kind)
            return &t;
    return nullptr;
}

std::span<const char* const> deviceAddresses() { return kDeviceAddresses; }

std::uint8_t functionCode(CommandKind kind, int pos)
{
    const CommandTypeEntry* type = typeEntry(kind);
    if (!type)
        return 0;
    return inside(pos, type->functions.size()) ? type->functions[static_cast<std::size_t>(pos)].code
                                               : type->noSelectionCode;
}

std::span<const ParameterChoice> parameterChoices(CommandKind kind, int functionPos)
{
    const CommandTypeEntry* type = typeEntry(kind);
    if (!type)
        return {};
    if (kind != CommandKind::ParameterChange)
        return type->parameters;
    if (!inside(functionPos, type->functions.size()))
        return {};
    return type->functions[static_cast<std::size_t>(functionPos)].parameters;
}

} // namespace veltra::command
