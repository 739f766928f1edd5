#pragma once
// Calendar time, injected so that time stamps and time-outs are testable.

#include <chrono>
#include <cstdint>
#include <ctime>

namespace dialog {

class Clock {
public:
    virtual ~Clock() = default;
    /// Calendar seconds.
    virtual std::time_t now() const = 0;
    /// Milliseconds on a clock that only goes forward, for spacing ticks.
    virtual std::int64_t monotonicMs() const = 0;
    /// The same clock in nanoseconds, for schedules finer than a millisecond.
    virtual std::int64_t monotonicNs() const { return monotonicMs() * 1000000; }
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
    std::int64_t monotonicMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    std::int64_t monotonicNs() const override
    {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

} // namespace dialog
