#!/usr/bin/env bash
# Remakes the README's pictures (docs/images/*.png) from the real program on a virtual display:
# the main window with its live status, the Url Refresher, the Url Rotator and both
# configuration dialogs, showing the delivered demo pages with a settings file of its own.
#   tools/screenshots.sh [BUILD_FOLDER]    (default: build, made as tools/run.sh makes it)
# Needs xvfb, xdotool and python3-gi with GTK 3's Gdk (tools/deps.sh installs them). Windows are
# captured with Gdk from the X server itself, without a window manager, so without title bars.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build}")

if [[ -z "${VANTLE_SCREENSHOTS_DISPLAY:-}" ]]; then
    if [[ ! -x "$build/vantle" ]]; then
        cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTLE_TESTS=OFF >/dev/null
        cmake --build "$build" -j2 --target vantle
    fi
    # A display of its own, the size the pictures are laid out for.
    VANTLE_SCREENSHOTS_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

# No accessibility bus on a virtual display: the toolkit would only warn about it.
export NO_AT_BRIDGE=1
work=$(mktemp -d /tmp/vantle-XXXXXX)
vantle_pid=""
cleanup() {
    # Ended by the signal, it reports 143: that is no failure of the script's.
    if [[ -n "$vantle_pid" ]] && kill "$vantle_pid" 2>/dev/null; then wait "$vantle_pid" || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The default settings and the demo pages the build delivered, in a short folder of their own:
# the windows show the pages' addresses.
cp -r "$build/demo" "$work/demo"
sed "s|@VANTLE_DEMO_URL@|file://$work/demo|" assets/vt.ini.in >"$work/vt.ini"

# Captures one window to a PNG once a condition holds, within a deadline:
#   shot.py WINDOW OUT stable               the picture no longer changes (painting has finished)
#   shot.py WINDOW OUT all RRGGBB...        each of these page backgrounds shows (pages loaded)
#   shot.py WINDOW OUT any RRGGBB...        one of them shows
cat >"$work/shot.py" <<'END'
import sys, time
import gi
gi.require_version("Gdk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import Gdk, GdkX11

xid, out, mode, *colours = sys.argv[1:]
display = Gdk.Display.get_default()
window = GdkX11.X11Window.foreign_new_for_display(display, int(xid))

def grab():
    display.sync()
    return Gdk.pixbuf_get_from_window(window, 0, 0, window.get_width(), window.get_height())

def shows(pixbuf, colour):
    pixel = bytes.fromhex(colour) + (b"\xff" if pixbuf.get_n_channels() == 4 else b"")
    return pixel * 8 in pixbuf.get_pixels()  # a run of eight: the page's own background

deadline = time.monotonic() + 40
previous = None
while True:
    picture = grab()
    if mode == "stable":
        done = previous is not None and picture.get_pixels() == previous.get_pixels()
    else:
        done = (all if mode == "all" else any)(shows(picture, colour) for colour in colours)
    if done:
        picture.savev(out, "png", ["compression"], ["9"])
        break
    if time.monotonic() > deadline:
        sys.exit(f"shot.py: {out}: the window did not get there within 40 s")
    previous = picture
    time.sleep(0.3)  # polling the picture: the condition is what ends the wait
END
shot() { /usr/bin/python3 "$work/shot.py" "$@"; }

# The one window with exactly this title, once it is shown; fails after the deadline.
window() { timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }

"$build/vantle" --settings "$work/vt.ini" --refresher --rotator --start &
vantle_pid=$!
main=$(window "Vantle")
refresher=$(window "Vantle Surfer Window")
rotator=$(window "URL Rotator")

# Without a window manager every window opens at the top left: spread them out. The main window
# is widened so that its status panel shows each tool in a few words.
xdotool windowmove --sync "$main" 10 10 windowsize --sync "$main" 640 60
xdotool windowmove --sync "$refresher" 10 120
xdotool windowmove --sync "$rotator" 420 120

mkdir -p docs/images
shot "$refresher" docs/images/refresher.png all dff0ff e6ffe0
# The Rotator shows the search portal first and its first demo page a rotation later.
shot "$rotator" docs/images/rotator.png any fff4d6 ffe0e6 e8e0ff d9fff6
shot "$main" docs/images/main-window.png stable

# The dialogs open from the main window's Options menu, as a user opens them.
xdotool windowfocus --sync "$main" key alt+o Return
form1=$(window "Configuration")
xdotool windowmove --sync "$form1" 10 500
shot "$form1" docs/images/refresher-config.png stable
xdotool windowfocus --sync "$main" key alt+o Down Return
churl=$(window "Change Rotation Url:s")
xdotool windowmove --sync "$churl" 420 500
shot "$churl" docs/images/rotator-config.png stable

ls -l docs/images/*.png
