#pragma once

#include <cstdint>
#include <functional>
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
    Whole,              ///< shown in full, never shortened
    LineWidth,          ///< fitted to the line's full width
    LineWidthLess100,   ///< fitted to the line's width minus 100 pixels
};

/// How the disk-full dialog was closed.
enum class DiskFullResult {
    Ready,  ///< READY passed every rule: a new disk with room is in the drive
    Cancel, ///< CANCEL confirmed, or the dialog was closed any other way
};

/// Every window operation of a backup pass. The engine calls these from
/// the worker thread; each call returns only once the window has done it
/// (and, for a question or dialog, once the user has answered). The window
/// implements it by carrying each call to its own thread and blocking
/// (Qt::BlockingQueuedConnection); the headless runner and the tests run
/// each call inline.
///
/// Multi-line texts separate their lines with single '\r' characters; a
/// window shows each as a line break.
class PassUi {
public:
    virtual ~PassUi() = default;

    /// Sets one status line to `prefix` followed by `path` fitted as `fit`
    /// says (only the path part is ever shortened). With an empty path the
    /// line is `prefix` as it stands.
    virtual void setStatus(StatusLine line, const std::string &prefix, const std::string &path = {},
                           PathFit fit = PathFit::Whole) = 0;

    /// Position of the "Scanned" bar, 0..100.
    virtual void setTotalBar(int percent) = 0;
    /// Position of the "This Folder" bar, 0..100.
    virtual void setFolderBar(int percent) = 0;
    /// Hides the progress window if it is shown, so that it does not cover
    /// the message that follows.
    virtual void hideProgress() = 0;

    /// The free-space line of the main window is to show `freeBytes` (-1
    /// when the drive has no medium).
    virtual void showFreeSpace(std::int64_t freeBytes) = 0;
    /// The label field of the main window is to show `label` (after a disk
    /// change during the pass).
    virtual void showVolumeLabel(const std::string &label) = 0;

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

    /// Runs `work` on the window thread and returns when it is done. The
    /// pass makes every change to the backup list (cut-offs, check boxes)
    /// through this, because the window's view reads the list on its own
    /// thread.
    virtual void runOnWindowThread(const std::function<void()> &work) = 0;

    /// The worker's last act: the pass is over and its status lines are
    /// written. The window hides the progress window, gives its commands
    /// back and clears `BackupRunning` (see BackupPass::passFinished) on
    /// its own thread, e.g. from a 50 ms one-shot timer. Must not block on
    /// the window thread: the worker ends right after it.
    virtual void passEnded() = 0;
};

} // namespace quillarc
