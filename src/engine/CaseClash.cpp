#include "engine/CaseClash.h"

#include "base/UniqueFd.h"

#include "base/AsciiCase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

bool takenUnderAnotherCase(const std::string &folderOnDisk, const std::string &name)
{
    const UniqueFd folder(::open(folderOnDisk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder && takenUnderAnotherCase(folder.get(), name);
}

bool takenUnderAnotherCase(int dirFd, const std::string &name)
{
    struct stat there {};
    if (::fstatat(dirFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
        return false; // nothing there under this name in any case
    UniqueFd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listFd)
        return false;
    DIR *dir = ::fdopendir(listFd.get());
    if (!dir)
        return false;
    listFd.release(); // the listing owns it now
    // The name was found, but the folder lists it only under another case:
    // the disk took the name for that entry, which is another file's copy.
    const std::string folded = toLowerAscii(name);
    bool exact = false;
    bool other = false;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name == name)
            exact = true;
        else if (toLowerAscii(entry->d_name) == folded)
            other = true;
    }
    ::closedir(dir);
    return other && !exact;
}

} // namespace quillarc
