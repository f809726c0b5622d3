// How a pass ends when its disk went away or filled up: what it asks, and
// what it names for the next pass or the next disk.

#include "engine/BackupPass.h"

#include "engine/OneLine.h"
#include "engine/ProgressBoard.h"
#include "lists/BackupList.h"
#include "platform/PassLock.h"
#include "platform/VolumeHost.h"

#include <algorithm>
#include <sys/stat.h>

namespace quillarc {

namespace {

std::string diskGoneQuestion(const std::string &label, bool askedBefore)
{
    std::string text = askedBefore
                           ? "THE BACKUP DISK \"" + oneLine(label) + "\" IS NOT BACK YET.\r"
                           : "THE BACKUP DISK \"" + oneLine(label) + "\" WAS REMOVED OR CAN NO LONGER BE READ.\r";
    return text + "PUT THE SAME DISK BACK AND PRESS YES TO CARRY ON,\r"
                  "OR CANCEL TO END THE BACKUP.";
}

} // namespace

std::string BackupPass::diskGoneText(const std::string &label)
{
    return "THE BACKUP DISK \"" + oneLine(label) +
           "\" WENT AWAY DURING THE BACKUP. THE BACKUP LIST WAS NOT SAVED: THE NEXT BACKUP ONTO IT COPIES AGAIN "
           "WHAT MAY NOT HAVE REACHED THE DISK.";
}

// The disk in hand is gone when the drive holds no medium, or a medium of
// another label, or when the root it had cannot be reached (ENODEV, EIO on
// a disk pulled out) or is now another folder (its mount gone, the folder
// beneath it showing). A disk whose free space cannot be told is no disk
// to write to either.
bool BackupPass::diskGone() const
{
    if (m_mediumRoot.empty())
        return false;
    const VolumeHost &host = m_setup.host;
    if (host.mediumRoot(m_setup.driveRoot) != m_mediumRoot || host.volumeLabel(m_setup.driveRoot) != m_label ||
        host.freeBytes(m_setup.driveRoot) < 0)
        return true;
    struct stat now {};
    if (::stat(m_mediumRoot.c_str(), &now) != 0)
        return true;
    return now.st_dev != m_mediumStat.st_dev || now.st_ino != m_mediumStat.st_ino;
}

bool BackupPass::sameDiskBack() const
{
    const VolumeHost &host = m_setup.host;
    return !host.mediumRoot(m_setup.driveRoot).empty() && host.volumeLabel(m_setup.driveRoot) == m_label &&
           host.freeBytes(m_setup.driveRoot) >= 0;
}

// The copies made since the last flush may never have reached a disk
// pulled out: once it is back, the items finished on it keep the cut-offs
// they had, and so does the item in hand, so that the next pass looks at
// their copies again (a current copy costs a look, not a copy).
DiskFullResult BackupPass::askForSameDisk()
{
    m_setup.ui.hideProgress();
    const std::string gone = m_mediumRoot;
    for (bool askedBefore = false; m_setup.ui.askForDiskBack(diskGoneQuestion(m_label, askedBefore));
         askedBefore = true) {
        if (!sameDiskBack())
            continue;
        useMedium();
        if (m_mediumRoot.empty())
            continue;
        if (const PassLock::Result locked =
                m_setup.lock != nullptr ? m_setup.lock->takeMedium(m_mediumRoot) : PassLock::Result::Taken;
            locked != PassLock::Result::Taken) {
            endAs(PassEnd::WriteError);
            m_setup.ui.message(locked == PassLock::Result::Busy ? PassLock::busyMessage()
                                                                : PassLock::unlockableMessage());
            return DiskFullResult::Cancel;
        }
        for (const auto &[index, cutOff] : m_cutOffsBefore) {
            m_setup.list.setCutOff(m_setup.list.at(index), cutOff);
            m_setup.board.postListChange({ListChange::Kind::CutOff, index, cutOff.local()});
        }
        m_cutOffsBefore.clear();
        m_keepCutOff = true;
        m_unflushedCopies = 0;
        return DiskFullResult::Ready;
    }
    m_mediumRoot = gone;
    endAs(PassEnd::DiskVanished);
    return DiskFullResult::Cancel;
}

// True when the disk in hand is still in the drive, or the same disk was
// put back after it went away.
bool BackupPass::diskStillThere()
{
    return !diskGone() || askForSameDisk() == DiskFullResult::Ready;
}

// A pass that ended for want of room names what it left for the next
// disk: the rest of the item in hand and every checked item after it, so
// that "nothing missed" is never said of a folder never reached.
void BackupPass::nameWhatWasLeft()
{
    const BackupList &list = m_setup.list;
    if (m_itemInHand >= list.count())
        return;
    const BackupItem &inHand = list.at(m_itemInHand);
    // The sizing scan's count holds the folders it settles as well; the
    // file the disk had no room for was reached but not copied.
    std::int64_t files = 1;
    if (inHand.isFolder()) {
        const std::int64_t sized = state.FolderFilesTotal.get() - m_foldersSized;
        files = std::max<std::int64_t>(1, sized - m_filesReached + (m_filesReached > 0 ? 1 : 0));
    }
    m_outcome.filesLeft = files;
    m_outcome.itemsLeft = 1;
    m_outcome.filesMissed += files;
    const std::string cause = "left for the next disk: the backup disk filled up";
    if (m_outcome.missed.size() < PassOutcome::kMissedKept)
        m_outcome.missed.push_back({inHand.path(), cause + " before " + std::to_string(files) +
                                                       (files == 1 ? " file" : " files") + " of it were copied"});
    for (std::size_t index = m_itemInHand + 1; index < list.count(); ++index) {
        if (!list.at(index).checked())
            continue;
        ++m_outcome.itemsLeft;
        ++m_outcome.filesMissed;
        if (m_outcome.missed.size() < PassOutcome::kMissedKept)
            m_outcome.missed.push_back({list.at(index).path(), cause + " before this item was reached"});
    }
}

} // namespace quillarc
