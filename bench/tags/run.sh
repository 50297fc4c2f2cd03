#!/usr/bin/env bash
# BPM tag writing benchmark: writes the BPM into 1,000 small generated MP3
# files with the program's writer and with a bare TagLib save loop (the
# floor), and prints both, their ratio and what the flush to disk costs.
# Usage: bench/tags/run.sh [build dir] [scratch dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
scratch=${2:-$(mktemp -d)}
trap 'rm -rf "$scratch/bench-tags"' EXIT
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_bpmwrite >/dev/null
mkdir -p "$scratch/bench-tags"
ffmpeg -v error -y -f lavfi -i sine=f=440:d=0.5 -id3v2_version 3 -metadata title=Song -metadata artist=Artist \
  -metadata album=Album "$scratch/bench-tags/seed.mp3"
for i in $(seq -w 1 1000); do cp "$scratch/bench-tags/seed.mp3" "$scratch/bench-tags/song$i.mp3"; done
rm "$scratch/bench-tags/seed.mp3"
echo "file size: $(stat -c %s "$scratch/bench-tags/song0001.mp3") bytes; folder on $(df --output=fstype "$scratch" | tail -1)"
"$build/bench/bench_bpmwrite" "$scratch/bench-tags"
