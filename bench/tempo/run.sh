#!/bin/bash
# Tempo bench: beatfind beside the open detectors, on the same files in one run.
#
# usage: bench/tempo/run.sh [LIST.csv] [OUT_DIR]
#   LIST.csv  corpus list (default: the shared development list dev.csv)
#   OUT_DIR   rendered corpus and results (default: /tmp/velmora-tempo/<list name>)
# Environment: BEATFIND=path of a built beatfind (default: built here into
#   build-bench/), SHARED=the shared bench folder, ANCHORS="qm aubio ..." to run fewer.
#
# Installs the corpus generator's and detectors' Debian packages when missing
# (bench only, as root), renders the corpus once (later runs skip it), then
# prints score.py's table and the median-time ratio of beatfind to Queen Mary's tracker.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shared=${SHARED:-$(cd "$root/../shared/bench/tempo" 2>/dev/null && pwd || echo /work/shared/bench/tempo)}
list=${1:-$shared/dev.csv}
name=$(basename "$list" .csv)
out=${2:-/tmp/velmora-tempo/$name}
corpus=$out/corpus
results=$out/results
anchors=${ANCHORS:-"qm qm-mean aubio aubio-beat-median bpm-tools bpm-tools-50-200 soundstretch"}

missing=0
for tool in mma fluidsynth ffmpeg sox aubio bpm soundstretch; do
    command -v "$tool" >/dev/null || missing=1
done
[ -e /usr/include/qm-dsp/dsp/tempotracking/TempoTrackV2.h ] || missing=1
if [ $missing = 1 ]; then
    echo "installing the bench's Debian packages" >&2
    DEBIAN_FRONTEND=noninteractive "$shared/install_deps.sh" >&2
fi

python3 "$shared/make_corpus.py" "$list" "$corpus" >&2

bin=${BEATFIND:-}
if [ -z "$bin" ]; then
    build=$root/build-bench
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
    cmake --build "$build" --target beatfind -j2 >/dev/null
    bin=$build/Resources/beatfind
fi

mkdir -p "$results"
rm -f "$results"/*.csv
"$here/beatfind.sh" "$bin" "$corpus" > "$results/beatfind.csv"
for a in $anchors; do
    case $a in
        qm) "$shared/anchors/qm.sh" "$corpus" > "$results/qm-tempotrackv2.csv" ;;
        qm-mean) "$shared/anchors/qm.sh" "$corpus" MeanBPM > "$results/qm-tempotrackv2-mean.csv" ;;
        aubio) "$shared/anchors/aubio.sh" "$corpus" > "$results/aubio.csv" ;;
        aubio-beat-median) "$shared/anchors/aubio.sh" "$corpus" beat-median > "$results/aubio-beat-median.csv" ;;
        bpm-tools) "$shared/anchors/bpmtools.sh" "$corpus" > "$results/bpm-tools.csv" ;;
        bpm-tools-50-200) "$shared/anchors/bpmtools.sh" "$corpus" -m 50 -x 200 > "$results/bpm-tools-50-200.csv" ;;
        soundstretch) "$shared/anchors/soundstretch.sh" "$corpus" > "$results/soundstretch.csv" ;;
        *) echo "unknown anchor $a" >&2; exit 2 ;;
    esac
done

python3 "$shared/score.py" "$list" "$results"/*.csv | tee "$results/score.md"
python3 - "$results" <<'PY'
import csv, os, statistics, sys
def median_secs(path):
    with open(path, newline="") as f:
        return statistics.median(float(r["seconds"]) for r in csv.DictReader(f) if r["seconds"])
d = sys.argv[1]
qm = os.path.join(d, "qm-tempotrackv2.csv")
if os.path.exists(qm):
    ours, theirs = median_secs(os.path.join(d, "beatfind.csv")), median_secs(qm)
    print("\nmedian s/file: beatfind %.3f, Queen Mary %.3f, ratio %.2f" % (ours, theirs, ours / theirs))
PY
