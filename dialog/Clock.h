#pragma once
// Calendar time, injected so that time stamps and time-outs are testable.

#include <ctime>

namespace dialog {

class Clock {
public:
    virtual ~Clock() = default;
    /// Calendar seconds.
    virtual std::time_t now() const = 0;
    /// Local broken-down time of now().
    virtual std::tm localNow() const
    {
        std::time_t t = now();
        std::tm tm{};
        localtime_r(&t, &tm);
        return tm;
    }
};

class SystemClock final : public Clock {
public:
    std::time_t now() const override { return std::time(nullptr); }
};

} // namespace dialog
