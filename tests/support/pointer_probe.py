#!/usr/bin/python3
"""pointer_probe.py LOG: a window covering the Wayland display's one monitor that logs the
pointer over it in the desktop's coordinates: "motion X Y" ("enter X Y" from outside it),
"press BUTTON X Y", "release BUTTON X Y"; "ready" once shown."""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

log = open(sys.argv[1], "a", buffering=1)
window = Gtk.Window(title="pointer probe")
window.add_events(Gdk.EventMask.POINTER_MOTION_MASK | Gdk.EventMask.BUTTON_PRESS_MASK |
                  Gdk.EventMask.BUTTON_RELEASE_MASK | Gdk.EventMask.ENTER_NOTIFY_MASK)
for kind, signal in (("motion", "motion-notify"), ("enter", "enter-notify"),
                     ("press %d", "button-press"), ("release %d", "button-release")):
    window.connect(signal + "-event", lambda w, e, kind=kind: log.write(
        f"{kind % e.button if '%' in kind else kind} {e.x:.0f} {e.y:.0f}\n"))
window.connect("map-event", lambda *a: log.write("ready\n"))
# Maximized without decorations: it covers the monitor from the desktop's top-left as full-screen
# would, but stays in the normal layer, beneath the program's window and the desktop's dialogs.
window.set_decorated(False)
window.maximize()
window.show_all()
Gtk.main()
