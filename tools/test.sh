#!/usr/bin/env bash
# Installs what is missing, builds everything, runs the settings fuzzer for a bounded number of
# inputs, then every test on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"

mkdir -p build-test
if ! fuzz/run.sh "runs=${VANTLE_FUZZ_RUNS:-300000}" >build-test/fuzz.log 2>&1; then
    tail -n 60 build-test/fuzz.log
    echo "settings fuzzer failed: see build-test/fuzz.log" >&2
    exit 1
fi
grep -E '^Done [0-9]+ runs' build-test/fuzz.log | sed 's/^/settings fuzzer: /'

export NO_AT_BRIDGE=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build-test --output-on-failure
