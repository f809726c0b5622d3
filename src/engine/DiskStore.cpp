// One copy onto the disk: opened unnamed (or under a temporary name),
// written and checked, then committed under its name with the older copy
// kept as a version.

#include "engine/BackupDisk.h"

#include "catalogue/ContentHasher.h"
#include "catalogue/DiskLayout.h"
#include "engine/FileBytes.h"
#include "engine/Leftovers.h"
#include "engine/UnnamedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

namespace {

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

} // namespace

BackupDisk::Result BackupDisk::failed(FailedAt where, int error, StoreReport &report)
{
    report.error = error;
    return endsThePass(where, error) ? Result::WriteFailed : Result::TargetSkipped;
}

// A link not made leaves the file to be copied, unless the disk failed.
std::optional<BackupDisk::Result> BackupDisk::linkFailed(int error)
{
    return endsThePass(FailedAt::File, error) ? std::optional(Result::WriteFailed) : std::nullopt;
}

void BackupDisk::PendingCopy::discard()
{
    target.reset();
    if (named())
        ::unlinkat(parts.get(), part.c_str(), 0);
}

BackupDisk::Result BackupDisk::store(int source, const struct stat &sourceStat, std::string_view relative,
                                     const StoreOptions &options, StoreReport &report)
{
    report = StoreReport {};
    m_remark.clear();
    const auto [folderPart, name] = splitFolderAndName(relative);
    if (name.empty() || name == "." || name == ".." || disklayout::isOwnPath(relative)) {
        report.error = EINVAL;
        return Result::TargetSkipped;
    }
    int error = 0;
    const int dir = m_folders.folder(folderPart, true, error);
    report.remark = m_remark;
    if (dir < 0)
        return failed(FailedAt::Folder, error, report);
    if (options.caseTwin && clashesByCase(dir, name)) {
        report.error = EEXIST;
        report.caseClash = true;
        return Result::TargetSkipped;
    }
    PendingCopy copy;
    lookInTheWay(dir, name, relative, copy);
    // The copy is there already: a pass that over-selects (a cut-off held
    // back, a folder new to the item) writes only what is missing.
    if (copy.there && isCurrent(copy.existing, sourceStat, relative))
        return Result::AlreadyThere;

    if (const int openError = openCopy(dir, copy); openError != 0)
        return failed(FailedAt::File, openError, report);
    ContentHasher hasher;
    copy.hasher = m_ledger != nullptr && m_ledger->active() ? &hasher : nullptr;
    if (const std::optional<Result> failure = writeCopy(source, sourceStat, copy, report, m_buffer))
        return *failure;
    const Result result = commitCopy(dir, name, relative, sourceStat, copy, report);
    // Stored already this pass, where no copy was looked for (one file in
    // two items): copied again, now with a look.
    if (copy.lookAgain)
        return store(source, sourceStat, relative, options, report);
    return result;
}

// A copy is written as a file without a name and given its name once it
// is whole: nothing half-written ever has a name, and a pass that dies
// leaves nothing behind. Where the disk cannot (FAT, FUSE, NFS), it is
// written under a temporary name in the disk's own folder, which the next
// pass clears. Private while it is written: it gets the source's group,
// rights and lists only once whole. 0, or the errno of the failure.
void BackupDisk::lookInTheWay(int dir, const std::string &name, std::string_view relative, PendingCopy &copy)
{
    if (m_lastLook && m_lastLook->relative == relative) {
        copy.there = m_lastLook->there;
        copy.existing = m_lastLook->st;
        copy.assumedAbsent = m_lastLook->assumed;
    } else {
        copy.there = ::fstatat(dir, name.c_str(), &copy.existing, AT_SYMLINK_NOFOLLOW) == 0;
    }
    m_lastLook.reset();
}

int BackupDisk::openCopy(int dir, PendingCopy &copy)
{
    const mode_t mode = S_IRUSR | S_IWUSR;
    if (m_procFds)
        copy.target.reset(::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (copy.target)
        return 0;
    copy.parts = leftovers::partsFolder(m_folders.rootFd());
    for (int attempt = 0; copy.parts && attempt < 16 && !copy.target; ++attempt) {
        copy.part = temporaryName(m_random());
        copy.target.reset(
            ::openat(copy.parts.get(), copy.part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!copy.target && errno != EEXIST)
            break;
    }
    return copy.target ? 0 : errno;
}

// The bytes, the source's metadata and times, checked for the full
// length. None when the copy is whole; else how the store failed, the copy
// discarded.
std::optional<BackupDisk::Result> BackupDisk::writeCopy(int source, const struct stat &sourceStat, PendingCopy &copy,
                                                        StoreReport &report, std::vector<char> &buffer) const
{
    auto failWith = [&](int cause) {
        copy.discard();
        return failed(FailedAt::File, cause, report);
    };
    // The source was opened just now, so it reads from its start.
    bool readFailed = false;
    if (!copyFileBytes(source, copy.target.get(), sourceStat, buffer, copy.copied, report.error, readFailed,
                       copy.hasher)) {
        if (readFailed) {
            copy.discard();
            return Result::SourceFailed;
        }
        return failWith(report.error);
    }
    // A file written to while it was read (a growing log, a byte rewritten
    // and its time put back) is kept as read: never rejected, and never
    // leaving the disk without a copy. Its status-change time tells even
    // when its length and time were put back. The caller holds the cut-off
    // below it.
    struct stat after {};
    copy.changed =
        ::fstat(source, &after) != 0 || copy.copied != sourceStat.st_size || after.st_size != sourceStat.st_size ||
        after.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec || after.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec ||
        after.st_ctim.tv_sec != sourceStat.st_ctim.tv_sec || after.st_ctim.tv_nsec != sourceStat.st_ctim.tv_nsec;
    struct stat written {};
    if (::fstat(copy.target.get(), &written) != 0 || written.st_size != copy.copied)
        return failWith(EIO);
    if (const int metadataError = m_metadata.apply(source, sourceStat, copy.target.get(), &written); metadataError != 0)
        return failWith(metadataError);
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(copy.target.get(), times) != 0)
        return failWith(errno);
    if (copy.named() && !copy.target.close()) {
        report.error = errno;
        copy.discard();
        return Result::WriteFailed;
    }
    return std::nullopt;
}

// The new copy is whole: the older one makes way into the versions, and
// comes back if the new one cannot take its name.
BackupDisk::Result BackupDisk::commitCopy(int dir, const std::string &name, std::string_view relative,
                                          const struct stat &sourceStat, PendingCopy &copy, StoreReport &report)
{
    auto failWith = [&](int cause) {
        copy.discard();
        return failed(FailedAt::File, cause, report);
    };
    const struct stat &existing = copy.existing;
    std::optional<std::string> kept;
    if (copy.there) {
        kept = m_versions.keep(m_folders.rootFd(), dir, name, relative);
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
            DiskVersions::putBack(m_folders.rootFd(), *kept, dir, name, relative);
        report.versionStamp.clear();
        return failWith(cause);
    };
    if (!copy.named()) {
        if (const int error = nameUnnamedFile(copy.target.get(), dir, name.c_str()); error != 0) {
            if (error == EEXIST && copy.assumedAbsent) {
                copy.discard();
                copy.lookAgain = true;
                return Result::TargetSkipped;
            }
            return putBack(error);
        }
        if (!copy.target.close()) {
            const int cause = errno;
            ::unlinkat(dir, name.c_str(), 0);
            return putBack(cause == 0 ? EIO : cause);
        }
    } else if (::renameat(copy.parts.get(), copy.part.c_str(), dir, name.c_str()) != 0) {
        return putBack(errno);
    }
    // Some disks (FAT through FUSE) stamp a file with the time it was
    // renamed; the copy must carry the source's time all the same. A link
    // leaves the time alone, and those disks take no unnamed files.
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (copy.named())
        ::utimensat(dir, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    if (copy.hasher != nullptr) {
        if (kept && (S_ISREG(existing.st_mode) || S_ISDIR(existing.st_mode)))
            m_ledger->recordVersion(relative, *kept);
        m_ledger->recordCopy({std::string(relative), copy.copied, nanoseconds(sourceStat.st_mtim),
                              nanoseconds(sourceStat.st_ctim), sourceStat.st_mode & 07777, sourceStat.st_uid,
                              sourceStat.st_gid, copy.hasher->digest(), m_versions.passStamp()});
    }
    return copy.changed ? Result::StoredAsRead : Result::Stored;
}

} // namespace quillarc
