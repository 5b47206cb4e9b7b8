#!/usr/bin/env bash
# Installs the Debian 12 packages Vantle needs to build, run and test, when any is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    libwxgtk3.2-dev libwebkit2gtk-4.0-dev libegl-dev
    libcpp-httplib-dev libgtest-dev
    xvfb xauth x11-utils
    clang libclang-rt-14-dev
    hardinfo
    # The Debian package and its check (tools/check_package.sh); xdg-utils is its run-time helper
    file lintian desktop-file-utils appstream python3 xdg-utils
    # The web engine's sandbox for the pages' processes.
    bubblewrap xdg-dbus-proxy
    # Asking the X server whether it is Xwayland.
    libxrandr-dev
    # The Wayland session test: GNOME's compositor nested in Xvfb, with Xwayland and a session bus.
    mutter xwayland dbus-daemon
)

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
