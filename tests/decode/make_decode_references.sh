#!/usr/bin/env bash
# Decodes the test clips with ffmpeg into reference data for the decoding
# tests (once; what exists is kept):
#   CLIP.yuyv          every frame slot as full-range YUY2 (none of the OpenDML
#                      clip) (ffmpeg's RGB decode
#                      converted with BT.601 weights, chroma pairs averaged;
#                      an empty chunk repeats the frame before it)
#   CLIP.bgr24         uncompressed clips: every frame slot as ffmpeg decodes it
#                      (top-down rows of 3 x width bytes)
#   CLIP.swapped.yuyv  the same with red and blue exchanged (MS Video 1 only)
#   CLIP.a0 / CLIP.a1  the first / second sound stream decoded, in the
#                      stream's own sample format for PCM, else 16-bit
#   CLIP.a0.s16        8-bit PCM sound as 16-bit
# and for the clips of the other uncompressed forms:
#   CLIP.bgr24         RGB and palette pictures: every frame as above
#   CLIP.yuyv          packed YUV pictures: every frame as YUY2, the bytes only
#                      reordered (no range or colour change); planar ones with
#                      each chroma row used for two rows (nearest neighbour)
#   CLIP.yuv420p       planar pictures: every frame's planes Y, U, V
#   CLIP.out16         the sound as 16-bit, stereo (down-mixed when it has
#                      more channels) or mono, at its rate
#   CLIP.out8m         the sound as 8-bit mono at its rate
# (MS ADPCM also gets CLIP.out8m: the reduced formats of the ACM Wrapper.)
set -euo pipefail
dir=${1:?usage: make_decode_references.sh CLIP-DIR}

make() {  # output, ffmpeg arguments...
  local out=$1
  shift
  [ -s "$out" ] && return 0
  ffmpeg -v error -nostdin -y "$@" "$out.part"
  mv "$out.part" "$out"
}

yuyv=(-fps_mode cfr -vf "scale=out_range=full:out_color_matrix=bt601:flags=area+accurate_rnd+full_chroma_int"
      -pix_fmt yuyv422 -f rawvideo)
swap="colorchannelmixer=rr=0:rb=1:br=1:bb=0"

for clip in "$dir"/*.avi; do
  name=${clip%.avi}
  case $(basename "$clip") in
    rgb*|pal8_*|mono_*)
      make "$name.yuyv" -i "$clip" -map 0:v:0 "${yuyv[@]}"
      make "$name.bgr24" -i "$clip" -map 0:v:0 -pix_fmt bgr24 -f rawvideo ;;
    uyvy_*|yvyu_*|yuy2_*) make "$name.yuyv" -i "$clip" -map 0:v:0 -pix_fmt yuyv422 -f rawvideo ;;
    i420_*|yv12_*|iyuv_*)
      make "$name.yuyv" -i "$clip" -map 0:v:0 -vf scale=flags=neighbor -pix_fmt yuyv422 -f rawvideo
      make "$name.yuv420p" -i "$clip" -map 0:v:0 -pix_fmt yuv420p -f rawvideo ;;
    *_long.avi) ;;  # three minutes of pictures: used for its sound only
    *_odml.avi) ;;  # a gigabyte of pictures: its chunks are the reader's tests'
    msvc_*)
      make "$name.yuyv" -i "$clip" -map 0:v:0 "${yuyv[@]}"
      make "$name.swapped.yuyv" -i "$clip" -map 0:v:0 -fps_mode cfr \
        -vf "$swap,scale=out_range=full:out_color_matrix=bt601:flags=area+accurate_rnd+full_chroma_int" \
        -pix_fmt yuyv422 -f rawvideo ;;
    raw_*)
      make "$name.yuyv" -i "$clip" -map 0:v:0 "${yuyv[@]}"
      make "$name.bgr24" -i "$clip" -map 0:v:0 -fps_mode cfr -pix_fmt bgr24 -f rawvideo ;;
    *) make "$name.yuyv" -i "$clip" -map 0:v:0 "${yuyv[@]}" ;;
  esac
  case $(basename "$clip") in
    rgb*|pal8_*|mono_*|uyvy_*|yvyu_*|yuy2_*|i420_*|yv12_*|iyuv_*) streams="" ;;  # below
    *) streams=$(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 "$clip") ;;
  esac
  n=0
  for codec in $streams; do
    case $codec in
      pcm_u8) format=(-c:a pcm_u8 -f u8) ;;
      *) format=(-c:a pcm_s16le -f s16le) ;;
    esac
    make "$name.a$n" -i "$clip" -map "0:a:$n" "${format[@]}"
    if [ "$codec" = pcm_u8 ]; then
      make "$name.a$n.s16" -i "$clip" -map "0:a:$n" -c:a pcm_s16le -f s16le
    fi
    n=$((n + 1))
  done
  case $(basename "$clip") in
    cinepak_msadpcm.avi)
      make "$name.out8m" -i "$clip" -map 0:a:0 -ac 1 -c:a pcm_u8 -f u8 ;;
    rgb*|pal8_*|mono_*|uyvy_*|yvyu_*|yuy2_*|i420_*)
      channels=$(ffprobe -v error -select_streams a:0 -show_entries stream=channels -of csv=p=0 "$clip")
      make "$name.out16" -i "$clip" -map 0:a:0 -ac $((channels > 1 ? 2 : 1)) -c:a pcm_s16le -f s16le
      make "$name.out8m" -i "$clip" -map 0:a:0 -ac 1 -c:a pcm_u8 -f u8 ;;
  esac
done
