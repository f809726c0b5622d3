#include "cli/DesktopNotifier.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace quillarc {

namespace {

constexpr const char *kService = "org.freedesktop.Notifications";
constexpr const char *kPath = "/org/freedesktop/Notifications";
constexpr const char *kInterface = "org.freedesktop.Notifications";
// A notice's answer is not waited for; this only bounds how long sd-bus
// keeps the call in mind.
constexpr std::uint64_t kCallTimeoutUsec = 30'000'000;
constexpr auto kCapabilitiesPatience = std::chrono::seconds(1);
constexpr auto kFlushPatience = std::chrono::seconds(2);

// A session bus address names its bus's identity (guid=...) as it was when
// the session began; a bus restarted at the same place has a new one, and
// sd-bus refuses a bus whose identity differs. A watcher outlives such
// restarts, so it goes by the place alone.
std::string withoutIdentity(const std::string &address)
{
    std::string out;
    std::size_t from = 0;
    while (from <= address.size()) {
        const std::size_t end = std::min(address.find_first_of(",;", from), address.size());
        const std::string part = address.substr(from, end - from);
        if (!part.starts_with("guid=")) {
            if (!out.empty() && out.back() != ';' && out.back() != ':')
                out += ',';
            out += part;
        }
        if (end < address.size() && address[end] == ';')
            out += ';';
        from = end + 1;
    }
    return out;
}

// The session bus the environment names, else the user's own.
int openSessionBus(sd_bus **bus)
{
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0')
        return sd_bus_open_user(bus);
    int r = sd_bus_new(bus);
    if (r >= 0)
        r = sd_bus_set_address(*bus, withoutIdentity(address).c_str());
    if (r >= 0)
        r = sd_bus_set_bus_client(*bus, 1);
    if (r >= 0)
        r = sd_bus_set_trusted(*bus, 1);
    if (r >= 0)
        r = sd_bus_start(*bus);
    if (r < 0)
        *bus = sd_bus_unref(*bus);
    return r;
}

} // namespace

void openWithDesktop(const std::string &path)
{
    // Twice forked, so the opener is nobody's child here and leaves no
    // zombie behind.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            // Started by the user manager, the watch runs sandboxed; the
            // viewer is started by the manager instead, without those limits.
            if (::getenv("INVOCATION_ID") != nullptr)
                ::execlp("systemd-run", "systemd-run", "--user", "--quiet", "--collect", "--", "xdg-open", path.c_str(),
                         static_cast<char *>(nullptr));
            ::execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::_exit(0);
    }
    if (child > 0)
        ::waitpid(child, nullptr, 0);
}

struct DesktopNotifier::Replies {
    static int onCapabilities(sd_bus_message *reply, void *self, sd_bus_error *error);
    static int onReply(sd_bus_message *reply, void *self, sd_bus_error *error);
    static int onInvoked(sd_bus_message *message, void *self, sd_bus_error *error);
    static int onClosed(sd_bus_message *message, void *self, sd_bus_error *error);
};

DesktopNotifier::DesktopNotifier(bool listens) : m_listens(listens)
{
}

DesktopNotifier::~DesktopNotifier()
{
    flush();
    drop();
}

void DesktopNotifier::drop()
{
    m_invoked = sd_bus_slot_unref(m_invoked);
    m_closed = sd_bus_slot_unref(m_closed);
    if (m_bus)
        m_bus = sd_bus_close_unref(m_bus);
    m_capabilities.reset();
    m_awaiting.clear();
    m_logs.clear();
    m_startId = 0;
}

int DesktopNotifier::Replies::onCapabilities(sd_bus_message *reply, void *self, sd_bus_error *)
{
    auto *notifier = static_cast<DesktopNotifier *>(self);
    std::set<std::string> can;
    if (!sd_bus_message_is_method_error(reply, nullptr) && sd_bus_message_enter_container(reply, 'a', "s") >= 0) {
        const char *capability = nullptr;
        while (sd_bus_message_read(reply, "s", &capability) > 0)
            can.insert(capability);
    }
    notifier->m_capabilities = std::move(can);
    return 0;
}

int DesktopNotifier::Replies::onReply(sd_bus_message *reply, void *self, sd_bus_error *)
{
    auto *notifier = static_cast<DesktopNotifier *>(self);
    std::uint64_t cookie = 0;
    if (sd_bus_message_get_reply_cookie(reply, &cookie) < 0)
        return 0;
    const auto sent = notifier->m_awaiting.find(cookie);
    if (sent == notifier->m_awaiting.end())
        return 0;
    std::uint32_t id = 0;
    if (!sd_bus_message_is_method_error(reply, nullptr) && sd_bus_message_read(reply, "u", &id) >= 0) {
        if (sent->second.start)
            notifier->m_startId = id;
        else if (!sent->second.logPath.empty())
            notifier->m_logs[id] = sent->second.logPath;
    }
    notifier->m_awaiting.erase(sent);
    return 0;
}

int DesktopNotifier::Replies::onInvoked(sd_bus_message *message, void *self, sd_bus_error *)
{
    auto *notifier = static_cast<DesktopNotifier *>(self);
    std::uint32_t id = 0;
    const char *action = nullptr;
    if (sd_bus_message_read(message, "us", &id, &action) < 0)
        return 0;
    const std::string chosen = action;
    if (chosen == kStopAction && id != 0 && id == notifier->m_startId)
        notifier->m_stopRequested = true;
    const auto shown = notifier->m_logs.find(id);
    if (shown != notifier->m_logs.end() && chosen == kOpenLogAction)
        openWithDesktop(shown->second);
    return 0;
}

int DesktopNotifier::Replies::onClosed(sd_bus_message *message, void *self, sd_bus_error *)
{
    std::uint32_t id = 0;
    if (sd_bus_message_read(message, "u", &id) >= 0)
        static_cast<DesktopNotifier *>(self)->m_logs.erase(id);
    return 0;
}

bool DesktopNotifier::connect()
{
    if (m_bus && sd_bus_is_open(m_bus) > 0)
        return true;
    drop();
    if (openSessionBus(&m_bus) < 0) {
        m_bus = nullptr;
        return false;
    }
    // Nothing here waits for the bus: the calls go out as it is ready.
    if (sd_bus_call_method_async(m_bus, nullptr, kService, kPath, kInterface, "GetCapabilities",
                                 Replies::onCapabilities, this, "") < 0) {
        drop();
        return false;
    }
    if (m_listens) {
        sd_bus_match_signal_async(m_bus, &m_invoked, kService, kPath, kInterface, "ActionInvoked", Replies::onInvoked,
                                  nullptr, this);
        sd_bus_match_signal_async(m_bus, &m_closed, kService, kPath, kInterface, "NotificationClosed",
                                  Replies::onClosed, nullptr, this);
    }
    return true;
}

int DesktopNotifier::fd() const
{
    return m_bus ? sd_bus_get_fd(m_bus) : -1;
}

short DesktopNotifier::events() const
{
    const int wanted = m_bus ? sd_bus_get_events(m_bus) : 0;
    return static_cast<short>(wanted > 0 ? wanted : POLLIN);
}

void DesktopNotifier::process()
{
    if (!m_bus)
        return;
    int handled = 0;
    while ((handled = sd_bus_process(m_bus, nullptr)) > 0) {
    }
    if (handled < 0 || sd_bus_is_open(m_bus) <= 0)
        drop(); // the bus went away; the next notice connects again
}

void DesktopNotifier::flush()
{
    // Bounded: a bus that stopped answering must not keep the program from
    // ending.
    const auto deadline = std::chrono::steady_clock::now() + kFlushPatience;
    while (m_bus) {
        process();
        std::uint64_t queued = 0;
        if (!m_bus || (sd_bus_is_ready(m_bus) > 0 && sd_bus_get_n_queued_write(m_bus, &queued) >= 0 && queued == 0))
            return;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= left.zero())
            return;
        sd_bus_wait(m_bus,
                    static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(left).count()));
    }
}

void DesktopNotifier::waitForCapabilities()
{
    const auto deadline = std::chrono::steady_clock::now() + kCapabilitiesPatience;
    while (m_bus && !m_capabilities) {
        process();
        const auto left = deadline - std::chrono::steady_clock::now();
        if (!m_bus || m_capabilities || left <= left.zero())
            break;
        sd_bus_wait(m_bus,
                    static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(left).count()));
    }
    if (m_bus && !m_capabilities)
        m_capabilities.emplace(); // a server that does not say is shown plain text
}

bool DesktopNotifier::send(const std::string &summary, const std::string &body, const std::vector<std::string> &actions,
                           std::uint8_t urgency, std::uint32_t replaces, Sent sent)
{
    sd_bus_message *call = nullptr;
    int r = sd_bus_message_new_method_call(m_bus, &call, kService, kPath, kInterface, "Notify");
    if (r >= 0)
        r = sd_bus_message_append(call, "susss", "Quillarc", replaces, "quillarc", summary.c_str(), body.c_str());
    if (r >= 0)
        r = sd_bus_message_open_container(call, 'a', "s");
    for (const std::string &word : actions)
        if (r >= 0)
            r = sd_bus_message_append(call, "s", word.c_str());
    if (r >= 0)
        r = sd_bus_message_close_container(call);
    if (r >= 0)
        r = sd_bus_message_append(call, "a{sv}", 2, "desktop-entry", "s", "quillarc", "urgency", "y", urgency);
    if (r >= 0)
        r = sd_bus_message_append(call, "i", -1);
    if (r >= 0)
        r = sd_bus_call_async(m_bus, nullptr, call, Replies::onReply, this, kCallTimeoutUsec);
    std::uint64_t cookie = 0;
    if (r >= 0 && sd_bus_message_get_cookie(call, &cookie) >= 0)
        m_awaiting[cookie] = std::move(sent);
    sd_bus_message_unref(call);
    return r >= 0;
}

void DesktopNotifier::announce(const std::string &label)
{
    m_stopRequested = false;
    m_startId = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connect())
            return;
        if (send("Backing up onto " + label, "", {kStopAction, "Stop"}, 1, 0, Sent {true, {}}))
            return;
        drop(); // a connection that cannot send is a lost one: once more on a new one
    }
}

bool DesktopNotifier::takeStopRequest()
{
    process();
    return std::exchange(m_stopRequested, false);
}

void DesktopNotifier::notify(const PassNotice &notice)
{
    process(); // the start notice's id, when the server has answered
    const std::uint32_t replaces = std::exchange(m_startId, 0);
    m_stopRequested = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connect())
            return;
        waitForCapabilities();
        if (!m_bus)
            continue;
        const std::set<std::string> &can = *m_capabilities;
        const bool actions = m_listens && can.contains("actions") && !notice.outcome.logPath.empty();
        const NoticeText text = noticeText(notice, can.contains("body-markup"), can.contains("body-hyperlinks"));
        std::vector<std::string> offered;
        if (actions)
            offered = {kOpenLogAction, "Open the pass log"};
        if (send(text.summary, text.body, offered, text.urgent ? 2 : 1, replaces,
                 Sent {false, actions ? notice.outcome.logPath : std::string()}))
            return;
        drop();
    }
}

} // namespace quillarc
