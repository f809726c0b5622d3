#include "engine/TreeWalker.h"

#include "engine/LinkOwners.h"
#include "base/AsciiCase.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include <sys/vfs.h>
#include <unistd.h>

namespace quillarc {

namespace {

// Room for a few hundred names a call, as a directory stream reads them.
constexpr std::size_t kListingBytes = 32768;

// A folder that is not there (any more) has nothing to back up: the scan
// of a deleted folder is empty, as it always was.
bool isGone(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

enum class EntryKind {
    Skip,
    Folder,
    File,
    RefusedLink,
    Unreadable
};

// What a directory entry is. `st` is filled for files, and for folders
// when the listing did not say; `link` for a link to a file.
EntryKind classify(int dirFd, const char *name, unsigned char type, struct stat &st, struct stat &link, int &error)
{
    if (type == DT_DIR)
        return EntryKind::Folder;
    if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN)
        return EntryKind::Skip;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        return isGone(error) ? EntryKind::Skip : EntryKind::Unreadable;
    }
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    if (S_ISLNK(st.st_mode)) {
        link = st;
        // A dangling link or a link to anything but a file is no file.
        if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            return EntryKind::Skip;
        return linkMayBeFollowed(link, st) ? EntryKind::File : EntryKind::RefusedLink;
    }
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Skip;
}

// One name of a folder's listing, with whether another name of the same
// folder differs from it only in case. The names lie one after another in
// the listing's own buffer, so that a folder's listing costs a few
// allocations, not one a name.
struct ListedEntry {
    std::uint32_t at; ///< where the name starts in Listing::names
    unsigned char type;
    bool caseTwin = false;
};

struct Listing {
    std::string names; ///< every name, each ending in '\0'
    std::vector<ListedEntry> entries;
    bool anyUpperCase = false;

    const char *name(const ListedEntry &entry) const { return names.c_str() + entry.at; }
};

// The folder's names but "." and "..", read straight from the kernel: a
// directory stream would ask for the descriptor's flags and set them
// again, two calls a folder. `text` is the folder's path ending in '/'.
Listing readListing(int dirFd, std::vector<char> &buffer, const std::string &text, TreeVisitor &visitor)
{
    Listing listing;
    if (buffer.empty())
        buffer.resize(kListingBytes);
    for (;;) {
        const ssize_t got = ::getdents64(dirFd, buffer.data(), buffer.size());
        if (got <= 0) {
            if (got < 0)
                visitor.unreadable(text.substr(0, text.size() - 1), errno);
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto *entry = reinterpret_cast<const struct dirent64 *>(buffer.data() + at);
            at += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            listing.entries.push_back({static_cast<std::uint32_t>(listing.names.size()), entry->d_type});
            listing.names.append(name, std::strlen(name) + 1);
            for (const char *c = name; !listing.anyUpperCase && *c != '\0'; ++c)
                listing.anyUpperCase = toLowerAscii(*c) != *c;
        }
    }
    return listing;
}

void markCaseTwins(Listing &listing)
{
    std::unordered_map<std::string, std::size_t> byFoldedName;
    std::vector<ListedEntry> &entries = listing.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto [at, added] = byFoldedName.try_emplace(toLowerAscii(listing.name(entries[i])), i);
        if (!added) {
            entries[at->second].caseTwin = true;
            entries[i].caseTwin = true;
        }
    }
}

} // namespace

bool onKernelView(int fd)
{
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case EFIVARFS_MAGIC:
    case 0x19800202UL: // mqueue
    case BINFMTFS_MAGIC:
    case NSFS_MAGIC:
    case 0x62656570UL: // configfs
    case 0x65735543UL: // fusectl
        return true;
    default:
        return false;
    }
}

void TreeWalker::setSkippedFolder(const std::string &path)
{
    struct stat st {};
    m_skipKnown = !path.empty() && ::stat(path.c_str(), &st) == 0;
    m_skipDevice = st.st_dev;
    m_skipInode = st.st_ino;
    m_alsoSkipped.clear();
}

void TreeWalker::addSkippedFolder(const std::string &path)
{
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0)
        m_alsoSkipped.emplace_back(st.st_dev, st.st_ino);
}

// Asked of the folder itself: listings of some file systems (overlayfs)
// give other inode numbers than stat does.
bool TreeWalker::isSkipped(const struct stat &st) const
{
    if (m_skipKnown && st.st_dev == m_skipDevice && st.st_ino == m_skipInode)
        return true;
    return std::find(m_alsoSkipped.begin(), m_alsoSkipped.end(), std::pair(st.st_dev, st.st_ino)) !=
           m_alsoSkipped.end();
}

void TreeWalker::walk(const std::string &path, bool withSubfolders, TreeVisitor &visitor) const
{
    visitor.folder(path);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        if (!isGone(errno))
            visitor.unreadable(path, errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || isSkipped(st) || onKernelView(fd.get()))
        return;
    const std::string text = (!path.empty() && path.back() == '/') ? path : path + "/";
    visitor.enterFolder(path, st);
    walkOpen(std::move(fd), st, text, withSubfolders, visitor);
    visitor.leaveFolder(path, st);
}

// Sub-folders are walked depth first, as they are met.
void TreeWalker::walkOpen(UniqueFd fd, const struct stat &folderStat, const std::string &text, bool withSubfolders,
                          TreeVisitor &visitor) const
{
    const int dirFd = fd.get();
    // The listing is read whole first, so that names differing only in case
    // are known before either is copied.
    Listing listing = readListing(dirFd, m_listing, text, visitor);
    // Only a folder with an upper-case letter in some name can hold twins.
    if (listing.anyUpperCase)
        markCaseTwins(listing);
    // Each entry's path is made in one string, which keeps its room from
    // one entry to the next.
    std::string path;
    path.reserve(text.size() + 64);
    for (const ListedEntry &listed : listing.entries) {
        if (!visitor.goOn())
            return;
        const char *name = listing.name(listed);
        path.assign(text).append(name);
        struct stat st {};
        struct stat link {};
        int error = 0;
        switch (classify(dirFd, name, listed.type, st, link, error)) {
        case EntryKind::Skip:
            break;
        case EntryKind::Unreadable:
            visitor.unreadable(path, error);
            break;
        case EntryKind::File:
            visitor.file(dirFd, name, path, st, listed.caseTwin);
            break;
        case EntryKind::RefusedLink:
            visitor.refusedLink(path, link, st);
            break;
        case EntryKind::Folder:
            if (!withSubfolders)
                break;
            if (listed.caseTwin && !visitor.enterCaseTwin(path))
                break;
            walkSubfolder(dirFd, name, folderStat, path, withSubfolders, visitor);
            break;
        }
    }
}

void TreeWalker::walkSubfolder(int dirFd, const char *name, const struct stat &folderStat, const std::string &sub,
                               bool withSubfolders, TreeVisitor &visitor) const
{
    UniqueFd childFd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!childFd) {
        const int error = errno;
        // A link to a folder is not entered (ELOOP); a folder gone
        // since the listing has nothing left to copy.
        if (!isGone(error) && error != ELOOP)
            visitor.unreadable(sub, error);
        return;
    }
    struct stat childStat {};
    if (::fstat(childFd.get(), &childStat) != 0 || isSkipped(childStat) ||
        (childStat.st_dev != folderStat.st_dev && onKernelView(childFd.get())))
        return;
    visitor.folder(sub);
    visitor.enterFolder(sub, childStat);
    walkOpen(std::move(childFd), childStat, sub + "/", withSubfolders, visitor);
    visitor.leaveFolder(sub, childStat);
}

} // namespace quillarc
