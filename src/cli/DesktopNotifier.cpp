#include "cli/DesktopNotifier.h"

#include <systemd/sd-bus.h>

#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillarc {

namespace {

constexpr const char *kService = "org.freedesktop.Notifications";
constexpr const char *kPath = "/org/freedesktop/Notifications";
constexpr const char *kInterface = "org.freedesktop.Notifications";
constexpr std::uint64_t kCallTimeoutUsec = 5'000'000;

// What the server can show; nothing when it does not answer.
std::set<std::string> capabilities(sd_bus *bus)
{
    std::set<std::string> result;
    sd_bus_message *call = nullptr;
    sd_bus_message *reply = nullptr;
    sd_bus_error error {}; // SD_BUS_ERROR_NULL, which C++ cannot spell
    if (sd_bus_message_new_method_call(bus, &call, kService, kPath, kInterface, "GetCapabilities") >= 0 &&
        sd_bus_call(bus, call, kCallTimeoutUsec, &error, &reply) >= 0 &&
        sd_bus_message_enter_container(reply, 'a', "s") >= 0) {
        const char *capability = nullptr;
        while (sd_bus_message_read(reply, "s", &capability) > 0)
            result.insert(capability);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    return result;
}

} // namespace

void openWithDesktop(const std::string &path)
{
    // Twice forked, so the opener is nobody's child here and leaves no
    // zombie behind.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            ::execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::_exit(0);
    }
    if (child > 0)
        ::waitpid(child, nullptr, 0);
}

DesktopNotifier::DesktopNotifier(bool offerLog) : m_offerLog(offerLog)
{
}

DesktopNotifier::~DesktopNotifier()
{
    drop();
}

void DesktopNotifier::drop()
{
    m_invoked = sd_bus_slot_unref(m_invoked);
    m_closed = sd_bus_slot_unref(m_closed);
    if (m_bus)
        m_bus = sd_bus_flush_close_unref(m_bus);
    m_logs.clear();
}

bool DesktopNotifier::connect()
{
    if (m_bus && sd_bus_is_open(m_bus) > 0)
        return true;
    drop();
    if (sd_bus_open_user(&m_bus) < 0) {
        m_bus = nullptr;
        return false;
    }
    if (m_offerLog) {
        auto invoked = [](sd_bus_message *message, void *self, sd_bus_error *) {
            auto *notifier = static_cast<DesktopNotifier *>(self);
            std::uint32_t id = 0;
            const char *action = nullptr;
            if (sd_bus_message_read(message, "us", &id, &action) < 0)
                return 0;
            const auto shown = notifier->m_logs.find(id);
            if (shown != notifier->m_logs.end() && std::string(action) == kOpenLogAction)
                openWithDesktop(shown->second);
            return 0;
        };
        auto closed = [](sd_bus_message *message, void *self, sd_bus_error *) {
            std::uint32_t id = 0;
            if (sd_bus_message_read(message, "u", &id) >= 0)
                static_cast<DesktopNotifier *>(self)->m_logs.erase(id);
            return 0;
        };
        sd_bus_match_signal(m_bus, &m_invoked, kService, kPath, kInterface, "ActionInvoked", invoked, this);
        sd_bus_match_signal(m_bus, &m_closed, kService, kPath, kInterface, "NotificationClosed", closed, this);
    }
    return true;
}

int DesktopNotifier::fd() const
{
    return m_bus ? sd_bus_get_fd(m_bus) : -1;
}

void DesktopNotifier::process()
{
    if (!m_bus)
        return;
    int handled = 0;
    while ((handled = sd_bus_process(m_bus, nullptr)) > 0) {
    }
    if (handled < 0)
        drop(); // the bus went away; the next notice connects again
}

void DesktopNotifier::notify(const PassNotice &notice)
{
    if (!connect())
        return;
    const std::set<std::string> can = capabilities(m_bus);
    const bool actions = m_offerLog && can.contains("actions") && !notice.outcome.logPath.empty();
    const NoticeText text = noticeText(notice, can.contains("body-markup"), can.contains("body-hyperlinks"));

    sd_bus_message *call = nullptr;
    sd_bus_message *reply = nullptr;
    sd_bus_error error {}; // SD_BUS_ERROR_NULL, which C++ cannot spell
    const std::uint8_t urgency = text.urgent ? 2 : 1;
    int r = sd_bus_message_new_method_call(m_bus, &call, kService, kPath, kInterface, "Notify");
    if (r >= 0)
        r = sd_bus_message_append(call, "susss", "Quillarc", 0U, "quillarc", text.summary.c_str(), text.body.c_str());
    if (r >= 0)
        r = actions ? sd_bus_message_append(call, "as", 2, kOpenLogAction, "Open the pass log")
                    : sd_bus_message_append(call, "as", 0);
    if (r >= 0)
        r = sd_bus_message_append(call, "a{sv}", 2, "desktop-entry", "s", "quillarc", "urgency", "y", urgency);
    if (r >= 0)
        r = sd_bus_message_append(call, "i", -1);
    if (r >= 0)
        r = sd_bus_call(m_bus, call, kCallTimeoutUsec, &error, &reply);
    std::uint32_t id = 0;
    if (r >= 0 && sd_bus_message_read(reply, "u", &id) >= 0 && actions)
        m_logs[id] = notice.outcome.logPath;
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
}

} // namespace quillarc
