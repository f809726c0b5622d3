#pragma once

#include <cstdint>
#include <string>

namespace quillarc {

class DiskFullRules;

/// The two status lines of the main window.
enum class StatusLine {
    File,   ///< `StatusBar`: file in hand, running byte total, outcome
    Folder, ///< `StatusBarFolder`: folder being scanned, outcome
};

/// How a path shown in a status line is fitted to the line. Shortening
/// keeps the last name and replaces leading folder names with ".../" until
/// the text fits the line's width measured in its own font.
enum class PathFit {
    Whole,            ///< shown in full, never shortened
    LineWidth,        ///< fitted to the line's full width
    LineWidthLess100, ///< fitted to the line's width minus 100 pixels
};

/// How the disk-full dialog was closed.
enum class DiskFullResult {
    Ready,  ///< READY passed every rule: a new disk with room is in the drive
    Cancel, ///< CANCEL confirmed, or the dialog was closed any other way
};

/// What a display shows of a running pass: status lines, bars, free space
/// and label. The pass never calls a display itself; it posts to a board
/// (ProgressBoard), and BackupRun::deliverProgress() hands the latest values
/// to the display on the display's own thread, at the display's pace.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;

    /// Sets one status line to `prefix` followed by `path` fitted as `fit`
    /// says (only the path part is ever shortened). With an empty path the
    /// line is `prefix` as it stands.
    virtual void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                           PathFit fit = PathFit::Whole) = 0;
    /// Position of the "Scanned" bar, 0..100.
    virtual void setTotalBar(int percent) = 0;
    /// Position of the "This Folder" bar, 0..100.
    virtual void setFolderBar(int percent) = 0;
    /// The free-space line of the main window is to show `freeBytes` (-1
    /// when the drive has no medium).
    virtual void showFreeSpace(std::int64_t freeBytes) = 0;
    /// The label field of the main window is to show `label` (after a disk
    /// change during the pass).
    virtual void showVolumeLabel(const std::string &label) = 0;
};

/// The window's side of a backup pass: a display, and the questions.
///
/// hideProgress(), message(), confirm() and diskFull() are called on the
/// worker and return only once done (and, for a question or dialog,
/// answered). The window carries them to its thread and waits; the headless
/// runner and the tests answer inline.
///
/// Multi-line texts separate their lines with single '\r' characters; a
/// window shows each as a line break.
class PassUi : public ProgressDisplay {
public:
    // Questions (worker thread, waiting).

    /// Hides the progress window if it is shown, so that it does not cover
    /// the message that follows.
    virtual void hideProgress() = 0;
    /// Plain message box with one OK button, captioned with the program's
    /// title; returns when it is closed.
    virtual void message(const std::string &text) = 0;
    /// Confirmation box captioned "Confirm" with a question-mark icon and
    /// the buttons "&Yes" and "Cancel". True only for Yes.
    virtual bool confirm(const std::string &text) = 0;
    /// Runs the disk-full dialog ("Disk Full") modally until it closes.
    /// The dialog fills its volume field with `rules.currentLabel()` when
    /// shown. READY asks `rules.readyRefusal()`: a non-empty text is shown
    /// with message() and the dialog stays open; an empty one closes it with
    /// Ready. CANCEL asks confirm(DiskFullRules::cancelQuestion()): Yes
    /// closes with Cancel, Cancel leaves the dialog open. Any other way of
    /// closing gives Cancel.
    virtual DiskFullResult diskFull(const DiskFullRules &rules) = 0;
    /// The backup disk went away in the middle of the pass: asks the person
    /// to put the same disk back. True to look for it again, false to end
    /// the pass. A runner with nobody to put a disk back answers false.
    virtual bool askForDiskBack(const std::string &text) { return confirm(text); }

    /// The worker's last act: the pass is over and its outcome complete.
    /// The window delivers the last progress, hides the progress window,
    /// gives its commands back and calls BackupRun::finished() on its own
    /// thread, e.g. from a 50 ms one-shot timer. Must not block on the
    /// window thread: the worker ends right after it.
    virtual void passEnded() = 0;
};

} // namespace quillarc
