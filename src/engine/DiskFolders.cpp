#include "engine/DiskFolders.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillarc::diskfolders {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isDots(const char *name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

// Read at once, so that entries removed meanwhile do not upset the listing.
std::vector<std::string> namesIn(int dirFd)
{
    std::vector<std::string> names;
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return names;
    DIR *dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return names;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (!isDots(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

UniqueFd openBeneath(int at, std::string_view relative, bool create)
{
    UniqueFd current(::fcntl(at, F_DUPFD_CLOEXEC, 0));
    std::size_t start = 0;
    while (current && start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string name(relative.substr(start, end - start));
        start = end + 1;
        if (name.empty())
            continue;
        if (name == "." || name == "..") {
            errno = EINVAL;
            return {};
        }
        UniqueFd next(::openat(current.get(), name.c_str(), kFolderFlags));
        if (!next && errno == ENOENT && create) {
            if (::mkdirat(current.get(), name.c_str(), 0700) != 0 && errno != EEXIST)
                return {};
            next.reset(::openat(current.get(), name.c_str(), kFolderFlags));
        }
        current = std::move(next);
    }
    return current;
}

bool forEachFile(int dirFd, const std::string &relative, const FileVisit &file)
{
    for (const std::string &name : namesIn(dirFd)) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        std::string path = relative;
        if (!path.empty())
            path += '/';
        path += name;
        if (S_ISDIR(st.st_mode)) {
            const UniqueFd sub(::openat(dirFd, name.c_str(), kFolderFlags));
            if (sub && !forEachFile(sub.get(), path, file))
                return false;
        } else if (!file(dirFd, name.c_str(), path, st)) {
            return false;
        }
    }
    return true;
}

void removeEmptyFolders(int dirFd)
{
    for (const std::string &name : namesIn(dirFd)) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            continue;
        if (const UniqueFd sub(::openat(dirFd, name.c_str(), kFolderFlags)); sub)
            removeEmptyFolders(sub.get());
        ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR); // fails, as it should, when not empty
    }
}

} // namespace quillarc::diskfolders
