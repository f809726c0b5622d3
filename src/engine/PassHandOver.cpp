// The disk in hand as the pass sees it: taken from the drive, handed over
// for a fresh one when full, asked back when pulled out.

#include "engine/BackupPass.h"

#include "engine/DiskChange.h"
#include "engine/OneLine.h"
#include "engine/ProgressBoard.h"
#include "lists/BackupList.h"
#include "platform/PassLock.h"
#include "platform/VolumeHost.h"

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

void BackupPass::useMedium()
{
    m_inHand.take(m_label);
    ++m_mediaTaken;
    m_walker.setSkippedFolder(m_inHand.root());
}

void BackupPass::diskInHand()
{
    if (!m_inHand.known())
        useMedium();
}

std::int64_t BackupPass::freeSpace()
{
    const std::int64_t free = m_setup.host.freeBytes(m_setup.driveRoot);
    m_setup.board.showFreeSpace(free);
    return free;
}

// What went onto the full disk is on it before the list that names it is
// carried over to the next one; then the full disk is let go of, and a
// fresh one asked for. False when the pass ends instead.
bool BackupPass::handOverFullDisk(std::int64_t bytes)
{
    if (!flushMedium())
        return false;
    m_inHand.release();
    if (m_setup.lock != nullptr)
        m_setup.lock->releaseMedium();
    return askForAnotherDisk(bytes) != DiskFullResult::Cancel && !failed();
}

DiskFullResult BackupPass::askForAnotherDisk(std::int64_t size)
{
    // A disk pulled out has no room, but is not full: it is asked back.
    if (diskGone())
        return askForSameDisk();
    const DiskChange change =
        DiskChange::ask(m_setup.ui, m_setup.host, m_setup.driveRoot, size, m_setup.list, m_setup.listFile);
    if (change.answer == DiskFullResult::Cancel || change.label.empty()) {
        // A disk gone between READY and now ends the pass as a confirmed
        // CANCEL does: the list is saved under the label it had.
        endAs(PassEnd::DiskFullCancelled);
        return DiskFullResult::Cancel;
    }
    m_label = change.label;
    m_setup.board.showVolumeLabel(m_label);
    freeSpace();
    useMedium();
    if (!lockedDiskInHand())
        return DiskFullResult::Cancel;
    if (!change.saveError.empty()) {
        endAs(PassEnd::WriteError);
        m_setup.ui.message(change.saveError);
    }
    return change.answer;
}

// Another pass works on the disk put in, or may: nothing is written to it.
bool BackupPass::lockedDiskInHand()
{
    const PassLock::Result locked =
        m_setup.lock != nullptr ? m_setup.lock->takeMedium(m_inHand.root()) : PassLock::Result::Taken;
    if (locked == PassLock::Result::Taken)
        return true;
    endAs(PassEnd::WriteError);
    m_setup.ui.message(locked == PassLock::Result::Busy ? PassLock::busyMessage() : PassLock::unlockableMessage());
    return false;
}

bool BackupPass::diskGone() const
{
    return m_inHand.gone(m_label);
}

// True when the disk in hand is still in the drive, or the same disk was
// put back after it went away.
bool BackupPass::diskStillThere()
{
    return !diskGone() || askForSameDisk() == DiskFullResult::Ready;
}

// The copies made since the last flush may never have reached a disk
// pulled out: once it is back, the items finished on it keep the cut-offs
// they had, and so does the item in hand, so that the next pass looks at
// their copies again (a current copy costs a look, not a copy).
DiskFullResult BackupPass::askForSameDisk()
{
    m_setup.ui.hideProgress();
    const std::string gone = m_inHand.mediumRoot();
    for (bool askedBefore = false; m_setup.ui.askForDiskBack(diskGoneQuestion(m_label, askedBefore));
         askedBefore = true) {
        if (!m_inHand.sameBack(m_label))
            continue;
        useMedium();
        if (m_inHand.mediumRoot().empty())
            continue;
        if (!lockedDiskInHand())
            return DiskFullResult::Cancel;
        for (const auto &[index, cutOff] : m_cutOffsBefore) {
            m_setup.list.setCutOff(m_setup.list.at(index), cutOff);
            m_setup.board.postListChange({ListChange::Kind::CutOff, index, cutOff.local()});
        }
        m_cutOffsBefore.clear();
        m_cutOff.hold(CutOffHold::wholeItem());
        m_unflushedCopies = 0;
        return DiskFullResult::Ready;
    }
    m_inHand.stillGone(gone);
    endAs(PassEnd::DiskVanished);
    return DiskFullResult::Cancel;
}

} // namespace quillarc
