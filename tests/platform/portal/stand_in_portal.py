#!/usr/bin/python3
"""A stand-in for the desktop's GlobalShortcuts portal, for tests on a private
session bus. Usage: stand_in_portal.py MODE LOGFILE

MODE:
  plasma        as KDE Plasma 5.27 answers: CreateSession registers the
                shortcuts of its "shortcuts" option and lists them in its
                result; BindShortcuts ignores its list and answers the
                session's shortcuts as they are (empty when CreateSession
                had none).
  plasma:KEYS   the same, with the comma-separated preferred triggers KEYS
                held by another program: listed without a trigger, unbound.
  bind-list     a portal that binds what BindShortcuts lists and answers
                CreateSession with the session handle alone.
  refuse-session  CreateSession answers 1 (the user cancelled).
  refuse-bind     CreateSession as bind-list, BindShortcuts answers 2.
Every call is written to LOGFILE as one JSON line. The test drives key presses
through org.example.PortalStandIn.Press(shortcut_id)."""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = "/org/freedesktop/portal/desktop"
IFACE = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal
        self.path = path

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.portal.log({"call": "Close", "session": self.path})
        self.portal.sessions.discard(self.path)
        self.remove_from_connection()


def listed(shortcuts):
    return [{"id": str(sid), "props": {k: str(v) for k, v in props.items()}} for sid, props in shortcuts]


class Portal(dbus.service.Object):
    def __init__(self, bus, mode, logfile):
        super().__init__(bus, PATH)
        self.bus = bus
        self.mode, _, taken = mode.partition(":")
        self.taken = set(t for t in taken.split(",") if t)
        self.logfile = logfile
        self.sessions = set()
        self.bound = {}  # session -> {shortcut id: (description, trigger or "")}

    def log(self, entry):
        with open(self.logfile, "a") as f:
            f.write(json.dumps(entry) + "\n")

    def request_path(self, sender, token):
        return "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)

    def answer_later(self, path, response, results):
        request = Request(self.bus, path)

        def send():
            request.Response(dbus.UInt32(response), dbus.Dictionary(results, signature="sv"))
            request.remove_from_connection()
            return False

        GLib.idle_add(send)

    def register(self, session, shortcuts):
        keys = {}
        for sid, props in shortcuts:
            trigger = str(props.get("preferred_trigger", ""))
            keys[str(sid)] = (str(props.get("description", "")), "" if trigger in self.taken else trigger)
        self.bound[session] = keys

    def described(self, session):
        return dbus.Array([dbus.Struct((sid, dbus.Dictionary({"description": d, "trigger_description": t},
                                                             signature="sv")))
                           for sid, (d, t) in sorted(self.bound.get(session, {}).items())],
                          signature="(sa{sv})")

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if interface == IFACE and prop == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(IFACE, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        given = listed(options.get("shortcuts", []))
        self.log({"call": "CreateSession", "options": {k: str(v) for k, v in options.items() if k != "shortcuts"},
                  "shortcuts": given})
        path = self.request_path(sender, str(options["handle_token"]))
        if self.mode == "refuse-session":
            self.answer_later(path, 1, {})
            return dbus.ObjectPath(path)
        session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"), str(options["session_handle_token"]))
        Session(self.bus, session, self)
        self.sessions.add(session)
        # The portal answers the handle as a string.
        results = {"session_handle": dbus.String(session)}
        if self.mode == "plasma":
            self.register(session, options.get("shortcuts", []))
            results["shortcuts"] = self.described(session)
        self.answer_later(path, 0, results)
        return dbus.ObjectPath(path)

    @dbus.service.method(IFACE, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender=None):
        self.log({"call": "BindShortcuts", "session": str(session), "shortcuts": listed(shortcuts)})
        path = self.request_path(sender, str(options["handle_token"]))
        if self.mode == "refuse-bind" or str(session) not in self.sessions:
            self.answer_later(path, 2, {})
            return dbus.ObjectPath(path)
        if self.mode != "plasma":
            self.register(str(session), shortcuts)
        self.answer_later(path, 0, {"shortcuts": self.described(str(session))})
        return dbus.ObjectPath(path)

    @dbus.service.signal(IFACE, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method("org.example.PortalStandIn", in_signature="s", out_signature="b")
    def Press(self, shortcut_id):
        for session, keys in self.bound.items():
            if session in self.sessions and keys.get(shortcut_id, ("", ""))[1]:
                self.Activated(dbus.ObjectPath(session), shortcut_id, dbus.UInt64(1),
                               dbus.Dictionary({}, signature="sv"))
                return True
        return False


def main():
    mode, logfile = sys.argv[1], sys.argv[2]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, mode, logfile)
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)  # released when collected
    portal.log({"ready": True})
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
