#pragma once
// The receive log: a text file appended record by record, opened and
// closed for each one so nothing is held open between frames.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon {

/// Text-mode line ends: a LF becomes CR LF unless a CR stands before it.
std::string withCrLf(std::string_view text);

/// Appends a record (and a line end when asked) with withCrLf's line ends,
/// creating the file when it is missing. Records are written one by one: a
/// CR ending one record and a LF starting the next are not joined. A
/// relative path is taken from the current folder now.
/// @return the cause of a failure to open (ENOENT, EACCES, ...); ENOSPC for
///         any failure to write or close.
std::error_code appendToLog(const std::filesystem::path& path, std::string_view record, bool lineEnd);

} // namespace quillon
