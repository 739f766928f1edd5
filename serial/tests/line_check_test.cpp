#include "serial/LineCheck.h"

#include <gtest/gtest.h>

namespace serial {
namespace {

// What a port may keep of a record, beyond what a pty can show.
TEST(LineCheck, WhatThePortDidNotKeepIsNamed)
{
    struct Case {
        const char* name;
        void (*wanted)(LineSettings&);
        void (*kept)(LineSettings&);
        const char* reason; // "" when the port kept the line
    };
    const Case cases[] = {
        {"all kept", [](LineSettings&) {}, [](LineSettings&) {}, ""},
        {"rate within 1% of the divisor's", [](LineSettings& s) { s.baudRate = 56000; },
         [](LineSettings& s) { s.baudRate = 55944; }, ""},
        {"rate not given", [](LineSettings& s) { s.baudRate = 14400; }, [](LineSettings& s) { s.baudRate = 9600; },
         "端口不支持波特率 14400（实际为 9600）"},
        {"stop bits", [](LineSettings& s) { s.stopBits = stopbits::Two; }, [](LineSettings&) {},
         "端口不支持 2 位停止位（实际为 1 位）"},
        {"rts/cts", [](LineSettings& s) { s.ctsOutFlow = true; }, [](LineSettings&) {}, "端口不支持 RTS/CTS 硬件流控"},
        {"rts handshake is rts/cts", [](LineSettings& s) { s.rts = LineControl::Handshake; }, [](LineSettings&) {},
         "端口不支持 RTS/CTS 硬件流控"},
        {"rts/cts left on", [](LineSettings&) {}, [](LineSettings& s) { s.ctsOutFlow = true; },
         "端口无法关闭 RTS/CTS 硬件流控"},
        {"xon/xoff out", [](LineSettings& s) { s.xonXoffOut = true; }, [](LineSettings&) {},
         "端口不支持 XON/XOFF 输出流控"},
        {"xon/xoff in", [](LineSettings& s) { s.xonXoffIn = true; }, [](LineSettings&) {},
         "端口不支持 XON/XOFF 输入流控"},
        {"modem lines and parity check are not line framing", [](LineSettings& s) { s.parityCheck = true; },
         [](LineSettings& s) { s.dtr = s.rts = LineControl::Disable; }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineSettings wanted, kept;
        c.wanted(wanted);
        c.kept(kept);
        const auto refusal = notKept(wanted, kept);
        EXPECT_EQ(refusal ? refusalReason(*refusal) : "", c.reason);
    }
}

} // namespace
} // namespace serial
