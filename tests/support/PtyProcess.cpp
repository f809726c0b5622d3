#include "support/PtyProcess.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillarc::test {

using Clock = std::chrono::steady_clock;

PtyProcess::~PtyProcess()
{
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    if (master >= 0)
        ::close(master);
}

bool PtyProcess::start(const std::vector<std::string> &argv, unsigned short columns)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    struct winsize size {};
    size.ws_col = columns;
    size.ws_row = 24;
    child = ::forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return child > 0;
}

bool PtyProcess::readSome(std::chrono::milliseconds timeout)
{
    if (ended)
        return false;
    struct pollfd in {
        master, POLLIN, 0
    };
    const int ready = ::poll(&in, 1, static_cast<int>(timeout.count()));
    if (ready <= 0)
        return ready == 0 || errno == EINTR;
    char buffer[4096];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) { // EIO: every copy of the terminal's other end is closed
        if (n < 0 && errno == EINTR)
            return true;
        ended = true;
        return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
    for (ssize_t i = 0; i < n; ++i)
        if (buffer[i] != '\r')
            text += buffer[i];
    return true;
}

bool PtyProcess::waitFor(const std::string &wanted, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t at = text.find(wanted, waited);
        if (at != std::string::npos) {
            waited = at + wanted.size();
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !readSome(left))
            return false;
    }
}

void PtyProcess::type(const std::string &keys)
{
    std::size_t done = 0;
    while (done < keys.size()) {
        const ssize_t n = ::write(master, keys.data() + done, keys.size() - done);
        if (n <= 0 && errno != EINTR)
            return;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

int PtyProcess::finish(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!readSome(std::min(left, std::chrono::milliseconds(100))))
            break;
    }
    int status = 0;
    while (child > 0) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            child = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (Clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            child = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

} // namespace quillarc::test
