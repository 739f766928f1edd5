// Quillon starting from any set.log and data.log and closing again: it
// starts, and writes back the send texts it read and, for each line
// setting, the stored position or none when the list has no such entry.

#include "FuzzCommon.h"

#include "dialog/FileIo.h"
#include "dialog/testing/FakeClock.h"
#include "dialog/testing/MemorySurface.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/app/SettingsFiles.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace quillon;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const test_support::TempDir config = fuzz::memoryTempDir("fuzz-quillon-settings");
    static const test_support::TempDir links = fuzz::memoryTempDir("fuzz-quillon-ports");
    FuzzedDataProvider in(data, size);
    const std::string portFile = in.ConsumeRandomLengthString(256);
    const std::string textFile = in.ConsumeRemainingBytesAsString();
    FUZZ_CHECK(test_support::writeFile(config / kPortSettingsFile, portFile) &&
                   test_support::writeFile(config / kSendAreaFile, textFile),
               "the settings files are written");
    const StoredPortSettings stored = parsePortSettings(portFile);

    dialog::testing::FakeClock clock;
    dialog::testing::MemorySurface surface{quillonMainWindowTemplate()};
    QuillonMainDialog dlg(clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }),
                          config.path());
    dlg.bind(surface);
    dlg.onInit();
    FUZZ_CHECK(dlg.onCloseRequest(), "it closes");

    const auto written = [&](const char* name) { return dialog::readWholeFile(config / name).value_or(""); };
    FUZZ_CHECK(parseSendAreaTexts(written(kSendAreaFile)) == parseSendAreaTexts(textFile), "the texts kept");
    const StoredPortSettings back = parsePortSettings(written(kPortSettingsFile));
    for (const auto& [id, was, now] : {std::tuple{Baud, stored.baudIndex, back.baudIndex},
                                       std::tuple{DataBits, stored.dataBitsIndex, back.dataBitsIndex},
                                       std::tuple{Parity, stored.parityIndex, back.parityIndex},
                                       std::tuple{StopBits, stored.stopBitsIndex, back.stopBitsIndex}})
        FUZZ_CHECK(now == (was >= 0 && was < surface.itemCount(id) ? was : -1), "a line setting kept or none");
    FUZZ_CHECK(back.portName == surface.selectedText(PortList), "the port chosen kept");
    return 0;
}
