#!/bin/bash
# Refits beatfind's metrical-level weights on rendered lists and prints how each
# list scores when held out (see fit_levels.py).
#
# usage: bench/tempo/fit_levels.sh [LIST.csv ...]
#   default: the shared development list, fit.csv and wide.csv
# Renders each list into /tmp/velmora-tempo/<list name>/corpus when missing (as run.sh does).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shared=${SHARED:-$(cd "$root/../shared/bench/tempo" 2>/dev/null && pwd || echo /work/shared/bench/tempo)}
lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=("$shared/dev.csv" "$here/fit.csv" "$here/wide.csv")

command -v mma >/dev/null && command -v fluidsynth >/dev/null || DEBIAN_FRONTEND=noninteractive "$shared/install_deps.sh" >&2
build=$root/build-bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
cmake --build "$build" --target level_evidence -j2 >/dev/null

args=()
for list in "${lists[@]}"; do
    out=/tmp/velmora-tempo/$(basename "$list" .csv)
    python3 "$shared/make_corpus.py" "$list" "$out/corpus" >&2
    "$build/bench/level_evidence" "$out"/corpus/*.wav > "$out/level_evidence.csv"
    args+=("$list" "$out/level_evidence.csv")
done
python3 "$here/fit_levels.py" "${args[@]}"
