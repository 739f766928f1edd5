#include "dialog/StoredSwitch.h"

#include "dialog/FileIo.h"

#include <cstdlib>
#include <optional>
#include <utility>

namespace dialog {
namespace {

// A few short lines are all the program writes; a larger file is not ours.
constexpr std::size_t kMaxSwitchFileBytes = std::size_t{64} * 1024;

std::string_view trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The value of a "key=value" line, or nullopt when the line is another's.
std::optional<std::string_view> valueOf(std::string_view line, std::string_view key)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || trimmed(line.substr(0, eq)) != key)
        return std::nullopt;
    return trimmed(line.substr(eq + 1));
}

template <class Each> void forEachLine(std::string_view content, Each&& each)
{
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        each(content.substr(0, end));
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
}

} // namespace

std::filesystem::path configFolder(std::string_view program)
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : ".") / ".config";
    }
    return base / program;
}

bool readSwitch(const std::filesystem::path& file, std::string_view key)
{
    const std::optional<std::string> content = readWholeFile(file, kMaxSwitchFileBytes);
    if (!content)
        return false;
    bool on = false;
    forEachLine(*content, [&](std::string_view line) {
        if (const auto value = valueOf(line, key))
            on = *value == "1";
    });
    return on;
}

std::error_code writeSwitch(const std::filesystem::path& file, std::string_view key, bool on)
{
    const std::string own = std::string(key) + (on ? "=1" : "=0");
    std::string content;
    bool written = false;
    // The key's line stays where it was; a later one of the same key would
    // win at the next read, so it goes.
    if (const std::optional<std::string> old = readWholeFile(file, kMaxSwitchFileBytes)) {
        forEachLine(*old, [&](std::string_view line) {
            if (!valueOf(line, key))
                content.append(line).append("\n");
            else if (!std::exchange(written, true))
                content.append(own).append("\n");
        });
    }
    if (!written)
        content.append(own).append("\n");
    std::error_code dirError; // a folder that cannot be made fails the write, which says why
    std::filesystem::create_directories(file.parent_path(), dirError);
    return writeFileAtomically(file, content);
}

StoredSwitch::StoredSwitch(int command, std::filesystem::path file, std::string key)
    : command_(command), file_(std::move(file)), key_(std::move(key)), on_(!file_.empty() && readSwitch(file_, key_))
{
}

std::error_code StoredSwitch::toggle(ControlSurface& surface)
{
    on_ = !on_;
    show(surface);
    return file_.empty() ? std::error_code() : writeSwitch(file_, key_, on_);
}

} // namespace dialog
