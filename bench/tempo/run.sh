#!/bin/bash
# Tempo bench: beatfind beside the open detectors, on the same files in one run, on every list;
# then each list held out of the level fit, the Alternative's rates and the preferred ranges;
# then the memory for a 13-minute song.
#
# usage: bench/tempo/run.sh [LIST.csv ...]
#   LIST.csv  corpus lists (default: the shared development list, fit.csv, wide.csv and the
#             shared Freedoom list)
# Environment: BEATFIND=path of a built beatfind (default: built here into build-bench/),
#   SHARED=the shared bench folder, OUT=where lists are rendered and results go (default
#   /tmp/velmora-tempo/<list name>), ANCHORS="qm aubio ..." to run fewer detectors.
#
# Installs the corpus generator's and detectors' Debian packages when missing
# (bench only, as root), renders each corpus once (later runs skip it), then
# prints per list the scorer's table, the Alternative's rates with the weights the
# analyser uses, and the median-time ratio of beatfind to Queen Mary's tracker.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/corpora.sh"
lists=("$@")
[ ${#lists[@]} -gt 0 ] || read -ra lists <<< "$(tempo_lists)"
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

bin=${BEATFIND:-}
if [ -z "$bin" ]; then
    build=$root/build-bench
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
    cmake --build "$build" --target beatfind -j2 >/dev/null
    bin=$build/Resources/beatfind
fi

for list in "${lists[@]}"; do
    name=$(basename "$list" .csv)
    corpus=$(tempo_render "$list")
    results=$OUT/$name/results
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

    echo "## $name ($list)"
    echo
    python3 "$(tempo_scorer "$list")" "$list" "$results"/*.csv | tee "$results/score.md"
    python3 - "$list" "$results" <<'PY'
import csv, os, statistics, sys
truth = {r["id"]: float(r["bpm"]) for r in csv.DictReader(open(sys.argv[1], newline=""))}
d = sys.argv[2]
runs = list(csv.DictReader(open(os.path.join(d, "beatfind.csv"), newline="")))
near = lambda v, t: bool(v) and abs(float(v) / t - 1.0) <= 0.04
wrong = [r for r in runs if r["id"] in truth and r["estimated_bpm"] and not near(r["estimated_bpm"], truth[r["id"]])]
right = [r for r in runs if r["id"] in truth and near(r["estimated_bpm"], truth[r["id"]])]
rescued = sum(near(r["alternative"], truth[r["id"]]) for r in wrong)
flagged = sum(bool(r["alternative"]) for r in right)
print("\nAlternative (its margin fitted on all lists, so in-sample): the right tempo on %d/%d wrong-level songs,"
      " a line on %d/%d right-level songs" % (rescued, len(wrong), flagged, len(right)))
def median_secs(path):
    with open(path, newline="") as f:
        return statistics.median(float(r["seconds"]) for r in csv.DictReader(f) if r["seconds"])
qm = os.path.join(d, "qm-tempotrackv2.csv")
if os.path.exists(qm):
    ours, theirs = median_secs(os.path.join(d, "beatfind.csv")), median_secs(qm)
    print("median s/file: beatfind %.3f, Queen Mary %.3f, ratio %.2f" % (ours, theirs, ours / theirs))
PY
    echo
done

echo "## Each list held out of the level fit"
echo
"$here/fit_levels.sh" "${lists[@]}"

echo
echo "## Memory for a 13-minute song"
long=$OUT/thirteen-minutes.wav
first=$(ls "$(tempo_render "${lists[0]}")"/*.wav | head -n 1)
[ -s "$long" ] || sox "$first" "$long" repeat 40 trim 0 780
printf "beatfind on %s (%s): " "$long" "$(soxi -d "$long")"
/usr/bin/time -f "%e s %M KB" "$bin" "$long" 2>&1 | tr '\n' ' '
echo
