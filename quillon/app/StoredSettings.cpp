#include "quillon/app/StoredSettings.h"

#include "dialog/FileIo.h"

#include <utility>

namespace quillon {

void StoredSettings::load(PortChoice& port, std::array<SendArea, 3>& areas) const
{
    if (auto content = dialog::readWholeFile(configDir_ / kPortSettingsFile, kMaxSettingsFileBytes))
        port = parsePortSettings(*content);
    for (auto& a : areas)
        a.text.clear();
    if (auto content = dialog::readWholeFile(configDir_ / kSendAreaFile, kMaxSettingsFileBytes)) {
        const auto texts = parseSendAreaTexts(*content);
        for (std::size_t i = 0; i < areas.size(); ++i)
            areas[i].text = texts[i];
    }
}

std::optional<StoredSettings::Failure> StoredSettings::save(const PortChoice& port,
                                                            const std::array<SendArea, 3>& areas) const
{
    std::error_code dirError;
    std::filesystem::create_directories(configDir_, dirError);

    const std::array<std::string, 3> texts{areas[0].text, areas[1].text, areas[2].text};
    const std::pair<std::filesystem::path, std::string> files[] = {
        {configDir_ / kPortSettingsFile, formatPortSettings(port)},
        {configDir_ / kSendAreaFile, formatSendAreaTexts(texts)},
    };
    for (const auto& [path, content] : files)
        if (std::error_code ec = dialog::writeFileAtomically(path, content))
            return Failure{path, ec};
    return std::nullopt;
}

} // namespace quillon
