#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quillarc::e2e {

/// A private session bus (dbus-daemon --session) with a small notification
/// server on it that records every Notify call, one JSON object a line.
class SessionBus {
public:
    /// `folder`: where the record is kept.
    explicit SessionBus(const std::string &folder);
    ~SessionBus();
    SessionBus(const SessionBus &) = delete;
    SessionBus &operator=(const SessionBus &) = delete;

    /// Empty when the bus and the server run, else why not.
    const std::string &error() const { return m_error; }
    /// "DBUS_SESSION_BUS_ADDRESS=..." for a child's environment.
    std::string environment() const { return "DBUS_SESSION_BUS_ADDRESS=" + m_address; }

    /// The Notify calls so far, one JSON object each.
    std::vector<std::string> notices() const;
    /// Waits until at least `count` notices arrived; false when the time ran out.
    bool waitForNotices(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(30)) const;
    /// Stops the bus and the server and starts both again at the same
    /// address, as a desktop's session bus restarts; false when they did
    /// not come back.
    bool restart();
    /// The notification server's process, to stop it (SIGSTOP) as a server
    /// that never answers; -1 when it is not running.
    int serverPid() const { return m_serverPid; }
    /// Acts as a click on `action` of notification `id`.
    void invoke(int id, const std::string &action) const;

    /// A string field of a recorded notice, unescaped ("summary", "body").
    static std::string field(const std::string &notice, const std::string &name);

private:
    void start();
    void stop();

    std::string m_record;
    std::string m_requests;
    std::string m_socket;
    std::string m_address;
    int m_busPid = -1;
    int m_serverPid = -1;
    std::string m_error;
};

/// Waits until `done` holds, looking every 50 ms; false when the time ran out.
bool waitUntil(const std::function<bool()> &done, std::chrono::seconds limit);

} // namespace quillarc::e2e
