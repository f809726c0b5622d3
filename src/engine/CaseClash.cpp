#include "engine/CaseClash.h"

#include "base/AsciiCase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

bool takenUnderAnotherCase(const std::string &folderOnDisk, const std::string &name)
{
    struct stat there {};
    if (::fstatat(AT_FDCWD, (folderOnDisk + "/" + name).c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
        return false; // nothing there under this name in any case
    DIR *dir = ::opendir(folderOnDisk.c_str());
    if (dir == nullptr)
        return false;
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
