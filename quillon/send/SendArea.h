#pragma once
// One of Quillon's three send areas, as read from its controls.

#include <string>

namespace quillon {

struct SendArea {
    std::string text; // GBK
    int hex = 1;
    int autoSend = 0;
    int period = 1000; // ms
    int takesPart = 0;
    int autoSendTicks = 0;
};

} // namespace quillon
