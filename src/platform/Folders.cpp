#include "platform/Folders.h"

#include "base/AsciiCase.h"
#include "base/FileError.h"
#include "base/FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

void makeFolders(const std::string &folder)
{
    const std::string whole = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
    for (std::size_t at = whole.find('/', 1); at != std::string::npos; at = whole.find('/', at + 1)) {
        const std::string part = whole.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw FileError::forPath(errno, part);
    }
}

std::vector<SubFolder> listSubFolders(const std::string &folder)
{
    std::vector<SubFolder> found;
    FolderListing listing(folder);
    while (const dirent *entry = listing.next()) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat linkStat {};
        struct stat target {};
        const std::string path = folder + "/" + entry->d_name;
        if (::lstat(path.c_str(), &linkStat) != 0 || ::stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode))
            continue;
        found.push_back({entry->d_name, S_ISLNK(linkStat.st_mode)});
    }
    std::sort(found.begin(), found.end(),
              [](const SubFolder &a, const SubFolder &b) { return toLowerAscii(a.name) < toLowerAscii(b.name); });
    return found;
}

std::optional<struct tm> localModificationTime(const std::string &path)
{
    struct stat info {};
    struct tm local {};
    if (::stat(path.c_str(), &info) != 0 || localtime_r(&info.st_mtim.tv_sec, &local) == nullptr)
        return std::nullopt;
    return local;
}

} // namespace quillarc
