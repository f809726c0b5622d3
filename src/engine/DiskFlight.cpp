// Copies in flight: the parts of store() that may run beside the pass (the
// bytes, their hash, the checks and the metadata, into an unnamed file)
// apart from those that must keep the walk's order (the older copy made a
// version, the name, the catalogue's record).

#include "engine/BackupDisk.h"

#include "catalogue/DiskLayout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillarc {

bool BackupDisk::prepareInFlight(std::string_view relative, const struct stat &listed, CopyInFlight &flight)
{
    const auto [folderPart, name] = splitFolderAndName(relative);
    // Only an unnamed copy leaves nothing behind when the pass dies with it
    // unfinished; a temporary name would.
    if (!m_procFds || name.empty() || name == "." || name == ".." || disklayout::isOwnPath(relative))
        return false;
    m_remark.clear();
    int error = 0;
    const int dir = m_folders.folder(folderPart, true, error);
    if (dir < 0)
        return false;
    PendingCopy &copy = flight.copy;
    lookInTheWay(dir, name, relative, copy);
    if (copy.there && isCurrent(copy.existing, listed, relative))
        return false;
    if (!m_flightFolder || m_flightFolderPath != folderPart) {
        m_flightFolder = sharedDuplicate(dir);
        if (!m_flightFolder)
            return false;
        m_flightFolderPath = folderPart;
    }
    flight.folder = m_flightFolder;
    flight.name = name;
    flight.relative = std::string(relative);
    flight.remark = m_remark;
    flight.hashed = m_ledger != nullptr && m_ledger->active();
    return true;
}

bool BackupDisk::writeInFlight(int source, const struct stat &status, CopyInFlight &flight,
                               std::vector<char> &buffer) const
{
    PendingCopy &copy = flight.copy;
    flight.status = status;
    copy.target.reset(::openat(flight.folder->get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!copy.target)
        return false;
    copy.hasher = flight.hashed ? &flight.hasher : nullptr;
    StoreReport report;
    if (writeCopy(source, status, copy, report, buffer))
        return false; // discarded
    flight.whole = true;
    return true;
}

std::optional<BackupDisk::Result> BackupDisk::commitInFlight(CopyInFlight &flight, StoreReport &report)
{
    report = StoreReport {};
    m_remark = flight.remark;
    report.remark = m_remark;
    const Result result =
        commitCopy(flight.folder->get(), flight.name, flight.relative, flight.status, flight.copy, report);
    if (flight.copy.lookAgain)
        return std::nullopt;
    return result;
}

void BackupDisk::endFlight()
{
    m_flightFolder.reset();
    m_flightFolderPath.clear();
}

} // namespace quillarc
