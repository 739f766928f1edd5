#pragma once
// A clock the test sets: calendar seconds, milliseconds, and optionally a
// local time of its own (otherwise the local time of those seconds).

#include "dialog/Clock.h"

#include <optional>

namespace dialog::testing {

class FakeClock : public dialog::Clock {
public:
    std::time_t seconds = 0;
    std::int64_t ms = 0;
    std::optional<std::tm> local;

    std::time_t now() const override { return seconds; }
    std::int64_t monotonicMs() const override { return ms; }
    std::tm localNow() const override { return local ? *local : Clock::localNow(); }

    /// A broken-down local time, months and days counted from 1.
    static std::tm at(int y, int mo, int d, int h, int mi, int s)
    {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_sec = s;
        return t;
    }
};

} // namespace dialog::testing
