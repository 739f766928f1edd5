#pragma once
// Bytes written as hex pairs in a test table ("01 03 00 0A").

#include "sim/Bytes.h"

#include <sstream>

namespace sim::test {

inline Bytes bytes(const char* hex)
{
    std::istringstream in(hex);
    Bytes out;
    unsigned v;
    while (in >> std::hex >> v)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

} // namespace sim::test
