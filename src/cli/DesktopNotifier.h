#pragma once

#include "cli/PassNotice.h"

#include <cstdint>
#include <map>
#include <string>

struct sd_bus;
struct sd_bus_slot;

namespace quillarc {

/// Notifications over the session bus (org.freedesktop.Notifications),
/// through sd-bus. The bus is reached when a notice is sent, so a watcher
/// started before the desktop session still reaches it later; every call is
/// bounded by a short timeout.
///
/// With `offerLog`, a notice carries the action "Open the pass log", and the
/// owner, which stays running, waits on fd() and calls process(): an invoked
/// action opens the log with xdg-open. A one-shot run cannot stay to hear
/// the action, so without `offerLog` the log is a file:// link in the body
/// (or its path, where the server shows no links).
class DesktopNotifier : public Notifier {
public:
    explicit DesktopNotifier(bool offerLog);
    ~DesktopNotifier() override;
    DesktopNotifier(const DesktopNotifier &) = delete;
    DesktopNotifier &operator=(const DesktopNotifier &) = delete;

    void notify(const PassNotice &notice) override;

    /// The bus connection to wait on (POLLIN), or -1 when there is none.
    int fd() const;
    /// Handles what arrived on the bus (never waits).
    void process();

    static constexpr const char *kOpenLogAction = "open-log";

private:
    bool connect();
    void drop();

    bool m_offerLog;
    sd_bus *m_bus = nullptr;
    sd_bus_slot *m_invoked = nullptr;
    sd_bus_slot *m_closed = nullptr;
    std::map<std::uint32_t, std::string> m_logs; ///< shown notices by id: the log each opens
};

/// Opens a file with the desktop's handler (xdg-open), without waiting.
void openWithDesktop(const std::string &path);

} // namespace quillarc
