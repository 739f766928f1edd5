// Prints the checksum suffix of hex bytes, for cross-checking against an
// independent CRC implementation: checksum_cli KIND HEX...
#include "quillon/send/Checksum.h"
#include "quillon/send/HexTextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string text;
    for (int i = 2; i < argc; ++i)
        text += std::string(argv[i]) + " ";
    std::vector<std::uint8_t> bytes;
    if (quillon::parseHex(text, false, bytes) != quillon::HexResult::Ok)
        return 1;
    const auto kind = static_cast<quillon::ChecksumKind>(std::atoi(argv[1]));
    std::printf("%s\n", quillon::checksumSuffix(kind, bytes).c_str());
    return 0;
}
