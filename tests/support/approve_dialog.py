#!/usr/bin/python3
"""approve_dialog.py SECONDS: answers the desktop's remote-desktop approval dialog as a user
would, through the accessibility bus: ticks "Allow remote interaction", then presses Share; exits
0 once Share took the press."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def tree(node, depth=0):
    # The nodes below `node` with their words and role; one that goes away while read is left out.
    try:
        words, role = node.get_name().replace("_", "").split(), node.get_role()
        children = [node.get_child_at_index(i) for i in range(node.get_child_count())]
    except GLib.Error:
        return
    yield node, words, role
    for child in children:
        if child is not None and depth < 30:
            yield from tree(child, depth + 1)


def act(node, action):
    actions = node.get_action_iface()
    return any(actions.get_action_name(i) == action and actions.do_action(i)
               for i in range(actions.get_n_actions()))


def main():
    deadline, toggled_at = time.monotonic() + float(sys.argv[1]), 0.0
    while time.monotonic() < deadline:
        allowed = share = None
        try:
            # Labels carry their mnemonic mark, and in GTK 4 a button's name repeats it.
            for node, words, role in tree(Atspi.get_desktop(0)):
                if role == Atspi.Role.CHECK_BOX and " ".join(words) == "Allow remote interaction":
                    allowed = node
                if role == Atspi.Role.PUSH_BUTTON and "Share" in words:
                    share = node
            # GTK 4 does not report the box's state, but Share takes presses only once the box
            # is ticked. A toggle made while the dialog is still being set up can be lost, so it
            # is made again after a second.
            if share is not None and share.get_state_set().contains(Atspi.StateType.SENSITIVE):
                if act(share, "click"):
                    print("pressed Share", flush=True)
                    return 0
            elif allowed is not None and time.monotonic() - toggled_at > 1:
                toggled_at = time.monotonic()
                print("ticked Allow remote interaction:", act(allowed, "toggle"), flush=True)
        except GLib.Error:
            pass  # the dialog changed under us: look again
        time.sleep(0.2)
    print("no approval dialog with both controls came", flush=True)
    return 1


if __name__ == "__main__":
    sys.exit(main())
