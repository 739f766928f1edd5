// Prints the command CRC ("%04X") of each line of hex bytes on stdin.
#include "veltra/app/HexText.h"
#include "veltra/command/CommandFrame.h"

#include <cstdio>
#include <iostream>

int main()
{
    for (std::string line; std::getline(std::cin, line);) {
        const std::vector<std::uint8_t> bytes = veltra::parseHexText(line);
        std::printf("%04X\n", veltra::command::commandCrc16(bytes.data(), bytes.size()));
    }
}
