#!/usr/bin/env bash
# Makes the test clips with ffmpeg into the given directory (once: clips that
# are already there are kept), each with the list of its packets as ffmpeg's
# own AVI demuxer reads them, for the tests that check our parser against it.
#
#   tools/make_clips.sh DIR
#
# Every clip shows ffmpeg's moving test picture (testsrc) and, where it has
# sound, a sine tone of the frequency given:
#
#   cinepak_pcm16.avi    Cinepak 160x120 15 fps 4 s; PCM 16-bit 22,050 Hz stereo; 1000 Hz
#   cinepak_mp3.avi      Cinepak 320x240 15 fps 2 s; MP3 44,100 Hz stereo 128 kb/s; 1000 Hz
#                        (variable-size audio chunks, and some empty video chunks)
#   cinepak_msadpcm.avi  Cinepak 160x120 15 fps 3 s; MS ADPCM 22,050 Hz stereo; 1000 Hz
#   msvc_pcm8.avi        MS Video 1 (MSVC) 320x240 15 fps 4 s; PCM 8-bit 11,025 Hz mono; 1000 Hz
#   msvc_ima.avi         MS Video 1 (MSVC) 160x120 15 fps 3 s; IMA ADPCM 22,050 Hz mono; 1000 Hz
#   msvc_silent.avi      MS Video 1 (MSVC) 160x120 15 fps 3 s; no sound
#   msvc_two_audio.avi   MS Video 1 (MSVC) 160x120 15 fps 3 s; two PCM 16-bit 22,050 Hz mono
#                        streams: 1000 Hz first, 2000 Hz second
#   raw_pcm16.avi        uncompressed BGR24 (top-down) 160x120 15 fps 3 s; PCM 16-bit 44,100 Hz
#                        stereo; 1000 Hz
#   raw_mp3.avi          uncompressed BGR24 (top-down) 160x120 10 fps 3 s; MP3 22,050 Hz mono
#                        64 kb/s; 1000 Hz
#   raw_pcm8.avi         uncompressed BGR24 (top-down) 202x150 12 fps 3 s (rows of 606 bytes);
#                        PCM 8-bit 8,000 Hz mono; 440 Hz
#   raw_mp3_odd.avi      uncompressed BGR24 (top-down) 200x150 12 fps 3 s; MP3 44,100 Hz stereo
#                        128 kb/s; 1000 Hz
#   raw_120fps.avi       uncompressed BGR24 (top-down) 64x48 120 fps 2 s; PCM 16-bit 44,100 Hz
#                        stereo; 1000 Hz (more sound blocks than one wait takes events)
#   raw_240fps.avi       the same at 240 fps
#   cinepak_odd.avi      Cinepak 204x148 29.97 fps 2 s; no sound
#   msvc_ima_long.avi    MS Video 1 (MSVC) 160x120 10 fps 180 s; IMA ADPCM 22,050 Hz mono; 1000 Hz
#   raw_pcm16_odml.avi   uncompressed BGR24 (top-down) 1280x720 25 fps 16 s (400 frames); PCM
#                        16-bit 22,050 Hz stereo; 1000 Hz. 1.03 GiB: past ffmpeg's 1 GiB RIFF
#                        size, so an OpenDML file (a RIFF "AVI " and a RIFF "AVIX" part, indx
#                        and ix## indexes, dmlh). 5 to 10 s to make (with its packet list) and
#                        1.1 GB of disk.
#
# Beside each CLIP, CLIP.packets: one line per packet in file order, as
# ffprobe prints them (compact, with keys):
#   codec_type=video|stream_index=0|dts=0|size=9853|pos=10438|flags=K_|data_hash=MD5:5fa0...
# Note that ffmpeg leaves out empty chunks, and cuts PCM chunks into packets
# of its own size; pos is the file position of a packet's first byte.
#
# To add a clip: one clip line below; name it after its codecs.
set -euo pipefail
dir=${1:?usage: make_clips.sh DIR}
mkdir -p "$dir"

picture() {  # size rate seconds
  echo -f lavfi -i "testsrc=size=$1:rate=$2" -t "$3"
}
tone() {  # frequency sample-rate
  echo -f lavfi -i "sine=frequency=$1:sample_rate=$2"
}

# clip NAME FFMPEG-ARGUMENTS...: makes NAME and NAME.packets unless both exist.
clip() {
  local name=$1
  shift
  local out="$dir/$name"
  if [ -s "$out" ] && grep -q 'pos=' "$out.packets" 2>/dev/null; then return 0; fi
  ffmpeg -v error -nostdin -y "$@" -f avi "$out.part"
  ffprobe -v error -show_entries packet=codec_type,stream_index,dts,size,pos,flags,data_hash \
    -show_data_hash md5 -of compact=p=0 "$out.part" >"$out.packets.part"
  mv "$out.part" "$out"
  mv "$out.packets.part" "$out.packets"
}

cinepak=(-c:v cinepak -g 12)  # a keyframe every 12 frames
msvc=(-c:v msvideo1 -vtag MSVC)
raw=(-c:v rawvideo -pix_fmt bgr24)

# The Cinepak encoder is slow: its clips are made beside the others.
clip cinepak_pcm16.avi $(picture 160x120 15 4) $(tone 1000 22050) -t 4 \
  "${cinepak[@]}" -c:a pcm_s16le -ac 2 &
beside=$!
clip cinepak_mp3.avi $(picture 320x240 15 2) $(tone 1000 44100) -t 2 \
  "${cinepak[@]}" -c:a libmp3lame -b:a 128k -ac 2
wait "$beside"
clip cinepak_msadpcm.avi $(picture 160x120 15 3) $(tone 1000 22050) -t 3 \
  "${cinepak[@]}" -c:a adpcm_ms -ac 2 &
beside=$!
clip msvc_pcm8.avi $(picture 320x240 15 4) $(tone 1000 11025) -t 4 \
  "${msvc[@]}" -c:a pcm_u8 -ac 1
clip msvc_ima.avi $(picture 160x120 15 3) $(tone 1000 22050) -t 3 \
  "${msvc[@]}" -c:a adpcm_ima_wav -ac 1
clip msvc_silent.avi $(picture 160x120 15 3) "${msvc[@]}" -an
clip msvc_two_audio.avi $(picture 160x120 15 3) $(tone 1000 22050) $(tone 2000 22050) -t 3 \
  -map 0:v -map 1:a -map 2:a "${msvc[@]}" -c:a pcm_s16le -ac 1
clip raw_pcm16.avi $(picture 160x120 15 3) $(tone 1000 44100) -t 3 \
  "${raw[@]}" -c:a pcm_s16le -ac 2
clip raw_mp3.avi $(picture 160x120 10 3) $(tone 1000 22050) -t 3 \
  "${raw[@]}" -c:a libmp3lame -b:a 64k -ac 1
clip raw_pcm8.avi $(picture 202x150 12 3) $(tone 440 8000) -t 3 \
  "${raw[@]}" -c:a pcm_u8 -ac 1
clip raw_mp3_odd.avi $(picture 200x150 12 3) $(tone 1000 44100) -t 3 \
  "${raw[@]}" -c:a libmp3lame -b:a 128k -ac 2
for fps in 120 240; do
  clip raw_${fps}fps.avi $(picture 64x48 $fps 2) $(tone 1000 44100) -t 2 "${raw[@]}" -c:a pcm_s16le -ac 2
done
clip cinepak_odd.avi $(picture 204x148 30000/1001 2) "${cinepak[@]}" -an
clip msvc_ima_long.avi $(picture 160x120 10 180) $(tone 1000 22050) -t 180 \
  "${msvc[@]}" -c:a adpcm_ima_wav -ac 1
wait "$beside"
clip raw_pcm16_odml.avi $(picture 1280x720 25 16) $(tone 1000 22050) -t 16 \
  "${raw[@]}" -c:a pcm_s16le -ac 2
