#!/usr/bin/python3
"""A window covering the Wayland display's one monitor that records, one line each, the pointer's
motion and buttons over it in its own coordinates, which are the desktop's: "motion X Y" (or
"enter X Y" when a move comes from outside the window), "press BUTTON X Y", "release BUTTON X Y";
"ready" once it is shown.

    GDK_BACKEND=wayland pointer_probe.py LOG
"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

log = open(sys.argv[1], "a", buffering=1)
window = Gtk.Window(title="pointer probe")
window.add_events(Gdk.EventMask.POINTER_MOTION_MASK | Gdk.EventMask.BUTTON_PRESS_MASK |
                  Gdk.EventMask.BUTTON_RELEASE_MASK | Gdk.EventMask.ENTER_NOTIFY_MASK)
for signal, kind in (("motion-notify-event", "motion"), ("enter-notify-event", "enter"),
                     ("button-press-event", "press"), ("button-release-event", "release")):
    button = kind in ("press", "release")
    window.connect(signal, lambda w, e, kind=kind, button=button: log.write(
        f"{kind}{' %d' % e.button if button else ''} {e.x:.0f} {e.y:.0f}\n"))
window.connect("map-event", lambda *a: log.write("ready\n"))
window.connect("destroy", Gtk.main_quit)
# Maximized without decorations: it covers the monitor from the desktop's top-left as full-screen
# would, but stays in the normal layer, beneath the program's window and the desktop's dialogs.
window.set_decorated(False)
window.maximize()
window.show_all()
Gtk.main()
