#include "serial/Reconnect.h"

#include <cstdio>

namespace serial {

void Reconnect::begin()
{
    waiting_ = true;
    retries_ = kRetries;
    beats_ = 0;
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
    // A remote port's open runs in the background; the beat looks at it.
    if (session_.connecting()) {
        const PortSession::Result r = session_.finishOpen();
        if (r.outcome == PortSession::Outcome::Connecting)
            return {false, true};
        if (r) {
            end();
            return {true, false};
        }
    } else {
        // A server coming back makes no change to be seen: its port is
        // tried on, once every kRemoteBeats beats.
        const bool remote = session_.names().remote(session_.portName()).has_value();
        if (remote) {
            retries_ = kRetries;
            if (beats_++ % kRemoteBeats != 0)
                return {false, true};
        }
        const PortSession::Result r = session_.reopen();
        if (r) {
            end();
            return {true, false};
        }
        if (r.outcome == PortSession::Outcome::Connecting)
            return {false, true};
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
