#pragma once

#include "cli/PassNotice.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct sd_bus;
struct sd_bus_slot;

namespace quillarc {

/// Notifications over the session bus (org.freedesktop.Notifications),
/// through sd-bus. The bus is reached when a notice is sent, and again
/// whenever the connection was lost (a restarted session bus), so a watcher
/// started before the desktop session still reaches it later.
///
/// A notice never waits for the server's answer: a slow or silent server
/// holds up neither the pass nor the next disk. Only the server's
/// capabilities (whether it shows links and actions) are waited for, once
/// per connection and at most a second.
///
/// With `listens`, the owner stays running, waits on fd() for events()
/// and calls process(): a notice then carries the action "Open the pass
/// log", which opens the log with xdg-open, and the notice of a pass that
/// starts carries "Stop", which takeStopRequest() reports. A one-shot run
/// cannot stay to hear an action, so without `listens` the log is a
/// file:// link in the body (or its path, where the server shows no links).
class DesktopNotifier : public Notifier {
public:
    explicit DesktopNotifier(bool listens);
    ~DesktopNotifier() override;
    DesktopNotifier(const DesktopNotifier &) = delete;
    DesktopNotifier &operator=(const DesktopNotifier &) = delete;

    /// How a pass ended; takes the place of the notice of its start.
    void notify(const PassNotice &notice) override;
    /// "Backing up onto LABEL", with a Stop action.
    void announce(const std::string &label);
    /// True once after Stop was chosen on the notice of the pass in hand.
    bool takeStopRequest();

    /// The bus connection to wait on, or -1 when there is none.
    int fd() const;
    /// What to wait on fd() for (POLLIN, and POLLOUT while a notice waits
    /// to be written).
    short events() const;
    /// Handles what arrived on the bus (never waits).
    void process();
    /// Writes out the notices not yet written (before the program ends).
    void flush();

    static constexpr const char *kOpenLogAction = "open-log";
    static constexpr const char *kStopAction = "stop";

private:
    struct Sent {
        bool start = false;
        std::string logPath;
    };

    bool connect();
    void drop();
    void waitForCapabilities();
    bool send(const std::string &summary, const std::string &body, const std::vector<std::string> &actions,
              std::uint8_t urgency, std::uint32_t replaces, Sent sent);
    struct Replies; ///< what the bus calls back

    bool m_listens;
    sd_bus *m_bus = nullptr;
    sd_bus_slot *m_invoked = nullptr;
    sd_bus_slot *m_closed = nullptr;
    std::optional<std::set<std::string>> m_capabilities; ///< unknown while asked
    std::map<std::uint64_t, Sent> m_awaiting;            ///< notices sent, by their call's cookie
    std::map<std::uint32_t, std::string> m_logs;         ///< shown notices by id: the log each opens
    std::uint32_t m_startId = 0;                         ///< the notice of the pass in hand
    bool m_stopRequested = false;
};

/// Opens a file with the desktop's handler (xdg-open), without waiting.
void openWithDesktop(const std::string &path);

} // namespace quillarc
