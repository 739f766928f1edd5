#pragma once
// Whole-file reads and writes for the programs' own files.

#include <cstddef>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace dialog {

/// The file system path a GBK path text stands for (file names on Linux
/// are UTF-8).
std::filesystem::path pathFromGbk(const std::string& gbkPath);
/// A path as GBK text, for messages and edits.
std::string gbkFromPath(const std::filesystem::path& p);

/// The whole content, or its first maxBytes bytes; nothing when the file
/// cannot be opened.
std::optional<std::string> readWholeFile(const std::filesystem::path& p,
                                         std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

/// Replaces the file with content, whole or not at all: writes a temporary
/// file in the same folder, syncs it, then renames it over the old one,
/// keeping its mode. A symbolic link is followed (the file it leads to is
/// replaced, the link stays). A file that is not a regular file (a
/// device), or has other hard links, is emptied and written in place
/// instead, so it stays what it is and every name sees the new content.
/// @return the cause of a failure (an errno value, for fileErrorMessage);
///         after a failed replace the old file is untouched, after a failed
///         write in place it holds what was written.
std::error_code writeFileAtomically(const std::filesystem::path& p, std::string_view content);

} // namespace dialog
