#pragma once

// A volume host that answers like the one it wraps, except that the pass's
// question about the largest file the disk can hold, which it asks as it
// begins to size a folder, waits until the test lets it go. A test can then
// act while the pass is known to be sizing, however fast or slow the
// machine.
#include "platform/VolumeHost.h"

#include <condition_variable>
#include <mutex>

namespace quillarc {

class HeldVolumeHost final : public VolumeHost {
public:
    explicit HeldVolumeHost(const VolumeHost &inner) : m_inner(inner) {}

    std::string mediumRoot(const std::string &driveRoot) const override { return m_inner.mediumRoot(driveRoot); }
    std::string volumeLabel(const std::string &driveRoot) const override { return m_inner.volumeLabel(driveRoot); }
    std::int64_t freeBytes(const std::string &driveRoot) const override { return m_inner.freeBytes(driveRoot); }
    std::int64_t totalBytes(const std::string &driveRoot) const override { return m_inner.totalBytes(driveRoot); }
    std::int64_t largestFile(const std::string &driveRoot) const override
    {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
        return m_inner.largestFile(driveRoot);
    }

    /// Whether a caller is waiting here now or has waited before.
    bool held() const
    {
        const std::lock_guard lock(m_mutex);
        return m_waiting > 0;
    }

    /// Lets every held caller, and all later ones, through.
    void release()
    {
        const std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    const VolumeHost &m_inner;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable int m_waiting = 0;
    bool m_released = false;
};

} // namespace quillarc
