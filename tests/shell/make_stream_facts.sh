#!/usr/bin/env bash
# Writes ffprobe's figures for the dialog tests' clips beside them, as
# CLIP.streams: key=value lines ("-of flat" keys such as
# streams.stream.0.width) and the byte count of each stream's packets
# (video_bytes, audio_bytes), for the Windows tests that cannot run ffprobe.
set -euo pipefail
dir=${1:?usage: make_stream_facts.sh CLIPDIR}

stream_bytes() {  # clip selector
  ffprobe -v error -select_streams "$2" -show_entries packet=size -of csv=p=0 "$1" |
    awk '{ sum += $1 } END { print sum + 0 }'
}

for clip in cinepak_pcm16.avi msvc_ima.avi; do
  path="$dir/$clip"
  [ -f "$path" ] || { echo "make_stream_facts: no $clip, skipped" >&2; continue; }
  [ "$path.streams" -nt "$path" ] && continue
  {
    ffprobe -v error -show_entries stream=codec_type,codec_tag_string,codec_tag,width,height,nb_frames,r_frame_rate,sample_rate,channels,bits_per_sample,bit_rate \
      -of flat "$path"
    echo "video_bytes=$(stream_bytes "$path" v:0)"
    echo "audio_bytes=$(stream_bytes "$path" a:0)"
  } > "$path.streams.part"
  mv "$path.streams.part" "$path.streams"
done
