// set.log as found on disk, whatever it holds: what is read writes back
// to a file that reads the same.

#include "FuzzCommon.h"

#include "quillon/app/SettingsFiles.h"

#include <tuple>

using namespace quillon;

namespace {
auto fields(const StoredPortSettings& s)
{
    return std::tie(s.portName, s.stopBitsIndex, s.parityIndex, s.dataBitsIndex, s.baudIndex);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content = fuzz::text(data, size);
    const StoredPortSettings read = parsePortSettings(content);
    FUZZ_CHECK(read.portName.find('\n') == std::string::npos, "the name is one line");
    FUZZ_CHECK(fields(parsePortSettings(formatPortSettings(read))) == fields(read), "settings round trip");
    return 0;
}
