#!/usr/bin/env bash
# Installs what is missing, builds Vantle and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTLE_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target vantle
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    # The first free display number, so a virtual display left running elsewhere is no obstacle.
    echo "No display: starting Vantle on a virtual one." >&2
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/vantle
fi
exec build/vantle
