#include "engine/Leftovers.h"

#include "engine/DiskFolders.h"

#include <fcntl.h>
#include <unistd.h>

namespace quillarc::leftovers {

UniqueFd partsFolder(int rootFd)
{
    return diskfolders::openBeneath(rootFd, kPartsFolder, true);
}

int removeLeftovers(int rootFd)
{
    const UniqueFd parts = diskfolders::openBeneath(rootFd, kPartsFolder, false);
    if (!parts)
        return 0;
    int removed = 0;
    diskfolders::forEachFile(parts.get(), {},
                             [&](int folderFd, const char *name, const std::string &, const struct stat &) {
                                 if (::unlinkat(folderFd, name, 0) == 0)
                                     ++removed;
                                 return true;
                             });
    diskfolders::removeEmptyFolders(parts.get());
    return removed;
}

} // namespace quillarc::leftovers
