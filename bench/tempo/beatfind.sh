#!/bin/bash
# Runner for our analyser in the anchors' format, plus the Alternative line's value:
# id,estimated_bpm,seconds,alternative per CORPUS_DIR/*.wav.
# usage: beatfind.sh BEATFIND_BINARY CORPUS_DIR
set -u
bin=${1:?usage: beatfind.sh BEATFIND_BINARY CORPUS_DIR}
dir=${2:?usage: beatfind.sh BEATFIND_BINARY CORPUS_DIR}
echo "id,estimated_bpm,seconds,alternative"
for f in "$dir"/*.wav; do
    t0=$(date +%s.%N)
    out=$("$bin" "$f" 2>/dev/null)
    t1=$(date +%s.%N)
    bpm=$(printf '%s\n' "$out" | sed -n 's/^BPM: \([0-9.]*\).*/\1/p' | tail -n 1)
    alternative=$(printf '%s\n' "$out" | sed -n 's/^Alternative: \([0-9.]*\).*/\1/p' | tail -n 1)
    echo "$(basename "$f" .wav),$bpm,$(awk "BEGIN{printf \"%.3f\", $t1 - $t0}"),$alternative"
done
