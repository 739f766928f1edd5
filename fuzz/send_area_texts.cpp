// data.log as found on disk, whatever it holds: the texts read write back
// to a file that reads the same, and any text survives its escaping.

#include "FuzzCommon.h"

#include "quillon/app/SettingsFiles.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content = fuzz::text(data, size);
    const std::array<std::string, 3> texts = parseSendAreaTexts(content);
    FUZZ_CHECK(parseSendAreaTexts(formatSendAreaTexts(texts)) == texts, "texts round trip through the file");
    FUZZ_CHECK(unescapeLine(escapeLine(content)) == content, "any text survives escaping");
    return 0;
}
