#pragma once
// The two files Quillon keeps between runs, in its configuration folder:
// set.log (port settings) and data.log (send-area texts). Plain GBK text,
// one value per line, CR LF line ends.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr const char* kPortSettingsFile = "set.log";
inline constexpr const char* kSendAreaFile = "data.log";
/// The program's own switches, "name=value" lines (dialog/StoredSwitch.h):
/// set.log and data.log keep the format other versions read.
inline constexpr const char* kSwitchFile = "quillon.conf";
/// What is read of each file at start. The program writes a few short
/// lines; a text past this could never go out as one frame (4096 bytes at
/// most), and the tick reads the send areas every 10 ms.
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{64} * 1024;

/// The port settings as stored: name and list positions. A reading sets
/// every field; the initial values are what a first start shows.
struct StoredPortSettings {
    std::string portName = "COM1";
    int stopBitsIndex = 0;
    int parityIndex = 0;
    int dataBitsIndex = 2;
    int baudIndex = 3;
};

/// Splits a text file's content into lines: LF ends a line, a CR before it
/// is dropped; a last line without a line end counts.
std::vector<std::string> splitLines(std::string_view content);

/// Leading decimal integer of a line (blanks, optional sign, digits); 0 when
/// the line is empty or starts with no number.
int leadingInteger(std::string_view line);

/// set.log: line 1 the name, lines 2 to 5 stop bits, parity, data bits,
/// baud; a missing line reads as empty, an empty or non-numeric one as 0.
StoredPortSettings parsePortSettings(std::string_view content);
std::string formatPortSettings(const StoredPortSettings& s);

/// data.log: the first three lines are the texts of areas 1 to 3. Inside a
/// text, CR, LF and backslash are stored as \r, \n and \\ so that a text
/// with line breaks stays one line.
std::array<std::string, 3> parseSendAreaTexts(std::string_view content);
std::string formatSendAreaTexts(const std::array<std::string, 3>& texts);

std::string escapeLine(std::string_view text);
std::string unescapeLine(std::string_view line);

} // namespace quillon
