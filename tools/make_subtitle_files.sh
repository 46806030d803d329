#!/usr/bin/env bash
# Converts a MicroDVD subtitle file with ffmpeg, at each video rate given,
# into a MicroDVD file of ffmpeg's writing and a SubRip file, for the tests
# that read both and expect the same timed texts:
#
#   tools/make_subtitle_files.sh SOURCE.sub DIR RATE...    (RATE as 25 or 30000/1001)
#
# makes DIR/NAME_R.sub and DIR/NAME_R.srt, R the rate with '/' as '_', and
# copies the source to DIR.
#
# ffmpeg has no MicroDVD encoder; its MicroDVD muxer rewrites the source's
# packets (sorted by time). The SubRip file is ffmpeg's own conversion of the
# frames into times. It is written 10 ms late: a time exactly on a frame's
# start reads back as that frame or the one before, depending on how the
# seconds round in a float, and 10 ms (a quarter frame or more at the rates
# used) keeps every time well inside its frame.
set -euo pipefail
source=${1:?usage: make_subtitle_files.sh SOURCE.sub DIR RATE...}
dir=${2:?usage: make_subtitle_files.sh SOURCE.sub DIR RATE...}
shift 2
mkdir -p "$dir"
name=$(basename "$source" .sub)
cp "$source" "$dir/$name.sub"
for rate in "$@"; do
  out="$dir/${name}_${rate//\//_}"
  if [ "$out.sub" -nt "$source" ] && [ "$out.srt" -nt "$source" ]; then continue; fi
  ffmpeg -v error -nostdin -y -subfps "$rate" -i "$source" -c:s copy -f microdvd "$out.sub.part"
  ffmpeg -v error -nostdin -y -subfps "$rate" -i "$source" -output_ts_offset 0.01 -c:s subrip \
    -f srt "$out.srt.part"
  mv "$out.sub.part" "$out.sub"
  mv "$out.srt.part" "$out.srt"
done
