#include "gui/restore/RestoreRun.h"

#include "base/UniqueFd.h"
#include "catalogue/RestoreDiskMatch.h"
#include "platform/PassLock.h"

#include <QMetaObject>

#include <algorithm>

#include <fcntl.h>

namespace quillarc {

RestoreRun::RestoreRun(RestorePlan plan, RestoreSettings settings, Hooks hooks, QObject *parent)
    : QThread(parent), m_plan(std::move(plan)), m_settings(std::move(settings)), m_hooks(std::move(hooks)),
      m_total(m_plan.fileCount())
{
}

RestoreRun::~RestoreRun()
{
    stop();
    wait();
}

void RestoreRun::run()
{
    for (const std::string &path : m_plan.notFound)
        m_notRestored.push_back(path + " (no copy in the catalogue)");
    // The disk in the drive first: no question for it.
    const DiskFound first = m_hooks.lookAtDrive();
    std::int64_t inDrive = -1;
    for (const DiskPlan &disk : m_plan.disks)
        if (inDrive < 0 && !first.root.empty() && isPlannedDisk(m_plan, disk, first.label, first.uuid))
            inDrive = disk.diskId;
    std::stable_partition(m_plan.disks.begin(), m_plan.disks.end(),
                          [&](const DiskPlan &disk) { return disk.diskId == inDrive; });
    for (DiskPlan &disk : m_plan.disks) {
        // What an earlier restore put in place needs no disk.
        std::vector<PlannedFile> needed;
        for (PlannedFile &file : disk.files) {
            if (RestoreWriter::alreadyRestored(file, m_settings).empty()) {
                needed.push_back(std::move(file));
            } else {
                ++m_done;
                Q_EMIT progressed(static_cast<int>(++m_seen), QString::fromStdString(disk.label));
            }
        }
        disk.files = std::move(needed);
        if (disk.files.empty())
            continue;
        DiskFound found;
        if (m_stop)
            missed(disk, "stopped");
        else if (waitForDisk(disk, found))
            restoreFrom(disk, found);
        else
            missed(disk, "disk " + disk.label + " was not in the drive");
    }
}

bool RestoreRun::waitForDisk(const DiskPlan &disk, DiskFound &found)
{
    for (;;) {
        found = m_hooks.lookAtDrive();
        if (!found.root.empty() && isPlannedDisk(m_plan, disk, found.label, found.uuid))
            return true;
        bool again = false;
        QMetaObject::invokeMethod(
            this, [&] { again = m_hooks.askForDisk(disk); }, Qt::BlockingQueuedConnection);
        if (!again || m_stop)
            return false;
    }
}

void RestoreRun::restoreFrom(const DiskPlan &disk, const DiskFound &found)
{
    // No pass writes to the disk while its copies are read.
    PassLock lock;
    if (lock.take({}, found.root) == PassLock::Result::Busy) {
        missed(disk, "disk " + disk.label + ": a backup pass is using it");
        return;
    }
    const UniqueFd root(::open(found.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root) {
        missed(disk, "disk " + disk.label + " cannot be opened");
        return;
    }
    const std::size_t before = m_seen;
    RestoreWriter writer(root.get(), m_settings);
    writer.restore(
        disk.files, [&](const PlannedFile &file, const RestoreResult &result) { finished(file, result); }, &m_stop);
    const std::size_t handled = m_seen - before;
    for (std::size_t i = handled; i < disk.files.size(); ++i)
        m_notRestored.push_back(disk.files[i].target + " (stopped)");
}

void RestoreRun::missed(const DiskPlan &disk, const std::string &why)
{
    for (const PlannedFile &file : disk.files)
        m_notRestored.push_back(file.target + " (" + why + ")");
}

void RestoreRun::finished(const PlannedFile &file, const RestoreResult &result)
{
    if (result.restored())
        ++m_done;
    else
        m_notRestored.push_back(file.target + " (" + result.problem + ")");
    if (result.status == RestoreResult::Status::RestoredBeside)
        m_besides.push_back(result.writtenTo);
    Q_EMIT progressed(static_cast<int>(++m_seen), QString::fromStdString(file.source.diskLabel));
}

} // namespace quillarc
