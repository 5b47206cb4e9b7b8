#!/bin/sh
# Builds the settings file fuzzer with clang in its own build folder and runs it for a bounded
# time. Usage: fuzz/run.sh [SECONDS | runs=N] [extra libFuzzer options...]   (default: 60 seconds)
# The corpus grows in the build folder (VANTLE_FUZZ_BUILD, default build-fuzz) from run to run,
# starting from the seeds in fuzz/corpus (UTF-16 and byte-order-mark files among them); a failing
# input is saved there as crash-*, and build-fuzz/fuzz/settings_fuzz FILE replays it.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${VANTLE_FUZZ_BUILD:-$root/build-fuzz}
limit=${1:-60}
[ $# -gt 0 ] && shift

case "$limit" in
    runs=*) bound="-runs=${limit#runs=}" ;;
    *[!0-9]* | '') echo "usage: $0 [SECONDS | runs=N] [libFuzzer options...]" >&2; exit 2 ;;
    *) bound="-max_total_time=$limit" ;;
esac

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DVANTLE_FUZZ=ON \
    -DVANTLE_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target settings_fuzz -j2

corpus=$build/settings_fuzz_corpus
mkdir -p "$corpus"
cd "$build"
exec "$build/fuzz/settings_fuzz" "$bound" -dict="$here/settings.dict" -max_len=4096 \
    -print_final_stats=1 "$@" "$corpus" "$here/corpus"
