#!/bin/bash
# Folder import benchmark: makes a music folder of 10,000 small tagged files
# (MP3, M4A, FLAC, Ogg Vorbis, Opus, WAV and AIFF: a few hundred made by
# ffmpeg with their own tags, copied into nested folders), then prints the
# import's time beside the floor (one bare TagLib loop over the same files),
# its longest event-loop turn and its peak memory.
#
# usage: bench/folders/run.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  build tree (default: build-bench beside the sources, configured as
#              Release when new; the benchmark target is built there)
#   WORK_DIR   the generated folder (default: /tmp/velmora-folders-bench)
# Environment: FILES=10000 to choose the number of files.
# Targets: the import within 1.5 x the floor, no turn over 50 ms.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-bench}
work=${2:-/tmp/velmora-folders-bench}
files=${FILES:-10000}

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_folderimport >/dev/null

music=$work/music-$files
if [ ! -f "$music/.complete" ]; then
    rm -rf "$music" "$work/templates"
    mkdir -p "$music" "$work/templates"
    formats=(mp3 m4a flac ogg opus wav aiff)
    n=0
    for format in "${formats[@]}"; do
        for i in $(seq 1 30); do
            ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=0.5" \
                -metadata title="Song $i ($format)" -metadata artist="Artist $((i % 7))" \
                -metadata album="Album $((i % 5))" -metadata genre=Bench -metadata TBPM=$((80 + i)) \
                -metadata BPM=$((80 + i)) -metadata tmpo=$((80 + i)) -write_id3v2 1 \
                "$work/templates/t$n.$format" 2>/dev/null ||
                ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=0.5" \
                    -metadata title="Song $i ($format)" -metadata BPM=$((80 + i)) "$work/templates/t$n.$format"
            n=$((n + 1))
        done
    done
    templates=("$work"/templates/*)
    for ((k = 0; k < files; k++)); do
        t=${templates[$((k % ${#templates[@]}))]}
        dir="$music/artist$((k % 50))/album$((k % 7))"
        [ -d "$dir" ] || mkdir -p "$dir"
        cp "$t" "$dir/track$k.${t##*.}"
    done
    touch "$music/.complete"
fi

echo "== $files files in $music ($(du -sh "$music" | cut -f1))"
"$build/bin/bench_folderimport" "$music"
