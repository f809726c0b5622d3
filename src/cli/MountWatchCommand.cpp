#include "cli/MountWatchCommand.h"

#include "cli/ChosenDisk.h"
#include "cli/DesktopNotifier.h"
#include "cli/DiskStatusReport.h"
#include "cli/MountArrivals.h"
#include "cli/MountLabelProbe.h"
#include "cli/PassRunner.h"
#include "cli/StopSignals.h"
#include "cli/WakeUp.h"
#include "cli/WatchInstance.h"
#include "engine/BackupRun.h"
#include "lists/AutoBackupSetting.h"
#include "platform/PassLock.h"
#include "platform/RestoreHold.h"
#include "platform/linux/LinuxVolumeHost.h"
#include "platform/linux/MountTableWatch.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <deque>
#include <iostream>
#include <memory>
#include <poll.h>
#include <system_error>
#include <utility>

namespace quillarc {

namespace {

using Clock = MountArrivals::Clock;

// How often a disk refused because another pass held the lock is tried
// again: the lock leaves no trace to wait on when it goes.
constexpr std::chrono::milliseconds kLockRetry {1000};

int millisecondsUntil(Clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

/// Everything the watcher waits on: the ending signals, the mount table,
/// the notifications' replies, and the times to look again at a mount or a
/// lock. While a pass runs the runner's own handlers take the signals,
/// abort the pass at once and say so in its report.
class WatchLoop {
public:
    WatchLoop(const std::string &programFolder, DesktopNotifier &notifier)
        : m_programFolder(programFolder), m_setting(programFolder),
          m_arrivals([this](const MountEntry &mount) { return m_probe.labelOf(mount); },
                     [this](const std::string &label) { return m_setting.isOn(label); }),
          m_notifier(notifier)
    {
        if (!m_table.error().empty())
            m_error = m_table.error();
    }
    WatchLoop(const WatchLoop &) = delete;
    WatchLoop &operator=(const WatchLoop &) = delete;

    const std::string &error() const { return m_error; }
    static bool stopping() { return StopSignals::arrived(); }
    static void stop() { StopSignals::stop(); }

    /// Waits up to `timeoutMs` (-1: until something happens, or the next
    /// look is due) and takes what happened.
    void lookAround(int timeoutMs)
    {
        const std::optional<Clock::time_point> due = nextDue();
        if (due && (timeoutMs < 0 || millisecondsUntil(*due) < timeoutMs))
            timeoutMs = millisecondsUntil(*due);
        std::array<struct pollfd, 3> fds {
            {{m_wake.fd(), POLLIN, 0}, {m_table.fd(), POLLPRI, 0}, {m_notifier.fd(), m_notifier.events(), 0}}};
        const nfds_t count = fds[2].fd >= 0 ? 3 : 2;
        const int ready = ::poll(fds.data(), count, timeoutMs);
        if (ready > 0 && (fds[0].revents & POLLIN))
            m_wake.take();
        if (stopping())
            return;
        // The table is read once for each change, whatever it holds.
        if (ready > 0 && (fds[1].revents & (POLLPRI | POLLERR)))
            take(m_arrivals.update(m_table.table(), Clock::now()));
        else if (const auto look = m_arrivals.nextLook(); look && Clock::now() >= *look)
            take(m_arrivals.lookAgain(Clock::now()));
        m_notifier.process();
        if (!m_heldBack.empty() && Clock::now() >= m_lockRetry)
            retryHeldBack();
    }

    void start() { take(m_arrivals.update(m_table.table(), Clock::now())); }

    /// The next disk to pass onto, with where it is mounted now; false when
    /// none waits.
    bool next(std::string &label, std::string &driveRoot)
    {
        while (!m_waiting.empty()) {
            label = m_waiting.front();
            m_waiting.pop_front();
            driveRoot = m_arrivals.driveRootOf(label);
            if (!driveRoot.empty())
                return true;
            std::cerr << label << " was unmounted before its pass.\n";
        }
        return false;
    }

    /// The disk's pass was refused because another pass held the lock: it
    /// is tried again when that pass has ended, while it stays mounted.
    void holdBack(const std::string &label)
    {
        if (std::find(m_heldBack.begin(), m_heldBack.end(), label) == m_heldBack.end())
            m_heldBack.push_back(label);
        m_lockRetry = Clock::now() + kLockRetry;
    }

private:
    std::optional<Clock::time_point> nextDue() const
    {
        std::optional<Clock::time_point> due = m_arrivals.nextLook();
        if (!m_heldBack.empty() && (!due || m_lockRetry < *due))
            due = m_lockRetry;
        return due;
    }

    void take(const std::vector<Arrival> &arrived)
    {
        for (const Arrival &arrival : arrived) {
            std::cerr << arrival.label << " mounted at " << arrival.driveRoot << "\n";
            queue(arrival.label);
        }
        // Said, so that whoever wonders why a disk was not backed up finds
        // the answer in the watch's log.
        for (const Arrival &other : m_arrivals.passedOver())
            std::cerr << other.label << " mounted at " << other.driveRoot
                      << ": not set to be backed up when mounted.\n";
    }

    void queue(const std::string &label)
    {
        if (std::find(m_waiting.begin(), m_waiting.end(), label) == m_waiting.end())
            m_waiting.push_back(label);
    }

    void retryHeldBack()
    {
        std::vector<std::string> still;
        for (const std::string &label : m_heldBack) {
            const std::string driveRoot = m_arrivals.driveRootOf(label);
            if (driveRoot.empty())
                continue; // gone: it is passed onto when it comes back
            PassLock lock;
            if (lock.take(m_programFolder, m_host.mediumRoot(driveRoot)) == PassLock::Result::Busy) {
                still.push_back(label);
            } else {
                lock.release();
                std::cerr << "The pass that held " << label << " back has ended.\n";
                queue(label);
            }
        }
        m_heldBack = std::move(still);
        m_lockRetry = Clock::now() + kLockRetry;
    }

    std::string m_programFolder;
    LinuxVolumeHost m_host;
    MountLabelProbe m_probe;
    AutoBackupSetting m_setting;
    MountArrivals m_arrivals;
    MountTableWatch m_table;
    DesktopNotifier &m_notifier;
    // Declared before the signals, which wake it until they are given back.
    WakeUp m_wake;
    StopSignals m_signals {&m_wake};
    std::deque<std::string> m_waiting;
    std::vector<std::string> m_heldBack;
    Clock::time_point m_lockRetry;
    std::string m_error;
};

void passOnto(WatchLoop &loop, DesktopNotifier &notifier, const PassOptions &options, const std::string &label,
              const std::string &driveRoot)
{
    std::cerr << "Backing up onto " << label << " at " << driveRoot << "\n";
    PassOptions one = options;
    one.watch = false;
    one.drive = driveRoot;
    PassReport report;
    PassHooks hooks;
    hooks.neverAsk = true;
    hooks.report = &report;
    // The desktop hears of the pass once it has begun (a disk refused at
    // once gets only the notice of why), with a way to stop it.
    bool announced = !options.notify;
    hooks.whilePassing = [&loop, &notifier, &announced, &label](BackupRun &run) {
        if (!std::exchange(announced, true))
            notifier.announce(label);
        loop.lookAround(0);
        if (loop.stopping() || notifier.takeStopRequest())
            run.abort();
    };
    runPass(one, hooks);
    recordPass(one, report.outcome);
    if (report.interrupted)
        loop.stop();
    if (report.refusal == PassLock::busyMessage())
        loop.holdBack(label);
    if (options.notify)
        notifier.notify(PassNotice {report.label.empty() ? label : report.label, report.refusal, report.outcome});
}

} // namespace

int watchMounts(const PassOptions &options)
{
    std::signal(SIGPIPE, SIG_IGN);
    const ChosenDisk program = ChosenDisk::programFolderOf(options);
    if (!program.error.empty()) {
        std::cerr << program.error << "\n";
        return ExitRefused;
    }
    WatchInstance instance;
    switch (instance.take(program.programFolder)) {
    case WatchInstance::Result::Taken:
        break;
    case WatchInstance::Result::Busy:
        std::cerr << "quillarc-pass: a mount watch already runs for the program folder " << program.programFolder
                  << "; this one ends.\n";
        return ExitRefused;
    case WatchInstance::Result::Failed:
        std::cerr << "quillarc-pass: cannot tell whether another mount watch runs: " << instance.error() << "\n";
        break;
    }
    DesktopNotifier notifier(true);
    std::unique_ptr<WatchLoop> made;
    try {
        made = std::make_unique<WatchLoop>(program.programFolder, notifier);
    } catch (const std::system_error &error) {
        std::cerr << "quillarc-pass: cannot wait for the mount table: " << error.what() << "\n";
        return ExitRefused;
    }
    WatchLoop &loop = *made;
    if (!loop.error().empty()) {
        std::cerr << "quillarc-pass: cannot follow the mount table: " << loop.error() << "\n";
        return ExitRefused;
    }
    std::cerr << "quillarc-pass: waiting for disks to back up (program folder " << program.programFolder << ")\n";
    PassOptions each = options;
    each.programFolder = program.programFolder;
    loop.start();
    while (!loop.stopping()) {
        std::string label, driveRoot;
        while (!loop.stopping() && loop.next(label, driveRoot)) {
            // A disk plugged in to get files back from is not written to
            // first: its pass waits until the restore has ended.
            if (RestoreHold::restoreRunning(program.programFolder)) {
                std::cerr << label << " waits: files are being restored.\n";
                loop.holdBack(label);
                continue;
            }
            passOnto(loop, notifier, each, label, driveRoot);
        }
        if (!loop.stopping())
            loop.lookAround(-1);
    }
    notifier.flush();
    std::cerr << "quillarc-pass: stopped watching.\n";
    return ExitComplete;
}

} // namespace quillarc
