#pragma once
// The value of one hex digit, for everything that reads bytes typed as hex
// text (the programs' hex send, the simulator's reply table); HexFormat.h
// writes such text.

namespace serial {

/// 0 to 15 for 0-9, a-f, A-F; -1 for any other character.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace serial
