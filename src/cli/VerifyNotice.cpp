#include "cli/VerifyNotice.h"

#include <cstdint>
#include <systemd/sd-bus.h>

namespace quillarc {

void notifyVerify(const std::string &summary, bool allGood)
{
    sd_bus *bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return;
    sd_bus_message *call = nullptr;
    int r = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.Notifications",
                                           "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify");
    const std::uint8_t urgency = allGood ? 1 : 2;
    if (r >= 0)
        r = sd_bus_message_append(call, "susssas", "Quillarc", 0U, "quillarc",
                                  allGood ? "Quillarc: the copies are good" : "Quillarc: bad copies found",
                                  summary.c_str(), 0);
    if (r >= 0)
        r = sd_bus_message_append(call, "a{sv}i", 2, "desktop-entry", "s", "quillarc", "urgency", "y", urgency, -1);
    if (r >= 0)
        sd_bus_call(bus, call, 5'000'000, nullptr, nullptr);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
}

} // namespace quillarc
