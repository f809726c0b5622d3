#!/usr/bin/python3
"""A notification server for tests. It takes org.freedesktop.Notifications
on the session bus and appends each Notify call as one JSON line to the file
named by the first argument. A line "invoke ID ACTION" written to the file
named by the second argument makes it emit ActionInvoked for notification
ID, as a click on the action would."""
import json
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Server(dbus.service.Object):
    def __init__(self, bus, record):
        self.bus_name = dbus.service.BusName(NAME, bus)
        super().__init__(self.bus_name, PATH)
        self.record = record
        self.next_id = 0

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup", "body-hyperlinks", "actions"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("test", "quillarc", "1", "1.2")

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.next_id += 1
        entry = {
            "id": self.next_id,
            "replaces": int(replaces),
            "app": str(app),
            "summary": str(summary),
            "body": str(body),
            "actions": [str(a) for a in actions],
            "urgency": int(hints.get("urgency", 1)),
        }
        with open(self.record, "a") as out:
            out.write(json.dumps(entry) + "\n")
        return dbus.UInt32(self.next_id)

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, notification):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, notification, action):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    server = Server(dbus.SessionBus(), sys.argv[1])
    requests = sys.argv[2] if len(sys.argv) > 2 else None

    def take_requests():
        if requests and os.path.exists(requests):
            with open(requests) as f:
                lines = f.read().split("\n")
            os.unlink(requests)
            for line in lines:
                words = line.split()
                if len(words) == 3 and words[0] == "invoke":
                    server.ActionInvoked(dbus.UInt32(int(words[1])), words[2])
        return True

    GLib.timeout_add(50, take_requests)
    with open(sys.argv[1] + ".ready", "w"):
        pass
    GLib.MainLoop().run()


main()
