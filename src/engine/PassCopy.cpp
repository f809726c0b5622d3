// Copying one file onto the disk in hand: opened safely, given room (the
// disk's oldest versions, then a fresh disk), stored, and what came of it
// told to the report and the item's cut-off.

#include "engine/BackupPass.h"

#include "catalogue/DiskLayout.h"
#include "engine/FileRoom.h"
#include "engine/LinkOwners.h"
#include "engine/PathRules.h"
#include "engine/SourceFile.h"
#include "platform/LabelFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace quillarc {

namespace {

std::string errorText(int error)
{
    return std::generic_category().message(error);
}

const char *const kLocked = "in use by another program (locked)";
const char *const kSwapped =
    "changed into or from a symbolic link while the pass ran: not read, as the backup runs as root";

} // namespace

void BackupPass::copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                                bool caseTwin)
{
    ++m_filesReached;
    // Run as root, a link swapped in between the listing and the open is seen.
    SourceFile file = SourceFile::listedEntry(dirFd, name);
    if (file.swapped()) {
        missed(source, kSwapped, CutOffHold::belowFile(listed));
        return;
    }
    if (!file.isOpen()) {
        if (file.error() != ENOENT) // deleted since it was listed: nothing to back up
            missed(source, "cannot be read: " + errorText(file.error()), CutOffHold::belowFile(listed));
        return;
    }
    if (!S_ISREG(file.status().st_mode))
        return;
    if (file.lockedByOther()) { // the older copy stays
        missed(source, kLocked, CutOffHold::belowFile(file.status()));
        return;
    }
    copyToDisk(file.fd(), file.status(), source, caseTwin);
}

// A single-file item: it has no sizing scan, so its room is checked here.
void BackupPass::BackupFile(const std::string &source)
{
    struct stat listed {};
    if (::stat(source.c_str(), &listed) != 0 || !S_ISREG(listed.st_mode) || !m_cutOff.qualifies(listed))
        return;
    m_sizing.measureDisk(m_setup.host, m_setup.driveRoot);
    const std::int64_t bytes = bytesToWrite(AT_FDCWD, source.c_str(), listed);
    if (m_sizing.tooLarge(listed, bytes)) {
        missed(source, m_sizing.tooLargeCause(), CutOffHold::belowFile(listed));
        return;
    }
    // A disk pulled out since the last item has no room to tell, but is
    // not full: it is asked back.
    if (!diskStillThere())
        return;
    diskInHand();
    m_inHand.freeEstimate().forget();
    // A current copy needs no room; versions give theirs before the disk
    // counts as full.
    const bool room =
        bytes <= freeSpace() || copyIsCurrent(source, listed) || (madeRoomFor(bytes) && bytes <= freeSpace());
    if (!room) {
        endAs(PassEnd::DiskFullCancelled);
        m_setup.ui.hideProgress();
        m_setup.ui.message("DISK FULL.  REPLACE DISK AND RESUME BACKUP");
        return;
    }
    setStatus(StatusLine::File, "", source, PathFit::Whole);
    SourceFile file(AT_FDCWD, source.c_str());
    if (!file.isOpen()) {
        missed(source, "cannot be read: " + errorText(file.error()), CutOffHold::belowFile(listed));
        return;
    }
    if (!S_ISREG(file.status().st_mode))
        return;
    if (struct stat link {};
        ::lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && !linkMayBeFollowed(link, file.status())) {
        missed(source, foreignLinkCause(link, file.status()), CutOffHold::none());
        return;
    }
    if (file.lockedByOther()) {
        missed(source, kLocked, CutOffHold::belowFile(file.status()));
        return;
    }
    copyToDisk(file.fd(), file.status(), source, false);
}

void BackupPass::copyToDisk(int source, const struct stat &st, const std::string &sourcePath, bool caseTwin)
{
    const std::string relative = PathRules::relativeOnDisk(sourcePath);
    if (refusedOnDisk(sourcePath, st, relative) || linkedToEarlierCopy(st, sourcePath, relative, caseTwin))
        return;
    const std::int64_t bytes = bytesToWrite(source, st);
    if (!roomFor(source, bytes) || failed()) {
        m_cutOff.hold(CutOffHold::belowFile(st)); // not missed: the pass ends, and the next one copies it
        return;
    }
    BackupDisk::StoreReport report;
    const BackupDisk::Result result = storeOnDisk(source, st, relative, {caseTwin}, report);
    if (!report.remark.empty())
        m_report.note(sourcePath, report.remark);
    if (result == BackupDisk::Result::Stored || result == BackupDisk::Result::StoredAsRead ||
        result == BackupDisk::Result::AlreadyThere)
        m_inHand.hardLinks().copied(st, relative);
    tellStored(result, report, st, sourcePath, bytes);
}

// Places on the disk no copy may take: the disk's own label file names the
// disk, and the program's own folder on it holds no copies.
bool BackupPass::refusedOnDisk(const std::string &sourcePath, const struct stat &st, const std::string &relative)
{
    if (relative == kLabelFileName) {
        missed(sourcePath,
               std::string("its copy would land on the backup disk's own label file ") + kLabelFileName +
                   ", which is never written over",
               CutOffHold::belowFile(st));
        return true;
    }
    if (disklayout::isOwnPath(relative)) {
        missed(sourcePath,
               "refused: its copy would land in the backup disk's own folder " + std::string(disklayout::kFolder) +
                   ", which holds no copies",
               CutOffHold::none());
        return true;
    }
    return false;
}

// Room for a copy of `bytes` on the disk in hand: free, made from the
// disk's oldest versions, or on a fresh disk. The older copy is never given
// up for room: it makes way into the versions only once the new copy is
// whole. False when the pass ends instead.
bool BackupPass::roomFor(int source, std::int64_t bytes)
{
    for (;;) {
        diskInHand();
        if (bytes <= m_inHand.freeEstimate().forCopy(bytes))
            return true;
        if (madeRoomFor(bytes))
            continue;
        // No lock of the in-use test is held on the source while the user
        // is asked for a disk.
        ::flock(source, LOCK_UN);
        if (!handOverFullDisk(bytes))
            return false;
    }
}

// Copies the open source to its place below the medium root: bytes,
// modification time and permission bits, under a temporary name first.
BackupDisk::Result BackupPass::storeOnDisk(int source, const struct stat &st, const std::string &relative,
                                           const BackupDisk::StoreOptions &options, BackupDisk::StoreReport &report)
{
    return m_inHand.disk().store(source, st, relative, options, report);
}

void BackupPass::tellStored(BackupDisk::Result result, const BackupDisk::StoreReport &report, const struct stat &st,
                            const std::string &sourcePath, std::int64_t bytes)
{
    const int error = report.error;
    const bool written = result == BackupDisk::Result::Stored || result == BackupDisk::Result::StoredAsRead;
    if (written) {
        if (FolderTrail::FolderMarks *marks = marksInHand())
            marks->touched = true;
        state.FilesBackedUp.add(1);
        ++m_unflushedCopies;
        m_inHand.freeEstimate().wrote(m_inHand.disk().spaceTaken(bytes));
    }
    switch (result) {
    case BackupDisk::Result::Stored:
    case BackupDisk::Result::AlreadyThere:
        break;
    case BackupDisk::Result::StoredAsRead:
        // Written to while it was read: kept as read, and copied again by
        // the next pass.
        m_cutOff.hold(CutOffHold::belowFile(st));
        m_report.note(sourcePath,
                      "changed while it was read: the copy holds it as read, the next pass copies it again");
        break;
    case BackupDisk::Result::SourceFailed:
        missed(sourcePath, error ? "read error: " + errorText(error) : "changed while it was read",
               CutOffHold::belowFile(st));
        break;
    case BackupDisk::Result::TargetSkipped:
        missed(sourcePath,
               report.caseClash ? "another file's name differs from it only in case, and the backup disk does "
                                  "not tell such names apart"
                                : "refused by the backup disk: " + errorText(error),
               CutOffHold::belowFile(st));
        break;
    case BackupDisk::Result::WriteFailed:
        missed(sourcePath, "could not be written to the backup disk: " + errorText(error), CutOffHold::belowFile(st));
        endAs(PassEnd::WriteError);
        break;
    }
}

// A further name of a file already copied in this item, on this disk,
// becomes a hard link to that copy: one copy, several names, and no room
// taken. False when the file is to be copied (the disk cannot link, FAT).
bool BackupPass::linkedToEarlierCopy(const struct stat &st, const std::string &sourcePath, const std::string &relative,
                                     bool caseTwin)
{
    const std::string *first = m_inHand.known() ? m_inHand.hardLinks().copyOf(st) : nullptr;
    if (first == nullptr)
        return false;
    BackupDisk::StoreReport report;
    const std::optional<BackupDisk::Result> linked = m_inHand.disk().storeLink(*first, st, relative, caseTwin, report);
    if (!linked)
        return false;
    if (!report.remark.empty())
        m_report.note(sourcePath, report.remark);
    if (*linked == BackupDisk::Result::WriteFailed) {
        missed(sourcePath, "could not be written to the backup disk: " + errorText(report.error),
               CutOffHold::belowFile(st));
        endAs(PassEnd::WriteError);
    } else if (*linked == BackupDisk::Result::Stored) {
        state.FilesBackedUp.add(1);
        ++m_unflushedCopies;
    }
    return true;
}

bool BackupPass::copyIsCurrent(const std::string &sourcePath, const struct stat &st)
{
    return m_inHand.known() && !m_inHand.root().empty() &&
           m_inHand.disk().hasCurrentCopy(PathRules::relativeOnDisk(sourcePath), st);
}

bool BackupPass::madeRoomFor(std::int64_t bytes)
{
    diskInHand();
    return m_inHand.madeRoomFor(bytes);
}

} // namespace quillarc
