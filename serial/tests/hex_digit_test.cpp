#include "serial/HexDigit.h"

#include <gtest/gtest.h>

#include <string>

using serial::hexDigitValue;

TEST(HexDigit, DigitValues)
{
    const std::string digits = "0123456789abcdefABCDEF";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(hexDigitValue(digits[i]), values[i]) << digits[i];
    for (char c : std::string(" gG/:@`\r\n\x80"))
        EXPECT_EQ(hexDigitValue(c), -1) << static_cast<int>(c);
}
