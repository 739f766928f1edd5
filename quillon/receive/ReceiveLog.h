#pragma once
// The receive log: a text file appended record by record, opened and
// closed for each one so nothing is held open between frames.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon {

/// Text-mode line ends: every LF becomes CR LF.
std::string withCrLf(std::string_view text);

/// Appends a record (and a line end when asked), creating the file when it
/// is missing. A relative path is taken from the current folder now.
/// @return the cause of a failure to open (ENOENT, EACCES, ...); ENOSPC for
///         any failure to write or close.
std::error_code appendToLog(const std::filesystem::path& path, std::string_view record, bool lineEnd);

} // namespace quillon
