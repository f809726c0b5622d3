#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace quillarc {

class VolumeHost;

/// The free space of the backup medium as the copy step reckons it.
/// Asking the host reads the mount table and statvfs, too slow to do for
/// every small file; so the figure is asked again only when it (less what
/// was written since) would not take the next file, after forget(), or
/// once a second.
class FreeSpaceEstimate {
public:
    FreeSpaceEstimate(const VolumeHost &host, std::string driveRoot);

    /// Free bytes for a copy of `size` bytes; -1 when there is no medium.
    std::int64_t forCopy(std::int64_t size);
    /// A copy took `spaceTaken` bytes (reckoned high, so that the estimate
    /// never promises room the disk does not have).
    void wrote(std::int64_t spaceTaken);
    /// The medium may have changed: ask next time.
    void forget() { m_known = false; }

private:
    const VolumeHost &m_host;
    std::string m_driveRoot;
    bool m_known = false;
    std::int64_t m_estimate = -1;
    std::chrono::steady_clock::time_point m_asked {};
};

} // namespace quillarc
