#include "serial/Reconnect.h"

#include <cstdio>

namespace serial {

void Reconnect::begin()
{
    waiting_ = true;
    retries_ = kRetries;
}

void Reconnect::end()
{
    waiting_ = false;
    retries_ = 0;
}

Reconnect::Step Reconnect::next(bool changed)
{
    if (!waiting_)
        return {};
    if (changed)
        retries_ = kRetries;
    if (session_.reopen()) {
        end();
        return {true, false};
    }
    // Absent, busy or refusing the line: each may change without a change
    // of the devices being seen (a busy device let go), so a change starts
    // a round of tries rather than one.
    if (retries_ > 0)
        --retries_;
    return {false, retries_ > 0};
}

std::string lostMark(const std::string& portName, const std::tm& at)
{
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", at.tm_hour, at.tm_min, at.tm_sec);
    return "—— " + portName + " 已断开 " + clock + " ——";
}

std::string waitingText(const std::string& portName) { return "等待" + portName + "重新连接…"; }

} // namespace serial
