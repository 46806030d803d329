#!/usr/bin/env bash
# The real velmora.exe under Wine, from outside:
#   e2e_exe.sh BUILD_DIR CLIP_DIR
# 1. "velmora.exe cinepak_pcm16.avi" plays the file to its end: the sound taken
#    from the PulseAudio null sink's monitor carries the clip's tone (as
#    ffmpeg finds it), and the program's own report at exit counts every
#    frame of the clip and some sound blocks. Four Down keys (xdotool) lower
#    the recorded level by the attenuation of 80 % volume. Then a second
#    start with another file hands it to the first instance: the second
#    process ends with 0 at once and the first window plays the new file to
#    its end (the report counts both files' frames).
# 2. Without a file: two files chosen at once in the Open dialog (typed with
#    xdotool), the play list saved, a new list, the saved one loaded, sorted
#    and reversed; each Play/Pause shows in the title which entry came first.
# Message boxes are answered with Enter by the watcher; only the first-run
# notice ("Velmora Player") is expected, any other fails the test.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" = "--hook" ]; then
  shift
  mode=$1 work=$2 exe=$3 command_exe=$4 clips=$5

  # Under Xvfb without a window manager the X windows carry no names: the
  # program's windows are asked through velmora_command.
  . "$here/../../scripts/velmora-command.sh"
  wait_title() { velmora_wait_title "$command_exe" "$@" "$work/boxes"; }  # pattern, present|absent, seconds
  post() { velmora_command "$command_exe" "$@" >/dev/null; }
  # Waits until the recording holds the seconds of sound given.
  recorded() {
    local end=$((SECONDS + 10))
    while [ "$(stat -c %s "$work/sound.raw")" -lt "$(awk "BEGIN { print int($1 * 88200) }")" ] &&
      [ $SECONDS -lt $end ]; do sleep 0.05; done
  }
  # Posts a command that opens a file dialog and types the answers into it,
  # each ended with Enter (a directory first moves the dialog there).
  dialog() {  # command id, text...
    post "$1"
    for text in "${@:2}"; do
      local end=$((SECONDS + 20))
      until post dialog || [ $SECONDS -ge $end ]; do sleep 0.2; done
      sleep 1  # the dialog fills its boxes and takes the focus
      xdotool type --delay 20 "$text" && xdotool key Return
      sleep 1
    done
  }
  # Plays the list from the current entry; the title names the file.
  first_entry() {
    post 32817
    wait_title " - Velmora Player\$" present 20
    velmora_command "$command_exe" title | sed 's/ - Velmora Player$//'
    post 32813
    wait_title " - Velmora Player\$" absent 20
  }

  case $mode in
    playlist)
      wait_title "^Velmora Player V" present 30
      dialog 32772 "Z:${clips//\//\\}\\" '"raw_mp3.avi" "cinepak_pcm16.avi"'
      wait_title "^raw_mp3 - Velmora Player\$" present 20 && echo opened >"$work/state"
      post 32813 && dialog 32778 "Z:${work//\//\\}\\list"  # Stop, Save
      post 32780 && dialog 32777 "Z:${work//\//\\}\\list.mls"  # New, Load
      post 32849 && first_entry >"$work/sorted"  # Sort by Full Path
      post 32850 && first_entry >"$work/reversed"  # Reverse
      ;;
    play)
      if wait_title "^cinepak_pcm16 - Velmora Player\$" present 30; then
        echo playing >"$work/state"
        parec -d nullsink.monitor --latency-msec=20 --raw --format=s16le --rate=44100 --channels=1 >"$work/sound.raw" &
        recorder=$!
        recorded 0.8 && xdotool key Down Down Down Down  # the volume from 100 % to 80 %
        recorded 2.1
        kill "$recorder"
        wait_title " - Velmora Player\$" absent 60 && echo ended >"$work/state"
        "$(wine_loader "$exe")" "$exe" "Z:$clips/raw_mp3.avi" >/dev/null 2>&1
        echo $? >"$work/second_status"
        wait_title "^raw_mp3 - Velmora Player\$" present 20 && echo handed >"$work/handed"
        velmora_command "$command_exe" windows >"$work/windows"
        wait_title " - Velmora Player\$" absent 30
      fi
      ;;
  esac
  post 105
  exit 0
fi

build=${1:?usage: e2e_exe.sh BUILD_DIR CLIP_DIR}
clips=${2:?usage: e2e_exe.sh BUILD_DIR CLIP_DIR}
exe=$build/app/velmora.exe
command_exe=$build/tools/window_command/velmora_command.exe
clip=$clips/cinepak_pcm16.avi
if [ ! -f "$clip.info" ] || [ ! -f "$clips/raw_mp3.avi.info" ]; then
  echo "FAIL: e2e: clips or their references missing (the clips fixture makes them)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
run() {  # mode [file]
  VELMORA_WINE_HOOK="'$here/e2e_exe.sh' --hook $1 '$work' '$exe' '$command_exe' '$clips'" \
    WINEDEBUG=-all,+debugstr "$here/../../scripts/wine-run" --root "$build/wine" "$exe" \
    ${2:+"$2"} 2>"$work/$1.log"
}
unexpected_boxes() {
  [ -f "$work/boxes" ] && grep -v '^Velmora Player$' "$work/boxes"
}

# 1. Play to the end, then a second start hands its file over. The settings
# of earlier runs (the volume among them) are removed first.
"$here/../../scripts/wine-run" --root "$build/wine" reg delete \
  'HKCU\Software\Norvane Software\Velmora Player' /f >/dev/null 2>&1
run play "Z:$clip"
status=$?
[ $status -eq 0 ] || fail "velmora.exe ended with $status"
[ "$(cat "$work/state" 2>/dev/null)" = ended ] || fail "the clip did not play to its end"
read -r _ _ _ tone _ <"$clip.info"
# The frames that show something: the video packets of ffprobe's list (an
# empty chunk repeats the picture before it; ffmpeg lists no packet for it).
frames=$(grep -c '^codec_type=video' "$clip.packets")
second_frames=$(grep -c '^codec_type=video' "$clips/raw_mp3.avi.packets")
report=$(grep -o 'Velmora Player played: [^"\\]*' "$work/play.log" | tail -1)
echo "e2e: ${report:-no report}"
shown=$(echo "$report" | sed -n 's/.*frames shown \([0-9]*\).*/\1/p')
dropped=$(echo "$report" | sed -n 's/.*dropped \([0-9]*\).*/\1/p')
blocks=$(echo "$report" | sed -n 's/.*sound blocks written \([0-9]*\).*/\1/p')
[ -n "$shown" ] && [ $((shown + dropped)) -eq $((frames + second_frames)) ] ||
  fail "report counts ${shown:-?} + ${dropped:-?} frames, the clips have $frames + $second_frames"
[ "${blocks:-0}" -gt 0 ] || fail "no sound blocks written"
heard=$(python3 "$here/tone.py" 44100 <"$work/sound.raw" 2>/dev/null)
echo "e2e: tone of the clip $tone Hz, recorded ${heard:-nothing}"
python3 -c "import sys; t, h = float(sys.argv[1]), float(sys.argv[2] or 0); sys.exit(0 if abs(h - t) <= 0.01 * t else 1)" \
  "$tone" "${heard:-0}" || fail "recorded tone ${heard:-none} Hz, expected $tone Hz"
# Four Down keys: 80 %, so -3000 x (1 - (e^0.8 - 1) / (e - 1)) = -860
# hundredths of a decibel.
loud=$(python3 "$here/tone.py" 44100 0.1 0.7 <"$work/sound.raw" 2>/dev/null)
soft=$(python3 "$here/tone.py" 44100 1.4 2.0 <"$work/sound.raw" 2>/dev/null)
echo "e2e: level ${loud:-?} dB, after Down x 4 ${soft:-?} dB (expected 8.6 dB less)"
python3 -c "import sys; sys.exit(0 if abs(float(sys.argv[2]) - float(sys.argv[1]) + 8.6) <= 1 else 1)" \
  "${loud:-0}" "${soft:-0}" || fail "the volume keys changed the level from ${loud:-?} to ${soft:-?} dB"
[ "$(cat "$work/second_status" 2>/dev/null)" = 0 ] ||
  fail "the second start ended with $(cat "$work/second_status" 2>/dev/null || echo nothing)"
[ "$(cat "$work/handed" 2>/dev/null)" = handed ] || fail "the first window did not take the new file"
[ "$(cat "$work/windows" 2>/dev/null)" = 1 ] || fail "$(cat "$work/windows" 2>/dev/null) player windows"
boxes=$(unexpected_boxes) && fail "message boxes: $boxes"

# 2. The play list through the file dialogs.
rm -f "$work/state" "$work/boxes"
run playlist
[ "$(cat "$work/state" 2>/dev/null)" = opened ] || fail "the Open dialog did not start the first file"
printf '"Z:%s\\raw_mp3.avi"\r\n"Z:%s\\cinepak_pcm16.avi"\r\n' "${clips//\//\\}" "${clips//\//\\}" |
  cmp -s - "$work/list.mls" || fail "saved play list: $(od -c "$work/list.mls" 2>/dev/null | head -3)"
[ "$(cat "$work/sorted" 2>/dev/null)" = cinepak_pcm16 ] || fail "sorted list starts with $(cat "$work/sorted")"
[ "$(cat "$work/reversed" 2>/dev/null)" = raw_mp3 ] || fail "reversed list starts with $(cat "$work/reversed")"
boxes=$(unexpected_boxes) && fail "message boxes: $boxes"

[ $failures -eq 0 ] && echo "e2e: passed"
exit $((failures > 0))
