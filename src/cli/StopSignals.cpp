#include "cli/StopSignals.h"

#include "cli/WakeUp.h"
#include "engine/BackupRun.h"

#include <atomic>

namespace quillarc {

namespace {

// The handler reaches only these: a flag, the pass to abort (one lock-free
// atomic store) and the wake-up to write to (one write()).
volatile std::sig_atomic_t g_arrived = 0;
std::atomic<BackupRun *> g_run {nullptr};
std::atomic<const WakeUp *> g_wake {nullptr};
static_assert(std::atomic<BackupRun *>::is_always_lock_free && std::atomic<const WakeUp *>::is_always_lock_free,
              "the signal handler may touch only lock-free atomics");

extern "C" void onStopSignal(int)
{
    g_arrived = 1;
    if (BackupRun *run = g_run.load())
        run->abort();
    if (const WakeUp *wake = g_wake.load())
        wake->notify();
}

} // namespace

StopSignals::StopSignals(const WakeUp *wake)
    : m_outerRun(g_run.load()), m_outerWake(g_wake.load()), m_outerArrived(g_arrived != 0)
{
    g_arrived = 0;
    g_run = nullptr;
    g_wake = wake;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &m_previous[i]);
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    g_run = m_outerRun;
    g_wake = m_outerWake;
    if (m_outerArrived)
        g_arrived = 1;
}

bool StopSignals::arrived()
{
    return g_arrived != 0;
}

void StopSignals::stop()
{
    g_arrived = 1;
}

void StopSignals::abortOnSignal(BackupRun *run)
{
    g_run = run;
}

} // namespace quillarc
