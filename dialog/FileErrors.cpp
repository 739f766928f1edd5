#include "dialog/FileErrors.h"

#include "dialog/Gbk.h"

#include <cerrno>

namespace dialog {

FileError fileErrorFromErrno(int err)
{
    switch (err) {
    case ENOENT: return FileError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return FileError::BadPath;
    case EMFILE:
    case ENFILE: return FileError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return FileError::AccessDenied;
    case EBADF: return FileError::InvalidFile;
    case EMLINK: return FileError::DirectoryFull;
    case EIO: return FileError::HardIo;
    case ETXTBSY:
    case EBUSY: return FileError::SharingViolation;
    case ENOLCK:
    case EDEADLK: return FileError::LockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FileError::DiskFull;
    default: return FileError::Generic;
    }
}

std::string fileErrorMessage(FileError cause, const std::string& pathGbk)
{
    const char* pattern = nullptr;
    switch (cause) {
    case FileError::Generic: pattern = "在对 %1 进行访问时发生了一个不明错误。"; break;
    case FileError::FileNotFound: pattern = "没有找到 %1。"; break;
    case FileError::BadPath: pattern = "%1 中包含无效的路径。"; break;
    case FileError::TooManyOpenFiles: pattern = "无法打开 %1 因为太多文件已被打开。"; break;
    case FileError::AccessDenied: pattern = "对 %1 的存取被拒绝。"; break;
    case FileError::InvalidFile: pattern = "一个无效的文件柄与 %1 相关联。"; break;
    case FileError::DirectoryFull: pattern = "该目录已满，无法创建 %1。"; break;
    case FileError::HardIo: pattern = "在存取 %1 时一个硬件输入/输出错误被报告。"; break;
    case FileError::SharingViolation: pattern = "在存取 %1 时发生共享违例。"; break;
    case FileError::LockViolation: pattern = "在存取 %1 时发生锁违例。"; break;
    case FileError::DiskFull: pattern = "在存取 %1 时磁盘已满。"; break;
    }
    std::string text = gbk(pattern);
    const auto at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, pathGbk);
    return text;
}

} // namespace dialog
