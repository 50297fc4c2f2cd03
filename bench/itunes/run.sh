#!/bin/bash
# iTunes import, merge and undo benchmarks: generates iTunes library files of
# 10k and 100k tracks, then prints the import figures for each and the merge
# and undo figures for the larger one.
#
# usage: bench/itunes/run.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  build tree (default: build-bench beside the sources, configured as
#              Release when new; the benchmark targets are built there)
#   WORK_DIR   generated files and the benchmark's HOME (default: /tmp/velmora-itunes-bench)
# Environment: SIZES="10000 100000" to choose the library sizes.
# Targets for 100k tracks: import under 2.5 x the floor, no turn over 50 ms,
# peak memory under 800 MB; merge under 1 s; undo of the import, or of a
# 10,000-song BeatFind run, within 1 s, no turn over 50 ms, the import's step
# under 50 MB.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-bench}
work=${2:-/tmp/velmora-itunes-bench}
sizes=${SIZES:-"10000 100000"}

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target itunes_generate_library bench_itunes_import bench_itunes_merge bench_itunes_undo >/dev/null

export QT_QPA_PLATFORM=offscreen
last=
for size in $sizes; do
    home=$work/$size
    library="$home/Music/iTunes/iTunes Music Library.xml"
    mkdir -p "$(dirname "$library")"
    [ -s "$library" ] || "$build/bin/itunes_generate_library" "$size" "$library"
    echo "== $size tracks"
    HOME=$home XDG_CONFIG_HOME=$home/.config "$build/bin/bench_itunes_import"
    last=$home
done
echo "== merge"
HOME=$last XDG_CONFIG_HOME=$last/.config "$build/bin/bench_itunes_merge"
echo "== undo"
HOME=$last XDG_CONFIG_HOME=$last/.config "$build/bin/bench_itunes_undo"
