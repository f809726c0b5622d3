#include "engine/BackupPass.h"

#include "engine/DiskFullRules.h"
#include "engine/PathRules.h"
#include "engine/Progress.h"
#include "engine/RoomCheck.h"
#include "engine/SourceFile.h"
#include "lists/BackupList.h"
#include "lists/Clock.h"
#include "lists/DateTimeText.h"
#include "lists/DiskListFile.h"
#include "platform/VolumeHost.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quillarc {

namespace {

constexpr DateTime kOneSecond = 1.0 / 86400.0;

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Opens a folder for listing; a folder that is missing or may not be read
// lists as empty, like any folder the user cannot see into.
DirHandle openListing(int parentFd, const char *name, bool followLink, int &error)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::openat(parentFd, name, flags);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        error = errno;
        ::close(fd);
    }
    return DirHandle(dir);
}

bool quietListingError(int error)
{
    return error == ENOENT || error == ENOTDIR || error == EACCES || error == EPERM || error == ELOOP ||
           error == ENAMETOOLONG;
}

std::string folderText(const std::string &path)
{
    return (!path.empty() && path.back() == '/') ? path : path + "/";
}

} // namespace

BackupPass::BackupPass(PassSetup passSetup) : setup(std::move(passSetup)), label(setup.volumeLabel) {}

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
    setup.ui.setStatus(line, prefix, path, fit);
}

std::int64_t BackupPass::freeSpace()
{
    const std::int64_t free = setup.host.freeBytes(setup.driveRoot);
    setup.ui.showFreeSpace(free);
    return free;
}

std::string BackupPass::GetCDFileName(const std::string &source) const
{
    const std::string root = setup.host.mediumRoot(setup.driveRoot);
    if (root.empty())
        return {};
    return root + PathRules::relativeOnDisk(source);
}

void BackupPass::Dobackup()
{
    BackupList &list = setup.list;
    if (list.empty())
        return;
    state.ItemsSized.set(0);
    itemCount = static_cast<std::int64_t>(list.checkedCount());

    noteMedium();

    try {
        for (std::size_t index = 0; index < list.count(); ++index) {
            BackupItem &item = list.at(index);
            if (item.checked())
                workItem(item);
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

void BackupPass::workItem(BackupItem &item)
{
    DateTime cutOff = 0;
    // An item whose cut-off does not read as a number, or whose path is not
    // a plain absolute path, is passed over unchanged.
    if (!tryParseNumberText(item.text(TextFloat), cutOff) || !PathRules::isNormalAbsolute(item.path()))
        return;
    ItemCutOff = cutOff;
    missedCutOff.reset();
    itemFailed = false;
    excludeAtItemStart = setup.filters.exclude.load(std::memory_order_relaxed);
    excludeChanged = false;
    // Files changed from two seconds before the work began are left to the
    // next pass, which is what the new cut-off says.
    const DateTime workBegan = dateTimeFromTimePoint(setup.clock.now() - std::chrono::seconds(2));
    const std::string path = item.path();

    if (!item.isFolder()) {
        struct stat st {};
        const bool exists = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (exists && !state.AbortFlag)
            BackupFile(path);
        else if (!exists)
            setup.ui.runOnWindowThread([&] { setup.list.setChecked(item, false); });
    } else {
        const bool withSubfolders = item.text(TextSubDir) != kSubDirNo;
        state.FolderBytesTotal.set(0);
        state.FolderFilesTotal.set(0);
        if (!state.AbortFlag) {
            state.SizingPhase.set();
            ScanFoldersize(path, withSubfolders);
            IncTotalProgress();
        }
        if (!state.AbortFlag && !itemFailed && checkfoldersize()) {
            state.SizingPhase.clear();
            state.FolderBytesDone.set(0);
            state.FolderFilesDone.set(0);
            setup.ui.setFolderBar(0);
            ScanFolder(path, withSubfolders);
        }
    }

    if (!state.DiskFullFlag && !state.WriteErrorFlag && !state.AbortFlag && !itemFailed && !excludeChanged) {
        DateTime next = workBegan;
        if (missedCutOff && *missedCutOff < next)
            next = *missedCutOff;
        setup.ui.runOnWindowThread([&] { setup.list.SetCutOff(item, next); });
    }
}

void BackupPass::finish()
{
    try {
        setup.listFile.SAveIniFile(setup.driveRoot, label, setup.list);
    } catch (const std::exception &error) {
        setup.ui.hideProgress();
        setup.ui.message(PathRules::errorBoxText(error.what()));
    }

    const std::string count = std::to_string(state.FilesBackedUp.get());
    if (state.DiskFullFlag || state.WriteErrorFlag) {
        fileLine = "Error Writing to Disk...  " + count + " Files Found and Backed Up";
        folderLine = "Folder Scan Cancelled...";
    } else if (state.StopFlag) {
        fileLine = "Cancelled...  " + count + " Files Found and Backed Up";
        folderLine = "Folder Scan Cancelled...";
    } else if (state.AbortFlag) {
        fileLine = "Aborted...  ";
        folderLine = "Folder Scan Aborted...";
    } else {
        fileLine = "Complete...  " + count + " Files Found and Backed Up";
        folderLine = "Folder Scan Complete...";
    }
    setStatus(StatusLine::File, fileLine);
    setStatus(StatusLine::Folder, folderLine);
}

// What a directory entry is to the scans. Links to regular files count as
// the file they name; links to folders, FIFOs, sockets and devices are
// never entered or opened.
BackupPass::EntryKind BackupPass::classify(int dirFd, const char *name, unsigned char type, struct stat &st) const
{
    if (type == DT_DIR)
        return EntryKind::Folder;
    if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN)
        return EntryKind::Skip;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return EntryKind::Skip;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    if (S_ISLNK(st.st_mode)) {
        if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            return EntryKind::Skip;
        return EntryKind::File;
    }
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Skip;
}

// A cut-off of 0 means none: every file qualifies, also one stamped before
// the date-time values begin.
bool BackupPass::qualifies(const struct stat &st) const
{
    return ItemCutOff == 0 || dateTimeFromTimespec(st.st_mtim) > ItemCutOff;
}

void BackupPass::noteMedium()
{
    const std::string mediumRoot = setup.host.mediumRoot(setup.driveRoot);
    struct stat rootStat {};
    mediumKnown = !mediumRoot.empty() && ::stat(mediumRoot.c_str(), &rootStat) == 0;
    mediumDevice = rootStat.st_dev;
    mediumInode = rootStat.st_ino;
}

// The backup medium may lie inside a folder being backed up; copying it
// into itself would never end.
bool BackupPass::isMediumFolder(int dirFd, const char *name) const
{
    // Asked of the folder itself: listings of some file systems (overlayfs)
    // give other inode numbers than stat does.
    if (!mediumKnown)
        return false;
    struct stat st {};
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == mediumDevice &&
           st.st_ino == mediumInode;
}

void BackupPass::ScanFoldersize(const std::string &path, bool withSubfolders)
{
    setStatus(StatusLine::Folder, "Scanning .. ", path, PathFit::LineWidthLess100);
    int error = 0;
    DirHandle dir = openListing(AT_FDCWD, path.c_str(), true, error);
    if (!dir) {
        if (!quietListingError(error)) {
            state.StopFlag.set();
            itemFailed = true;
        }
        return;
    }
    sizeFolder(dir.get(), folderText(path), withSubfolders);
}

void BackupPass::sizeFolder(DIR *dir, const std::string &text, bool withSubfolders)
{
    while (!state.StopFlag && !state.AbortFlag) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                state.StopFlag.set();
                itemFailed = true;
            }
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        const EntryKind kind = classify(::dirfd(dir), entry->d_name, entry->d_type, st);
        if (kind == EntryKind::Folder) {
            if (!withSubfolders || state.StopFlag || state.AbortFlag ||
                isMediumFolder(::dirfd(dir), entry->d_name))
                continue;
            const std::string sub = text + entry->d_name;
            setStatus(StatusLine::Folder, "Scanning .. ", sub, PathFit::LineWidthLess100);
            int error = 0;
            DirHandle child = openListing(::dirfd(dir), entry->d_name, false, error);
            if (!child) {
                if (!quietListingError(error)) {
                    state.StopFlag.set();
                    itemFailed = true;
                }
                continue;
            }
            sizeFolder(child.get(), sub + "/", withSubfolders);
        } else if (kind == EntryKind::File) {
            if (excluded(entry->d_name) || !qualifies(st))
                continue;
            state.FolderBytesTotal.add(st.st_size);
            state.FolderFilesTotal.add(1);
            setStatus(StatusLine::File, std::to_string(state.FolderBytesTotal.get()));
        }
    }
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

bool BackupPass::copyScanDone() const
{
    return state.FolderBytesDone.get() == state.FolderBytesTotal.get() &&
           state.FolderFilesDone.get() == state.FolderFilesTotal.get();
}

void BackupPass::ScanFolder(const std::string &path, bool withSubfolders)
{
    setStatus(StatusLine::Folder, "", path, PathFit::LineWidth);
    if (state.DiskFullFlag || state.WriteErrorFlag || state.AbortFlag || copyScanDone())
        return;
    int error = 0;
    DirHandle dir = openListing(AT_FDCWD, path.c_str(), true, error);
    if (!dir) {
        if (!quietListingError(error)) {
            state.StopFlag.set();
            state.WriteErrorFlag.set();
        }
        return;
    }
    copyFolder(dir.get(), folderText(path), withSubfolders);
}

void BackupPass::copyFolder(DIR *dir, const std::string &text, bool withSubfolders)
{
    for (;;) {
        if (state.DiskFullFlag || state.WriteErrorFlag || state.AbortFlag || copyScanDone())
            break;
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                state.StopFlag.set();
                state.WriteErrorFlag.set();
            }
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        const EntryKind kind = classify(::dirfd(dir), entry->d_name, entry->d_type, st);
        if (kind == EntryKind::Folder) {
            if (!withSubfolders || isMediumFolder(::dirfd(dir), entry->d_name))
                continue;
            const std::string sub = text + entry->d_name;
            setStatus(StatusLine::Folder, "", sub, PathFit::LineWidth);
            int error = 0;
            DirHandle child = openListing(::dirfd(dir), entry->d_name, false, error);
            if (!child) {
                if (!quietListingError(error)) {
                    state.StopFlag.set();
                    state.WriteErrorFlag.set();
                }
                continue;
            }
            copyFolder(child.get(), sub + "/", withSubfolders);
        } else if (kind == EntryKind::File) {
            if (excluded(entry->d_name) || !qualifies(st))
                continue;
            CalcFolderProgress(st.st_size);
            const std::string source = text + entry->d_name;
            setStatus(StatusLine::File, "", source, PathFit::LineWidth);
            copyFolderFile(::dirfd(dir), entry->d_name, source, st);
        }
    }
}

// A qualifying file that was not copied keeps the item's new cut-off below
// its own time, so the next pass copies it.
void BackupPass::missedFile(const struct stat &st)
{
    const DateTime limit = dateTimeFromTimespec(st.st_mtim) - kOneSecond;
    if (!missedCutOff || limit < *missedCutOff)
        missedCutOff = limit;
}

void BackupPass::copyFolderFile(int dirFd, const char *name, const std::string &source, const struct stat &listed)
{
    SourceFile file(dirFd, name);
    if (!file.isOpen() || !S_ISREG(file.status().st_mode)) {
        missedFile(listed);
        return;
    }
    if (file.lockedByOther()) { // in use: skipped, the older copy stays
        missedFile(file.status());
        return;
    }
    WriteCDFile(file.fd(), file.status(), source);
}

// Also lets go of every folder held open on the disk: the user must be able
// to unmount it, and a new disk mounted at the same place must be written
// to, not the old one behind a held descriptor.
void BackupPass::forgetMedium()
{
    mediumRootKnown = false;
    freeKnown = false;
    disk.setRoot({});
}

std::int64_t BackupPass::freeForCopy(std::int64_t size)
{
    const auto now = std::chrono::steady_clock::now();
    if (!freeKnown || freeEstimate < size || now - freeAsked > std::chrono::seconds(1)) {
        freeEstimate = setup.host.freeBytes(setup.driveRoot);
        freeAsked = now;
        freeKnown = true;
    }
    return freeEstimate;
}

void BackupPass::WriteCDFile(int source, const struct stat &st, const std::string &sourcePath)
{
    const std::int64_t size = st.st_size;
    const std::string relative = PathRules::relativeOnDisk(sourcePath);
    bool removeOldFirst = false;
    for (;;) {
        if (!mediumRootKnown) {
            disk.setRoot(setup.host.mediumRoot(setup.driveRoot));
            mediumRootKnown = true;
        }
        const std::int64_t free = freeForCopy(size);
        if (size <= free)
            break;
        // A copy that fits only in place of the older one replaces it
        // directly; the older copy is then given up first.
        if (free >= 0 && !disk.root().empty() && size <= free + disk.existingSize(relative)) {
            removeOldFirst = true;
            break;
        }
        forgetMedium();
        if (ShowFullForm(size) == DiskFullResult::Cancel || state.DiskFullFlag || state.WriteErrorFlag)
            break;
    }
    if (state.DiskFullFlag || state.WriteErrorFlag) {
        missedFile(st);
        return;
    }
    switch (FileCopy(source, st, relative, removeOldFirst)) {
    case BackupDisk::Result::Stored:
        state.FilesBackedUp.add(1);
        // Reckoned high, so that the estimate never promises room the disk
        // does not have; when it runs short the disk is asked again.
        if (freeEstimate >= 0)
            freeEstimate = std::max<std::int64_t>(0, freeEstimate - disk.spaceTaken(size));
        break;
    case BackupDisk::Result::SourceFailed:
    case BackupDisk::Result::TargetSkipped:
        missedFile(st);
        break;
    case BackupDisk::Result::WriteFailed:
        missedFile(st);
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        break;
    }
}

// Copies the open source to its place below the medium root: bytes,
// modification time and permission bits, under a temporary name first.
BackupDisk::Result BackupPass::FileCopy(int source, const struct stat &st, const std::string &relative,
                                        bool removeOldFirst)
{
    int error = 0;
    return disk.store(source, st, relative, removeOldFirst, error);
}

void BackupPass::BackupFile(const std::string &source)
{
    struct stat listed {};
    if (::stat(source.c_str(), &listed) != 0 || !S_ISREG(listed.st_mode) || !qualifies(listed))
        return;
    const std::int64_t free = freeSpace();
    forgetMedium();
    disk.setRoot(setup.host.mediumRoot(setup.driveRoot));
    const std::int64_t room =
        free >= 0 && !disk.root().empty() ? free + disk.existingSize(PathRules::relativeOnDisk(source)) : free;
    if (listed.st_size > room) {
        state.DiskFullFlag.set();
        setup.ui.hideProgress();
        setup.ui.message("DISK FULL.  REPLACE DISK AND RESUME BACKUP");
        return;
    }
    setStatus(StatusLine::File, "", source, PathFit::Whole);
    SourceFile file(AT_FDCWD, source.c_str());
    if (!file.isOpen() || !S_ISREG(file.status().st_mode)) {
        // The item's own file cannot be read: that ends the pass.
        missedFile(listed);
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        return;
    }
    WriteCDFile(file.fd(), file.status(), source);
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
    std::vector<std::string> snapshot;
    DiskListFile::BackupIniInfo(setup.list, snapshot);
    const DiskListFile &listFile = setup.listFile;
    DiskFullRules rules(setup.host, setup.driveRoot, size, [&listFile](const std::string &name) {
        struct stat st {};
        return ::stat(listFile.pathFor(name).c_str(), &st) == 0;
    });
    const DiskFullResult result = setup.ui.diskFull(rules);
    if (result == DiskFullResult::Cancel) {
        state.StopFlag.set();
        state.DiskFullFlag.set();
        return result;
    }
    label = setup.host.volumeLabel(setup.driveRoot);
    setup.ui.showVolumeLabel(label);
    if (label.empty()) {
        // The disk went away between READY and now: end as if cancelled,
        // without pulling the list from under the pass.
        state.StopFlag.set();
        state.DiskFullFlag.set();
        return DiskFullResult::Cancel;
    }
    freeSpace();
    noteMedium();
    try {
        listFile.SaveIniInfo(label, snapshot);
    } catch (const std::exception &error) {
        state.StopFlag.set();
        state.WriteErrorFlag.set();
        setup.ui.message(PathRules::errorBoxText(error.what()));
    }
    return result;
}

void BackupPass::IncTotalProgress()
{
    state.ItemsSized.add(1);
    setup.ui.setTotalBar(Progress::totalBar(state.ItemsSized.get(), itemCount));
}

void BackupPass::CalcFolderProgress(std::int64_t size)
{
    state.FolderBytesDone.add(size);
    state.FolderFilesDone.add(1);
    setup.ui.setFolderBar(Progress::folderBar(state.FolderBytesDone.get(), state.FolderBytesTotal.get()));
}

} // namespace quillarc
