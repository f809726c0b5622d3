#include "engine/FreeSpaceEstimate.h"

#include "platform/VolumeHost.h"

#include <algorithm>
#include <utility>

namespace quillarc {

FreeSpaceEstimate::FreeSpaceEstimate(const VolumeHost &host, std::string driveRoot)
    : m_host(host), m_driveRoot(std::move(driveRoot))
{
}

std::int64_t FreeSpaceEstimate::forCopy(std::int64_t size)
{
    const auto now = std::chrono::steady_clock::now();
    if (!m_known || m_estimate < size || now - m_asked > std::chrono::seconds(1)) {
        m_estimate = m_host.freeBytes(m_driveRoot);
        m_asked = now;
        m_known = true;
    }
    return m_estimate;
}

void FreeSpaceEstimate::wrote(std::int64_t spaceTaken)
{
    if (m_estimate >= 0)
        m_estimate = std::max<std::int64_t>(0, m_estimate - spaceTaken);
}

} // namespace quillarc
