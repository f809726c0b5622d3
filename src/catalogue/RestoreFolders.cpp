#include "catalogue/RestoreFolders.h"

#include "catalogue/RestoreAttributes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace quillarc {

namespace {

std::vector<std::string> components(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string causeOf(int error)
{
    return std::strerror(error);
}

} // namespace

RestoreFolders::RestoreFolders(std::string base, int diskRootFd) : m_base(std::move(base)), m_diskRoot(diskRootFd)
{
    while (m_base.size() > 1 && m_base.back() == '/')
        m_base.pop_back();
}

int RestoreFolders::open(const std::string &folder, std::string_view mirrorFolder, std::string &problem)
{
    if (const auto found = m_open.find(folder); found != m_open.end())
        return found->second.get();
    const bool atBase = folder == m_base;
    const bool belowBase = folder.size() > m_base.size() && folder.compare(0, m_base.size(), m_base) == 0 &&
                           (m_base == "/" || folder[m_base.size()] == '/');
    if (!atBase && !belowBase) {
        problem = "not below the folder restored to";
        return -1;
    }
    int parent = -1;
    std::string parentPath = m_base;
    if (const auto found = m_open.find(m_base); found != m_open.end()) {
        parent = found->second.get();
    } else {
        UniqueFd base(::open(m_base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!base && errno == ENOENT && ::mkdir(m_base.c_str(), 0700) == 0)
            base.reset(::open(m_base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!base) {
            problem = m_base + ": " + causeOf(errno);
            return -1;
        }
        parent = base.get();
        m_open.emplace(m_base, std::move(base));
    }
    if (atBase)
        return parent;

    const std::vector<std::string> below = components(std::string_view(folder).substr(m_base.size()));
    const std::vector<std::string> mirror = components(mirrorFolder);
    for (std::size_t i = 0; i < below.size(); ++i) {
        parentPath += (parentPath == "/" ? "" : "/") + below[i];
        if (const auto found = m_open.find(parentPath); found != m_open.end()) {
            parent = found->second.get();
            continue;
        }
        // The folder's model on the disk: the mirror folder that ends in the
        // same components.
        std::string model;
        const std::size_t fromEnd = below.size() - i;
        if (fromEnd <= mirror.size()) {
            for (std::size_t m = 0; m + fromEnd <= mirror.size(); ++m)
                model += (m ? "/" : "") + mirror[m];
        }
        parent = openChild(parent, below[i], parentPath, model, problem);
        if (parent < 0)
            return -1;
    }
    return parent;
}

int RestoreFolders::openChild(int parent, const std::string &name, const std::string &path, std::string_view mirror,
                              std::string &problem)
{
    UniqueFd child(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!child && errno == ENOENT) {
        if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
            problem = path + ": " + causeOf(errno);
            return -1;
        }
        child.reset(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (child)
            m_made.emplace_back(path, mirror);
    }
    if (!child && (errno == ELOOP || errno == ENOTDIR)) {
        struct stat link {};
        if (::fstatat(parent, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) {
            if (link.st_uid == 0 || link.st_uid == ::geteuid())
                child.reset(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            else
                problem = path + ": a link of another user stands where a folder is restored; not followed";
        } else {
            problem = path + ": a file stands where a folder is restored";
        }
        if (!child && problem.empty())
            problem = path + ": " + causeOf(errno);
        if (!child)
            return -1;
    }
    if (!child) {
        problem = path + ": " + causeOf(errno);
        return -1;
    }
    const int fd = child.get();
    m_open.emplace(path, std::move(child));
    return fd;
}

void RestoreFolders::finish()
{
    clear();
    std::string ignored;
    // The deepest first: each folder was made after its parent.
    for (std::size_t i = m_made.size(); i-- > 0;) {
        const auto &[path, mirror] = m_made[i];
        const int folder = open(path, mirror, ignored);
        if (folder >= 0)
            takeModel(folder, mirror);
        m_open.erase(path); // the deeper ones are done with
    }
    m_made.clear();
    clear();
}

void RestoreFolders::takeModel(int folder, std::string_view mirror) const
{
    // Reached as the copies are, without following a link the disk holds.
    open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const UniqueFd modelFd(mirror.empty() ? -1
                                          : static_cast<int>(::syscall(SYS_openat2, m_diskRoot,
                                                                       std::string(mirror).c_str(), &how, sizeof how)));
    struct stat model {};
    if (!modelFd || ::fstat(modelFd.get(), &model) != 0 || !S_ISDIR(model.st_mode))
        return;
    bool owned = false;
    if (::geteuid() == 0 && ::getpwuid(model.st_uid) != nullptr)
        owned = ::fchown(folder, model.st_uid, model.st_gid) == 0;
    mode_t mode = model.st_mode & 07777 & ~mode_t(S_ISUID);
    if (!owned)
        mode &= ~mode_t(S_ISGID);
    ::fchmod(folder, mode);
    copyListsAndAttributes(modelFd.get(), folder, true);
    const timespec times[2] = {model.st_atim, model.st_mtim};
    ::futimens(folder, times);
}

} // namespace quillarc
