#pragma once

#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "engine/BackupDisk.h"
#include "engine/ExclusionTest.h"
#include "engine/PassState.h"
#include "engine/PassUi.h"
#include "lists/DateTime.h"

namespace quillarc {

class BackupItem;
class BackupList;
class Clock;
class DiskListFile;
class VolumeHost;

/// What a pass works with. Everything is borrowed and must outlive the pass.
struct PassSetup {
    BackupList &list;
    PassUi &ui;
    const VolumeHost &host;
    const DiskListFile &listFile;
    const Clock &clock;
    FileFilters &filters;
    std::string driveRoot;   ///< the backup drive (`CDEdit`)
    std::string volumeLabel; ///< label of the disk in it (`Edit2`)
};

/// One backup pass over the backup list: for every checked item in list
/// order, a folder is sized, checked for room and copied, a single file is
/// copied, and the item's cut-off moves forward. The flags are shared with
/// the window thread, which sets them through stop() and abort().
class BackupPass {
public:
    explicit BackupPass(PassSetup setup);

    PassState state;

    /// Clears the flags and counters the Backup command clears, ready for
    /// the worker to start.
    void reset();

    /// The pass itself, on the worker thread. Outcomes are in `state` and the
    /// status lines.
    void Dobackup();

    /// STOP: during sizing it aborts; while copying it lets the current item
    /// finish.
    void StopButtonClick();
    /// ABORT (and closing the window during a pass): ends after the file in
    /// hand.
    void AbortButtonClick();
    /// The window has taken the pass back (end-of-pass handler).
    void passFinished() { state.BackupRunning.clear(); }

    /// Label of the disk the pass ended on; differs from the one it started
    /// with after a disk change.
    const std::string &volumeLabel() const { return label; }

    /// The two status texts the pass ended with.
    const std::string &fileStatus() const { return fileLine; }
    const std::string &folderStatus() const { return folderLine; }

    /// Backup-disk path of a source file: medium root + source path without
    /// its leading '/'. Empty when the drive holds no medium.
    std::string GetCDFileName(const std::string &source) const;

    // The steps of the pass, public for the window's tests and the runner.
    void ScanFoldersize(const std::string &path, bool withSubfolders);
    void ScanFolder(const std::string &path, bool withSubfolders);
    bool checkfoldersize();
    void BackupFile(const std::string &source);
    DiskFullResult ShowFullForm(std::int64_t size);
    void IncTotalProgress();
    void CalcFolderProgress(std::int64_t size);

    /// Cut-off of the item being worked on.
    DateTime ItemCutOff = 0;

private:
    enum class EntryKind { Skip, Folder, File };
    EntryKind classify(int dirFd, const char *name, unsigned char type, struct stat &st) const;
    bool qualifies(const struct stat &st) const;
    void sizeFolder(DIR *dir, const std::string &folderText, bool withSubfolders);
    void copyFolder(DIR *dir, const std::string &folderText, bool withSubfolders);
    bool copyScanDone() const;
    bool excluded(const char *name);
    void copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed);
    void WriteCDFile(int source, const struct stat &st, const std::string &sourcePath);
    BackupDisk::Result FileCopy(int source, const struct stat &st, const std::string &relative, bool removeOldFirst);
    void missedFile(const struct stat &st);
    void workItem(BackupItem &item);
    void finish();
    void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                   PathFit fit = PathFit::Whole);
    std::int64_t freeSpace(); // GetDiskFree: also refreshes the window's line
    void noteMedium(); // which folder is the medium's root, for isMediumFolder
    bool isMediumFolder(int dirFd, const char *name) const;
    std::int64_t freeForCopy(std::int64_t size);
    void forgetMedium();

    PassSetup setup;
    std::string label;
    BackupDisk disk;
    std::int64_t itemCount = 0;
    std::optional<DateTime> missedCutOff; ///< earliest cut-off that keeps a missed file
    bool itemFailed = false;              ///< the item's scan failed: keep its cut-off
    bool excludeAtItemStart = true;       ///< the EXCLUDE box as the sizing scan began
    bool excludeChanged = false;          ///< a file of the item was tested under the other setting
    dev_t mediumDevice = 0;
    ino_t mediumInode = 0;
    bool mediumKnown = false;
    // The medium root and its free space, as last asked of the host. Asking
    // reads the mount table, so a copy asks again only when the figure
    // (less what was written since) would not take the file, after a disk
    // change, or once a second.
    bool mediumRootKnown = false;
    bool freeKnown = false;
    std::int64_t freeEstimate = -1;
    std::chrono::steady_clock::time_point freeAsked{};
    std::string fileLine;
    std::string folderLine;
};

} // namespace quillarc
