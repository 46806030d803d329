#!/usr/bin/env bash
# Decoding throughput, in frames per second, of each test clip through the
# DirectShow decoder under Wine, against ffmpeg's native decode of the same
# clip measured in the same run (these machines are noisy: compare ratios).
#
#   bench/decode_throughput.sh [BUILD-DIR]      (default: build)
#
# Needs the Windows tree built (BUILD-DIR/win, target decode_throughput).
# "sequential" reads every frame in order; "keyframes" reads the keyframes
# only, in random order (each read starts again at a keyframe). ffmpeg's
# keyframe figure decodes with -skip_frame nokey.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/win_tree.sh"

names=(raw_pcm16 cinepak_pcm16 cinepak_mp3 msvc_silent msvc_pcm8)
paths=()
for n in "${names[@]}"; do paths+=("$(win_clip "$n")"); done

ours=$(win_run tests/decode/decode_throughput.exe "${paths[@]}" | grep '\.avi ')

# Frames per second of ffmpeg's own timing (-benchmark rtime: the decoding
# loop without the process start), one thread like ours, converting to YUY2
# like ours, the clip decoded 50 times over so that the run is long enough.
ffmpeg_fps() {  # clip frames-per-pass [extra decoder options]
  local clip=$1 frames=$2
  shift 2
  local best=0
  for _ in 1 2 3; do
    local seconds
    seconds=$(ffmpeg -hide_banner -nostats -nostdin -benchmark -threads 1 -stream_loop 49 "$@" -i "$clip" \
                -map 0:v:0 -pix_fmt yuyv422 -f null - 2>&1 | sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p')
    best=$(awk -v f="$((frames * 50))" -v s="$seconds" -v b="$best" \
             'BEGIN { r = s > 0 ? f / s : 0; print (r > b ? r : b) }')
  done
  echo "$best"
}

printf '%-16s %7s %9s | %12s %12s %7s | %12s %12s %7s\n' clip frames keyframes \
  "ours seq" "ffmpeg seq" ratio "ours key" "ffmpeg key" ratio
while read -r path frames keyframes sequential random; do
  name=$(basename "${path//\\//}" .avi)
  clip="$clips/$name.avi"
  ff_seq=$(ffmpeg_fps "$clip" "$frames")
  ff_key=$(ffmpeg_fps "$clip" "$keyframes" -skip_frame nokey)
  awk -v n="$name" -v f="$frames" -v k="$keyframes" -v s="$sequential" -v fs="$ff_seq" \
      -v r="$random" -v fk="$ff_key" 'BEGIN {
        printf "%-16s %7d %9d | %12.1f %12.1f %7.3f | %12.1f %12.1f %7.3f\n",
               n, f, k, s, fs, s / fs, r, fk, r / fk }'
done <<<"$ours"
