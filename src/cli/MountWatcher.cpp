#include "cli/MountWatcher.h"

#include "cli/ChosenDisk.h"
#include "cli/DesktopNotifier.h"
#include "cli/MountArrivals.h"
#include "cli/PassRunner.h"
#include "engine/BackupRun.h"
#include "lists/AutoBackupSetting.h"
#include "base/UniqueFd.h"
#include "platform/linux/LinuxVolumeHost.h"
#include "platform/linux/MountTableWatch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <iostream>
#include <poll.h>
#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

namespace {

int wakeFd = -1;
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int)
{
    // Only async-signal-safe work: a flag, and a byte that wakes the wait.
    stopRequested = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFd, &byte, 1);
}

/// Everything the watcher waits on: the ending signals, the mount table and
/// the notifications' replies. While a pass runs the runner's own handlers
/// take the signals, abort the pass at once and say so in its report.
class WatchLoop {
public:
    WatchLoop(const std::string &programFolder, DesktopNotifier &notifier)
        : m_setting(programFolder), m_arrivals([this](const std::string &root) { return m_host.volumeLabel(root); },
                                               [this](const std::string &label) { return m_setting.isOn(label); }),
          m_notifier(notifier)
    {
        std::array<int, 2> pipe {-1, -1};
        if (::pipe2(pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
            m_error = std::string("pipe: ") + std::strerror(errno);
            return;
        }
        m_wake.reset(pipe[0]);
        m_wakeWrite.reset(pipe[1]);
        wakeFd = pipe[1];
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, nullptr);
        if (!m_table.error().empty())
            m_error = m_table.error();
    }
    ~WatchLoop()
    {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, nullptr);
        wakeFd = -1;
    }
    WatchLoop(const WatchLoop &) = delete;
    WatchLoop &operator=(const WatchLoop &) = delete;

    const std::string &error() const { return m_error; }
    bool stopping() const { return stopRequested != 0; }
    void stop() { stopRequested = 1; }

    /// Waits up to `timeoutMs` (-1: until something happens) and takes what
    /// happened.
    void lookAround(int timeoutMs)
    {
        std::array<struct pollfd, 3> fds {
            {{m_wake.get(), POLLIN, 0}, {m_table.fd(), POLLPRI, 0}, {m_notifier.fd(), POLLIN, 0}}};
        const nfds_t count = fds[2].fd >= 0 ? 3 : 2;
        if (::poll(fds.data(), count, timeoutMs) <= 0)
            return;
        if (fds[0].revents & POLLIN) {
            char bytes[16];
            while (::read(m_wake.get(), bytes, sizeof bytes) > 0) {
            }
        }
        if (fds[1].revents & (POLLPRI | POLLERR))
            take(m_arrivals.update(m_table.table()));
        if (count == 3 && fds[2].revents != 0)
            m_notifier.process();
    }

    void start() { take(m_arrivals.update(m_table.table())); }

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

private:
    void take(const std::vector<Arrival> &arrived)
    {
        for (const Arrival &arrival : arrived) {
            std::cerr << arrival.label << " mounted at " << arrival.driveRoot << "\n";
            if (std::find(m_waiting.begin(), m_waiting.end(), arrival.label) == m_waiting.end())
                m_waiting.push_back(arrival.label);
        }
    }

    LinuxVolumeHost m_host;
    AutoBackupSetting m_setting;
    MountArrivals m_arrivals;
    MountTableWatch m_table;
    DesktopNotifier &m_notifier;
    UniqueFd m_wake;
    UniqueFd m_wakeWrite;
    std::deque<std::string> m_waiting;
    std::string m_error;
};

} // namespace

int watchMounts(const PassOptions &options)
{
    std::signal(SIGPIPE, SIG_IGN);
    const ChosenDisk program = ChosenDisk::programFolderOf(options);
    if (!program.error.empty()) {
        std::cerr << program.error << "\n";
        return ExitRefused;
    }
    DesktopNotifier notifier(true);
    WatchLoop loop(program.programFolder, notifier);
    if (!loop.error().empty()) {
        std::cerr << "quillarc-pass: cannot follow the mount table: " << loop.error() << "\n";
        return ExitRefused;
    }
    std::cerr << "quillarc-pass: waiting for disks to back up (program folder " << program.programFolder << ")\n";
    loop.start();
    while (!loop.stopping()) {
        std::string label, driveRoot;
        while (!loop.stopping() && loop.next(label, driveRoot)) {
            std::cerr << "Backing up onto " << label << " at " << driveRoot << "\n";
            PassOptions one = options;
            one.watch = false;
            one.programFolder = program.programFolder;
            one.drive = driveRoot;
            PassReport report;
            PassHooks hooks;
            hooks.neverAsk = true;
            hooks.report = &report;
            hooks.whilePassing = [&loop](BackupRun &run) {
                loop.lookAround(0);
                if (loop.stopping())
                    run.abort();
            };
            runPass(one, hooks);
            if (report.interrupted)
                loop.stop();
            if (options.notify)
                notifier.notify(
                    PassNotice {report.label.empty() ? label : report.label, report.refusal, report.outcome});
        }
        if (!loop.stopping())
            loop.lookAround(-1);
    }
    std::cerr << "quillarc-pass: stopped watching.\n";
    return ExitComplete;
}

} // namespace quillarc
