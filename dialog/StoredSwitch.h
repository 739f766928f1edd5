#pragma once
// An on/off setting of a program's own, shown as a check entry of its
// window's menu and kept in a small settings file of "name=value" lines
// ("auto-reconnect=1"), apart from the files older versions read.

#include "dialog/ControlSurface.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace dialog {

/// $XDG_CONFIG_HOME/program, or ~/.config/program when that is unset or
/// not absolute (as the XDG rules ask).
std::filesystem::path configFolder(std::string_view program);

/// On only when key's last line in file is "key=1"; a missing, unreadable
/// or malformed file, line or value reads as off.
bool readSwitch(const std::filesystem::path& file, std::string_view key);
/// Sets key's line to "key=1" or "key=0", keeping the file's other lines.
/// The folder is made when missing; the file is replaced whole or not at
/// all. @return the cause of a failure.
std::error_code writeSwitch(const std::filesystem::path& file, std::string_view key, bool on);

class StoredSwitch {
public:
    /// Reads the state from file; an empty path keeps nothing between runs
    /// (the switch starts off).
    StoredSwitch(int command, std::filesystem::path file, std::string key);

    bool on() const { return on_; }
    /// Whether a menu command is this switch's entry (its low four bits may
    /// carry flags).
    bool isCommand(int command) const { return (command & 0xFFF0) == command_; }
    /// Shows the state as the entry's check mark.
    void show(ControlSurface& surface) const { surface.setMenuCheck(command_, on_); }
    /// The user chose the entry: the state turns, shows and is written. A
    /// failed write does not concern the user at that moment: the state
    /// holds for this run all the same. @return the write's failure.
    std::error_code toggle(ControlSurface& surface);

private:
    int command_;
    std::filesystem::path file_;
    std::string key_;
    bool on_ = false;
};

} // namespace dialog
