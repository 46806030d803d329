#!/usr/bin/env bash
# Writes ffmpeg's view of the playback tests' clips beside them, for the
# Windows tests that cannot run ffmpeg themselves:
#   CLIP.info  "width height frames tone" and then the keyframes, one a line
#   CLIP.rgb   every frame decoded to top-down RGB24
# The tone is the strongest frequency of the sound's first channel (0 when
# the clip has no sound), found by tests/shell/tone.py.
set -euo pipefail
dir=${1:?usage: make_references.sh CLIPDIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

for clip in cinepak_pcm16.avi raw_mp3.avi msvc_silent.avi; do
  path="$dir/$clip"
  [ -f "$path" ] || { echo "make_references: no $clip, skipped" >&2; continue; }
  [ "$path.info" -nt "$path" ] && [ -f "$path.rgb" ] && continue
  IFS=x read -r width height < <(ffprobe -v error -select_streams v:0 \
    -show_entries stream=width,height -of csv=p=0:s=x "$path")
  ffmpeg -v error -y -i "$path" -map 0:v:0 -f rawvideo -pix_fmt rgb24 "$path.rgb"
  frames=$(( $(stat -c %s "$path.rgb") / (width * height * 3) ))
  tone=0
  if ffprobe -v error -select_streams a:0 -show_entries stream=index -of csv=p=0 "$path" | grep -q .; then
    tone=$(ffmpeg -v error -i "$path" -map 0:a:0 -ac 1 -ar 44100 -f s16le - | python3 "$here/tone.py" 44100)
  fi
  {
    echo "$width $height $frames $tone"
    ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$path" |
      awk '{ if (index($0, "K") > 0) print NR - 1 }'
  } > "$path.info"
done
