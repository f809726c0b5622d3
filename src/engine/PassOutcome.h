#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillarc {

/// How a backup pass ended. The first that applies, in the order of the
/// final status rows.
enum class PassEnd {
    NotStarted,        ///< a start check refused; see StartRefusal
    DiskVanished,      ///< "Error Writing to Disk...  ": the disk went away (pulled out, its mount gone)
    WriteError,        ///< "Error Writing to Disk...  ": a copy failed on the disk
    DiskFullCancelled, ///< "Error Writing to Disk...  ": room prompt or disk-full CANCEL, file too large
    Stopped,           ///< "Cancelled...  ": STOP let the item in hand finish
    Aborted,           ///< "Aborted...  ": ABORT, STOP while sizing, closing, a signal
    Complete,          ///< "Complete...  "
};

/// Why the Backup command's checks did not start a pass.
enum class StartRefusal {
    None,
    NoFreeSpace,    ///< "NO FREE SPACE ON THIS DISK"
    EmptyList,      ///< nothing happens, without a message
    NothingChecked, ///< "NO ITEMS HAVE BEEN CHECKMARKED ON THE BACKUP LIST."
    PassRunning,    ///< another pass holds the program folder or the disk
    DiskUnlockable, ///< the disk could not be locked against another pass
};

/// A qualifying file or folder the pass could not back up, with its cause
/// ("in use by another program", "cannot be read: Permission denied", ...).
struct MissedEntry {
    std::string path;
    std::string cause;
};

/// Everything a pass has to say when it is over, as a value: the window,
/// quillarc-pass and the tests read this, never the status texts.
struct PassOutcome {
    PassEnd end = PassEnd::NotStarted;
    StartRefusal refusal = StartRefusal::None;
    std::string refusalMessage; ///< the Backup command's text; empty for EmptyList

    std::int64_t filesCopied = 0;    ///< `FilesBackedUp`
    std::int64_t filesMissed = 0;    ///< every missed file and folder, also past `missed`'s bound
    std::vector<MissedEntry> missed; ///< the first kMissedKept of them, in the order met

    /// Files copied with a remark for the log (kept as read while they were
    /// being written to); not missed.
    std::vector<MissedEntry> notes;

    /// What a disk-full ending left for the next disk: the checked items the
    /// pass did not finish (each also named in `missed`), and the files
    /// sized in the item in hand that were not copied.
    std::int64_t itemsLeft = 0;
    std::int64_t filesLeft = 0;

    bool listSaved = false;    ///< the disk list file holds the pass's cut-offs
    std::string listSaveError; ///< why not, when it was tried and failed

    std::string volumeLabel;  ///< the disk the pass ended on (differs after a disk change)
    std::string fileStatus;   ///< `StatusBar` as the pass left it
    std::string folderStatus; ///< `StatusBarFolder` as the pass left it

    std::string logPath;  ///< where the pass log was written; empty when none was
    std::string logError; ///< why the pass log could not be written

    static constexpr std::size_t kMissedKept = 10000;

    bool started() const { return end != PassEnd::NotStarted; }
    /// Complete, nothing missed, list saved: the only ending a scheduler
    /// may take as "all backed up".
    bool clean() const { return end == PassEnd::Complete && filesMissed == 0 && listSaved; }
};

/// A short English word for an ending, as the pass log writes it.
const char *passEndName(PassEnd end);

/// The final status rows of a pass that ended as `end` with `filesCopied`
/// files backed up ("Complete...  12 Files Found and Backed Up").
std::string fileStatusText(PassEnd end, std::int64_t filesCopied);
std::string folderStatusText(PassEnd end);

} // namespace quillarc
