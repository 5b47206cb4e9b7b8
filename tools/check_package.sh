#!/usr/bin/env bash
# Builds the Debian package for the release it runs on, lints it, installs it with apt-get, checks
# the installed program on a virtual display of its own, then removes the package and checks that
# nothing is left; the checked package stays in the build folder. Run as root (or with sudo) on
# Debian 12 or 13, after tools/deps.sh. Any vantle package installed before is replaced and, at
# the end, removed.
#   tools/check_package.sh [BUILD_FOLDER]    (default build-package; CI passes build-test)
set -euo pipefail

readonly app_id=io.github.vantle.Vantle
readonly screen="-screen 0 1280x1024x24"

fail() {
    echo "check_package: FAIL: $*" >&2
    exit 1
}
note() { echo "check_package: $*"; }

# Waits until a command succeeds, polling, for at most $1 seconds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

window_mapped() { xwininfo -root -tree 2>/dev/null | grep -q '"Vantle": '; }

# The part that needs a display: run by xvfb-run, with the work folder as $2.
on_display() {
    local work=$1 pid
    local -a clean_env=(env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME)
    # Whatever way this ends, the program and the page server end with it.
    trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
    stop() {
        kill "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    }

    # A first run with a fresh home makes the per-user file from the installed default.
    local user_ini=$work/home/.config/vantle/vt.ini
    mkdir -p "$work/home"
    HOME=$work/home "${clean_env[@]}" vantle --help | grep -qxF "Settings file: $user_ini" ||
        fail "--help does not name $user_ini"
    HOME=$work/home "${clean_env[@]}" vantle >"$work/first-run.log" 2>&1 &
    pid=$!
    wait_for 60 window_mapped || { stop "$pid"; fail "no main window within 60 s"; }
    stop "$pid"
    [[ -f $user_ini ]] || fail "the first run made no $user_ini"
    cmp -s "$user_ini" /usr/share/vantle/vt.ini || fail "$user_ini differs from the default"
    note "first run made ~/.config/vantle/vt.ini from the installed default"

    # The Rotator started from the command line asks for its first address one rotation
    # interval (20 s) after Start, with nobody at the keyboard.
    mkdir -p "$work/site"
    cp /usr/share/vantle/demo/* "$work/site/"
    /usr/bin/python3 -u -m http.server --bind 127.0.0.1 --directory "$work/site" 0 \
        >"$work/server.out" 2>"$work/server.log" &
    local server=$!
    local port=""
    wait_for 30 grep -qs 'port [0-9]' "$work/server.out" || fail "the page server did not start"
    port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out" | head -n 1)
    {
        echo "[AI_Links]"
        for i in 1 2 3 4 5; do echo "Link$i=http://127.0.0.1:$port/rotate$i.html"; done
        echo "FSEnabled=1"
        echo "MMEnabled=0"
        echo "OTEnabled=0"
    } >"$work/rotator.ini"
    local started=$SECONDS
    HOME=$work/home "${clean_env[@]}" vantle --rotator --start --settings "$work/rotator.ini" \
        >"$work/rotator-run.log" 2>&1 &
    pid=$!
    if ! wait_for 60 grep -qs '"GET /rotate1.html' "$work/server.log"; then
        stop "$pid"
        stop "$server"
        fail "no request for the first rotation address within 60 s"
    fi
    local elapsed=$((SECONDS - started))
    stop "$pid"
    stop "$server"
    ((elapsed >= 19)) || fail "the first rotation address came after $elapsed s, before the interval"
    note "--rotator --start asked for the first rotation address after $elapsed s"
}

if [[ ${1:-} == --on-display ]]; then
    on_display "$2"
    exit 0
fi

cd "$(dirname "$0")/.."
build=${1:-build-package}
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
work=$(mktemp -d)
installed=false
cleanup() {
    if $installed; then $sudo apt-get remove -y -q vantle >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A package installs under /usr: the installed default's demo addresses name the prefix. A new
# folder gets no tests; an existing one (CI's build-test) keeps its own settings.
options=(-DCMAKE_INSTALL_PREFIX=/usr)
[[ -f $build/CMakeCache.txt ]] || options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTLE_TESTS=OFF)
cmake -S . -B "$build" "${options[@]}" >/dev/null
# cpack builds every target of the folder first: build them here, where failures show.
cmake --build "$build" -j"$(nproc)" >/dev/null
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/vantle_*.deb)
cp "$deb" "$build/"
note "built $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Version Installed-Size Depends Suggests | sed 's/^/  /'

note "lintian:"
lintian --display-info --pedantic "$deb" 2>/dev/null | sed 's/^/  /' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install failed"; }
installed=true
mapfile -t files < <(dpkg -L vantle)

version=$(dpkg-query -W -f='${Version}' vantle)
expected="Vantle ${version%-*}"
[[ $(vantle --version) == "$expected" ]] || fail "vantle --version: '$(vantle --version)', not '$expected'"
note "vantle --version: $expected"
desktop-file-validate /usr/share/applications/$app_id.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/$app_id.metainfo.xml >"$work/appstream.log" ||
    { cat "$work/appstream.log"; fail "appstreamcli validate"; }
note "desktop entry and metainfo are valid"
# Every demo address of the installed default opens an installed page and is kept within the
# 49 bytes that settings values are kept within.
while IFS='=' read -r key value; do
    [[ $value == file://* ]] || continue
    ((${#value} <= 49)) || fail "$key is ${#value} bytes, more than 49"
    [[ -f ${value#file://} ]] || fail "$key names a missing page: $value"
done < <(tr -d '\r' </usr/share/vantle/vt.ini)

xvfb-run -a -s "$screen" "$0" --on-display "$work"

DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -q vantle >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get remove failed"; }
installed=false
for path in "${files[@]}"; do
    # Folders shared with other packages (/usr/share/icons/...) stay; nothing of ours may.
    if [[ -e $path && ! -d $path ]] || [[ $path == */vantle && -e $path ]]; then
        fail "left after removal: $path"
    fi
done
leftovers=$(find /usr -path /usr/local -prune -o \( -iname '*vantle*' -print \))
[[ -z $leftovers ]] || fail "left after removal: $leftovers"
note "removal left nothing under /usr"
note "all checks passed"
