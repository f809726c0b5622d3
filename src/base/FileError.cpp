#include "base/FileError.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace quillarc {

FileError::FileError(int errorNumber, std::string path)
    : std::runtime_error(causeText(errorNumber)), m_errorNumber(errorNumber), m_path(std::move(path))
{
}

std::string FileError::causeText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errorNumber);
    }
}

FileError FileError::forPath(int errorNumber, const std::string &path)
{
    if (errorNumber == ENOENT) {
        const std::size_t slash = path.find_last_of('/');
        if (slash != std::string::npos && slash > 0) {
            struct stat info {};
            const std::string folder = path.substr(0, slash);
            if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                return FileError(ENOTDIR, path);
        }
    }
    return FileError(errorNumber, path);
}

} // namespace quillarc
