#!/bin/bash
# Refits beatfind's metrical-level weights and doubt margin on rendered lists and
# prints each list's figures when held out (see fit_levels.py), with the Acc1 a
# preferred range of 70-140 or 80-160 BPM gives.
#
# usage: bench/tempo/fit_levels.sh [LIST.csv ...]
#   default: the shared development list, fit.csv, wide.csv and the Freedoom list
# Renders each list into OUT/<list name>/corpus when missing (as run.sh does).
# Environment: FEATURES=NAME,... (fit_levels.py's names) to fit another set of evidence.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/corpora.sh"
lists=("$@")
[ ${#lists[@]} -gt 0 ] || read -ra lists <<< "$(tempo_lists)"

command -v mma >/dev/null && command -v fluidsynth >/dev/null || DEBIAN_FRONTEND=noninteractive "$shared/install_deps.sh" >&2
build=$root/build-bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
cmake --build "$build" --target level_evidence -j2 >/dev/null

args=()
for list in "${lists[@]}"; do
    corpus=$(tempo_render "$list")
    evidence=$OUT/$(basename "$list" .csv)/level_evidence.csv
    nice "$build/bench/level_evidence" "$corpus"/*.wav > "$evidence"
    args+=("$list" "$evidence")
done
/usr/bin/python3 "$here/fit_levels.py" --features "${FEATURES:-all}" --ranges 70-140,80-160 "${args[@]}"
