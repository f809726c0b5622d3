#include "base/AtomicFile.h"

#include "base/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/FileError.h"

namespace quillarc {

namespace {

// Keeps the temporary name within NAME_MAX even for the longest target name.
constexpr std::size_t kMaxBaseInTempName = 120;

std::string tempNameCandidate(const std::string &folder, const std::string &base)
{
    static std::atomic<unsigned> counter {0};
    const auto ticks = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d.%llx.%x.tmp", static_cast<int>(::getpid()), ticks & 0xffffffffULL,
                  counter.fetch_add(1));
    return folder + "/." + base.substr(0, kMaxBaseInTempName) + suffix;
}

// FAT through FUSE refuses to set bits at all (ENOSYS, EOPNOTSUPP), the
// kernel's FAT those it cannot store (EPERM): the file is saved as the
// file system keeps files.
bool withoutModes(int error)
{
    return error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

class TempFile {
public:
    TempFile(std::string target, const std::string &folder, const std::string &base, mode_t mode)
        : m_target(std::move(target))
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = tempNameCandidate(folder, base);
            m_fd.reset(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
            if (m_fd || errno != EEXIST)
                break;
        }
        if (!m_fd)
            throw FileError::forPath(errno, m_target);
    }
    ~TempFile()
    {
        m_fd.reset();
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    [[noreturn]] void fail(int error) const { throw FileError(error, m_target); }

    void writeAll(std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(errno);
            }
            if (n == 0)
                fail(ENOSPC);
            done += static_cast<std::size_t>(n);
        }
    }

    // `mode`: the bits the file is to have; none: as created.
    void finish(std::optional<mode_t> mode)
    {
        if (mode && ::fchmod(m_fd.get(), *mode) != 0 && !withoutModes(errno))
            fail(errno);
        if (::fsync(m_fd.get()) != 0)
            fail(errno);
        if (!m_fd.close())
            fail(errno);
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            fail(errno);
        m_committed = true;
    }

private:
    std::string m_target;
    std::string m_path;
    UniqueFd m_fd;
    bool m_committed = false;
};

void syncFolder(const std::string &folder, const std::string &target)
{
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        throw FileError(errno, target);
    const int result = ::fsync(fd.get());
    const int error = errno;
    // Some file systems cannot sync a folder at all; that is not a lost write.
    if (result != 0 && error != EINVAL && error != EROFS)
        throw FileError(error, target);
}

} // namespace

void writeFileAtomically(const std::string &target, std::string_view bytes, FileAccess access)
{
    if (target.empty() || target.find('\0') != std::string::npos || target.back() == '/')
        throw FileError(EINVAL, target);
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    struct stat previous {};
    const bool hadFile = ::stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);

    const bool isPrivate = access == FileAccess::Private;
    TempFile temp(target, folder, base, isPrivate ? 0600 : 0666);
    temp.writeAll(bytes);
    std::optional<mode_t> mode;
    if (isPrivate)
        mode = 0600; // also against a umask that would leave out the owner's bits
    else if (access == FileAccess::Executable)
        mode = 0755;
    else if (hadFile)
        mode = previous.st_mode & 07777;
    temp.finish(mode);
    syncFolder(folder, target);
}

} // namespace quillarc
