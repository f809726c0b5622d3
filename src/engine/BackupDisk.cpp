#include "engine/BackupDisk.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillarc {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kMaxName = 255;
constexpr std::int64_t kChunk = std::int64_t{1} << 30;

bool isDiskError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO || error == EROFS;
}

std::string temporaryName(std::string_view name)
{
    const std::string prefix = ".quillarc-part-";
    std::string result = prefix;
    result.append(name.substr(0, kMaxName - prefix.size()));
    return result;
}

} // namespace

// The process's umask, read without changing it (umask() can only be read
// by setting it, which would race with other threads creating files).
// Unknown: every bit, so that permissions are always set explicitly.
static mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0777;
}

BackupDisk::BackupDisk() : umask_(currentUmask()), asRoot_(::geteuid() == 0) {}

BackupDisk::~BackupDisk()
{
    dropFolders();
}

void BackupDisk::dropFolders()
{
    if (cachedFd_ >= 0)
        ::close(cachedFd_);
    if (rootFd_ >= 0)
        ::close(rootFd_);
    cachedFd_ = rootFd_ = -1;
    cachedFolder_.clear();
}

void BackupDisk::setRoot(const std::string &root)
{
    if (root == root_ && rootFd_ >= 0)
        return;
    dropFolders();
    root_ = root;
    unit_ = 0;
}

std::int64_t BackupDisk::spaceTaken(std::int64_t size)
{
    if (unit_ <= 0) {
        int error = 0;
        struct statvfs vfs {};
        const int dir = folder({}, false, error);
        unit_ = dir >= 0 && ::fstatvfs(dir, &vfs) == 0 && vfs.f_bsize > 0 ? static_cast<std::int64_t>(vfs.f_bsize)
                                                                          : std::int64_t{64} << 10;
    }
    const std::int64_t units = size / unit_ + (size % unit_ != 0 ? 1 : 0);
    return (units + 1) * unit_;
}

// Returns a descriptor of `relativeFolder` below the root, owned by this
// object (valid until the next call); -1 with `error` set when it is
// missing (and not to be created) or cannot be reached without following
// a link.
int BackupDisk::folder(std::string_view relativeFolder, bool create, int &error)
{
    if (rootFd_ < 0) {
        if (root_.empty()) {
            error = ENOENT;
            return -1;
        }
        rootFd_ = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (rootFd_ < 0) {
            error = errno;
            return -1;
        }
    }
    if (relativeFolder.empty())
        return rootFd_;
    if (cachedFd_ >= 0 && cachedFolder_ == relativeFolder)
        return cachedFd_;

    int current = rootFd_;
    std::size_t start = 0;
    while (start < relativeFolder.size()) {
        std::size_t end = relativeFolder.find('/', start);
        if (end == std::string_view::npos)
            end = relativeFolder.size();
        const std::string name(relativeFolder.substr(start, end - start));
        start = end + 1;
        if (name.empty())
            continue;
        if (name == "." || name == "..") {
            error = EINVAL;
            if (current != rootFd_)
                ::close(current);
            return -1;
        }
        int next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            // Made private until it has the source folder's bits: a copy is
            // never more open than its source, not even for a moment.
            if (::mkdirat(current, name.c_str(), 0700) != 0 && errno != EEXIST) {
                error = errno;
                if (current != rootFd_)
                    ::close(current);
                return -1;
            }
            next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next >= 0)
                takeSourceFolderBits(next, relativeFolder.substr(0, start - 1));
        }
        if (next < 0) {
            // A link in the way reads ELOOP or ENOTDIR: never followed.
            error = errno;
            if (current != rootFd_)
                ::close(current);
            return -1;
        }
        if (current != rootFd_)
            ::close(current);
        current = next;
    }
    if (cachedFd_ >= 0)
        ::close(cachedFd_);
    cachedFd_ = current;
    cachedFolder_.assign(relativeFolder);
    return cachedFd_;
}

// A new folder on the disk takes the permission bits of the folder it
// mirrors, and as root its owner, as `cp -a` keeps them.
void BackupDisk::takeSourceFolderBits(int folderFd, std::string_view relativeFolder) const
{
    struct stat source {};
    if (::stat(("/" + std::string(relativeFolder)).c_str(), &source) != 0 || !S_ISDIR(source.st_mode))
        return;
    if (asRoot_)
        (void)::fchown(folderFd, source.st_uid, source.st_gid);
    (void)::fchmod(folderFd, source.st_mode & 07777);
}

std::int64_t BackupDisk::existingSize(std::string_view relative)
{
    const std::size_t slash = relative.rfind('/');
    const std::string_view folderPart = slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    int error = 0;
    const int dir = folder(folderPart, false, error);
    if (dir < 0)
        return 0;
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return st.st_size;
}

// Copies to the end of the source. copy_file_range lets the kernel move the
// bytes (or share extents); where it cannot, sendfile, and last a plain
// read/write loop through one large buffer.
bool BackupDisk::copyBytes(int source, int target, std::int64_t expected, std::int64_t &copied, int &error,
                           bool &readFailed)
{
    copied = 0;
    readFailed = false;
    enum { Range, SendFile, Plain } method = Range;
    // Stops at the length the source had when it was opened; the caller
    // compares that with the source's length afterwards, so a file that
    // grew or shrank meanwhile is noticed without reading on to its end.
    while (copied < expected) {
        ssize_t n = -1;
        if (method == Range) {
            n = ::copy_file_range(source, nullptr, target, nullptr,
                                  static_cast<std::size_t>(std::min(kChunk, expected - copied)), 0);
            if (n < 0 && copied == 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
                method = SendFile;
                continue;
            }
        } else if (method == SendFile) {
            n = ::sendfile(target, source, nullptr, static_cast<std::size_t>(std::min(kChunk, expected - copied)));
            if (n < 0 && copied == 0 && (errno == EINVAL || errno == ENOSYS)) {
                method = Plain;
                continue;
            }
        } else {
            if (buffer_.empty())
                buffer_.resize(kBufferSize);
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(buffer_.size()), expected - copied));
            const ssize_t got = ::read(source, buffer_.data(), want);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                readFailed = true;
                return false;
            }
            if (got == 0)
                return true;
            ssize_t offset = 0;
            while (offset < got) {
                const ssize_t put = ::write(target, buffer_.data() + offset, static_cast<std::size_t>(got - offset));
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0) {
                    error = put < 0 ? errno : ENOSPC;
                    return false;
                }
                offset += put;
            }
            copied += got;
            continue;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            // The kernel copies say EIO for a fault on either side. A source
            // that cannot be read where the copy stopped is the source's
            // fault, and only that file is missed; otherwise the disk failed.
            char probe = 0;
            if (errno == EBADF || errno == EISDIR || ::pread(source, &probe, 1, static_cast<off_t>(copied)) < 0) {
                if (errno != EBADF && errno != EISDIR)
                    error = errno;
                readFailed = true;
            }
            return false;
        }
        if (n == 0)
            return true;
        copied += n;
    }
    return true;
}

BackupDisk::Result BackupDisk::store(int source, const struct stat &sourceStat, std::string_view relative,
                                     bool removeOldFirst, int &error)
{
    error = 0;
    const std::size_t slash = relative.rfind('/');
    const std::string_view folderPart = slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    if (name.empty() || name == "." || name == "..") {
        error = EINVAL;
        return Result::TargetSkipped;
    }
    const int dir = folder(folderPart, true, error);
    if (dir < 0)
        return Result::WriteFailed;

    if (removeOldFirst)
        ::unlinkat(dir, name.c_str(), 0);

    const std::string part = temporaryName(name);
    const mode_t mode = sourceStat.st_mode & 0777;
    int target = ::openat(dir, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (target < 0 && errno == EEXIST) {
        // Left over from an interrupted pass; the name is ours.
        ::unlinkat(dir, part.c_str(), 0);
        target = ::openat(dir, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    }
    if (target < 0) {
        error = errno;
        return isDiskError(error) ? Result::WriteFailed : Result::TargetSkipped;
    }

    auto discard = [&](Result result) {
        ::close(target);
        ::unlinkat(dir, part.c_str(), 0);
        return result;
    };

    // The source was opened just now, so it reads from its start.
    std::int64_t copied = 0;
    bool readFailed = false;
    if (!copyBytes(source, target, sourceStat.st_size, copied, error, readFailed))
        return discard(readFailed ? Result::SourceFailed : Result::WriteFailed);

    // A file written to while it was read (a growing log) is kept as read:
    // never rejected, and never leaving the disk without a copy when its
    // older one already made way. The caller holds the cut-off below it.
    struct stat after {};
    const bool changed = ::fstat(source, &after) != 0 || copied != sourceStat.st_size ||
                         after.st_size != sourceStat.st_size || after.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec ||
                         after.st_mtim.tv_nsec != sourceStat.st_mtim.tv_nsec;
    struct stat written {};
    if (::fstat(target, &written) != 0 || written.st_size != copied) {
        error = EIO;
        return discard(Result::WriteFailed);
    }
    if (asRoot_ && ::fchown(target, sourceStat.st_uid, sourceStat.st_gid) != 0) {
        error = errno;
        return discard(isDiskError(error) ? Result::WriteFailed : Result::TargetSkipped);
    }

    // Creation applied the umask, and a change of owner clears set-id bits:
    // set the bits again where either took some away.
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    const bool bitsToSet = (mode & umask_) != 0 || (asRoot_ && (sourceStat.st_mode & 07000) != 0);
    if (::futimens(target, times) != 0 || (bitsToSet && ::fchmod(target, asRoot_ ? sourceStat.st_mode & 07777 : mode) != 0)) {
        error = errno;
        return discard(isDiskError(error) ? Result::WriteFailed : Result::TargetSkipped);
    }
    if (::close(target) != 0) {
        error = errno;
        ::unlinkat(dir, part.c_str(), 0);
        return Result::WriteFailed;
    }
    if (::renameat(dir, part.c_str(), dir, name.c_str()) != 0) {
        error = errno;
        ::unlinkat(dir, part.c_str(), 0);
        return isDiskError(error) ? Result::WriteFailed : Result::TargetSkipped;
    }
    return changed ? Result::StoredAsRead : Result::Stored;
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
