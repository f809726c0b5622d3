#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <sys/stat.h>

#include "base/DriveRoot.h"
#include "engine/BackupDisk.h"
#include "engine/PassDisk.h"
#include "engine/FolderTrail.h"
#include "engine/ItemCutOff.h"
#include "engine/PassOutcome.h"
#include "engine/PassRemarks.h"
#include "engine/PassState.h"
#include "engine/PassUi.h"
#include "engine/SizingRule.h"
#include "engine/TreeWalker.h"
#include "engine/WorkInFlight.h"
#include "lists/DateTime.h"

namespace quillarc {

class BackupItem;
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
    /// Files copied at once, each whole and unnamed, then named in the
    /// walk's order; 1 copies one file at a time.
    int copiesInFlight = 1;
};

/// One backup pass over the backup list: for every checked item in list
/// order, a folder is sized, checked for room and copied, a single file is
/// copied, and the item's cut-off moves forward. Runs on the worker; the
/// flags in `state` are shared with the window thread. Started through
/// BackupRun, which owns the list copy, the board and the worker.
class BackupPass {
public:
    explicit BackupPass(PassSetup setup);
    ~BackupPass();
    BackupPass(const BackupPass &) = delete;
    BackupPass &operator=(const BackupPass &) = delete;

    PassState state;

    /// Clears the flags and counters the Backup command clears.
    void reset();

    /// The pass itself, on the worker thread. `stop`: the worker's stop
    /// token, which ends the pass as ABORT does.
    void runItems(std::stop_token stop = {});

    /// STOP: during sizing it aborts; while copying it lets the current item
    /// finish.
    void requestStop();
    /// ABORT (and closing the window during a pass): ends after the file in
    /// hand.
    void requestAbort();

    /// Complete once runItems() has returned.
    const PassOutcome &outcome() const { return m_report.outcome(); }

private:
    class SizingScan;
    class CopyScan;

    // The item loop (BackupPass.cpp)
    void workItem(std::size_t index);
    void beginItem(std::size_t index);
    std::optional<bool> itemReachable(const BackupItem &item);
    void copyFolderItem(const std::string &path, bool withSubfolders, CutOff cutOff);
    void sizeFolderItem(const std::string &path, bool withSubfolders);
    void endItem(std::size_t index, CutOff cutOff, bool mountPoint);
    std::string onDiskProblem(const std::string &path) const;
    void passOverDiskMountsBelow(const std::string &path);
    bool folderClashesByCase(const std::string &path);
    bool checkfoldersize();
    void endAs(PassEnd cause);
    bool failed() const;
    bool abortNow() const;
    void missed(const std::string &path, const std::string &cause, const CutOffHold &hold);
    void IncTotalProgress();
    void CalcFolderProgress(std::int64_t size);
    void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                   PathFit fit = PathFit::Whole);

    // The two walks over a folder item (PassScans.cpp)
    void ScanFoldersize(const std::string &path, bool withSubfolders);
    void ScanFolder(const std::string &path, bool withSubfolders);
    FolderTrail::OpenFolder &enterFolder(const std::string &path, const struct stat &st, bool counted);
    void leaveFolder(const struct stat &st, bool settle);
    /// `held`: the folder's copy, held since the walk left it with files in
    /// flight, on the medium taken `heldOn`; else it is reached by name.
    void settleFolder(const FolderTrail::OpenFolder &done, FolderTrail::FolderMarks *parent, const struct stat &st,
                      bool settle, int held = -1, std::uint64_t heldOn = 0);
    FolderTrail::FolderMarks *marksInHand();
    void markMissed(bool lookAgain);
    /// While it lives, misses and copies are told to `marks` (none: to the
    /// folder the walk is in).
    class MarksInHand {
    public:
        MarksInHand(BackupPass &pass, FolderTrail::FolderMarks *marks) : m_pass(pass), m_before(pass.m_marksInHand)
        {
            pass.m_marksInHand = marks;
        }
        ~MarksInHand() { m_pass.m_marksInHand = m_before; }
        MarksInHand(const MarksInHand &) = delete;
        MarksInHand &operator=(const MarksInHand &) = delete;

    private:
        BackupPass &m_pass;
        FolderTrail::FolderMarks *m_before;
    };
    void followChangedFolder(const std::string &path, const struct stat &st);
    bool excluded(const char *name);
    bool copyScanDone() const;
    bool changedSinceSizing(const struct stat &st) const;

    // Copying one file (PassCopy.cpp)
    void copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed,
                        bool caseTwin);
    void BackupFile(const std::string &source);
    void copyToDisk(int source, const struct stat &st, const std::string &sourcePath, bool caseTwin);
    bool refusedOnDisk(const std::string &sourcePath, const struct stat &st, const std::string &relative);
    bool roomFor(int source, std::int64_t bytes);
    BackupDisk::Result storeOnDisk(int source, const struct stat &st, const std::string &relative,
                                   const BackupDisk::StoreOptions &options, BackupDisk::StoreReport &report);
    void tellStored(BackupDisk::Result result, const BackupDisk::StoreReport &report, const struct stat &st,
                    const std::string &sourcePath, std::int64_t bytes);
    bool linkedToEarlierCopy(const struct stat &st, const std::string &sourcePath, const std::string &relative,
                             bool caseTwin);
    bool copyIsCurrent(const std::string &sourcePath, const struct stat &st);
    bool madeRoomFor(std::int64_t bytes);

    // Several files in flight (PassFlight.cpp)
    class FileInFlight;
    class FolderInFlight;
    void sendFolderIntoFlight(FolderTrail::OpenFolder done, FolderMarksRef parent, const struct stat &st);
    void copyInTurn(int dirFd, const char *name, const std::string &source, const struct stat &listed, bool caseTwin);
    bool sendIntoFlight(int dirFd, const char *name, const std::string &source, const struct stat &listed);
    void landOldest();
    void landFlight();
    void leftFlightSource();
    bool flightMayGoDeeper();
    bool droppedFromFlight(const FileInFlight &file);
    FolderTrail::FolderMarks *marksOf(FileInFlight &file);
    void landFolder(FolderInFlight &folder);
    void tellLanded(FileInFlight &file, BackupDisk::Result result, const BackupDisk::StoreReport &report);

    // The disk in hand and its hand-over (PassHandOver.cpp)
    void useMedium();         // the medium in the drive now, for copies and the walker
    void diskInHand();        // the same, unless a disk is taken already
    std::int64_t freeSpace(); // GetDiskFree: also refreshes the window's line
    bool handOverFullDisk(std::int64_t bytes);
    DiskFullResult askForAnotherDisk(std::int64_t size);
    bool lockedDiskInHand();
    bool diskGone() const;
    bool diskStillThere();
    DiskFullResult askForSameDisk();

    // The pass's end (PassEndings.cpp)
    bool flushMedium();
    void finish();
    void closeLedger();
    void saveList();
    void saveSeenFolders();
    void nameWhatWasLeft();
    static std::string diskGoneText(const std::string &label);

    PassSetup m_setup;
    std::string m_label;
    PassDisk m_inHand;
    TreeWalker m_walker;
    PassRemarks m_report;
    /// How the pass ends, set where the cause happens; when several
    /// happen, the first in the order of the final status rows stands.
    PassEnd m_end = PassEnd::Complete;
    std::stop_token m_stopToken;
    std::int64_t m_itemCount = 0;
    ItemCutOff m_cutOff;                               ///< of the item in hand
    FolderTrail m_trail;                               ///< the item's folders, and which moved into its tree
    SizingRule m_sizing;                               ///< what a file adds to the room its item needs
    std::size_t m_itemInHand = 0;                      ///< index of the item the pass works on
    std::int64_t m_foldersSized = 0;                   ///< of the item: folders its sizing scan counted
    std::int64_t m_filesReached = 0;                   ///< of the item: files its copy scan handed to the copy step
    std::map<std::size_t, CutOff> m_cutOffsBefore;     ///< items whose cut-off the pass moved, as they were
    struct timespec m_sizingBegan {};                  ///< on the clock the kernel stamps files with
    std::int64_t m_unflushedCopies = 0;                ///< copies on the medium not yet flushed to it
    std::string m_flushError;                          ///< of the item, so the copy scan does not name them again
    std::int64_t m_replacedRoom = 0;                   ///< room of the older copies the item's copies replace
    bool m_ledgerNoted = false;                        ///< the catalogue's problem is among the notes
    std::unique_ptr<WorkInFlight> m_flight;            ///< the files in flight, oldest first
    FolderTrail::FolderMarks *m_marksInHand = nullptr; ///< see MarksInHand
    FolderTrail::FolderMarks m_noFolder;               ///< for a file named outside any folder
    std::int64_t m_descriptorLimit = 0;                ///< the process's, once asked; 0: not yet
    std::uint64_t m_mediaTaken = 0;                    ///< how many times a medium was taken
    std::shared_ptr<const UniqueFd> m_flightSource;    ///< the source folder of the files in flight
    int m_flightSourceFd = -1;                         ///< the walk's descriptor of that folder
    std::int64_t m_flightRoom = 0;                     ///< room the files in flight take on the disk
};

} // namespace quillarc
