#pragma once
// What the simulator's pieces pass around: bytes of the line and moments on
// a monotonic clock, in microseconds.

#include <cstdint>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using Micros = std::int64_t;

} // namespace sim
