#pragma once
// The programs' file-error messages: one text per cause, %1 the path.

#include <string>
#include <system_error>

namespace dialog {

enum class FileError {
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    DirectoryFull,
    HardIo,
    SharingViolation,
    LockViolation,
    DiskFull,
};

/// The cause an errno value stands for.
FileError fileErrorFromErrno(int err);

/// The message for a cause with %1 replaced by the path (both GBK).
std::string fileErrorMessage(FileError cause, const std::string& pathGbk);

inline std::string fileErrorMessage(const std::error_code& ec, const std::string& pathGbk)
{
    return fileErrorMessage(fileErrorFromErrno(ec.value()), pathGbk);
}

} // namespace dialog
