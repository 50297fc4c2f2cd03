#!/bin/bash
# BeatFind at machine speed: 32 generated songs of 2 to 4 minutes (MP3 and
# M4A, a click on every beat over a low tone), analysed through the real
# window (offscreen) and through velmora-bpm, one at a time and with one job
# per core. Prints songs per minute, the ratio of the two, the window's
# longest event-loop turn, and the floor: decoding the same files with
# `ffmpeg -f null` at the same parallelism.
#
# usage: bench/analysis/run.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  build tree (default: build-bench beside the sources, configured
#              as Release when new; the targets needed are built there)
#   WORK_DIR   the generated songs and the benchmark's HOME
#              (default: /tmp/velmora-analysis-bench)
# Environment: SONGS=32 to change the number of songs, JOBS="1 2" to choose
# the job counts (default: 1 and the number of cores).
# Targets on a 2-core machine: with 2 jobs at least 1.8 x the songs per
# minute of 1 job; the window's longest turn under 50 ms.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-bench}
work=${2:-/tmp/velmora-analysis-bench}
count=${SONGS:-32}
cores=$(nproc)
jobs=${JOBS:-"1 $cores"}

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_beatfindwindow velmora-bpm pcmdump beatfind >/dev/null

mkdir -p "$work/songs" "$work/home"
# A click every beat over a low tone: one beat generated, then looped.
generate() {
    local song=$1 bpm=$2 seconds=$3
    local period
    period=$(awk -v b="$bpm" 'BEGIN { printf "%.6f", 60 / b }')
    nice ffmpeg -nostdin -loglevel error -y \
        -f lavfi -i "sine=frequency=1200:duration=0.04:sample_rate=44100,apad=whole_dur=$period,aloop=loop=-1:size=$(awk -v p="$period" 'BEGIN { printf "%d", p * 44100 }'),atrim=duration=$seconds" \
        -f lavfi -i "sine=frequency=110:sample_rate=44100:duration=$seconds" \
        -filter_complex "[0][1]amix=inputs=2:weights=3 1" -ac 2 "${song%.*}.part.${song##*.}" &&
        mv "${song%.*}.part.${song##*.}" "$song"
}
songs=()
pending=()
for ((i = 0; i < count; i++)); do
    seconds=$((120 + i * 120 / (count > 1 ? count - 1 : 1)))
    bpm=$((84 + (i * 7) % 70))
    if ((i % 2)); then ext=m4a; else ext=mp3; fi
    song="$work/songs/song$i-${bpm}bpm.$ext"
    [ -s "$song" ] || pending+=("$song $bpm $seconds")
    songs+=("$song")
done
for job in "${pending[@]}"; do
    # shellcheck disable=SC2086
    generate $job &
    while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n; done
done
wait
echo "songs: $count files, $(du -shc "${songs[@]}" | tail -1 | cut -f1), 2 to 4 minutes each; cores: $cores"

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=offscreen
load() { cut -d' ' -f1-3 /proc/loadavg; }

# Songs per minute of one command over all songs.
rate() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>"$work/last.err" || { cat "$work/last.err" >&2; return 1; }
    end=$(date +%s.%N)
    echo "$count $start $end" | awk '{ printf "%.1f", $1 / ($3 - $2) * 60 }'
}

declare -A window cli floor
for n in $jobs; do
    echo "load average before $n job(s): $(load)"
    floor[$n]=$(rate sh -c 'printf "%s\0" "$0" "$@" | xargs -0 -P '"$n"' -I{} ffmpeg -nostdin -loglevel error -i {} -f null -' "${songs[@]}")
    cli[$n]=$(rate "$build/bin/velmora-bpm" -j "$n" "${songs[@]}")
    "$build/bin/bench_beatfindwindow" "$n" "${songs[@]}" >/dev/null 2>"$work/window.err" || true
    grep '^window' "$work/window.err"
    window[$n]=$(sed -n 's/.*songs\/min=\([0-9.]*\).*/\1/p' "$work/window.err")
    echo "jobs=$n  floor (ffmpeg -f null) songs/min=${floor[$n]}  velmora-bpm songs/min=${cli[$n]}  window songs/min=${window[$n]}"
done
echo "load average after: $(load)"

set -- $jobs
if [ $# -ge 2 ]; then
    first=$1
    last=${!#}
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
    echo "ratio jobs=$last / jobs=$first: floor $(ratio "${floor[$last]}" "${floor[$first]}")x," \
         "velmora-bpm $(ratio "${cli[$last]}" "${cli[$first]}")x, window $(ratio "${window[$last]}" "${window[$first]}")x"
fi
