#include "catalogue/RestoreBytes.h"

#include "catalogue/ContentHasher.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <linux/openat2.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace quillarc {

namespace {
constexpr std::size_t kChunk = 1 << 20;

timespec timeOf(std::int64_t ns)
{
    timespec time {};
    time.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    time.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    if (time.tv_nsec < 0) {
        time.tv_nsec += 1'000'000'000;
        --time.tv_sec;
    }
    return time;
}
// Whether a user or group exists, asked once per id: a restore of many
// files of one owner would read the user database for each.
bool userExists(std::uint32_t uid)
{
    thread_local std::map<std::uint32_t, bool> known;
    const auto [it, added] = known.emplace(uid, false);
    if (added)
        it->second = ::getpwuid(uid) != nullptr;
    return it->second;
}

bool groupExists(std::uint32_t gid)
{
    thread_local std::map<std::uint32_t, bool> known;
    const auto [it, added] = known.emplace(gid, false);
    if (added)
        it->second = ::getgrgid(gid) != nullptr;
    return it->second;
}

} // namespace

UniqueFd openCopyOnDisk(int diskRoot, const std::string &path)
{
    open_how how {};
    how.flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, diskRoot, path.c_str(), &how, sizeof how);
    return UniqueFd(static_cast<int>(fd));
}

std::optional<Hash128> hashOfFile(int fd, std::int64_t length)
{
    ContentHasher hasher;
    // One buffer a thread: a restore hashes every file it writes, most of
    // them small, and a fresh megabyte each time is a map and unmap each.
    thread_local std::vector<char> buffer(kChunk);
    off_t offset = 0;
    while (length < 0 || offset < length) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        hasher.update(buffer.data(), static_cast<std::size_t>(got));
        offset += got;
    }
    return hasher.digest();
}

std::int64_t copyAllBytes(int from, int to, std::int64_t length)
{
    std::int64_t copied = 0;
    bool inKernel = true;
    std::vector<char> buffer;
    while (length < 0 || copied < length) {
        if (inKernel) {
            const ssize_t moved = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (moved > 0) {
                copied += moved;
                continue;
            }
            if (moved == 0)
                return copied;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
                return -1;
            inKernel = false; // the file systems cannot: plain reads and writes from here on
            buffer.resize(kChunk);
        }
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            return copied;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(to, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = ENOSPC;
                return -1;
            }
            written += put;
        }
        copied += got;
    }
    return copied;
}

bool applyCopyMetadata(int fd, const CopyRecord &copy, std::int64_t accessNs)
{
    bool owned = false;
    if (::geteuid() == 0 && userExists(copy.uid)) {
        const gid_t group = groupExists(copy.gid) ? copy.gid : static_cast<gid_t>(-1);
        if (::fchown(fd, copy.uid, group) != 0)
            return false;
        owned = group != static_cast<gid_t>(-1);
    }
    mode_t mode = copy.mode & 07777;
    if (!owned)
        mode &= ~mode_t(S_ISUID | S_ISGID);
    if (::fchmod(fd, mode) != 0)
        return false;
    const timespec times[2] = {timeOf(accessNs), timeOf(copy.modifiedNs)};
    return ::futimens(fd, times) == 0;
}

} // namespace quillarc
