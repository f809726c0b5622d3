#include "engine/PassDisk.h"

#include "base/Clock.h"
#include "base/UniqueFd.h"
#include "catalogue/DiskLayout.h"
#include "platform/VolumeHost.h"

#include <fcntl.h>
#include <utility>

namespace quillarc {

PassDisk::PassDisk(const VolumeHost &host, std::string driveRoot, const Clock &clock, std::string catalogueFile)
    : m_host(host), m_driveRoot(std::move(driveRoot)), m_clock(clock), m_catalogueFile(std::move(catalogueFile)),
      m_freeEstimate(host, m_driveRoot)
{
}

void PassDisk::take(const std::string &label)
{
    const std::string root = m_host.mediumRoot(m_driveRoot);
    m_mediumRoot = root;
    if (root.empty() || ::stat(root.c_str(), &m_mediumStat) != 0)
        m_mediumRoot.clear();
    m_disk.setRoot(root);
    m_disk.setPassStamp(disklayout::passStamp(m_clock.now()));
    if (!m_ledgerOpened) {
        m_ledger.open(m_catalogueFile);
        m_ledgerOpened = true;
        m_disk.setLedger(&m_ledger);
    }
    m_ledger.useDisk({label, m_host.fileSystemUuid(m_driveRoot)});
    m_disk.removeLeftovers();
    m_freeEstimate.forget();
    m_hardLinks.clear();
    m_known = true;
}

void PassDisk::release()
{
    m_disk.setRoot({});
    m_known = false;
    m_hardLinks.clear();
    m_freeEstimate.forget();
}

bool PassDisk::gone(const std::string &label) const
{
    if (m_mediumRoot.empty())
        return false;
    if (m_host.mediumRoot(m_driveRoot) != m_mediumRoot || m_host.volumeLabel(m_driveRoot) != label ||
        m_host.freeBytes(m_driveRoot) < 0)
        return true;
    struct stat now {};
    if (::stat(m_mediumRoot.c_str(), &now) != 0)
        return true;
    return now.st_dev != m_mediumStat.st_dev || now.st_ino != m_mediumStat.st_ino;
}

bool PassDisk::sameBack(const std::string &label) const
{
    return !m_host.mediumRoot(m_driveRoot).empty() && m_host.volumeLabel(m_driveRoot) == label &&
           m_host.freeBytes(m_driveRoot) >= 0;
}

bool PassDisk::madeRoomFor(std::int64_t bytes)
{
    const std::int64_t free = m_host.freeBytes(m_driveRoot);
    const std::int64_t wanted = m_disk.spaceTaken(bytes) + 16 * m_disk.spaceTaken(0);
    if (free < 0 || free + m_disk.versionsRoom(wanted - free) < wanted)
        return false;
    const std::int64_t given = m_disk.pruneVersions([&](std::int64_t givenBack) { return free + givenBack >= wanted; });
    m_freeEstimate.forget();
    return given > 0;
}

int PassDisk::flush()
{
    if (const int error = m_disk.flush(); error != 0)
        return error;
    // The records of the copies go into the catalogue once the copies are
    // on the disk, never before; and so does the disk's own record of what
    // it holds, at the end of the pass and before it is handed over.
    m_ledger.flush();
    if (const UniqueFd root(::open(m_disk.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); root)
        m_ledger.writeDiskCopy(root.get(), disklayout::passStamp(m_clock.now()), m_host.freeBytes(m_driveRoot));
    return 0;
}

} // namespace quillarc
