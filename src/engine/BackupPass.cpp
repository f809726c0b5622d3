#include "engine/BackupPass.h"

#include "engine/CutOffTest.h"
#include "engine/DiskChange.h"
#include "engine/CaseClash.h"
#include "engine/DiskItself.h"
#include "engine/ExclusionTest.h"
#include "engine/FileRoom.h"
#include "catalogue/DiskLayout.h"
#include "engine/LinkOwners.h"
#include "engine/PathRules.h"
#include "engine/Progress.h"
#include "engine/ProgressBoard.h"
#include "engine/RoomCheck.h"
#include "engine/StartCheck.h"
#include "engine/SourceFile.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "base/UniqueFd.h"
#include "lists/DiskListFile.h"
#include "platform/FileSystemKind.h"
#include "platform/linux/MountInfo.h"
#include "platform/PassLock.h"
#include "platform/LabelFile.h"
#include "platform/VolumeHost.h"

#include <cerrno>
#include <chrono>
#include <unordered_set>
#include <fcntl.h>
#include <system_error>
#include <ctime>
#include <unistd.h>
#include <utility>

namespace quillarc {

namespace {

constexpr DateTime kOneSecond = 1.0 / 86400.0;

std::string errorText(int error)
{
    return std::generic_category().message(error);
}

} // namespace

// The sizing scan: totals the qualifying files of a folder item.
class BackupPass::SizingScan final : public TreeVisitor {
public:
    explicit SizingScan(BackupPass &pass) : m_pass(pass) {}
    bool goOn() override { return !m_pass.abortNow(); }
    void folder(const std::string &path) override
    {
        m_pass.setStatus(StatusLine::Folder, "Scanning .. ", path, PathFit::LineWidthLess100);
    }
    void enterFolder(const std::string &path, const struct stat &st) override
    {
        m_pass.m_seenNow.emplace(m_pass.belowItem(path), m_pass.folderId(path, st));
        m_pass.followChangedFolder(path, st);
        m_pass.enterFolder(path, st, false);
        if (m_pass.m_folders.back().settle)
            m_pass.state.FolderFilesTotal.add(1);
    }
    void leaveFolder(const std::string &, const struct stat &st) override { m_pass.leaveFolder(st, false); }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool) override
    {
        if (m_pass.excluded(name) || !m_pass.qualifiesInFolder(st, path))
            return;
        const std::int64_t bytes = bytesToWrite(dirFd, name, st);
        // A file no disk of this kind can hold is left out of the room the
        // item needs, but counted, so that the copy scan reaches it to name it.
        if (m_pass.tooLarge(st, bytes)) {
            m_pass.state.FolderFilesTotal.add(1);
            return;
        }
        // A copy that is current already (a file that qualified again within
        // the cut-off's margin) is not written again and needs no room; the
        // copy scan leaves it out alike.
        if (m_pass.copyIsCurrent(path, st, &m_pass.m_replacedRoom))
            return;
        m_pass.state.FolderBytesTotal.add(bytes);
        m_pass.state.FolderFilesTotal.add(1);
        m_pass.setStatus(StatusLine::File, std::to_string(m_pass.state.FolderBytesTotal.get()));
    }
    void unreadable(const std::string &path, int error) override
    {
        m_pass.missedFolder(path, "cannot be read: " + errorText(error));
    }
    // Named here, where every folder item is walked, whether or not the copy
    // scan runs; when new, or when what it points at changed.
    void refusedLink(const std::string &path, const struct stat &link, const struct stat &target) override
    {
        const std::size_t slash = path.rfind('/');
        if (m_pass.excluded(path.c_str() + (slash == std::string::npos ? 0 : slash + 1)) ||
            (!m_pass.qualifies(link) && !m_pass.qualifies(target)))
            return;
        m_pass.refusedFile(path, foreignLinkCause(link, target));
    }

private:
    BackupPass &m_pass;
};

// The copy scan: hands every qualifying file to the copy step, and ends
// early once every sized file and byte has been handed over.
class BackupPass::CopyScan final : public TreeVisitor {
public:
    explicit CopyScan(BackupPass &pass) : m_pass(pass) {}
    bool goOn() override { return !m_pass.failed() && !m_pass.abortNow() && !m_pass.copyScanDone(); }
    void folder(const std::string &path) override
    {
        m_pass.setStatus(StatusLine::Folder, "", path, PathFit::LineWidth);
    }
    void enterFolder(const std::string &path, const struct stat &st) override
    {
        m_pass.enterFolder(path, st, !m_pass.changedSinceSizing(st));
    }
    void leaveFolder(const std::string &, const struct stat &st) override { m_pass.leaveFolder(st, true); }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool caseTwin) override
    {
        if (m_pass.excluded(name) || !m_pass.qualifiesInFolder(st, path))
            return;
        // A file that changed or arrived since sizing began may not have been
        // sized: it is copied, but does not count toward the sized totals, so
        // it cannot make the scan end before every sized file was reached.
        const bool sized = !m_pass.changedSinceSizing(st);
        const std::int64_t bytes = bytesToWrite(dirFd, name, st);
        if (m_pass.tooLarge(st, bytes)) {
            if (sized)
                m_pass.CalcFolderProgress(0);
            m_pass.missedFile(path, st, m_pass.tooLargeCause());
            return;
        }
        if (sized && m_pass.copyIsCurrent(path, st))
            return;
        if (sized)
            m_pass.CalcFolderProgress(bytes);
        m_pass.setStatus(StatusLine::File, "", path, PathFit::LineWidth);
        m_pass.copyFolderFile(dirFd, name, path, st, caseTwin);
    }
    void unreadable(const std::string &path, int error) override
    {
        m_pass.missedFolder(path, "cannot be read: " + errorText(error));
    }
    bool enterCaseTwin(const std::string &path) override { return !m_pass.folderClashesByCase(path); }

private:
    BackupPass &m_pass;
};

BackupPass::BackupPass(PassSetup passSetup)
    : m_setup(std::move(passSetup)), m_label(m_setup.volumeLabel), m_freeEstimate(m_setup.host, m_setup.driveRoot)
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

std::int64_t BackupPass::freeSpace()
{
    const std::int64_t free = m_setup.host.freeBytes(m_setup.driveRoot);
    m_setup.board.showFreeSpace(free);
    return free;
}

void BackupPass::useMedium()
{
    const std::string root = m_setup.host.mediumRoot(m_setup.driveRoot);
    m_mediumRoot = root;
    if (root.empty() || ::stat(root.c_str(), &m_mediumStat) != 0)
        m_mediumRoot.clear();
    m_disk.setRoot(root);
    m_disk.setPassStamp(disklayout::passStamp(m_setup.clock.now()));
    // What the pass copies is recorded in the program folder's catalogue,
    // which also judges whether a copy on the disk is current.
    if (!m_ledgerOpened) {
        m_ledger.open(m_setup.listFile.folder() + std::string(disklayout::kProgramCatalogue));
        m_ledgerOpened = true;
        m_disk.setLedger(&m_ledger);
    }
    m_ledger.useDisk({m_label, m_setup.host.fileSystemUuid(m_setup.driveRoot)});
    // What a pass that died left on this disk goes before anything is
    // written, whether or not this pass copies anything.
    m_disk.removeLeftovers();
    m_walker.setSkippedFolder(root);
    m_freeEstimate.forget();
    m_hardLinks.clear();
    m_diskKnown = true;
}

void BackupPass::Dobackup(std::stop_token stop)
{
    m_stopToken = std::move(stop);
    BackupList &list = m_setup.list;
    m_outcome.volumeLabel = m_label;
    if (list.empty())
        return;
    state.ItemsSized.set(0);
    m_itemCount = static_cast<std::int64_t>(list.checkedCount());
    useMedium();
    m_seen.load(m_setup.listFile.folder() + SeenFolders::fileName(m_label));

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
        m_setup.ui.message(PathRules::errorBoxText(error.what()));
    }
    finish();
}

void BackupPass::workItem(std::size_t index)
{
    BackupList &list = m_setup.list;
    BackupItem &item = list.at(index);
    const std::string path = item.path();
    m_itemInHand = index;
    m_foldersSized = 0;
    m_filesReached = 0;
    CutOff cutOff;
    if (const std::string problem = itemProblem(item, cutOff); !problem.empty()) {
        missedFolder(path, "not backed up: " + problem);
        return;
    }
    m_cutOffTest = CutOffTest(cutOff);
    m_missedCutOff.reset();
    m_keepCutOff = false;
    m_reportedFolders.clear();
    m_hardLinks.clear();
    m_excludeAtItemStart = m_setup.filters.exclude.load(std::memory_order_relaxed);
    m_excludeChanged = false;
    // Files changed from two seconds before the work began are left to the
    // next pass, which is what the new cut-off says.
    const DateTime workBegan = dateTimeFromTimePoint(m_setup.clock.now() - std::chrono::seconds(2));

    // The person removes items; a pass never does. An item whose folder or
    // file is not there (a share not mounted, a disk unplugged) is named and
    // keeps its cut-off, so that its files are copied once it is back.
    struct stat itemStat {};
    m_folders.clear();
    if (::stat(path.c_str(), &itemStat) != 0) {
        const int error = errno;
        const bool gone = error == ENOENT || error == ENOTDIR;
        missedFolder(path, std::string(item.isFolder() ? "the folder" : "the file") +
                               (gone ? " is not there" : " cannot be reached") +
                               ", so nothing of it was backed up: " + errorText(error));
        return;
    }
    if (const std::string problem = onDiskProblem(path); !problem.empty()) {
        missedFolder(path, problem);
        return;
    }
    // A share or disk not mounted leaves its empty mount point: nothing of
    // it would be missed, as far as the folder tells.
    const bool mountPoint = item.isFolder() && isMountPoint(path);
    if (item.isFolder() && !mountPoint && m_seen.wasMountPoint(path)) {
        missedFolder(path, "not mounted: the folder was a mount point (a share or a disk) at the last pass and is "
                           "not one now, so nothing of it was backed up");
        return;
    }
    if (item.isFolder())
        passOverDiskMountsBelow(path);

    if (!item.isFolder()) {
        if (!S_ISREG(itemStat.st_mode)) {
            missedFolder(path, "not backed up: it is no longer a file");
            return;
        }
        if (!abortNow())
            BackupFile(path);
    } else {
        const bool withSubfolders = item.withSubfolders();
        state.FolderBytesTotal.set(0);
        state.FolderFilesTotal.set(0);
        m_itemText = path.back() == '/' ? path : path + "/";
        m_lastSeen = m_seen.forItem(path, cutOff);
        m_seenNow.clear();
        m_fileSystems.clear();
        m_unrecorded.clear();
        if (!abortNow()) {
            state.SizingPhase.set();
            // STOP that landed between the loop's check and here came while
            // sizing, as far as the item is concerned: it aborts.
            if (state.StopRequested) {
                state.StopRequested.clear();
                endAs(PassEnd::Aborted);
            }
            ::clock_gettime(CLOCK_REALTIME_COARSE, &m_sizingBegan);
            noteLargestCopy();
            ScanFoldersize(path, withSubfolders);
            IncTotalProgress();
        }
        if (!abortNow() && checkfoldersize()) {
            state.SizingPhase.clear();
            state.FolderBytesDone.set(0);
            state.FolderFilesDone.set(0);
            m_setup.board.setFolderBar(0);
            ScanFolder(path, withSubfolders);
        }
    }

    if (m_excludeChanged)
        missedFolder(path, "the EXCLUDE box was changed while this item was backed up: it keeps its cut-off, "
                           "and the next pass copies what this one may have left out");
    if (!failed() && !abortNow() && !m_keepCutOff) {
        DateTime next = workBegan;
        if (m_missedCutOff && *m_missedCutOff < next)
            next = *m_missedCutOff;
        m_cutOffsBefore.emplace(index, cutOff);
        list.SetCutOff(item, next);
        m_setup.board.postListChange({ListChange::Kind::CutOff, index, next});
        if (item.isFolder() && item.cutOff())
            recordSeenFolders(path, *item.cutOff(), mountPoint);
    }
}

// An item on the backup disk itself would be copied into itself, one level
// deeper on every pass.
std::string BackupPass::onDiskProblem(const std::string &path) const
{
    if (!liesOnBackupDisk(path, m_disk.root()))
        return {};
    return "not backed up: it lies on the backup disk itself, which cannot hold a backup of itself";
}

// The backup disk mounted a second time inside the item (a bind mount of
// it or of one of its folders) would be copied into itself: the walk
// passes over it, and the pass says so.
void BackupPass::passOverDiskMountsBelow(const std::string &path)
{
    if (m_disk.root().empty())
        return;
    for (const std::string &mount : backupDiskMountsBelow(path, m_disk.root(), readMountInfo())) {
        m_walker.addSkippedFolder(mount);
        refusedFile(mount, "passed over: the backup disk itself is mounted here as well, and a disk cannot hold a "
                           "backup of itself");
    }
}

// Two source folders whose names differ only in case ("Dir", "dir") would
// be one folder on a disk that cannot tell them apart (FAT), each file of
// the one landing on the other's copy. The folder whose copy the disk
// already shows under the other name is named and passed over.
bool BackupPass::folderClashesByCase(const std::string &path)
{
    if (m_disk.root().empty())
        return false;
    const std::size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    const std::string parentOnDisk = m_disk.root() + PathRules::relativeOnDisk(path.substr(0, slash + 1));
    if (!takenUnderAnotherCase(parentOnDisk, name))
        return false;
    missedFolder(path, "another folder's name differs from it only in case, and the backup disk does not tell such "
                       "names apart: its files would land on that folder's copies");
    return true;
}

std::string BackupPass::belowItem(const std::string &path) const
{
    return path.size() > m_itemText.size() ? path.substr(m_itemText.size()) : std::string();
}

// New to the item: below a new folder; else, with a record of the item's
// last pass, not seen by it (or seen holding another folder, or on another
// file system: a stick mounted where a folder was); else, with none, a
// sub-folder whose status changed since the cut-off (a move or a rename
// changes it): the person's cut-off still holds for what did not. Where
// inode numbers say nothing from one pass to the next (FAT, FUSE, a
// network share: numbers made up at each mount, or by the server), the
// record cannot tell a folder put in place of another, and FAT keeps no
// status-change time either: past the first pass, every folder there is
// new, and its files cost a look at their copies.
bool BackupPass::folderIsNew(const std::string &path, const std::string &relative, const struct stat &st)
{
    if (!m_folders.empty() && m_folders.back().isNew)
        return true;
    if (m_lastSeen == nullptr)
        return !m_folders.empty() && qualifies(st);
    if (!facts(path, st).keepsInodeNumbers)
        return true;
    const auto found = m_lastSeen->find(relative);
    return found == m_lastSeen->end() || found->second != folderId(path, st);
}

const FileSystemFacts &BackupPass::facts(const std::string &path, const struct stat &st)
{
    auto known = m_fileSystems.find(st.st_dev);
    if (known == m_fileSystems.end())
        known = m_fileSystems.emplace(st.st_dev, fileSystemFacts(path)).first;
    return known->second;
}

SeenFolders::FolderId BackupPass::folderId(const std::string &path, const struct stat &st)
{
    return {st.st_dev, facts(path, st).identity, st.st_ino};
}

// `counted`: the copy scan counts a folder to settle as the sizing scan
// did, so that its early end waits for it.
void BackupPass::enterFolder(const std::string &path, const struct stat &st, bool counted)
{
    OpenFolder open;
    open.relative = belowItem(path);
    open.isNew = folderIsNew(path, open.relative, st);
    open.settle = open.isNew || qualifies(st);
    if (open.settle && state.SizingPhase)
        ++m_foldersSized;
    if (open.settle && counted)
        state.FolderFilesDone.add(1);
    m_folders.push_back(std::move(open));
}

// A folder's copy gets its times once everything in it was written: an
// empty folder (a mail folder's `new/`) is there on restore, with its bits.
void BackupPass::leaveFolder(const struct stat &st, bool settle)
{
    const OpenFolder done = std::move(m_folders.back());
    m_folders.pop_back();
    // A folder in which something was missed is settled by the pass that
    // copies it: its bits could keep that copy out.
    if (!settle || done.missed || (!done.settle && !done.touched))
        return;
    if (failed() || abortNow() || !m_diskKnown || m_disk.root().empty())
        return;
    const std::string path = m_itemText + done.relative;
    const std::string relative = PathRules::relativeOnDisk(path);
    if (relative.empty())
        return; // the medium root is the disk's, not a copy
    if (const int error = m_disk.settleFolder(relative, st); error != 0) {
        missedFolder(path, "its folder could not be made on the backup disk: " + errorText(error));
        return;
    }
    if (!m_folders.empty())
        m_folders.back().touched = true;
}

// A file qualifies by its own times, or when it lies in a folder new to the
// item and the disk holds no current copy of it.
bool BackupPass::qualifiesInFolder(const struct stat &st, const std::string &path)
{
    if (qualifies(st))
        return true;
    if (m_folders.empty() || !m_folders.back().isNew)
        return false;
    return !m_disk.hasCurrentCopy(PathRules::relativeOnDisk(path), st);
}

// A folder in which something was missed stays new to the item, so that
// the next pass looks at all of it again whatever its files' times.
void BackupPass::recordSeenFolders(const std::string &itemPath, CutOff cutOff, bool mountPoint)
{
    for (const std::string &folder : m_unrecorded)
        m_seenNow.erase(folder);
    m_seen.setItem(itemPath, cutOff, std::move(m_seenNow), mountPoint);
    m_seenNow = {};
}

void BackupPass::saveSeenFolders()
{
    std::unordered_set<std::string> paths;
    for (std::size_t i = 0; i < m_setup.list.count(); ++i)
        paths.insert(m_setup.list.at(i).path());
    m_seen.keepItems([&](const std::string &path) { return paths.count(path) != 0; });
    const std::string file = m_setup.listFile.folder() + SeenFolders::fileName(m_label);
    try {
        m_seen.save(file);
    } catch (const std::exception &error) {
        // Not a loss: a record that is not current makes the next pass
        // look at every folder's copies.
        if (m_outcome.notes.size() < PassOutcome::kMissedKept)
            m_outcome.notes.push_back(
                {file, std::string("the record of the folders seen was not saved: ") + error.what()});
    }
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
    const int error = m_disk.flush();
    if (error != 0) {
        endAs(PassEnd::WriteError);
        m_flushError = "The copies could not be flushed to the backup disk: " + errorText(error);
        return false;
    }
    m_unflushedCopies = 0;
    // The records of the copies go into the catalogue once the copies are
    // on the disk, never before.
    m_ledger.flush();
    // The disk carries its own record of what it holds, written once the
    // copies are on it: at the end of the pass and before it is handed over.
    if (const UniqueFd root(::open(m_disk.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); root)
        m_ledger.writeDiskCopy(root.get(), disklayout::passStamp(m_setup.clock.now()),
                               m_setup.host.freeBytes(m_setup.driveRoot));
    if (!m_ledger.problem().empty() && !m_ledgerNoted && m_outcome.notes.size() < PassOutcome::kMissedKept) {
        m_outcome.notes.push_back(
            {m_setup.listFile.folder() + std::string(disklayout::kProgramCatalogue), m_ledger.problem()});
        m_ledgerNoted = true;
    }
    if (m_setup.afterFlush)
        m_setup.afterFlush();
    return true;
}

void BackupPass::finish()
{
    // A disk that went away with copies not flushed to it, or in the middle
    // of a write, may lack what the pass copied: the list is not saved, so
    // that the next pass looks at all of it again.
    if (m_end == PassEnd::DiskVanished || ((m_unflushedCopies > 0 || m_end == PassEnd::WriteError) && diskGone())) {
        m_end = PassEnd::DiskVanished;
        m_outcome.listSaveError = diskGoneText(m_label);
        m_setup.ui.hideProgress();
        m_setup.ui.message(m_outcome.listSaveError);
    } else if (!flushMedium() || !m_flushError.empty()) {
        // The list moves the cut-offs past what was copied: the copies must be
        // on the disk first, or a power cut could leave a list that claims them.
        m_outcome.listSaveError = m_flushError;
        m_setup.ui.hideProgress();
        m_setup.ui.message(m_flushError);
    } else {
        try {
            m_outcome.listSaved = m_setup.listFile.SAveIniFile(m_setup.driveRoot, m_label, m_setup.list);
            if (m_outcome.listSaved)
                saveSeenFolders();
        } catch (const std::exception &error) {
            m_outcome.listSaveError = PathRules::errorBoxText(error.what());
            m_setup.ui.hideProgress();
            m_setup.ui.message(m_outcome.listSaveError);
        }
    }

    // A request that came after the last item still says how the pass
    // ended, as the person asked.
    if (state.StopRequested)
        endAs(PassEnd::Stopped);
    if (abortNow())
        endAs(PassEnd::Aborted);
    if (m_end == PassEnd::DiskFullCancelled)
        nameWhatWasLeft();
    m_outcome.end = m_end;
    m_outcome.filesCopied = state.FilesBackedUp.get();
    m_outcome.volumeLabel = m_label;
    m_outcome.fileStatus = fileStatusText(m_outcome.end, m_outcome.filesCopied);
    m_outcome.folderStatus = folderStatusText(m_outcome.end);
    setStatus(StatusLine::File, m_outcome.fileStatus);
    setStatus(StatusLine::Folder, m_outcome.folderStatus);
}

bool BackupPass::qualifies(const struct stat &st) const
{
    return m_cutOffTest.qualifies(st);
}

// A folder whose own bits, group or lists changed since the cut-off has
// its copy brought in line, even when nothing in it is copied: a folder
// made private stays private on the disk.
void BackupPass::followChangedFolder(const std::string &path, const struct stat &st)
{
    if (m_disk.root().empty() || !qualifies(st))
        return;
    m_disk.followSourceFolder(PathRules::relativeOnDisk(path));
}

void BackupPass::ScanFoldersize(const std::string &path, bool withSubfolders)
{
    m_replacedRoom = 0;
    SizingScan scan(*this);
    m_walker.walk(path, withSubfolders, scan);
}

// The EXCLUDE box may be toggled while a pass runs and counts from the next
// file tested. Sizing and copy scan then judge files differently, and the
// copy scan's early end can leave files behind; such an item keeps its
// cut-off so that the next pass copies what this one may have missed.
bool BackupPass::excluded(const char *name)
{
    if (m_setup.filters.exclude.load(std::memory_order_relaxed) != m_excludeAtItemStart)
        m_excludeChanged = true;
    return bannedext(m_setup.filters, name);
}

// The largest file the disk's file system can hold (FAT's 4 GiB): a larger
// one is refused by every disk of its kind, and asking for disk after disk
// could never get it backed up.
// A file larger than an empty disk of this kind holds is no different:
// fresh disks would be asked for without end.
void BackupPass::noteLargestCopy()
{
    m_largestCopy = m_setup.host.largestFile(m_setup.driveRoot);
    const std::int64_t capacity = m_setup.host.totalBytes(m_setup.driveRoot);
    m_largerThanDisk = capacity > 0 && capacity < m_largestCopy;
    if (m_largerThanDisk)
        m_largestCopy = capacity;
}

std::string BackupPass::tooLargeCause() const
{
    if (m_largerThanDisk)
        return "larger than an empty backup disk of this kind can hold (" + std::to_string(m_largestCopy) + " bytes)";
    return "larger than the backup disk's file system allows (" + std::to_string(m_largestCopy) + " bytes at most)";
}

bool BackupPass::changedSinceSizing(const struct stat &st) const
{
    auto notBefore = [this](const struct timespec &time) {
        return time.tv_sec > m_sizingBegan.tv_sec ||
               (time.tv_sec == m_sizingBegan.tv_sec && time.tv_nsec >= m_sizingBegan.tv_nsec);
    };
    return notBefore(st.st_mtim) || notBefore(st.st_ctim);
}

bool BackupPass::copyScanDone() const
{
    return state.FolderBytesDone.get() == state.FolderBytesTotal.get() &&
           state.FolderFilesDone.get() == state.FolderFilesTotal.get();
}

void BackupPass::ScanFolder(const std::string &path, bool withSubfolders)
{
    CopyScan scan(*this);
    if (!scan.goOn()) {
        scan.folder(path);
        return;
    }
    m_walker.walk(path, withSubfolders, scan);
}

// A qualifying file that was not copied keeps the item's new cut-off below
// its own time, so the next pass copies it.
void BackupPass::holdCutOffFor(const struct stat &st)
{
    const DateTime limit = CutOffTest::fileTime(st) - kOneSecond;
    if (!m_missedCutOff || limit < *m_missedCutOff)
        m_missedCutOff = limit;
}

void BackupPass::missedFile(const std::string &path, const struct stat &st, const std::string &cause)
{
    holdCutOffFor(st);
    if (!m_folders.empty()) {
        m_unrecorded.insert(m_folders.back().relative);
        m_folders.back().missed = true;
    }
    ++m_outcome.filesMissed;
    if (m_outcome.missed.size() < PassOutcome::kMissedKept)
        m_outcome.missed.push_back({path, cause});
}

// A file the pass will never copy as things stand (a link root may not
// follow): named, but the cut-off moves on, or it would never move again.
void BackupPass::refusedFile(const std::string &path, const std::string &cause)
{
    ++m_outcome.filesMissed;
    if (m_outcome.missed.size() < PassOutcome::kMissedKept)
        m_outcome.missed.push_back({path, cause});
}

// Something of the item that no file time stands for (a folder that could
// not be listed, a cut-off that does not read): the item keeps its cut-off.
void BackupPass::missedFolder(const std::string &path, const std::string &cause)
{
    m_keepCutOff = true;
    if (!m_folders.empty())
        m_folders.back().missed = true;
    if (!m_reportedFolders.insert(path).second)
        return;
    ++m_outcome.filesMissed;
    if (m_outcome.missed.size() < PassOutcome::kMissedKept)
        m_outcome.missed.push_back({path, cause});
}

void BackupPass::copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                                bool caseTwin)
{
    ++m_filesReached;
    // Run as root, the entry is looked at just before it is opened, so that
    // a link swapped in meanwhile is seen.
    struct stat before {};
    if (::geteuid() == 0 && ::fstatat(dirFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0)
        return; // gone since it was listed
    SourceFile file(dirFd, name);
    if (!file.isOpen()) {
        if (file.error() != ENOENT) // deleted since it was listed: nothing to back up
            missedFile(source, listed, "cannot be read: " + errorText(file.error()));
        return;
    }
    if (!S_ISREG(file.status().st_mode))
        return;
    if (::geteuid() == 0 && !openedAsLooked(dirFd, name, before, file.status())) {
        missedFile(source, listed,
                   "changed into or from a symbolic link while the pass ran: not read, as the backup runs as root");
        return;
    }
    if (file.lockedByOther()) { // the older copy stays
        missedFile(source, file.status(), "in use by another program (locked)");
        return;
    }
    WriteCDFile(file.fd(), file.status(), source, caseTwin);
}

void BackupPass::WriteCDFile(int source, const struct stat &st, const std::string &sourcePath, bool caseTwin)
{
    const std::string relative = PathRules::relativeOnDisk(sourcePath);
    // The disk's own label file names the disk: no copy lands on it.
    if (relative == kLabelFileName) {
        missedFile(sourcePath, st,
                   std::string("its copy would land on the backup disk's own label file ") + kLabelFileName +
                       ", which is never written over");
        return;
    }
    // The program's own folder on the disk holds no copies: a source whose
    // copy would land there never gets one.
    if (disklayout::isOwnPath(relative)) {
        refusedFile(sourcePath, "refused: its copy would land in the backup disk's own folder " +
                                    std::string(disklayout::kFolder) + ", which holds no copies");
        return;
    }
    if (linkedToEarlierCopy(st, sourcePath, relative, caseTwin))
        return;
    const std::int64_t bytes = bytesToWrite(source, st);
    for (;;) {
        diskInHand();
        const std::int64_t free = m_freeEstimate.forCopy(bytes);
        if (bytes <= free)
            break;
        // The older copy is never given up for room: it makes way into the
        // versions only once the new copy is whole. Room comes from the
        // oldest versions, and only then from a fresh disk.
        if (madeRoomFor(bytes))
            continue;
        // What went onto the full disk is on it before the list that names
        // it is carried over to the next one.
        if (!flushMedium())
            break;
        // Let go of every folder held open on the full disk: the user must
        // be able to unmount it, and a new disk mounted at the same place
        // must be written to, not the old one behind a held descriptor.
        m_disk.setRoot({});
        if (m_setup.lock != nullptr)
            m_setup.lock->releaseMedium();
        m_diskKnown = false;
        m_hardLinks.clear();
        m_freeEstimate.forget();
        if (ShowFullForm(bytes) == DiskFullResult::Cancel || failed())
            break;
    }
    if (failed()) {
        holdCutOffFor(st); // not missed: the pass ends, and the next one copies it
        return;
    }
    BackupDisk::StoreReport report;
    const BackupDisk::Result result = FileCopy(source, st, relative, {caseTwin}, report);
    const int error = report.error;
    if (!report.remark.empty() && m_outcome.notes.size() < PassOutcome::kMissedKept)
        m_outcome.notes.push_back({sourcePath, report.remark});
    if (result == BackupDisk::Result::Stored || result == BackupDisk::Result::StoredAsRead ||
        result == BackupDisk::Result::AlreadyThere)
        m_hardLinks.copied(st, relative);
    switch (result) {
    case BackupDisk::Result::Stored:
        if (!m_folders.empty())
            m_folders.back().touched = true;
        state.FilesBackedUp.add(1);
        ++m_unflushedCopies;
        m_freeEstimate.wrote(m_disk.spaceTaken(bytes));
        break;
    case BackupDisk::Result::AlreadyThere:
        break;
    case BackupDisk::Result::StoredAsRead:
        // Written to while it was read: kept as read, and copied again by
        // the next pass.
        if (!m_folders.empty())
            m_folders.back().touched = true;
        state.FilesBackedUp.add(1);
        ++m_unflushedCopies;
        m_freeEstimate.wrote(m_disk.spaceTaken(bytes));
        holdCutOffFor(st);
        if (m_outcome.notes.size() < PassOutcome::kMissedKept)
            m_outcome.notes.push_back(
                {sourcePath, "changed while it was read: the copy holds it as read, the next pass copies it again"});
        break;
    case BackupDisk::Result::SourceFailed:
        missedFile(sourcePath, st, error ? "read error: " + errorText(error) : "changed while it was read");
        break;
    case BackupDisk::Result::TargetSkipped:
        missedFile(sourcePath, st,
                   report.caseClash ? "another file's name differs from it only in case, and the backup disk does "
                                      "not tell such names apart"
                                    : "refused by the backup disk: " + errorText(error));
        break;
    case BackupDisk::Result::WriteFailed:
        missedFile(sourcePath, st, "could not be written to the backup disk: " + errorText(error));
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
    const std::string *first = m_diskKnown ? m_hardLinks.copyOf(st) : nullptr;
    if (first == nullptr)
        return false;
    BackupDisk::StoreReport report;
    const std::optional<BackupDisk::Result> linked = m_disk.storeLink(*first, st, relative, caseTwin, report);
    if (!linked)
        return false;
    if (!report.remark.empty() && m_outcome.notes.size() < PassOutcome::kMissedKept)
        m_outcome.notes.push_back({sourcePath, report.remark});
    if (*linked == BackupDisk::Result::WriteFailed) {
        missedFile(sourcePath, st, "could not be written to the backup disk: " + errorText(report.error));
        endAs(PassEnd::WriteError);
    } else if (*linked == BackupDisk::Result::Stored) {
        state.FilesBackedUp.add(1);
        ++m_unflushedCopies;
    }
    return true;
}

// Copies the open source to its place below the medium root: bytes,
// modification time and permission bits, under a temporary name first.
BackupDisk::Result BackupPass::FileCopy(int source, const struct stat &st, const std::string &relative,
                                        const BackupDisk::StoreOptions &options, BackupDisk::StoreReport &report)
{
    return m_disk.store(source, st, relative, options, report);
}

void BackupPass::BackupFile(const std::string &source)
{
    struct stat listed {};
    if (::stat(source.c_str(), &listed) != 0 || !S_ISREG(listed.st_mode) || !qualifies(listed))
        return;
    noteLargestCopy();
    const std::int64_t bytes = bytesToWrite(AT_FDCWD, source.c_str(), listed);
    if (tooLarge(listed, bytes)) {
        missedFile(source, listed, tooLargeCause());
        return;
    }
    m_disk.setRoot(m_setup.host.mediumRoot(m_setup.driveRoot));
    m_diskKnown = true;
    m_freeEstimate.forget();
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
        missedFile(source, listed, "cannot be read: " + errorText(file.error()));
        return;
    }
    if (!S_ISREG(file.status().st_mode))
        return;
    if (struct stat link {};
        ::lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && !linkMayBeFollowed(link, file.status())) {
        refusedFile(source, foreignLinkCause(link, file.status()));
        return;
    }
    if (file.lockedByOther()) {
        missedFile(source, file.status(), "in use by another program (locked)");
        return;
    }
    WriteCDFile(file.fd(), file.status(), source, false);
}

bool BackupPass::checkfoldersize()
{
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
        free, m_disk.versionsRoom(total + 1 - free - m_replacedRoom) + m_replacedRoom, total, capacity);
    if (decision.room != RoomCheck::Room::NeedsDisks)
        return true;
    const bool yes = m_setup.ui.confirm(RoomCheck::prompt(decision.disks));
    if (!yes)
        endAs(PassEnd::DiskFullCancelled);
    return yes;
}

DiskFullResult BackupPass::ShowFullForm(std::int64_t size)
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
    if (const PassLock::Result locked =
            m_setup.lock != nullptr ? m_setup.lock->takeMedium(m_disk.root()) : PassLock::Result::Taken;
        locked != PassLock::Result::Taken) {
        // Another pass works on the disk put in, or may: nothing is written to it.
        endAs(PassEnd::WriteError);
        m_setup.ui.message(locked == PassLock::Result::Busy ? PassLock::busyMessage() : PassLock::unlockableMessage());
        return DiskFullResult::Cancel;
    }
    if (!change.saveError.empty()) {
        endAs(PassEnd::WriteError);
        m_setup.ui.message(change.saveError);
    }
    return change.answer;
}

void BackupPass::diskInHand()
{
    if (!m_diskKnown) {
        m_disk.setRoot(m_setup.host.mediumRoot(m_setup.driveRoot));
        m_diskKnown = true;
    }
}

bool BackupPass::tooLarge(const struct stat &st, std::int64_t bytes) const
{
    // The file system's limit is on the length (FAT's 4 GiB); a disk's
    // capacity is on the blocks, which for a sparse file are fewer.
    return bytes > m_largestCopy || (!m_largerThanDisk && st.st_size > m_largestCopy);
}

bool BackupPass::copyIsCurrent(const std::string &sourcePath, const struct stat &st, std::int64_t *olderRoom)
{
    return m_diskKnown && !m_disk.root().empty() &&
           m_disk.hasCurrentCopy(PathRules::relativeOnDisk(sourcePath), st, olderRoom);
}

// Prunes the disk's oldest versions until a copy of `bytes` fits with a
// margin. False when pruning every version would not make room: then none
// is pruned, as the copy goes to the next disk.
bool BackupPass::madeRoomFor(std::int64_t bytes)
{
    diskInHand();
    const std::int64_t free = m_setup.host.freeBytes(m_setup.driveRoot);
    const std::int64_t wanted = m_disk.spaceTaken(bytes) + 16 * m_disk.spaceTaken(0);
    if (free < 0 || free + m_disk.versionsRoom(wanted - free) < wanted)
        return false;
    const std::int64_t given = m_disk.pruneVersions([&](std::int64_t givenBack) { return free + givenBack >= wanted; });
    m_freeEstimate.forget();
    return given > 0;
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
