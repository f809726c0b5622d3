#include "e2e/support/SessionBus.h"

#include "e2e/support/Shell.h"

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillarc::e2e {

namespace {

constexpr const char *kPython = "/usr/bin/python3";

} // namespace

bool waitUntil(const std::function<bool()> &done, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

SessionBus::SessionBus(const std::string &folder)
    : m_record(folder + "/notices"), m_requests(folder + "/clicks"), m_socket(folder + "/bus")
{
    if (!sh(std::string(kPython) + " -c 'import dbus, gi.repository.GLib' 2>/dev/null")) {
        m_error = "python3 with python3-dbus and python3-gi is needed for the notification server";
        return;
    }
    start();
}

void SessionBus::start()
{
    // At a path of its own, so that a restarted bus is found where the
    // first one was, as a desktop's is.
    std::string started;
    if (!sh("dbus-daemon --session --fork --address=unix:path=" + quoted(m_socket) + " --print-address=1 --print-pid=1",
            &started)) {
        m_error = "dbus-daemon --session did not start";
        return;
    }
    std::istringstream lines(started);
    std::string pid;
    std::getline(lines, m_address);
    std::getline(lines, pid);
    m_busPid = std::stoi(pid);

    ::unlink((m_record + ".ready").c_str());
    m_serverPid = ::fork();
    if (m_serverPid == 0) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
        const std::string script = QUILLARC_SOURCE_DIR "/tests/e2e/support/notification_server.py";
        ::execl(kPython, kPython, script.c_str(), m_record.c_str(), m_requests.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    if (!waitUntil([this] { return ::access((m_record + ".ready").c_str(), F_OK) == 0; }, std::chrono::seconds(20)))
        m_error = "the notification server did not start";
}

void SessionBus::stop()
{
    if (m_serverPid > 0) {
        ::kill(m_serverPid, SIGKILL);
        ::waitpid(m_serverPid, nullptr, 0);
        m_serverPid = -1;
    }
    if (m_busPid > 0) {
        ::kill(m_busPid, SIGTERM);
        m_busPid = -1;
    }
}

bool SessionBus::restart()
{
    stop();
    // The old daemon goes away in its own time; its socket must go first.
    waitUntil([this] { return ::access(m_socket.c_str(), F_OK) != 0; }, std::chrono::seconds(10));
    ::unlink(m_socket.c_str());
    m_error.clear();
    start();
    return m_error.empty();
}

SessionBus::~SessionBus()
{
    stop();
}

std::vector<std::string> SessionBus::notices() const
{
    std::vector<std::string> result;
    std::ifstream in(m_record);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            result.push_back(line);
    return result;
}

bool SessionBus::waitForNotices(std::size_t count, std::chrono::seconds limit) const
{
    return waitUntil([&] { return notices().size() >= count; }, limit);
}

void SessionBus::invoke(int id, const std::string &action) const
{
    std::ofstream(m_requests, std::ios::app) << "invoke " << id << " " << action << "\n";
}

std::string SessionBus::field(const std::string &notice, const std::string &name)
{
    const std::string key = "\"" + name + "\": \"";
    std::size_t at = notice.find(key);
    if (at == std::string::npos)
        return {};
    std::string value;
    for (at += key.size(); at < notice.size() && notice[at] != '"'; ++at) {
        if (notice[at] == '\\' && at + 1 < notice.size()) {
            const char escaped = notice[++at];
            value += escaped == 'n' ? '\n' : escaped;
        } else {
            value += notice[at];
        }
    }
    return value;
}

} // namespace quillarc::e2e
