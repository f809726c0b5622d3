#include "catalogue/RestoreReadAhead.h"

#include "catalogue/RestoreBytes.h"

#include <algorithm>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace quillarc {

RestoreReadAhead::RestoreReadAhead(int diskRoot, const std::vector<PlannedFile> &files)
    : RestoreReadAhead(diskRoot, files, Limits {})
{
}

RestoreReadAhead::RestoreReadAhead(int diskRoot, const std::vector<PlannedFile> &files, Limits limits)
    : m_diskRoot(diskRoot), m_files(files), m_limits(limits)
{
    m_thread = std::thread([this] { run(); });
}

RestoreReadAhead::~RestoreReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_moved.notify_one();
    m_thread.join();
}

bool RestoreReadAhead::helps(int diskRoot)
{
    struct statfs system {};
    if (::fstatfs(diskRoot, &system) != 0)
        return true;
    return system.f_type != TMPFS_MAGIC && system.f_type != RAMFS_MAGIC;
}

std::int64_t RestoreReadAhead::weightOf(std::size_t index) const
{
    return std::min(m_files[index].source.copy.size, m_limits.perFile);
}

void RestoreReadAhead::reached(std::size_t index)
{
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        if (index <= m_reached)
            return;
        for (std::size_t i = m_reached; i < std::min(index, m_asked); ++i)
            m_bytesAhead -= weightOf(i);
        m_reached = index;
        wake = m_waiting && roomFor(true);
    }
    if (wake)
        m_moved.notify_one();
}

// Whether the next copy may be asked for: always at the end (there is
// nothing to ask) and when the writer has caught up (whatever its size);
// otherwise while the window has room for it. Once the window is full the
// thread waits until a quarter of it is free again (`leavingSlack`), so
// that it is woken once for many files, not for every one.
bool RestoreReadAhead::roomFor(bool leavingSlack) const
{
    if (m_stop || m_asked >= m_files.size() || m_asked <= m_reached)
        return true;
    const std::size_t slackFiles = leavingSlack ? std::max<std::size_t>(1, m_limits.files / 4) : 1;
    const std::int64_t slackBytes = leavingSlack ? m_limits.bytes / 4 : 0;
    return m_asked - m_reached + slackFiles <= m_limits.files &&
           m_bytesAhead + weightOf(m_asked) + slackBytes <= m_limits.bytes;
}

std::size_t RestoreReadAhead::askedFor() const
{
    const std::lock_guard lock(m_mutex);
    return m_asked;
}

void RestoreReadAhead::run()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            if (!roomFor(false)) {
                m_waiting = true;
                m_moved.wait(lock, [&] { return roomFor(true); });
                m_waiting = false;
            }
            if (m_stop || m_asked >= m_files.size())
                return;
            // What the writer has passed is not worth asking for.
            if (m_asked < m_reached)
                m_asked = m_reached;
            index = m_asked++;
            m_bytesAhead += weightOf(index);
        }
        const UniqueFd copy = openCopyOnDisk(m_diskRoot, PlannedFile::pathOnDisk(m_files[index].source));
        struct stat status {};
        if (copy && ::fstat(copy.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
            ::posix_fadvise(copy.get(), 0, weightOf(index), POSIX_FADV_WILLNEED);
    }
}

} // namespace quillarc
