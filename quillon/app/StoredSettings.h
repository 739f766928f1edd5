#pragma once
// What Quillon keeps between runs in its configuration folder: the port
// settings (set.log) and the send-area texts (data.log).

#include "quillon/app/SettingsFiles.h"
#include "quillon/send/SendArea.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace quillon {

/// The port settings as list positions, with what a first start shows.
using PortChoice = StoredPortSettings;

class StoredSettings {
public:
    /// @param configDir folder of set.log and data.log (created by save()
    ///        when missing).
    explicit StoredSettings(std::filesystem::path configDir) : configDir_(std::move(configDir)) {}

    /// Reads set.log into port (left as it is when the file cannot be
    /// read) and data.log into the areas' texts (empty without it).
    void load(PortChoice& port, std::array<SendArea, 3>& areas) const;

    struct Failure {
        std::filesystem::path path;
        std::error_code error;
    };
    /// Writes both files, each replaced whole; the first that fails stops it.
    std::optional<Failure> save(const PortChoice& port, const std::array<SendArea, 3>& areas) const;

private:
    std::filesystem::path configDir_;
};

} // namespace quillon
