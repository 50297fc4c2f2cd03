#!/usr/bin/env bash
# Times pcmdump against the ffmpeg tool on the same 4-minute MP3 and prints
# the medians and their ratio (target: pcmdump at most 1.2 x ffmpeg).
# Usage: bench/pcmdump/run.sh [build dir] [runs]
set -euo pipefail

build=${1:-/work/main/build}
runs=${2:-9}
target=1.2
pcmdump=$build/Resources/pcmdump
[[ -x $pcmdump ]] || { echo "no pcmdump at $pcmdump (build the pcmdump target first)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "the ffmpeg tool is needed" >&2; exit 2; }

cache=${PCMDUMP_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora-bench}
song=$cache/pcmdump-4min.mp3
if [[ ! -s $song ]]; then
  mkdir -p "$cache"
  # Stereo pink noise over a tone: busy enough to keep the MP3 decoder working like music does.
  ffmpeg -v error -y \
    -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:amplitude=0.3:duration=240:seed=1" \
    -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:amplitude=0.3:duration=240:seed=2" \
    -f lavfi -i "sine=frequency=220:sample_rate=44100:duration=240" \
    -filter_complex "[0][2]amix=inputs=2[l];[1][2]amix=inputs=2[r];[l][r]join=inputs=2:channel_layout=stereo" \
    -c:a libmp3lame -b:a 192k -f mp3 "$song.part"
  mv "$song.part" "$song"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now_ns() { date +%s%N; }

time_ffmpeg() {
  local start end
  start=$(now_ns)
  ffmpeg -v error -y -i "$song" -ac 2 -ar 44100 -c:a pcm_s16le "$work/ffmpeg.wav"
  end=$(now_ns)
  echo $(((end - start) / 1000))
}

time_pcmdump() {
  local start end output wav
  start=$(now_ns)
  output=$(TMPDIR=$work "$pcmdump" "$song")
  end=$(now_ns)
  wav=$(sed -n 's/^Location: //p' <<<"$output")
  [[ -s $wav ]] || { echo "pcmdump wrote no WAV file" >&2; exit 1; }
  rm -f "$wav"
  echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# One warm-up each, then alternate the two so that load on the machine hits both alike.
time_ffmpeg >/dev/null
time_pcmdump >/dev/null
ffmpeg_us=()
pcmdump_us=()
for ((i = 0; i < runs; i++)); do
  ffmpeg_us+=("$(time_ffmpeg)")
  pcmdump_us+=("$(time_pcmdump)")
done
ffmpeg_median=$(printf '%s\n' "${ffmpeg_us[@]}" | median)
pcmdump_median=$(printf '%s\n' "${pcmdump_us[@]}" | median)
ratio=$(awk -v p="$pcmdump_median" -v f="$ffmpeg_median" 'BEGIN { printf "%.3f", p / f }')

# Same decoder, same conversion: the samples should match ffmpeg's to the byte.
ffmpeg -v error -y -i "$song" -ac 2 -ar 44100 -c:a pcm_s16le -bitexact -map_metadata -1 "$work/reference.wav"
wav=$(TMPDIR=$work "$pcmdump" "$song" | sed -n 's/^Location: //p')
if cmp -s "$wav" "$work/reference.wav"; then same="identical to ffmpeg's"; else same="DIFFERS from ffmpeg's"; fi

echo "input: $song (4 min MP3, $runs runs each)"
echo "output: $same"
echo "ffmpeg  median: $((ffmpeg_median / 1000)) ms"
echo "pcmdump median: $((pcmdump_median / 1000)) ms"
if awk -v r="$ratio" -v t="$target" 'BEGIN { exit !(r <= t) }'; then
  echo "ratio pcmdump/ffmpeg: $ratio (target <= $target): met"
else
  echo "ratio pcmdump/ffmpeg: $ratio (target <= $target): NOT met"
  exit 1
fi
