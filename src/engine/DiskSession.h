#pragma once

#include "engine/BackupRun.h"
#include "engine/ExclusionTest.h"
#include "lists/BackupList.h"
#include "lists/DateTime.h"
#include "lists/DiskListFile.h"
#include "lists/FilterLists.h"
#include "lists/ProgramConfig.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillarc {

class Clock;
class PassUi;
class VolumeHost;

/// A list edit made while no list is read: the list would belong to no
/// disk, so the edit is not made. The text says what to do instead.
class EditRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The disk in hand, as one value: the backup drive, the label of the
/// medium in it, the program config (with the filter lists), and the list
/// read from that label's file, or no list at all.
///
/// A list is written only under the label it was read from, and never when
/// none was read (a disk without room, a label that changed, a window closed
/// before its first check, a failed read): closing at any moment or choosing
/// another disk leaves every list file as it was or as the person edited it.
/// Every edit goes through here and is refused, with a reason the person can
/// act on, while no list is read.
///
/// The medium checks are the transitions: drive chosen, first check, media
/// event, reload, removal, a disk without room, a pass ended. Each returns
/// the messages to show, in order; the window shows them and draws the
/// state, quillarc-pass refuses with them. No Qt: both use it.
class DiskSession {
public:
    using Notices = std::vector<std::string>;

    /// `host` is borrowed and must outlive the session.
    DiskSession(const VolumeHost &host, std::string programFolder, PathProbe probe = probePath);
    DiskSession(const DiskSession &) = delete;
    DiskSession &operator=(const DiskSession &) = delete;

    // ---- What the session holds ------------------------------------------
    /// The backup drive; none while none is chosen.
    const BackupDrive &drive() const { return m_config.drive; }
    bool driveChosen() const { return m_config.drive.has_value(); }
    /// The label of the disk in hand; empty when there is none.
    const std::string &label() const { return m_label; }
    /// True when the list is the one read from the file of label().
    bool listRead() const { return m_readLabel.has_value() && *m_readLabel == m_label && !m_label.empty(); }
    /// The list of the disk in hand (empty while none is read). Read it
    /// freely; change it only through the edits below.
    BackupList &list() { return m_list; }
    const BackupList &list() const { return m_list; }
    ProgramConfig &config() { return m_config; }
    const ProgramConfig &config() const { return m_config; }
    const DiskListFile &listFile() const { return m_listFile; }

    /// Backup, Add Folder and Add File; and Import with Export.
    bool addAndBackupEnabled() const { return m_three; }
    bool importExportEnabled() const { return m_importExport; }
    /// The free-space line: empty while no figure is known, never "-1".
    std::string freeLine() const;
    std::int64_t lastFree() const { return m_free; }
    /// True when a media event arrived during a pass; checked once it ends.
    bool mediaCheckPending() const { return m_checkAfterPass; }
    /// What the last media event for the drive said: inserted or removed.
    bool mediaPresent() const { return m_mediaPresent; }

    // ---- Config -----------------------------------------------------------
    /// "config" in the program folder.
    std::string configPath() const;
    /// Reads "config"; the settings before a bad line stay. Throws its error.
    void loadConfig(const std::string &path);
    /// Writes "config" in the program folder, atomically. Throws FileError.
    void saveConfig() const;
    /// EXCLUDE: a pass in progress reads it at every file.
    void setExclude(bool on);
    void setListFont(const ListFont &font);
    void setColumnWidths(const std::array<int, 4> &widths);
    /// The window's frame corner and size, as "config" keeps them.
    void setWindowPlace(int left, int top, int width, int height);
    /// Edits of the extension and pattern lists; `afterEach` ends every
    /// change (it shows the lists and saves "config").
    FilterLists filterLists(std::function<void()> afterEach);

    // ---- Medium transitions ----------------------------------------------
    /// The label read while the window is created, or by the runner: the
    /// disk is in hand, its list not yet read.
    void readLabel();
    /// Reads the list file of the disk in hand (quillarc-pass; the checks
    /// below do it too). The list is read unless the disk has no label.
    /// Throws the file's error, and then no list is read.
    DiskListFile::LoadResult readList();
    /// The drive button: `root` (empty: the chosen folder has no drive)
    /// becomes the backup drive, then the drive-chosen check runs. A text
    /// that is no drive root chooses none.
    Notices chooseDrive(const std::string &root);
    /// The drive-chosen check (also the Load Backup List button's).
    Notices driveChosenCheck();
    /// The first check, 50 ms after the window is first shown.
    Notices firstCheck();
    /// A media event; true when it concerns the backup drive, so that the
    /// delayed check is to run.
    bool mediaEvent(bool inserted, const std::string &root);
    /// The delayed check one second after media events.
    Notices delayedCheck();
    /// The Load Backup List button.
    Notices reload();
    /// The medium reset: no disk in hand, nothing saved.
    void reset();
    /// Queries the free space of the drive in hand (-1: not ready).
    std::int64_t queryFree();
    /// The free-space figure the pass showed.
    void showFree(std::int64_t freeBytes);

    // ---- A pass -------------------------------------------------------------
    /// Why no pass can start now, in words; empty when one can.
    std::string passRefusal() const;
    /// What a pass works with: this session's list, files, filters, drive
    /// and label. `exclude` is the EXCLUDE box at start. Only while
    /// passRefusal() is empty: there is a drive then.
    RunSetup runSetup(PassUi &ui, const Clock &clock, bool exclude);
    /// The filters of the pass in progress (EXCLUDE may change during it).
    FileFilters &filters() { return m_filters; }
    /// A pass on this session's list has started: from now until passEnded()
    /// the session is the one that says a pass is running (the window asks
    /// it), and the list and the disk belong to the pass.
    void passStarted() { m_passRunning = true; }
    /// The pass carried the list over to a new disk (disk full): the one
    /// way the label moves during a pass, whether the pass says so as it goes
    /// or in its outcome.
    void passMovedTo(const std::string &label);
    /// The pass has ended; returns whether a media event waits to be checked.
    bool passEnded(const PassOutcome &outcome);
    bool passRunning() const { return m_passRunning; }

    // ---- List edits (each saved at once, except the check box) -------------
    /// Why the list cannot be edited now; empty when it can.
    std::string editRefusal() const;
    void addItem(const std::string &path, CutOff cutOff, SubFolders subFolders, bool checked);
    /// Sets an item's cut-off; `subFolders` (for a folder) its sub-folder flag.
    void setCutOff(std::size_t index, CutOff cutOff, std::optional<SubFolders> subFolders);
    void setAllToDateOf(std::size_t index);
    void remove(std::size_t index);
    /// The check box: kept in memory, saved with the next save or at close.
    void setChecked(std::size_t index, bool checked);
    /// Import: `lines` (a whole list file) become the file and list of this disk.
    void importLines(const std::vector<std::string> &lines);
    /// Export: the list as the list file of another disk, at `path`.
    void exportTo(const std::string &path) const;

    /// Closing: the list is written back under the label it was read from,
    /// and only then.
    void saveListAtClose() const;

private:
    /// The label of the medium in the drive now; empty without a drive.
    std::string labelInDrive() const;
    Notices loadIfRoom(bool importExportEither);
    /// readList() with its message.
    Notices loadList();
    void forgetList();
    void setCommands(bool three, bool importExport);
    void requireEdit() const;
    /// True while a pass of another program instance holds the program folder.
    bool passElsewhere() const;
    void save() const;

    const VolumeHost &m_host;
    DiskListFile m_listFile;
    ProgramConfig m_config;
    FileFilters m_filters;
    BackupList m_list;
    std::string m_label;
    std::optional<std::string> m_readLabel;
    std::int64_t m_free = -1;
    bool m_freeKnown = false;
    bool m_three = true;
    bool m_importExport = false;
    bool m_mediaPresent = false;
    bool m_checkAfterPass = false;
    bool m_passRunning = false;
};

} // namespace quillarc
