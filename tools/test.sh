#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test on a virtual X display,
# then runs the settings fuzzer for a bounded number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"
export NO_AT_BRIDGE=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build-test --output-on-failure
fuzz/run.sh "runs=${VANTLE_FUZZ_RUNS:-300000}"
