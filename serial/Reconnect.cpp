#include "serial/Reconnect.h"

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

} // namespace serial
