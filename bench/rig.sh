# The measuring rig shared by the scripts under bench/ (sourced, not run):
# a virtual screen of our own, the PulseAudio null sink of a Wine root, one
# ffmpeg capturing a patch of the screen and the sink's monitor into one file
# with one clock (the wall clock), and helpers that start and drive
# velmora.exe under Wine and ffplay beside it on that screen.
#
#   rig_init BUILD_DIR [NAME] Xvfb, PulseAudio and the Wine environment; the
#                             Wine root is BUILD_DIR/NAME (default bench-wine:
#                             a prefix of its own, where the program starts
#                             with its defaults: its saved options are removed)
#   rig_velmora ARGS...       starts velmora.exe in the background
#   rig_probe ARGS...         starts our minimal player, velmora_sync_probe.exe
#   rig_start EXE OUT ARGS... starts another of our programs, its output to OUT
#   rig_command ID|title|boxes  talks to the running program
#   rig_wait_title REGEX SECONDS   answers message boxes until the title matches
#   rig_geometry              "W H X Y" of the largest window on the screen
#   rig_capture_start FILE [W H X Y]   captures (by default the 32x32 patch at
#                             the centre of the largest window)
#   rig_capture_stop
#   rig_stop_velmora          Exit, then waits for Wine to finish
rig_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

rig_init() {
  RIG_BUILD=$(cd "$1" && pwd)
  RIG_EXE=$RIG_BUILD/app/velmora.exe
  RIG_COMMAND=$RIG_BUILD/tools/window_command/velmora_command.exe
  RIG_ROOT=$RIG_BUILD/${2:-bench-wine}
  mkdir -p "$RIG_ROOT"
  export WINEPREFIX="$RIG_ROOT/prefix" WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export HOME="$RIG_ROOT/home" XDG_RUNTIME_DIR="$RIG_ROOT/runtime"
  export SDL_AUDIODRIVER=pulseaudio
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  RIG_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  trap rig_cleanup EXIT
  # The same daemon scripts/wine-run starts for this root.
  if ! pactl info >/dev/null 2>&1; then
    pulseaudio -D --exit-idle-time=-1 -n --load="module-null-sink sink_name=nullsink" \
      --load="module-native-protocol-unix" >/dev/null 2>&1
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  # The program saves its options at exit, and a run may change them (a menu
  # command, a dialog). So each run starts from the defaults: the saved ones
  # are removed, and one start of the program (its first-run notice answered)
  # saves the defaults again.
  if [ -d "$WINEPREFIX" ]; then
    wine reg delete 'HKCU\Software\Norvane Software\Velmora Player' /f >/dev/null 2>&1
  fi
  rig_velmora
  rig_wait_title "^Velmora Player" 120
  rig_stop_velmora
}

rig_cleanup() {
  [ -n "${RIG_CAPTURE:-}" ] && rig_capture_stop
  [ -n "${RIG_PLAYER:-}" ] && rig_stop_velmora
  kill "$RIG_XVFB" 2>/dev/null
  wait "$RIG_XVFB" 2>/dev/null
}

rig_start() {  # exe, output file, arguments...
  local exe=$1 out=$2
  shift 2
  "$rig_here/../scripts/wine-run" --root "$RIG_ROOT" --keep-display "$exe" "$@" \
    >"$out" 2>>"$RIG_ROOT/velmora.log" &
  RIG_PLAYER=$!
}

rig_velmora() { rig_start "$RIG_EXE" /dev/null "$@"; }
rig_probe() { rig_start "$RIG_BUILD/tools/sync_probe/velmora_sync_probe.exe" /dev/null "$@"; }

. "$rig_here/../scripts/velmora-command.sh"
rig_command() { velmora_command "$RIG_COMMAND" "$@"; }

rig_wait_title() { velmora_wait_title "$RIG_COMMAND" "$1" present "$2"; }  # regex, seconds

rig_stop_velmora() {
  local i
  for i in 1 2 3 4 5 6 7 8 9 10; do
    rig_command boxes >/dev/null
    rig_command 105 >/dev/null
    sleep 1
    kill -0 "$RIG_PLAYER" 2>/dev/null || break
  done
  # Still there after ten seconds: ended by force.
  [ $i = 10 ] && pkill -P "$RIG_PLAYER" velmora.exe
  wait "$RIG_PLAYER" 2>/dev/null
  RIG_PLAYER=
}

# "W H X Y" of every viewable top-level window, one a line.
rig_windows() {
  local id
  for id in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    xwininfo -id "$id" | awk '
      /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} /Map State: IsViewable/ {v=1}
      END {if (v && w > 1 && h > 1) print w, h, x, y}'
  done
}

# The largest viewable top-level window: the player's picture, or ffplay's.
rig_geometry() {
  rig_windows | awk '$1 * $2 > a {a = $1 * $2; b = $0} END {print (a ? b : "0 0 0 0")}'
}

rig_capture_start() {  # file [w h x y]
  local file=$1 w h x y
  if [ $# -ge 5 ]; then
    w=$2 h=$3 x=$4 y=$5
  else
    read -r w h x y < <(rig_geometry)
    x=$((x + w / 2 - 16)) y=$((y + h / 2 - 16)) w=32 h=32
  fi
  ffmpeg -v error -y -copyts -f x11grab -framerate 50 -video_size "${w}x$h" -i "$DISPLAY+$x,$y" \
    -f pulse -i nullsink.monitor -c:v rawvideo -pix_fmt gray -c:a pcm_s16le -ac 1 -ar 44100 \
    "$file" </dev/null &
  RIG_CAPTURE=$!
}

rig_capture_stop() {
  kill -INT "$RIG_CAPTURE" 2>/dev/null
  wait "$RIG_CAPTURE" 2>/dev/null
  RIG_CAPTURE=
}
