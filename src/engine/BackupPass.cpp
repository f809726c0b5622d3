// The item loop: every checked item in list order, its cut-off rule, and
// the checks that come before its files.

#include "engine/BackupPass.h"

#include "engine/CaseClash.h"
#include "engine/DiskItself.h"
#include "engine/ExclusionTest.h"
#include "engine/PathRules.h"
#include "engine/Progress.h"
#include "engine/ProgressBoard.h"
#include "engine/RoomCheck.h"
#include "engine/StartCheck.h"
#include "catalogue/DiskLayout.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "lists/DiskListFile.h"
#include "platform/FileSystemKind.h"
#include "platform/linux/MountInfo.h"
#include "platform/VolumeHost.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <system_error>
#include <utility>

namespace quillarc {

BackupPass::BackupPass(PassSetup passSetup)
    : m_setup(std::move(passSetup)), m_label(m_setup.volumeLabel),
      m_inHand(m_setup.host, m_setup.driveRoot, m_setup.clock,
               m_setup.listFile.folder() + std::string(disklayout::kProgramCatalogue))
{
}

void BackupPass::reset()
{
    state.StopRequested.clear();
    state.FilesBackedUp.set(0);
    state.AbortFlag.clear();
    m_end = PassEnd::Complete;
    state.FolderBytesDone.set(0);
    state.FolderFilesDone.set(0);
}

void BackupPass::requestStop()
{
    if (state.SizingPhase)
        state.AbortFlag.set();
    else
        state.StopRequested.set();
}

void BackupPass::requestAbort()
{
    state.AbortFlag.set();
}

void BackupPass::endAs(PassEnd cause)
{
    if (static_cast<int>(cause) < static_cast<int>(m_end))
        m_end = cause;
}

// The disk failed or ran out, or the person cancelled a disk change: no
// further file is copied.
bool BackupPass::failed() const
{
    return m_end == PassEnd::WriteError || m_end == PassEnd::DiskFullCancelled || m_end == PassEnd::DiskVanished;
}

bool BackupPass::abortNow() const
{
    return state.AbortFlag || m_end == PassEnd::Aborted || m_stopToken.stop_requested();
}

void BackupPass::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit)
{
    m_setup.board.setStatus(line, prefix, path, fit);
}

void BackupPass::runItems(std::stop_token stop)
{
    m_stopToken = std::move(stop);
    BackupList &list = m_setup.list;
    m_report.outcome().volumeLabel = m_label;
    if (list.empty())
        return;
    state.ItemsSized.set(0);
    m_itemCount = static_cast<std::int64_t>(list.checkedCount());
    useMedium();
    m_trail.load(m_setup.listFile.folder() + SeenFolders::fileName(m_label));

    try {
        for (std::size_t index = 0; index < list.count(); ++index) {
            if (list.at(index).checked())
                workItem(index);
            // STOP while copying ends the pass once the item in hand is done.
            if (state.StopRequested)
                endAs(PassEnd::Stopped);
            if (m_end != PassEnd::Complete || abortNow())
                break;
        }
    } catch (const std::exception &error) {
        // A failure nobody caught ends the pass like a write error, and the
        // pass still ends the one way: list saved, status written, window
        // given back. Left to escape, it would end the program.
        endAs(PassEnd::WriteError);
        m_setup.ui.hideProgress();
        m_setup.ui.message(PathRules::withFullStop(error.what()));
    }
    finish();
}

// The folder a miss or a copy is told to: the one the walk is in, or, while
// a file in flight is named, that file's own.
FolderTrail::FolderMarks *BackupPass::marksInHand()
{
    if (m_marksInHand != nullptr)
        return m_marksInHand;
    FolderTrail::OpenFolder *open = m_trail.inHand();
    return open != nullptr ? open->marks.get() : nullptr;
}

void BackupPass::markMissed(bool lookAgain)
{
    if (FolderTrail::FolderMarks *marks = marksInHand())
        m_trail.missedIn(*marks, lookAgain);
}

// Something the pass missed, for `cause`: named, counted, and holding the
// item's cut-off as `hold` says, the same way wherever it is met.
void BackupPass::missed(const std::string &path, const std::string &cause, const CutOffHold &hold)
{
    m_cutOff.hold(hold);
    switch (hold.kind()) {
    case CutOffHold::Kind::BelowFile:
        markMissed(true);
        m_report.missed(path, cause);
        break;
    case CutOffHold::Kind::WholeItem:
        markMissed(false);
        m_report.missedOnce(path, cause);
        break;
    case CutOffHold::Kind::None:
        m_report.missed(path, cause);
        break;
    }
}

void BackupPass::workItem(std::size_t index)
{
    const BackupItem &item = m_setup.list.at(index);
    const std::string path = item.path();
    beginItem(index);
    CutOff cutOff;
    if (const std::string problem = itemProblem(item, cutOff); !problem.empty()) {
        missed(path, "not backed up: " + problem, CutOffHold::wholeItem());
        return;
    }
    // Files changed from two seconds before the work began are left to the
    // next pass, which is what the new cut-off says.
    m_cutOff.begin(cutOff, dateTimeFromTimePoint(m_setup.clock.now() - std::chrono::seconds(2)),
                   m_setup.filters.exclude.load(std::memory_order_relaxed));
    const std::optional<bool> mountPoint = itemReachable(item);
    if (!mountPoint)
        return;
    if (item.isFolder())
        copyFolderItem(path, item.withSubfolders(), cutOff);
    else if (!abortNow())
        BackupFile(path);
    endItem(index, cutOff, *mountPoint);
}

void BackupPass::beginItem(std::size_t index)
{
    m_itemInHand = index;
    m_foldersSized = 0;
    m_filesReached = 0;
    m_report.beginItem();
    m_trail.clearOpen();
    m_inHand.hardLinks().clear();
}

// The person removes items; a pass never does. An item whose folder or
// file is not there (a share not mounted, a disk unplugged) is named and
// keeps its cut-off, so that its files are copied once it is back. Whether
// the item's folder is a mount point; none when the item is named instead.
std::optional<bool> BackupPass::itemReachable(const BackupItem &item)
{
    const std::string &path = item.path();
    struct stat itemStat {};
    if (::stat(path.c_str(), &itemStat) != 0) {
        const int error = errno;
        const bool gone = error == ENOENT || error == ENOTDIR;
        missed(path,
               std::string(item.isFolder() ? "the folder" : "the file") +
                   (gone ? " is not there" : " cannot be reached") +
                   ", so nothing of it was backed up: " + std::generic_category().message(error),
               CutOffHold::wholeItem());
        return std::nullopt;
    }
    if (const std::string problem = onDiskProblem(path); !problem.empty()) {
        missed(path, problem, CutOffHold::wholeItem());
        return std::nullopt;
    }
    // A share or disk not mounted leaves its empty mount point: nothing of
    // it would be missed, as far as the folder tells.
    const bool mountPoint = item.isFolder() && isMountPoint(path);
    if (item.isFolder() && !mountPoint && m_trail.wasMountPoint(path)) {
        missed(path,
               "not mounted: the folder was a mount point (a share or a disk) at the last pass and is not one now, "
               "so nothing of it was backed up",
               CutOffHold::wholeItem());
        return std::nullopt;
    }
    if (!item.isFolder() && !S_ISREG(itemStat.st_mode)) {
        missed(path, "not backed up: it is no longer a file", CutOffHold::wholeItem());
        return std::nullopt;
    }
    return mountPoint;
}

void BackupPass::copyFolderItem(const std::string &path, bool withSubfolders, CutOff cutOff)
{
    passOverDiskMountsBelow(path);
    state.FolderBytesTotal.set(0);
    state.FolderFilesTotal.set(0);
    m_trail.beginItem(path, cutOff);
    if (!abortNow())
        sizeFolderItem(path, withSubfolders);
    if (!abortNow() && checkfoldersize()) {
        state.SizingPhase.clear();
        state.FolderBytesDone.set(0);
        state.FolderFilesDone.set(0);
        m_setup.board.setFolderBar(0);
        ScanFolder(path, withSubfolders);
    }
}

void BackupPass::sizeFolderItem(const std::string &path, bool withSubfolders)
{
    state.SizingPhase.set();
    // STOP that landed between the loop's check and here came while
    // sizing, as far as the item is concerned: it aborts.
    if (state.StopRequested) {
        state.StopRequested.clear();
        endAs(PassEnd::Aborted);
    }
    ::clock_gettime(CLOCK_REALTIME_COARSE, &m_sizingBegan);
    m_sizing.measureDisk(m_setup.host, m_setup.driveRoot);
    ScanFoldersize(path, withSubfolders);
    IncTotalProgress();
}

// The item's cut-off moves forward unless the pass failed or something of
// the item holds it, and the folders it saw are recorded under the new one.
void BackupPass::endItem(std::size_t index, CutOff cutOff, bool mountPoint)
{
    BackupList &list = m_setup.list;
    BackupItem &item = list.at(index);
    if (m_cutOff.excludeChanged())
        missed(item.path(),
               "the EXCLUDE box was changed while this item was backed up: it keeps its cut-off, and the next pass "
               "copies what this one may have left out",
               CutOffHold::wholeItem());
    if (failed() || abortNow())
        return;
    const std::optional<DateTime> next = m_cutOff.next();
    if (!next)
        return;
    m_cutOffsBefore.emplace(index, cutOff);
    list.setCutOffValue(item, *next);
    m_setup.board.postListChange({ListChange::Kind::CutOff, index, *next});
    if (item.isFolder() && item.cutOff())
        m_trail.record(item.path(), *item.cutOff(), mountPoint);
}

// An item on the backup disk itself would be copied into itself, one level
// deeper on every pass.
std::string BackupPass::onDiskProblem(const std::string &path) const
{
    if (!liesOnBackupDisk(path, m_inHand.root()))
        return {};
    return "not backed up: it lies on the backup disk itself, which cannot hold a backup of itself";
}

// The backup disk mounted a second time inside the item (a bind mount of
// it or of one of its folders) would be copied into itself: the walk
// passes over it, and the pass says so.
void BackupPass::passOverDiskMountsBelow(const std::string &path)
{
    if (m_inHand.root().empty())
        return;
    for (const std::string &mount : backupDiskMountsBelow(path, m_inHand.root(), readMountInfo())) {
        m_walker.addSkippedFolder(mount);
        missed(mount,
               "passed over: the backup disk itself is mounted here as well, and a disk cannot hold a backup of "
               "itself",
               CutOffHold::none());
    }
}

// Two source folders whose names differ only in case ("Dir", "dir") would
// be one folder on a disk that cannot tell them apart (FAT), each file of
// the one landing on the other's copy. The folder whose copy the disk
// already shows under the other name is named and passed over.
bool BackupPass::folderClashesByCase(const std::string &path)
{
    if (m_inHand.root().empty())
        return false;
    const std::size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    const std::string parentOnDisk = m_inHand.root() + PathRules::relativeOnDisk(path.substr(0, slash + 1));
    if (!takenUnderAnotherCase(parentOnDisk, name))
        return false;
    missed(path,
           "another folder's name differs from it only in case, and the backup disk does not tell such names "
           "apart: its files would land on that folder's copies",
           CutOffHold::wholeItem());
    return true;
}

bool BackupPass::checkfoldersize()
{
    // A disk pulled out since the last item has no room to tell, but is
    // not full: it is asked back.
    if (!diskStillThere())
        return false;
    const std::int64_t total = state.FolderBytesTotal.get();
    const std::int64_t free = freeSpace();
    // Nothing to copy needs no room.
    if (RoomCheck::fits(free, total) || (total == 0 && state.FolderFilesTotal.get() == 0))
        return true;
    // The disk's versions are room the pass may take back, oldest first,
    // and so are the older copies it replaces, once their new copies are
    // whole and they are versions themselves.
    diskInHand();
    const std::int64_t capacity = m_setup.host.totalBytes(m_setup.driveRoot);
    const RoomCheck::Decision decision = RoomCheck::decide(
        free, m_inHand.disk().versionsRoom(total + 1 - free - m_replacedRoom) + m_replacedRoom, total, capacity);
    if (decision.room != RoomCheck::Room::NeedsDisks)
        return true;
    const bool yes = m_setup.ui.confirm(RoomCheck::prompt(decision.disks));
    if (!yes)
        endAs(PassEnd::DiskFullCancelled);
    return yes;
}

void BackupPass::IncTotalProgress()
{
    state.ItemsSized.add(1);
    m_setup.board.setTotalBar(Progress::totalBar(state.ItemsSized.get(), m_itemCount));
}

void BackupPass::CalcFolderProgress(std::int64_t size)
{
    state.FolderBytesDone.add(size);
    state.FolderFilesDone.add(1);
    m_setup.board.setFolderBar(Progress::folderBar(state.FolderBytesDone.get(), state.FolderBytesTotal.get()));
}

} // namespace quillarc
