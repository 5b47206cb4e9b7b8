#!/usr/bin/python3
"""fake_portal.py LOG VERSION WIDTHxHEIGHT: a desktop portal for tests, on the session bus
it is started with: RemoteDesktop (pointer only) and Inhibit, logging each call as a line
"Method key=value ... ". The pointer is a point that relative motion moves and the screen's
edges stop, as a compositor's do."""
# Its control interface (org.vantle.test.FakePortal) sets how the next Start is answered (0 yes,
# 1 no, 2 ended otherwise, 3 yes without the pointer, -1 held until Answer), answers a held one,
# and closes the open sessions as the desktop would.
import sys

from gi.repository import Gio, GLib

PATH = "/org/freedesktop/portal/desktop"
XML = """<node>
<interface name="org.freedesktop.portal.RemoteDesktop">
  <method name="CreateSession"><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="SelectDevices"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="Start"><arg type="o" direction="in"/><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="NotifyPointerMotion"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="d" direction="in"/><arg type="d" direction="in"/></method>
  <method name="NotifyPointerButton"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="in"/></method>
  <property name="AvailableDeviceTypes" type="u" access="read"/>
  <property name="version" type="u" access="read"/>
</interface>
<interface name="org.freedesktop.portal.Inhibit">
  <method name="Inhibit"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
</interface>
<interface name="org.vantle.test.FakePortal">
  <method name="SetStartAnswer"><arg type="i" direction="in"/></method>
  <method name="Answer"><arg type="u" direction="in"/></method>
  <method name="CloseSessions"/>
</interface>
<interface name="org.freedesktop.portal.Request"><method name="Close"/></interface>
<interface name="org.freedesktop.portal.Session"><method name="Close"/></interface>
</node>"""


class FakePortal:
    def __init__(self, bus, log, version, screen):
        self.bus, self.log, self.version = bus, open(log, "a", buffering=1), int(version)
        self.width, self.height = (int(n) for n in screen.split("x"))
        self.x, self.y = self.width // 2, self.height // 2
        self.start_answer, self.held, self.unanswered, self.persist = 0, None, 0, 0
        self.sessions, self.tokens, self.objects = set(), 0, {}
        self.node = Gio.DBusNodeInfo.new_for_xml(XML)
        for interface in self.node.interfaces[:3]:  # Request and Session are the objects' own
            bus.register_object(PATH, interface, self.call, self.property, None)

    def record(self, method, **fields):
        self.log.write(" ".join([method] + [f"{k}={v}" for k, v in fields.items()]) + " \n")

    def property(self, bus, sender, path, interface, name):
        return GLib.Variant("u", self.version if name == "version" else 2)  # 2: the pointer

    def export(self, path, interface, on_close):
        info = self.node.lookup_interface(interface)

        def call(bus, sender, obj, iface, method, params, invocation):
            on_close()
            self.unexport(path)
            invocation.return_value(None)

        self.objects[path] = self.bus.register_object(path, info, call, None, None)

    def unexport(self, path):
        if path in self.objects:
            self.bus.unregister_object(self.objects.pop(path))

    def object_path(self, sender, kind, token):
        return f"{PATH}/{kind}/{sender[1:].replace('.', '_')}/{token}"

    def respond(self, request, code, results, sender):
        GLib.idle_add(lambda: self.bus.emit_signal(
            sender, request, "org.freedesktop.portal.Request", "Response",
            GLib.Variant("(ua{sv})", (code, results))) and False)

    def answer(self, invocation):
        self.unanswered -= 1
        invocation.return_value(None)

    def call(self, bus, sender, path, interface, method, params, invocation):
        args = params.unpack()
        if interface == "org.vantle.test.FakePortal":
            invocation.return_value(None)
            return self.control(method, args)
        if method.startswith("Notify"):
            # Answered a moment later, as a portal that hands each call to a thread of its own
            # may: an event sent before the one ahead of it is answered may overtake it there.
            self.unanswered += 1
            overlap = self.unanswered > 1
            GLib.timeout_add(2, self.answer, invocation)
            if method == "NotifyPointerMotion":
                self.x = min(max(self.x + args[2], 0), self.width - 1)
                self.y = min(max(self.y + args[3], 0), self.height - 1)
            button = {} if method.endswith("Motion") else {"button": args[2], "state": args[3]}
            return self.record(method, session=args[0], at=f"{int(self.x)},{int(self.y)}",
                               overlap=overlap, **button)
        options = args[-1]
        request = self.object_path(sender, "request", options.get("handle_token", "t"))
        invocation.return_value(GLib.Variant("(o)", (request,)))
        if interface == "org.freedesktop.portal.Inhibit":
            self.record(method, flags=args[1], **options)
            return self.export(request, "org.freedesktop.portal.Request",
                               lambda: self.record("InhibitReleased"))
        if method == "CreateSession":
            session = self.object_path(sender, "session", options["session_handle_token"])
            self.sessions.add((session, sender))
            self.export(session, "org.freedesktop.portal.Session",
                        lambda: self.sessions.discard((session, sender)))
            self.record(method, session=session)
            return self.respond(request, 0, {"session_handle": GLib.Variant("s", session)}, sender)
        self.record(method, session=args[0], **options)
        if method == "SelectDevices":
            self.persist = options.get("persist_mode", 0)
            return self.respond(request, 0, {}, sender)
        self.held = (request, sender)
        if self.start_answer >= 0:
            self.control("Answer", (self.start_answer,))

    def control(self, method, args):
        if method == "SetStartAnswer":
            self.start_answer = args[0]
        elif method == "Answer" and self.held:
            # 3: yes, but without the pointer.
            (request, sender), self.held = self.held, None
            results, response = {}, 0 if args[0] == 3 else args[0]
            if response == 0:
                results["devices"] = GLib.Variant("u", 2 if args[0] == 0 else 0)
                if self.version >= 2 and self.persist:
                    self.tokens += 1
                    results["restore_token"] = GLib.Variant("s", f"token-{self.tokens}")
            self.respond(request, response, results, sender)
        elif method == "CloseSessions":
            for session, sender in list(self.sessions):
                self.bus.emit_signal(sender, session, "org.freedesktop.portal.Session", "Closed",
                                     GLib.Variant("(a{sv})", ({},)))
                self.unexport(session)
            self.sessions.clear()


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    portal = FakePortal(bus, *sys.argv[1:4])
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", 0,
                                   lambda *a: portal.record("ready"), lambda *a: loop.quit())
    bus.connect("closed", lambda *a: loop.quit())
    loop.run()


if __name__ == "__main__":
    sys.exit(main())
