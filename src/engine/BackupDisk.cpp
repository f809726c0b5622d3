#include "engine/BackupDisk.h"

#include "engine/CaseClash.h"

#include "engine/CopyMetadata.h"
#include "engine/FileBytes.h"
#include "engine/Leftovers.h"
#include "catalogue/ContentHasher.h"
#include "catalogue/DiskLayout.h"
#include "base/AsciiCase.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillarc {

namespace {

// Faults of the disk as a whole, which end the pass. Anything else is the
// disk refusing one file for what it is: its name (FAT's ':' or '?', a
// trailing dot, a name too long) or its size (FAT's 4 GiB, EFBIG), and
// only that file is missed.
bool isDiskError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EIO || error == EROFS;
}

// A name the disk will not take, as opposed to a disk that fails.
bool isNameRefused(int error)
{
    return error == EINVAL || error == ENAMETOOLONG || error == EILSEQ;
}

// A temporary name carries a random part and is created exclusively in
// the disk's folder of temporary copies; a name there already (another
// pass's, which the disk's lock rules out, or a leftover) is never written
// over: another random part is tried instead.
std::string temporaryName(std::uint64_t random)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    for (int shift = 60; shift >= 0; shift -= 4)
        result += kHex[(random >> shift) & 0xF];
    return result + ".part";
}

std::pair<std::string_view, std::string> splitPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), std::string(path)};
    return {path.substr(0, slash), std::string(path.substr(slash + 1))};
}

} // namespace

BackupDisk::BackupDisk()
    : m_asRoot(::geteuid() == 0), m_metadata(m_asRoot), m_random(std::random_device {}()),
      m_procFds(::access("/proc/self/fd", X_OK) == 0)
{
}

BackupDisk::~BackupDisk()
{
    dropFolders();
}

void BackupDisk::dropFolders()
{
    m_chain.clear();
    m_rootFd.reset();
    m_followedFolders.clear();
}

void BackupDisk::setRoot(const std::string &root)
{
    if (root == m_root && m_rootFd)
        return;
    dropFolders();
    m_root = root;
    m_unit = 0;
}

std::int64_t BackupDisk::spaceTaken(std::int64_t size)
{
    if (m_unit <= 0) {
        int error = 0;
        struct statvfs vfs {};
        const int dir = folder({}, false, error);
        m_unit = dir >= 0 && ::fstatvfs(dir, &vfs) == 0 && vfs.f_bsize > 0 ? static_cast<std::int64_t>(vfs.f_bsize)
                                                                           : std::int64_t {64} << 10;
    }
    const std::int64_t units = size / m_unit + (size % m_unit != 0 ? 1 : 0);
    return (units + 1) * m_unit;
}

// Returns a descriptor of `relativeFolder` below the root, owned by this
// object (valid until the next call); -1 with `error` set when it is
// missing (and not to be created) or cannot be reached without following
// a link.
int BackupDisk::folder(std::string_view relativeFolder, bool create, int &error)
{
    if (!m_rootFd) {
        if (m_root.empty()) {
            error = ENOENT;
            return -1;
        }
        m_rootFd.reset(::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!m_rootFd) {
            error = errno;
            return -1;
        }
    }
    if (relativeFolder.empty())
        return m_rootFd.get();
    // The folders of the last path stay open, one per level: a walk that
    // goes one folder deeper or back up opens one folder, not the whole
    // path from the root.
    std::vector<std::string_view> names;
    for (std::size_t start = 0; start < relativeFolder.size();) {
        std::size_t end = relativeFolder.find('/', start);
        if (end == std::string_view::npos)
            end = relativeFolder.size();
        if (end > start)
            names.push_back(relativeFolder.substr(start, end - start));
        start = end + 1;
    }
    std::size_t kept = 0;
    while (kept < names.size() && kept < m_chain.size() && m_chain[kept].name == names[kept])
        ++kept;
    m_chain.resize(kept);
    for (std::size_t level = kept; level < names.size(); ++level) {
        const std::string name(names[level]);
        if (name == "." || name == "..") {
            error = EINVAL;
            return -1;
        }
        const int at = m_chain.empty() ? m_rootFd.get() : m_chain.back().fd.get();
        UniqueFd next(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        // An older copy of a file, or a link, where the source now has a
        // folder: kept as a version, never deleted nor followed.
        if (!next && (errno == ENOTDIR || errno == ELOOP) && create && !disklayout::isOwnPath(relativeFolder)) {
            const std::size_t length =
                static_cast<std::size_t>(names[level].data() - relativeFolder.data()) + names[level].size();
            if (keptAside(at, name, relativeFolder.substr(0, length)))
                errno = ENOENT;
            else
                errno = ENOTDIR;
        }
        if (!next && errno == ENOENT && create) {
            // Made private until it has the source folder's bits: a copy is
            // never more open than its source, not even for a moment.
            if (::mkdirat(at, name.c_str(), 0700) != 0 && errno != EEXIST) {
                error = errno;
                return -1;
            }
            next.reset(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!next) {
            // A link in the way reads ELOOP or ENOTDIR: never followed.
            error = errno;
            return -1;
        }
        m_chain.push_back({name, std::move(next)});
    }
    // Every folder a copy goes into, new or made by an earlier pass, follows
    // its source folder, once a pass.
    if (create) {
        for (std::size_t level = 0; level < m_chain.size(); ++level) {
            if (m_chain[level].followed)
                continue;
            const std::size_t length =
                static_cast<std::size_t>(names[level].data() - relativeFolder.data()) + names[level].size();
            followSourceFolder(m_chain[level].fd.get(), relativeFolder.substr(0, length));
            m_chain[level].followed = true;
        }
    }
    return m_chain.empty() ? m_rootFd.get() : m_chain.back().fd.get();
}

// A folder on the disk, new or made by an earlier pass, takes the
// permission bits, group, access lists and attributes of the folder it
// mirrors, and as root its owner, as `cp -a` keeps them: a source folder
// made private since stays private on the disk. Once a pass per folder.
void BackupDisk::followSourceFolder(int folderFd, std::string_view relativeFolder)
{
    if (disklayout::isOwnPath(relativeFolder) || !m_followedFolders.emplace(relativeFolder).second)
        return;
    const UniqueFd source(::open(("/" + std::string(relativeFolder)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat sourceStat {};
    if (!source || ::fstat(source.get(), &sourceStat) != 0)
        return;
    (void)m_metadata.apply(source.get(), sourceStat, folderFd);
}

void BackupDisk::followSourceFolder(std::string_view relativeFolder)
{
    if (relativeFolder.empty() || m_followedFolders.count(std::string(relativeFolder)) != 0)
        return;
    int error = 0;
    const int dir = folder(relativeFolder, false, error);
    if (dir >= 0)
        followSourceFolder(dir, relativeFolder);
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
    const std::size_t slash = relative.rfind('/');
    const std::string_view folderPart =
        slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    int error = 0;
    const int dir = folder(folderPart, false, error);
    struct stat st {};
    if (dir < 0 || ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
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
    const std::optional<std::string> stamp = m_versions.keep(m_rootFd.get(), dirFd, name, relative);
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
    const int root = folder({}, false, error);
    return root < 0 ? 0 : leftovers::removeLeftovers(root);
}

std::int64_t BackupDisk::versionsRoom(std::int64_t wanted)
{
    int error = 0;
    const int root = folder({}, false, error);
    return root < 0 ? 0 : DiskVersions::roomUpTo(root, wanted);
}

std::int64_t BackupDisk::pruneVersions(const std::function<bool(std::int64_t)> &enough)
{
    int error = 0;
    const int root = folder({}, false, error);
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

BackupDisk::Result BackupDisk::store(int source, const struct stat &sourceStat, std::string_view relative,
                                     const StoreOptions &options, StoreReport &report)
{
    report = StoreReport {};
    m_remark.clear();
    const std::pair<std::string_view, std::string> split = splitPath(relative);
    const std::string_view folderPart = split.first;
    const std::string &name = split.second;
    if (name.empty() || name == "." || name == ".." || disklayout::isOwnPath(relative)) {
        report.error = EINVAL;
        return Result::TargetSkipped;
    }
    int error = 0;
    const int dir = folder(folderPart, true, error);
    report.remark = m_remark;
    if (dir < 0) {
        report.error = error;
        return isNameRefused(error) ? Result::TargetSkipped : Result::WriteFailed;
    }
    if (options.caseTwin && clashesByCase(dir, name)) {
        report.error = EEXIST;
        report.caseClash = true;
        return Result::TargetSkipped;
    }
    struct stat existing {};
    const bool there = ::fstatat(dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    // The copy is there already: a pass that over-selects (a cut-off held
    // back, a folder new to the item) writes only what is missing.
    if (there && isCurrent(existing, sourceStat, relative))
        return Result::AlreadyThere;

    // Private while it is written: it gets the source's group, rights and
    // lists only once whole.
    const mode_t mode = S_IRUSR | S_IWUSR;
    std::string part;
    UniqueFd parts;
    UniqueFd target;
    // A copy is written as a file without a name and given its name once it
    // is whole: nothing half-written ever has a name, and a pass that dies
    // leaves nothing behind. Where the disk cannot (FAT, FUSE, NFS), it is
    // written under a temporary name in the disk's own folder, which the
    // next pass clears.
    if (m_procFds)
        target.reset(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (!target) {
        parts = leftovers::partsFolder(m_rootFd.get());
        for (int attempt = 0; parts && attempt < 16 && !target; ++attempt) {
            part = temporaryName(m_random());
            target.reset(
                ::openat(parts.get(), part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
            if (!target && errno != EEXIST)
                break;
        }
    }
    if (!target) {
        report.error = errno;
        return isDiskError(report.error) ? Result::WriteFailed : Result::TargetSkipped;
    }

    const bool named = !part.empty();
    auto discard = [&](Result result) {
        target.reset();
        if (named)
            ::unlinkat(parts.get(), part.c_str(), 0);
        return result;
    };
    auto failWith = [&](int cause) {
        report.error = cause;
        return discard(isDiskError(cause) ? Result::WriteFailed : Result::TargetSkipped);
    };

    // The source was opened just now, so it reads from its start.
    std::int64_t copied = 0;
    bool readFailed = false;
    ContentHasher hasher;
    const bool hashing = m_ledger != nullptr && m_ledger->active();
    if (!copyFileBytes(source, target.get(), sourceStat, m_buffer, copied, report.error, readFailed,
                       hashing ? &hasher : nullptr)) {
        if (readFailed)
            return discard(Result::SourceFailed);
        return failWith(report.error);
    }

    // A file written to while it was read (a growing log, a byte rewritten
    // and its time put back) is kept as read: never rejected, and never
    // leaving the disk without a copy. Its status-change time tells even
    // when its length and time were put back. The caller holds the cut-off
    // below it.
    struct stat after {};
    const bool changed =
        ::fstat(source, &after) != 0 || copied != sourceStat.st_size || after.st_size != sourceStat.st_size ||
        after.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec || after.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec ||
        after.st_ctim.tv_sec != sourceStat.st_ctim.tv_sec || after.st_ctim.tv_nsec != sourceStat.st_ctim.tv_nsec;
    struct stat written {};
    if (::fstat(target.get(), &written) != 0 || written.st_size != copied) {
        report.error = EIO;
        return discard(Result::WriteFailed);
    }
    if (const int metadataError = m_metadata.apply(source, sourceStat, target.get()); metadataError != 0)
        return failWith(metadataError);
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(target.get(), times) != 0)
        return failWith(errno);
    if (named && !target.close()) {
        report.error = errno;
        return discard(Result::WriteFailed);
    }

    // The new copy is whole: the older one makes way into the versions,
    // and comes back if the new one cannot take its name.
    std::optional<std::string> kept;
    if (::fstatat(dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        kept = m_versions.keep(m_rootFd.get(), dir, name, relative);
        if (!kept)
            return failWith(errno);
        report.versionStamp = *kept;
        if (!S_ISREG(existing.st_mode)) {
            m_remark += std::string(m_remark.empty() ? "" : "; ") + "an older copy, " + kindOf(existing) +
                        ", was in the way and was kept as a version: " + std::string(disklayout::kVersions) + "/" +
                        *kept + "/" + std::string(relative);
            report.remark = m_remark;
        }
    }
    auto putBack = [&](int cause) {
        if (kept)
            DiskVersions::putBack(m_rootFd.get(), *kept, dir, name, relative);
        report.versionStamp.clear();
        return failWith(cause);
    };
    if (!named) {
        const std::string self = "/proc/self/fd/" + std::to_string(target.get());
        if (::linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return putBack(errno);
        if (!target.close()) {
            const int cause = errno;
            ::unlinkat(dir, name.c_str(), 0);
            return putBack(cause == 0 ? EIO : cause);
        }
    } else if (::renameat(parts.get(), part.c_str(), dir, name.c_str()) != 0) {
        return putBack(errno);
    }
    // Some disks (FAT through FUSE) stamp a file with the time it was
    // renamed; the copy must carry the source's time all the same. A link
    // leaves the time alone, and those disks take no unnamed files.
    if (named)
        ::utimensat(dir, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    if (hashing) {
        if (kept && (S_ISREG(existing.st_mode) || S_ISDIR(existing.st_mode)))
            m_ledger->recordVersion(relative, *kept);
        m_ledger->recordCopy({std::string(relative), copied, nanoseconds(sourceStat.st_mtim),
                              nanoseconds(sourceStat.st_ctim), sourceStat.st_mode & 07777, sourceStat.st_uid,
                              sourceStat.st_gid, hasher.digest(), m_versions.passStamp()});
    }
    return changed ? Result::StoredAsRead : Result::Stored;
}

std::optional<BackupDisk::Result> BackupDisk::storeLink(const std::string &firstCopy, const struct stat &sourceStat,
                                                        std::string_view relative, bool caseTwin, StoreReport &report)
{
    report = StoreReport {};
    m_remark.clear();
    auto split = [](std::string_view path) {
        const std::size_t slash = path.rfind('/');
        return slash == std::string_view::npos ? std::pair {std::string_view(), std::string(path)}
                                               : std::pair {path.substr(0, slash), std::string(path.substr(slash + 1))};
    };
    const auto [firstFolder, firstName] = split(firstCopy);
    const auto [folderPart, name] = split(relative);
    if (name.empty() || name == "." || name == "..")
        return std::nullopt;
    int error = 0;
    const int firstDirFd = folder(firstFolder, false, error);
    if (firstDirFd < 0)
        return std::nullopt;
    // The next folder() call may close the one in hand.
    const UniqueFd firstDir(::fcntl(firstDirFd, F_DUPFD_CLOEXEC, 0));
    struct stat first {};
    if (!firstDir || ::fstatat(firstDir.get(), firstName.c_str(), &first, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(first.st_mode) || first.st_size != sourceStat.st_size ||
        first.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec || first.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec)
        return std::nullopt;
    const int dir = folder(folderPart, true, error);
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
        kept = m_versions.keep(m_rootFd.get(), dir, name, relative);
        if (!kept) {
            report.error = errno;
            return isDiskError(report.error) ? std::optional(Result::WriteFailed) : std::nullopt;
        }
        report.versionStamp = *kept;
    }
    if (::linkat(firstDir.get(), firstName.c_str(), dir, name.c_str(), 0) != 0) {
        report.error = errno;
        if (kept)
            DiskVersions::putBack(m_rootFd.get(), *kept, dir, name, relative);
        report.versionStamp.clear();
        return isDiskError(report.error) ? std::optional(Result::WriteFailed) : std::nullopt;
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
    const int fd = folder(relative, true, error);
    if (fd < 0)
        return error;
    // Bits, group, lists and attributes as the source folder has them (the
    // owner keeps every right to it without root, so that the next pass
    // gets in); then the times, once everything below it was written.
    followSourceFolder(fd, relative);
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(fd, times) != 0 && errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    return 0;
}

int BackupDisk::flush()
{
    int error = 0;
    const int dir = folder({}, false, error);
    if (dir < 0)
        return error;
    return ::syncfs(dir) == 0 ? 0 : errno;
}

} // namespace quillarc
