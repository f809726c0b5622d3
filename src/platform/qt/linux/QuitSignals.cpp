#include "platform/qt/QuitSignals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillarc {

namespace {

constexpr std::array<int, 3> kSignals {SIGTERM, SIGHUP, SIGINT};

// The handler may only write: the signal's number goes down a pipe that the
// window thread's event loop watches.
std::atomic<int> g_writeEnd {-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may touch only lock-free atomics");

extern "C" void onQuitSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_writeEnd.load();
    if (fd >= 0) {
        const auto number = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the program still runs; it ends as a signal's default says
    m_readEnd.reset(ends[0]);
    g_writeEnd = ends[1];
    m_notifier = new QSocketNotifier(m_readEnd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);

    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    // Taken once; system calls the window thread is in carry on.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int signalNumber : kSignals) {
        struct sigaction current {};
        ::sigaction(signalNumber, nullptr, &current);
        if (current.sa_handler == onQuitSignal)
            ::sigaction(signalNumber, &fallback, nullptr);
    }
    if (const int fd = g_writeEnd.exchange(-1); fd >= 0)
        ::close(fd);
}

void QuitSignals::drain()
{
    unsigned char numbers[16];
    ssize_t got = 0;
    while ((got = ::read(m_readEnd.get(), numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            m_arrived = true;
            Q_EMIT arrived(numbers[i]);
        }
    }
}

} // namespace quillarc
