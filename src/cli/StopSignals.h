#pragma once

#include <array>
#include <csignal>

namespace quillarc {

class BackupRun;
class WakeUp;

/// SIGINT, SIGTERM and SIGHUP ask the runner to stop: a pass is aborted as
/// ABORT does, a watch, verify or restore ends after the work in hand. The
/// handlers are taken while an object lives and given back when it goes
/// (one inside another, as the watch's around each pass it runs: a signal
/// that reached the inner one counts for the outer one as well). No
/// SA_RESTART: a question waiting on the terminal sees the signal at once.
class StopSignals {
public:
    /// `wake`, when given, is woken by each signal (it must outlive this).
    explicit StopSignals(const WakeUp *wake = nullptr);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    /// A signal arrived since this object was made (or stop() was called).
    static bool arrived();
    /// Counts as a signal: the caller's own way to end what waits on this.
    static void stop();
    /// While `run` is set, a signal aborts it from the handler itself, so
    /// that the pass ends after the file in hand even while nobody looks.
    void abortOnSignal(BackupRun *run);

private:
    static constexpr std::array<int, 3> kSignals {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> m_previous {};
    BackupRun *m_outerRun = nullptr;
    const WakeUp *m_outerWake = nullptr;
    bool m_outerArrived = false;
};

} // namespace quillarc
