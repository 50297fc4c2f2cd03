#!/usr/bin/env bash
# Library file benchmark: read, longest turn, peak memory and Save for 10k and
# 100k songs; the table's sorts and BPM changes, and the filter bar, at 100k songs.
# Usage: bench/library/run.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_libraryfile bench_table bench_filter >/dev/null
for songs in 10000 100000; do
  "$build/bench/bench_libraryfile" "$songs" 2>/dev/null
done
"$build/bench/bench_table" 100000 2>/dev/null
"$build/bench/bench_filter" 100000 2>/dev/null
