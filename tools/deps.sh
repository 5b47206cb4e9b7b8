#!/usr/bin/env bash
# Installs the Debian packages Vantle needs to build, run and test, when any is missing.
# Package names follow the release named in /etc/os-release (VANTLE_OS_RELEASE names another
# file, for trying this out); on a release it does not know, it lists them and stops.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    libwxgtk3.2-dev libwebkit2gtk-4.1-dev libegl-dev
    libcpp-httplib-dev libgtest-dev
    # The locale sources, for the test that reads numbers under a comma-decimal locale.
    locales
    xvfb xauth x11-utils
    # The settings fuzzer: clang and its own runtime, whichever version the release ships.
    clang libclang-rt-dev
    # The Debian package and its check (tools/check_package.sh); xdg-utils is its run-time helper
    file lintian desktop-file-utils appstream python3 xdg-utils
    # The web engine's sandbox for the pages' processes.
    bubblewrap xdg-dbus-proxy
    # Asking the X server whether it is Xwayland.
    libxrandr-dev
    # The desktop's idle time on X11, to step aside while a person uses the computer.
    libxss-dev
    # The Wayland session tests: GNOME's compositor nested in Xvfb or headless, with Xwayland and a
    # session bus; the remote-desktop portal and its GNOME dialog, answered through the
    # accessibility bus; a GTK window and the fake portal in Python.
    mutter xwayland dbus-daemon xdg-desktop-portal xdg-desktop-portal-gnome at-spi2-core
    python3-gi gir1.2-atspi-2.0 gir1.2-gtk-3.0
    # The README's pictures (tools/screenshots.sh): windows driven by xdotool, captured with Gdk.
    xdotool
)

# shellcheck source=/dev/null
release=$(. "${VANTLE_OS_RELEASE:-/etc/os-release}" && echo "${ID:-unknown} ${VERSION_ID:-}")
case $release in
    # The system-information program the About window starts: renamed in Debian 13.
    "debian 12") packages+=(hardinfo) ;;
    "debian 13") packages+=(hardinfo2) ;;
    *)
        {
            echo "tools/deps.sh: this system ($release) is not one Vantle knows how to set up:"
            echo "it is built and tested on Debian 12 and 13. Install these packages, or the ones"
            echo "your system calls by other names, then build with cmake as the README says:"
            echo "  ${packages[*]} hardinfo2"
        } >&2
        exit 1
        ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
