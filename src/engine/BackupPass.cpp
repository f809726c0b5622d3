#include "engine/BackupPass.h"

#include "engine/CutOffTest.h"
#include "engine/DiskChange.h"
#include "engine/ExclusionTest.h"
#include "engine/PathRules.h"
#include "engine/Progress.h"
#include "engine/ProgressBoard.h"
#include "engine/RoomCheck.h"
#include "engine/SourceFile.h"
#include "lists/BackupList.h"
#include "lists/Clock.h"
#include "lists/DateTimeText.h"
#include "lists/DiskListFile.h"
#include "platform/VolumeHost.h"

#include <cerrno>
#include <chrono>
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
    explicit SizingScan(BackupPass &pass) : pass_(pass) {}
    bool goOn() override { return !pass_.state.StopFlag && !pass_.state.AbortFlag; }
    void folder(const std::string &path) override
    {
        pass_.setStatus(StatusLine::Folder, "Scanning .. ", path, PathFit::LineWidthLess100);
    }
    void file(int, const char *name, const std::string &, const struct stat &st, bool) override
    {
        // A file no disk of this kind can hold is left out of the room the
        // item needs; the copy scan names it.
        if (pass_.excluded(name) || !pass_.qualifies(st) || st.st_size > pass_.largestCopy)
            return;
        pass_.state.FolderBytesTotal.add(st.st_size);
        pass_.state.FolderFilesTotal.add(1);
        pass_.setStatus(StatusLine::File, std::to_string(pass_.state.FolderBytesTotal.get()));
    }
    void unreadable(const std::string &path, int error) override
    {
        pass_.missedFolder(path, "cannot be read: " + errorText(error));
    }

private:
    BackupPass &pass_;
};

// The copy scan: hands every qualifying file to the copy step, and ends
// early once every sized file and byte has been handed over.
class BackupPass::CopyScan final : public TreeVisitor {
public:
    explicit CopyScan(BackupPass &pass) : pass_(pass) {}
    bool goOn() override
    {
        const PassState &state = pass_.state;
        return !state.DiskFullFlag && !state.WriteErrorFlag && !state.AbortFlag && !pass_.copyScanDone();
    }
    void folder(const std::string &path) override { pass_.setStatus(StatusLine::Folder, "", path, PathFit::LineWidth); }
    void file(int dirFd, const char *name, const std::string &path, const struct stat &st, bool caseTwin) override
    {
        if (pass_.excluded(name) || !pass_.qualifies(st))
            return;
        if (st.st_size > pass_.largestCopy) {
            pass_.missedFile(path, st, pass_.tooLargeCause());
            return;
        }
        // A file that changed or arrived since sizing began may not have been
        // sized: it is copied, but does not count toward the sized totals, so
        // it cannot make the scan end before every sized file was reached.
        if (!pass_.changedSinceSizing(st))
            pass_.CalcFolderProgress(st.st_size);
        pass_.setStatus(StatusLine::File, "", path, PathFit::LineWidth);
        pass_.copyFolderFile(dirFd, name, path, st, caseTwin);
    }
    void unreadable(const std::string &path, int error) override
    {
        pass_.missedFolder(path, "cannot be read: " + errorText(error));
    }

private:
    BackupPass &pass_;
};

BackupPass::BackupPass(PassSetup passSetup)
    : setup(std::move(passSetup)), label(setup.volumeLabel), freeEstimate(setup.host, setup.driveRoot)
{
}

void BackupPass::reset()
{
    state.StopFlag.clear();
    state.WriteErrorFlag.clear();
    state.DiskFullFlag.clear();
    state.FilesBackedUp.set(0);
    state.AbortFlag.clear();
    state.FolderBytesDone.set(0);
    state.FolderFilesDone.set(0);
}

void BackupPass::StopButtonClick()
{
    if (state.SizingPhase)
        state.AbortFlag.set();
    else
        state.StopFlag.set();
}

void BackupPass::AbortButtonClick()
{
    state.AbortFlag.set();
}

void BackupPass::setStatus(StatusLine line, const std::string &prefix, const std::string &path, PathFit fit)
{
    setup.board.setStatus(line, prefix, path, fit);
}

std::int64_t BackupPass::freeSpace()
{
    const std::int64_t free = setup.host.freeBytes(setup.driveRoot);
    setup.board.showFreeSpace(free);
    return free;
}

void BackupPass::useMedium()
{
    const std::string root = setup.host.mediumRoot(setup.driveRoot);
    disk.setRoot(root);
    walker.setSkippedFolder(root);
    freeEstimate.forget();
    diskKnown = true;
}

void BackupPass::Dobackup()
{
    BackupList &list = setup.list;
    outcome_.volumeLabel = label;
    if (list.empty())
        return;
    state.ItemsSized.set(0);
    itemCount = static_cast<std::int64_t>(list.checkedCount());
    useMedium();

    try {
        for (std::size_t index = 0; index < list.count(); ++index) {
            if (list.at(index).checked())
                workItem(index);
            if (state.StopFlag || state.DiskFullFlag || state.AbortFlag)
                break;
        }
    } catch (const std::exception &error) {
        // A failure nobody caught ends the pass like a write error, and the
        // pass still ends the one way: list saved, status written, window
        // given back. Left to escape, it would end the program.
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        setup.ui.hideProgress();
        setup.ui.message(PathRules::errorBoxText(error.what()));
    }
    finish();
}

void BackupPass::workItem(std::size_t index)
{
    BackupList &list = setup.list;
    BackupItem &item = list.at(index);
    const std::string path = item.path();
    DateTime cutOff = 0;
    if (!PathRules::isNormalAbsolute(path)) {
        missedFolder(path, "not backed up: the path must be absolute, without \".\" or \"..\" parts");
        return;
    }
    if (!tryParseNumberTextAnySeparator(item.text(TextFloat), cutOff)) {
        missedFolder(path, "not backed up: its cut-off \"" + item.text(TextFloat) + "\" is not a number");
        return;
    }
    ItemCutOff = cutOff;
    cutOffTest = CutOffTest(cutOff);
    missedCutOff.reset();
    keepCutOff = false;
    reportedFolders.clear();
    excludeAtItemStart = setup.filters.exclude.load(std::memory_order_relaxed);
    excludeChanged = false;
    // Files changed from two seconds before the work began are left to the
    // next pass, which is what the new cut-off says.
    const DateTime workBegan = dateTimeFromTimePoint(setup.clock.now() - std::chrono::seconds(2));

    if (!item.isFolder()) {
        struct stat st {};
        const bool exists = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (exists && !state.AbortFlag) {
            BackupFile(path);
        } else if (!exists) {
            list.setChecked(item, false);
            setup.board.postListChange({ListChange::Kind::Unchecked, index, 0});
        }
    } else {
        const bool withSubfolders = item.text(TextSubDir) != kSubDirNo;
        state.FolderBytesTotal.set(0);
        state.FolderFilesTotal.set(0);
        if (!state.AbortFlag) {
            state.SizingPhase.set();
            // STOP that landed between the loop's check and here came while
            // sizing, as far as the item is concerned: it aborts.
            if (state.StopFlag)
                state.AbortFlag.set();
            ::clock_gettime(CLOCK_REALTIME_COARSE, &sizingBegan);
            noteLargestCopy();
            ScanFoldersize(path, withSubfolders);
            IncTotalProgress();
        }
        if (!state.AbortFlag && checkfoldersize()) {
            state.SizingPhase.clear();
            state.FolderBytesDone.set(0);
            state.FolderFilesDone.set(0);
            setup.board.setFolderBar(0);
            ScanFolder(path, withSubfolders);
        }
    }

    if (!state.DiskFullFlag && !state.WriteErrorFlag && !state.AbortFlag && !keepCutOff && !excludeChanged) {
        DateTime next = workBegan;
        if (missedCutOff && *missedCutOff < next)
            next = *missedCutOff;
        list.SetCutOff(item, next);
        setup.board.postListChange({ListChange::Kind::CutOff, index, next});
    }
}

bool BackupPass::flushMedium()
{
    if (unflushedCopies == 0)
        return true;
    const int error = disk.flush();
    if (error != 0) {
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        flushError = "The copies could not be flushed to the backup disk: " + errorText(error);
        return false;
    }
    unflushedCopies = 0;
    if (setup.afterFlush)
        setup.afterFlush();
    return true;
}

void BackupPass::finish()
{
    // The list moves the cut-offs past what was copied: the copies must be
    // on the disk first, or a power cut could leave a list that claims them.
    if (!flushMedium() || !flushError.empty()) {
        outcome_.listSaveError = flushError;
        setup.ui.hideProgress();
        setup.ui.message(flushError);
    } else {
        try {
            outcome_.listSaved = setup.listFile.SAveIniFile(setup.driveRoot, label, setup.list);
        } catch (const std::exception &error) {
            outcome_.listSaveError = PathRules::errorBoxText(error.what());
            setup.ui.hideProgress();
            setup.ui.message(outcome_.listSaveError);
        }
    }

    if (state.WriteErrorFlag)
        outcome_.end = PassEnd::WriteError;
    else if (state.DiskFullFlag)
        outcome_.end = PassEnd::DiskFullCancelled;
    else if (state.StopFlag)
        outcome_.end = PassEnd::Stopped;
    else if (state.AbortFlag)
        outcome_.end = PassEnd::Aborted;
    else
        outcome_.end = PassEnd::Complete;
    outcome_.filesCopied = state.FilesBackedUp.get();
    outcome_.volumeLabel = label;
    outcome_.fileStatus = fileStatusText(outcome_.end, outcome_.filesCopied);
    outcome_.folderStatus = folderStatusText(outcome_.end);
    setStatus(StatusLine::File, outcome_.fileStatus);
    setStatus(StatusLine::Folder, outcome_.folderStatus);
}

bool BackupPass::qualifies(const struct stat &st) const
{
    return cutOffTest.qualifies(st);
}

void BackupPass::ScanFoldersize(const std::string &path, bool withSubfolders)
{
    SizingScan scan(*this);
    walker.walk(path, withSubfolders, scan);
}

// The EXCLUDE box may be toggled while a pass runs and counts from the next
// file tested. Sizing and copy scan then judge files differently, and the
// copy scan's early end can leave files behind; such an item keeps its
// cut-off so that the next pass copies what this one may have missed.
bool BackupPass::excluded(const char *name)
{
    if (setup.filters.exclude.load(std::memory_order_relaxed) != excludeAtItemStart)
        excludeChanged = true;
    return bannedext(setup.filters, name);
}

// The largest file the disk's file system can hold (FAT's 4 GiB): a larger
// one is refused by every disk of its kind, and asking for disk after disk
// could never get it backed up.
void BackupPass::noteLargestCopy()
{
    largestCopy = setup.host.largestFile(setup.driveRoot);
}

std::string BackupPass::tooLargeCause() const
{
    return "larger than the backup disk's file system allows (" + std::to_string(largestCopy) + " bytes at most)";
}

bool BackupPass::changedSinceSizing(const struct stat &st) const
{
    auto notBefore = [this](const struct timespec &time) {
        return time.tv_sec > sizingBegan.tv_sec ||
               (time.tv_sec == sizingBegan.tv_sec && time.tv_nsec >= sizingBegan.tv_nsec);
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
    walker.walk(path, withSubfolders, scan);
}

// A qualifying file that was not copied keeps the item's new cut-off below
// its own time, so the next pass copies it.
void BackupPass::holdCutOffFor(const struct stat &st)
{
    const DateTime limit = CutOffTest::fileTime(st) - kOneSecond;
    if (!missedCutOff || limit < *missedCutOff)
        missedCutOff = limit;
}

void BackupPass::missedFile(const std::string &path, const struct stat &st, const std::string &cause)
{
    holdCutOffFor(st);
    ++outcome_.filesMissed;
    if (outcome_.missed.size() < PassOutcome::kMissedKept)
        outcome_.missed.push_back({path, cause});
}

// Something of the item that no file time stands for (a folder that could
// not be listed, a cut-off that does not read): the item keeps its cut-off.
void BackupPass::missedFolder(const std::string &path, const std::string &cause)
{
    keepCutOff = true;
    if (!reportedFolders.insert(path).second)
        return;
    ++outcome_.filesMissed;
    if (outcome_.missed.size() < PassOutcome::kMissedKept)
        outcome_.missed.push_back({path, cause});
}

void BackupPass::copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                                bool caseTwin)
{
    SourceFile file(dirFd, name);
    if (!file.isOpen()) {
        if (file.error() != ENOENT) // deleted since it was listed: nothing to back up
            missedFile(source, listed, "cannot be read: " + errorText(file.error()));
        return;
    }
    if (!S_ISREG(file.status().st_mode))
        return;
    if (file.lockedByOther()) { // the older copy stays
        missedFile(source, file.status(), "in use by another program (locked)");
        return;
    }
    WriteCDFile(file.fd(), file.status(), source, caseTwin);
}

void BackupPass::WriteCDFile(int source, const struct stat &st, const std::string &sourcePath, bool caseTwin)
{
    const std::int64_t size = st.st_size;
    const std::string relative = PathRules::relativeOnDisk(sourcePath);
    bool removeOldFirst = false;
    for (;;) {
        if (!diskKnown) {
            disk.setRoot(setup.host.mediumRoot(setup.driveRoot));
            diskKnown = true;
        }
        const std::int64_t free = freeEstimate.forCopy(size);
        if (size <= free)
            break;
        // A copy that fits only in place of the older one replaces it
        // directly; the older copy is then given up first.
        if (free >= 0 && !disk.root().empty() && size - free <= disk.existingSize(relative)) {
            removeOldFirst = true;
            break;
        }
        // What went onto the full disk is on it before the list that names
        // it is carried over to the next one.
        if (!flushMedium())
            break;
        // Let go of every folder held open on the full disk: the user must
        // be able to unmount it, and a new disk mounted at the same place
        // must be written to, not the old one behind a held descriptor.
        disk.setRoot({});
        diskKnown = false;
        freeEstimate.forget();
        if (ShowFullForm(size) == DiskFullResult::Cancel || state.DiskFullFlag || state.WriteErrorFlag)
            break;
    }
    if (state.DiskFullFlag || state.WriteErrorFlag) {
        holdCutOffFor(st); // not missed: the pass ends, and the next one copies it
        return;
    }
    BackupDisk::StoreReport report;
    const BackupDisk::Result result = FileCopy(source, st, relative, {removeOldFirst, caseTwin}, report);
    const int error = report.error;
    if (!report.remark.empty() && outcome_.notes.size() < PassOutcome::kMissedKept)
        outcome_.notes.push_back({sourcePath, report.remark});
    switch (result) {
    case BackupDisk::Result::Stored:
        state.FilesBackedUp.add(1);
        ++unflushedCopies;
        freeEstimate.wrote(disk.spaceTaken(size));
        break;
    case BackupDisk::Result::AlreadyThere:
        break;
    case BackupDisk::Result::StoredAsRead:
        // Written to while it was read: kept as read, and copied again by
        // the next pass.
        state.FilesBackedUp.add(1);
        ++unflushedCopies;
        freeEstimate.wrote(disk.spaceTaken(size));
        holdCutOffFor(st);
        if (outcome_.notes.size() < PassOutcome::kMissedKept)
            outcome_.notes.push_back(
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
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        break;
    }
}

// Copies the open source to its place below the medium root: bytes,
// modification time and permission bits, under a temporary name first.
BackupDisk::Result BackupPass::FileCopy(int source, const struct stat &st, const std::string &relative,
                                        const BackupDisk::StoreOptions &options, BackupDisk::StoreReport &report)
{
    return disk.store(source, st, relative, options, report);
}

void BackupPass::BackupFile(const std::string &source)
{
    struct stat listed {};
    if (::stat(source.c_str(), &listed) != 0 || !S_ISREG(listed.st_mode) || !qualifies(listed))
        return;
    const std::int64_t free = freeSpace();
    disk.setRoot(setup.host.mediumRoot(setup.driveRoot));
    diskKnown = true;
    freeEstimate.forget();
    const bool fitsInPlace = free >= 0 && !disk.root().empty() &&
                             listed.st_size - free <= disk.existingSize(PathRules::relativeOnDisk(source));
    if (listed.st_size > free && !fitsInPlace) {
        state.DiskFullFlag.set();
        setup.ui.hideProgress();
        setup.ui.message("DISK FULL.  REPLACE DISK AND RESUME BACKUP");
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
    const std::int64_t capacity = setup.host.totalBytes(setup.driveRoot);
    const std::int64_t disks = RoomCheck::disksNeeded(free, total, capacity);
    const bool yes = setup.ui.confirm(RoomCheck::prompt(disks));
    if (!yes)
        state.DiskFullFlag.set();
    return yes;
}

DiskFullResult BackupPass::ShowFullForm(std::int64_t size)
{
    const DiskChange change = DiskChange::ask(setup.ui, setup.host, setup.driveRoot, size, setup.list, setup.listFile);
    if (change.answer == DiskFullResult::Cancel || change.label.empty()) {
        // A disk gone between READY and now ends the pass as a confirmed
        // CANCEL does: the list is saved under the label it had.
        state.StopFlag.set();
        state.DiskFullFlag.set();
        return DiskFullResult::Cancel;
    }
    label = change.label;
    setup.board.showVolumeLabel(label);
    freeSpace();
    useMedium();
    if (!change.saveError.empty()) {
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        setup.ui.message(change.saveError);
    }
    return change.answer;
}

void BackupPass::IncTotalProgress()
{
    state.ItemsSized.add(1);
    setup.board.setTotalBar(Progress::totalBar(state.ItemsSized.get(), itemCount));
}

void BackupPass::CalcFolderProgress(std::int64_t size)
{
    state.FolderBytesDone.add(size);
    state.FolderFilesDone.add(1);
    setup.board.setFolderBar(Progress::folderBar(state.FolderBytesDone.get(), state.FolderBytesTotal.get()));
}

} // namespace quillarc
