#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/DriveRoot.h"
#include "engine/PassOutcome.h"
#include "engine/PassState.h"

namespace quillarc {

class BackupList;
class Clock;
class DiskListFile;
class PassUi;
class ProgressDisplay;
class VolumeHost;
struct FileFilters;

/// Files a pass copies at once by default: the walk's own thread and one
/// worker, which on a 2-core machine is woken only for larger files (see
/// PassFlight.cpp), so a tree of small files costs the system no more calls
/// per file than one at a time, and large files overlap the walk.
inline constexpr int kCopiesInFlight = 2;

/// What a pass works with. Everything is borrowed and must outlive the run.

struct RunSetup {
    BackupList &list; ///< the owner's list; the pass works on a copy of it
    PassUi &ui;       ///< display and questions
    const VolumeHost &host;
    const DiskListFile &listFile; ///< also names the program folder, where the pass log goes
    const Clock &clock;
    FileFilters &filters;    ///< the EXCLUDE box may change during the pass
    DriveRoot driveRoot;     ///< the backup drive (`CDEdit`)
    std::string volumeLabel; ///< label of the disk in it (`Edit2`)
    bool writeLog = true;    ///< append the pass to quillarc.log in the program folder
    /// Tests: hears every status line and bar at once on the worker, as
    /// posted, so a test can act at an exact moment of the pass.
    ProgressDisplay *echo = nullptr;
    /// Tests: called on the worker each time the copies were flushed to the
    /// medium, before the list that claims them is written.
    std::function<void()> afterFlush = {};
    /// Files copied at once (see PassSetup).
    int copiesInFlight = kCopiesInFlight;
};

/// The one way to run a backup pass, for the window, quillarc-pass and the
/// tests alike: the Backup command's checks, the worker, and the outcome as
/// a value.
///
/// The pass works on its own copy of the owner's list and posts what it
/// changes (cut-offs, check boxes), together with the status lines and
/// bars, to a board that never makes the worker wait. The owner takes them
/// at its own pace with deliverProgress() on the thread that owns the list
/// and the ui's display (the window refreshes 30 times a second). Questions
/// and the disk-full dialog are PassUi calls that wait for the answer. The
/// worker's last act is PassUi::passEnded(); the owner then calls
/// deliverProgress() once more and finished().
class BackupRun {
public:
    explicit BackupRun(RunSetup setup);
    /// A run still going is aborted and waited for.
    ~BackupRun();
    BackupRun(const BackupRun &) = delete;
    BackupRun &operator=(const BackupRun &) = delete;

    /// The Backup command from its first check on: queries the free space
    /// (shown through the ui), refuses with outcome() saying why, or clears
    /// the flags, sets both bars to 0 and starts the worker. True when the
    /// worker was started.
    bool start();

    /// STOP: during sizing it aborts; while copying the item in hand is
    /// finished first.
    void stop();
    /// ABORT, closing the window, a signal: ends after the file in hand.
    /// Safe from a signal handler (one lock-free atomic store).
    void abort();

    /// Hands what the pass posted since the last call to the ui and applies
    /// the posted list changes to the owner's list. Call on the owner's
    /// thread; cheap when nothing changed. True when anything was delivered.
    bool deliverProgress();

    /// True from start() until the worker has ended its pass.
    bool workerRunning() const;
    /// Waits for the worker to end (runner and tests), delivers what is
    /// left, and returns the outcome.
    const PassOutcome &wait();
    /// The owner has taken the pass back (end-of-pass handler): the worker
    /// is joined. Whether a pass is running is the owner's to know (the
    /// window asks its session).
    void finished();

    /// The outcome; complete once the worker has ended (or start() refused).
    const PassOutcome &outcome() const;

    /// The shared flags and counters (`AbortFlag`, the counters, ...).
    PassState &state();
    const PassState &state() const;
    /// Number of checked items, the total bar's denominator.
    int checkedItems() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace quillarc
