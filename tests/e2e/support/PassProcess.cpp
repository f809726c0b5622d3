#include "e2e/support/PassProcess.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace quillarc::e2e {

namespace {

std::string contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

PassProcess::PassProcess(const std::vector<std::string> &argv, const std::string &outputStem,
                         const std::vector<std::string> &environment)
    : m_stem(outputStem)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char *> env;
    for (char **entry = environ; *entry; ++entry)
        env.push_back(*entry);
    for (const std::string &entry : environment)
        env.push_back(const_cast<char *>(entry.c_str()));
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, (m_stem + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addopen(&actions, 2, (m_stem + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (::posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), env.data()) != 0)
        m_pid = -1;
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
}

PassProcess::~PassProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::kill(m_pid, SIGCONT);
        ::waitpid(m_pid, nullptr, 0);
    }
}

int PassProcess::wait(std::chrono::seconds limit)
{
    if (m_pid <= 0)
        return m_status;
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (std::chrono::steady_clock::now() > end) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return m_status = -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_status;
}

std::string PassProcess::out() const
{
    return contents(m_stem + ".out");
}

std::string PassProcess::err() const
{
    return contents(m_stem + ".err");
}

} // namespace quillarc::e2e
