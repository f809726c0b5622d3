#include "engine/BackupDisk.h"

#include "engine/CaseClash.h"

#include "engine/CopyMetadata.h"
#include "engine/DiskFault.h"
#include "engine/Leftovers.h"
#include "catalogue/DiskLayout.h"
#include "base/AsciiCase.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillarc {

BackupDisk::BackupDisk()
    : m_asRoot(::geteuid() == 0), m_metadata(m_asRoot),
      m_folders(m_metadata, [this](int dirFd, const std::string &name,
                                   std::string_view relative) { return keptAside(dirFd, name, relative); }),
      m_random(std::random_device {}()), m_procFds(::access("/proc/self/fd", X_OK) == 0)
{
}

BackupDisk::~BackupDisk() = default;

void BackupDisk::setRoot(const std::string &root)
{
    if (root == m_folders.root() && m_folders.rootFd() >= 0)
        return;
    m_lastLook.reset();
    endFlight();
    m_folders.setRoot(root);
    m_unit = 0;
}

std::int64_t BackupDisk::spaceTaken(std::int64_t size)
{
    if (m_unit <= 0) {
        int error = 0;
        struct statvfs vfs {};
        const int dir = m_folders.folder({}, false, error);
        m_unit = dir >= 0 && ::fstatvfs(dir, &vfs) == 0 && vfs.f_bsize > 0 ? static_cast<std::int64_t>(vfs.f_bsize)
                                                                           : std::int64_t {64} << 10;
    }
    const std::int64_t units = size / m_unit + (size % m_unit != 0 ? 1 : 0);
    return (units + 1) * m_unit;
}

void BackupDisk::followSourceFolder(std::string_view relativeFolder)
{
    if (relativeFolder.empty() || m_folders.followed(relativeFolder))
        return;
    int error = 0;
    const int dir = m_folders.folder(relativeFolder, false, error);
    if (dir >= 0)
        m_folders.followSource(dir, relativeFolder);
}

// A copy is current when it matches its source in length, modification
// time to the nanosecond and permission bits (owners too, as root), and the
// source has not changed since that copy began to be read: content
// rewritten with its size and time kept (a container, a database, `touch
// -r`), even while it was being copied, moves the source's status-change
// time only. The catalogue keeps that time as it was when the copy began;
// a copy it holds no record of (a disk written before) is not current, so
// a doubt costs a copy. Without a catalogue the copy must at least have
// been made after the source's last change.
bool BackupDisk::isCurrent(const struct stat &copy, const struct stat &source, std::string_view relative)
{
    const bool alike = S_ISREG(copy.st_mode) && copy.st_size == source.st_size &&
                       copy.st_mtim.tv_sec == source.st_mtim.tv_sec && copy.st_mtim.tv_nsec == source.st_mtim.tv_nsec &&
                       (copy.st_mode & 07777) == (source.st_mode & (m_asRoot ? 07777 : 0777)) &&
                       (!m_asRoot || (copy.st_uid == source.st_uid && copy.st_gid == source.st_gid));
    if (!alike)
        return false;
    if (m_ledger != nullptr && m_ledger->active()) {
        const std::optional<CopyRecord> record = m_ledger->copyAt(relative);
        return record && record->sourceChangedNs == nanoseconds(source.st_ctim) && record->size == source.st_size &&
               record->modifiedNs == nanoseconds(source.st_mtim);
    }
    return copy.st_ctim.tv_sec > source.st_ctim.tv_sec ||
           (copy.st_ctim.tv_sec == source.st_ctim.tv_sec && copy.st_ctim.tv_nsec > source.st_ctim.tv_nsec);
}

bool BackupDisk::hasCurrentCopy(std::string_view relative, const struct stat &source, std::int64_t *olderRoom)
{
    const auto [folderPart, name] = splitFolderAndName(relative);
    int error = 0;
    const int dir = m_folders.folder(folderPart, false, error);
    // A folder this pass made holds only what it stored there: no look.
    const bool assumed = dir >= 0 && !folderPart.empty() && m_folders.lastMade();
    struct stat st {};
    const bool there = dir >= 0 && !assumed && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    m_lastLook = Look {std::string(relative), there, assumed, st};
    if (!there)
        return false;
    if (isCurrent(st, source, relative))
        return true;
    if (olderRoom != nullptr && S_ISREG(st.st_mode))
        *olderRoom += static_cast<std::int64_t>(st.st_blocks) * 512;
    return false;
}

const char *BackupDisk::kindOf(const struct stat &st) const
{
    if (S_ISDIR(st.st_mode))
        return "a folder";
    if (S_ISLNK(st.st_mode))
        return "a symbolic link";
    if (S_ISREG(st.st_mode))
        return "a file";
    return "a special file";
}

// An older copy of another kind where a folder of copies is to be (a file,
// a symbolic link) is kept as a version, never deleted nor followed.
bool BackupDisk::keptAside(int dirFd, const std::string &name, std::string_view relative)
{
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
        return false;
    const std::optional<std::string> stamp = m_versions.keep(m_folders.rootFd(), dirFd, name, relative);
    if (!stamp)
        return false;
    if (m_ledger != nullptr && S_ISREG(st.st_mode))
        m_ledger->recordVersion(relative, *stamp);
    if (!m_remark.empty())
        m_remark += "; ";
    m_remark += "an older copy, " + std::string(kindOf(st)) +
                ", was in the way and was kept as a version: " + std::string(disklayout::kVersions) + "/" + *stamp +
                "/" + std::string(relative);
    return true;
}

int BackupDisk::removeLeftovers()
{
    int error = 0;
    const int root = m_folders.folder({}, false, error);
    return root < 0 ? 0 : leftovers::removeLeftovers(root);
}

std::int64_t BackupDisk::versionsRoom(std::int64_t wanted)
{
    int error = 0;
    const int root = m_folders.folder({}, false, error);
    return root < 0 ? 0 : DiskVersions::roomUpTo(root, wanted);
}

std::int64_t BackupDisk::pruneVersions(const std::function<bool(std::int64_t)> &enough)
{
    int error = 0;
    const int root = m_folders.folder({}, false, error);
    if (root < 0)
        return 0;
    return DiskVersions::prune(root, enough, [&](const std::string &stamp, const std::string &path) {
        if (m_ledger != nullptr)
            m_ledger->forgetVersion(path, stamp);
    });
}

// True when `name` would land on another file's copy: the disk does not
// tell names apart by case, and an entry differing from `name` only in case
// is already there. Asked only for a source file with such a twin beside it.
bool BackupDisk::clashesByCase(int dirFd, const std::string &name)
{
    return takenUnderAnotherCase(dirFd, name);
}

std::optional<BackupDisk::Result> BackupDisk::storeLink(const std::string &firstCopy, const struct stat &sourceStat,
                                                        std::string_view relative, bool caseTwin, StoreReport &report)
{
    report = StoreReport {};
    m_remark.clear();
    const auto [firstFolder, firstName] = splitFolderAndName(firstCopy);
    const auto [folderPart, name] = splitFolderAndName(relative);
    if (name.empty() || name == "." || name == "..")
        return std::nullopt;
    int error = 0;
    const int firstDirFd = m_folders.folder(firstFolder, false, error);
    if (firstDirFd < 0)
        return std::nullopt;
    // The next folder() call may close the one in hand.
    const UniqueFd firstDir(::fcntl(firstDirFd, F_DUPFD_CLOEXEC, 0));
    struct stat first {};
    if (!firstDir || ::fstatat(firstDir.get(), firstName.c_str(), &first, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(first.st_mode) || first.st_size != sourceStat.st_size ||
        first.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec || first.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec)
        return std::nullopt;
    const int dir = m_folders.folder(folderPart, true, error);
    report.remark = m_remark;
    if (dir < 0 || (caseTwin && clashesByCase(dir, name)))
        return std::nullopt; // the copy meets the same fault and reports it
    struct stat existing {};
    if (::fstatat(dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        // Renaming a name onto another name of the same file does nothing.
        if (existing.st_dev == first.st_dev && existing.st_ino == first.st_ino)
            return Result::AlreadyThere;
        if (S_ISDIR(existing.st_mode))
            return std::nullopt;
    }
    // A link is made whole at once: the older copy makes way into the
    // versions first, and comes back if the link cannot be made.
    std::optional<std::string> kept;
    if (::fstatat(dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        kept = m_versions.keep(m_folders.rootFd(), dir, name, relative);
        if (!kept) {
            report.error = errno;
            return linkFailed(report.error);
        }
        report.versionStamp = *kept;
    }
    if (::linkat(firstDir.get(), firstName.c_str(), dir, name.c_str(), 0) != 0) {
        report.error = errno;
        if (kept)
            DiskVersions::putBack(m_folders.rootFd(), *kept, dir, name, relative);
        report.versionStamp.clear();
        return linkFailed(report.error);
    }
    if (m_ledger != nullptr && m_ledger->active()) {
        if (kept && (S_ISREG(existing.st_mode) || S_ISDIR(existing.st_mode)))
            m_ledger->recordVersion(relative, *kept);
        if (std::optional<CopyRecord> record = m_ledger->copyAt(firstCopy)) {
            record->path = std::string(relative);
            m_ledger->recordCopy(*record);
        }
    }
    return Result::Stored;
}

int BackupDisk::settleFolder(std::string_view relative, const struct stat &sourceStat)
{
    if (relative.empty())
        return EINVAL;
    if (disklayout::isOwnPath(relative))
        return 0; // the program's own folder is no copy of a source folder
    int error = 0;
    const int fd = m_folders.folder(relative, true, error);
    if (fd < 0)
        return error;
    return settleFolder(fd, relative, sourceStat);
}

// The folder the files in flight were last sent into is held already.
std::shared_ptr<const UniqueFd> BackupDisk::holdFolder(std::string_view relative, bool create)
{
    if (relative.empty() || disklayout::isOwnPath(relative))
        return nullptr;
    if (m_flightFolder && m_flightFolderPath == relative)
        return m_flightFolder;
    int error = 0;
    const int fd = m_folders.folder(relative, create, error);
    return fd < 0 ? nullptr : sharedDuplicate(fd);
}

int BackupDisk::settleFolder(int held, std::string_view relative, const struct stat &sourceStat)
{
    const int fd = held;
    // Bits, group, lists and attributes as the source folder has them (the
    // owner keeps every right to it without root, so that the next pass
    // gets in); then the times, once everything below it was written.
    m_folders.followSource(fd, relative);
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(fd, times) != 0 && errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    return 0;
}

int BackupDisk::flush()
{
    int error = 0;
    const int dir = m_folders.folder({}, false, error);
    if (dir < 0)
        return error;
    return ::syncfs(dir) == 0 ? 0 : errno;
}

} // namespace quillarc
