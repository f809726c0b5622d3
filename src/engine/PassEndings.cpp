// How a pass ends: its copies flushed, its list and record of folders
// saved unless the disk went away, and what it names for the next disk.

#include "engine/BackupPass.h"

#include "catalogue/DiskLayout.h"
#include "engine/OneLine.h"
#include "engine/PathRules.h"
#include "engine/ProgressBoard.h"
#include "lists/BackupList.h"
#include "lists/DiskListFile.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

namespace quillarc {

std::string BackupPass::diskGoneText(const std::string &label)
{
    return "THE BACKUP DISK \"" + oneLine(label) +
           "\" WENT AWAY DURING THE BACKUP. THE BACKUP LIST WAS NOT SAVED: THE NEXT BACKUP ONTO IT COPIES AGAIN "
           "WHAT MAY NOT HAVE REACHED THE DISK.";
}

bool BackupPass::flushMedium()
{
    if (m_unflushedCopies == 0)
        return true;
    // A disk pulled out cannot be flushed: what was not on it is held by
    // the cut-offs instead (the list is not saved, or, with the same disk
    // back, the cut-offs of what was copied onto it stay where they were).
    if (diskGone())
        return true;
    if (const int error = m_inHand.flush(); error != 0) {
        endAs(PassEnd::WriteError);
        m_flushError = "The copies could not be flushed to the backup disk: " + std::generic_category().message(error);
        return false;
    }
    m_unflushedCopies = 0;
    if (const std::string &problem = m_inHand.ledger().problem(); !problem.empty() && !m_ledgerNoted) {
        m_report.note(m_setup.listFile.folder() + std::string(disklayout::kProgramCatalogue), problem);
        m_ledgerNoted = true;
    }
    if (m_setup.afterFlush)
        m_setup.afterFlush();
    return true;
}

void BackupPass::finish()
{
    PassOutcome &outcome = m_report.outcome();
    // A disk that went away with copies not flushed to it, or in the middle
    // of a write, may lack what the pass copied: the list is not saved, so
    // that the next pass looks at all of it again.
    if (m_end == PassEnd::DiskVanished || ((m_unflushedCopies > 0 || m_end == PassEnd::WriteError) && diskGone())) {
        m_end = PassEnd::DiskVanished;
        m_inHand.ledger().close(false);
        outcome.listSaveError = diskGoneText(m_label);
        m_setup.ui.hideProgress();
        m_setup.ui.message(outcome.listSaveError);
    } else if (!flushMedium() || !m_flushError.empty()) {
        // The list moves the cut-offs past what was copied: the copies must be
        // on the disk first, or a power cut could leave a list that claims them.
        outcome.listSaveError = m_flushError;
        m_inHand.ledger().close(false);
        m_setup.ui.hideProgress();
        m_setup.ui.message(m_flushError);
    } else {
        closeLedger();
        saveList();
    }

    // A request that came after the last item still says how the pass
    // ended, as the person asked.
    if (state.StopRequested)
        endAs(PassEnd::Stopped);
    if (abortNow())
        endAs(PassEnd::Aborted);
    if (m_end == PassEnd::DiskFullCancelled)
        nameWhatWasLeft();
    outcome.end = m_end;
    outcome.filesCopied = state.FilesBackedUp.get();
    outcome.volumeLabel = m_label;
    outcome.fileStatus = fileStatusText(outcome.end, outcome.filesCopied);
    outcome.folderStatus = folderStatusText(outcome.end);
    setStatus(StatusLine::File, outcome.fileStatus);
    setStatus(StatusLine::Folder, outcome.folderStatus);
}

// Every copy is on the disk: what the catalogue was told of them, of the
// versions and of the disk is kept.
void BackupPass::closeLedger()
{
    CopyLedger &ledger = m_inHand.ledger();
    ledger.close(true);
    if (!ledger.problem().empty() && !m_ledgerNoted) {
        m_report.note(m_setup.listFile.folder() + std::string(disklayout::kProgramCatalogue), ledger.problem());
        m_ledgerNoted = true;
    }
}

void BackupPass::saveList()
{
    PassOutcome &outcome = m_report.outcome();
    try {
        outcome.listSaved = m_setup.listFile.saveItems(m_setup.driveRoot, m_label, m_setup.list);
        if (outcome.listSaved)
            saveSeenFolders();
    } catch (const std::exception &error) {
        outcome.listSaveError = PathRules::withFullStop(error.what());
        m_setup.ui.hideProgress();
        m_setup.ui.message(outcome.listSaveError);
    }
}

void BackupPass::saveSeenFolders()
{
    std::unordered_set<std::string> paths;
    for (std::size_t i = 0; i < m_setup.list.count(); ++i)
        paths.insert(m_setup.list.at(i).path());
    const std::string file = m_setup.listFile.folder() + SeenFolders::fileName(m_label);
    try {
        m_trail.save(file, [&](const std::string &path) { return paths.count(path) != 0; });
    } catch (const std::exception &error) {
        // Not a loss: a record that is not current makes the next pass
        // look at every folder's copies.
        m_report.note(file, std::string("the record of the folders seen was not saved: ") + error.what());
    }
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
    PassOutcome &outcome = m_report.outcome();
    outcome.filesLeft = files;
    outcome.itemsLeft = 1;
    const std::string cause = "left for the next disk: the backup disk filled up";
    m_report.missed(inHand.path(), cause + " before " + std::to_string(files) + (files == 1 ? " file" : " files") +
                                       " of it were copied");
    outcome.filesMissed += files - 1;
    for (std::size_t index = m_itemInHand + 1; index < list.count(); ++index) {
        if (!list.at(index).checked())
            continue;
        ++outcome.itemsLeft;
        m_report.missed(list.at(index).path(), cause + " before this item was reached");
    }
}

} // namespace quillarc
