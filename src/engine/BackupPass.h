#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "base/DriveRoot.h"
#include "engine/BackupDisk.h"
#include "engine/CopyLedger.h"
#include "engine/CutOffTest.h"
#include "engine/FreeSpaceEstimate.h"
#include "engine/HardLinks.h"
#include "engine/PassOutcome.h"
#include "engine/PassState.h"
#include "engine/PassUi.h"
#include "engine/SeenFolders.h"
#include "engine/TreeWalker.h"
#include "lists/DateTime.h"
#include "platform/FileSystemKind.h"

namespace quillarc {

class BackupList;
class Clock;
class DiskListFile;
class PassLock;
class ProgressBoard;
class VolumeHost;
struct FileFilters;

/// What a pass works with. Everything is borrowed and must outlive the pass.
struct PassSetup {
    BackupList &list;     ///< the pass's own list: nobody else touches it while the pass runs
    ProgressBoard &board; ///< status lines, bars and list changes are posted here
    PassUi &ui;           ///< questions and the disk-full dialog
    const VolumeHost &host;
    const DiskListFile &listFile;
    const Clock &clock;
    FileFilters &filters;
    DriveRoot driveRoot;                   ///< the backup drive (`CDEdit`)
    std::string volumeLabel;               ///< label of the disk in it (`Edit2`)
    std::function<void()> afterFlush = {}; ///< tests: the copies were just flushed
    PassLock *lock = nullptr;              ///< held for the pass; the disk's part moves with the disk
};

/// One backup pass over the backup list: for every checked item in list
/// order, a folder is sized, checked for room and copied, a single file is
/// copied, and the item's cut-off moves forward. Runs on the worker; the
/// flags in `state` are shared with the window thread. Started through
/// BackupRun, which owns the list copy, the board and the worker.
class BackupPass {
public:
    explicit BackupPass(PassSetup setup);

    PassState state;

    /// Clears the flags and counters the Backup command clears.
    void reset();

    /// The pass itself, on the worker thread. `stop`: the worker's stop
    /// token, which ends the pass as ABORT does.
    void Dobackup(std::stop_token stop = {});

    /// STOP: during sizing it aborts; while copying it lets the current item
    /// finish.
    void requestStop();
    /// ABORT (and closing the window during a pass): ends after the file in
    /// hand.
    void requestAbort();

    /// Complete once Dobackup() has returned.
    const PassOutcome &outcome() const { return m_outcome; }

private:
    class SizingScan;
    class CopyScan;

    void workItem(std::size_t index);
    void ScanFoldersize(const std::string &path, bool withSubfolders);
    void followChangedFolder(const std::string &path, const struct stat &st);
    void ScanFolder(const std::string &path, bool withSubfolders);
    bool checkfoldersize();
    void BackupFile(const std::string &source);
    void WriteCDFile(int source, const struct stat &st, const std::string &sourcePath, bool caseTwin);
    BackupDisk::Result FileCopy(int source, const struct stat &st, const std::string &relative,
                                const BackupDisk::StoreOptions &options, BackupDisk::StoreReport &report);
    bool linkedToEarlierCopy(const struct stat &st, const std::string &sourcePath, const std::string &relative,
                             bool caseTwin);
    DiskFullResult ShowFullForm(std::int64_t size);
    void diskInHand();
    bool tooLarge(const struct stat &st, std::int64_t bytes) const;
    bool copyIsCurrent(const std::string &sourcePath, const struct stat &st, std::int64_t *olderRoom = nullptr);
    bool madeRoomFor(std::int64_t bytes);
    bool diskGone() const;
    bool sameDiskBack() const;
    DiskFullResult askForSameDisk();
    void nameWhatWasLeft();
    static std::string diskGoneText(const std::string &label);
    void IncTotalProgress();
    void CalcFolderProgress(std::int64_t size);

    bool qualifies(const struct stat &st) const;
    void endAs(PassEnd cause);
    bool failed() const;
    bool abortNow() const;
    bool qualifiesInFolder(const struct stat &st, const std::string &path);
    void enterFolder(const std::string &path, const struct stat &st, bool counted);
    void leaveFolder(const struct stat &st, bool settle);
    bool folderIsNew(const std::string &path, const std::string &relative, const struct stat &st);
    const FileSystemFacts &facts(const std::string &path, const struct stat &st);
    SeenFolders::FolderId folderId(const std::string &path, const struct stat &st);
    std::string belowItem(const std::string &path) const;
    void recordSeenFolders(const std::string &itemPath, CutOff cutOff, bool mountPoint);
    void passOverDiskMountsBelow(const std::string &path);
    bool folderClashesByCase(const std::string &path);
    void saveSeenFolders();
    std::string onDiskProblem(const std::string &path) const;
    bool excluded(const char *name);
    bool copyScanDone() const;
    bool changedSinceSizing(const struct stat &st) const;
    void noteLargestCopy();
    std::string tooLargeCause() const;
    void copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                        bool caseTwin);
    void holdCutOffFor(const struct stat &st);
    void missedFile(const std::string &path, const struct stat &st, const std::string &cause);
    void missedFolder(const std::string &path, const std::string &cause);
    void refusedFile(const std::string &path, const std::string &cause);
    bool flushMedium();
    void finish();
    std::int64_t freeSpace(); // GetDiskFree: also refreshes the window's line
    void useMedium();         // the medium in the drive now, for copies and the walker
    void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                   PathFit fit = PathFit::Whole);

    PassSetup m_setup;
    std::string m_label;
    BackupDisk m_disk;
    HardLinks m_hardLinks; ///< copies on the disk in hand of files with several names
    FreeSpaceEstimate m_freeEstimate;
    TreeWalker m_walker;
    PassOutcome m_outcome;
    /// How the pass ends, set where the cause happens; when several
    /// happen, the first in the order of the final status rows stands.
    PassEnd m_end = PassEnd::Complete;
    std::stop_token m_stopToken;
    std::int64_t m_itemCount = 0;
    CutOffTest m_cutOffTest;
    std::optional<DateTime> m_missedCutOff;        ///< earliest cut-off that keeps a missed file
    bool m_keepCutOff = false;                     ///< something of the item was missed that no file time covers
    bool m_excludeAtItemStart = true;              ///< the EXCLUDE box as the sizing scan began
    bool m_excludeChanged = false;                 ///< a file of the item was tested under the other setting
    bool m_diskKnown = false;                      ///< `disk` has the root of the medium now in the drive
    std::string m_mediumRoot;                      ///< the disk in hand, as useMedium() found it
    struct stat m_mediumStat {};                   ///< its root then: gone when that is no longer there
    std::size_t m_itemInHand = 0;                  ///< index of the item the pass works on
    std::int64_t m_foldersSized = 0;               ///< of the item: folders its sizing scan counted
    std::int64_t m_filesReached = 0;               ///< of the item: files its copy scan handed to the copy step
    std::map<std::size_t, CutOff> m_cutOffsBefore; ///< items whose cut-off the pass moved, as they were
    std::int64_t m_largestCopy = INT64_MAX;        ///< the disk's file system takes no larger file
    bool m_largerThanDisk = false;                 ///< m_largestCopy is an empty disk's capacity
    struct timespec m_sizingBegan {};              ///< on the clock the kernel stamps files with
    std::set<std::string> m_reportedFolders;
    std::int64_t m_unflushedCopies = 0; ///< copies on the medium not yet flushed to it
    std::string m_flushError;           ///< of the item, so the copy scan does not name them again
    std::int64_t m_replacedRoom = 0;    ///< room of the older copies the item's copies replace
    CopyLedger m_ledger;                ///< the catalogue, as the copier records into it
    bool m_ledgerOpened = false;
    bool m_ledgerNoted = false; ///< its problem is among the notes

    // Folders moved or renamed into an item's tree: see SeenFolders.
    SeenFolders m_seen;                             ///< per item, of the disk the pass writes to
    const SeenFolders::Folders *m_lastSeen = {};    ///< the item's last pass; none: every folder is new
    SeenFolders::Folders m_seenNow;                 ///< what this pass's sizing scan saw of the item
    std::set<std::string> m_unrecorded;             ///< folders in which something was missed
    std::map<dev_t, FileSystemFacts> m_fileSystems; ///< per device met in the item
    std::string m_itemText;                         ///< the item's folder, ending in '/'
    struct OpenFolder {
        std::string relative; ///< below the item
        bool isNew = false;   ///< not seen by the item's last pass: every file in it is new
        bool settle = false;  ///< the folder itself changed or is new: its copy gets its bits and times
        bool touched = false; ///< something was written into its copy
        bool missed = false;  ///< a file in it was missed
    };
    std::vector<OpenFolder> m_folders; ///< the walk's open folders, innermost last
};

} // namespace quillarc
