#!/usr/bin/env bash
# A long scripted session of the real program under Wine:
#   soak.sh WIN_BUILD_DIR CLIP_DIR [MINUTES] [--check]
# velmora.exe plays a list of four clips while a driver beside it plays and
# pauses, clicks the seek bar, seeks by keys, goes to the next and previous
# file, changes "Frame Buffer Size" (which reopens the file) and switches
# fullscreen on and off, answering any message box. Once a minute, with the
# file stopped (so that no file's threads and buffers are counted), it
# records the process's private bytes (its commit), handles (and registry
# keys and manual-reset events among them), GDI objects, USER objects,
# threads and top-level windows (velmora_command figures), and the resident
# anonymous memory of the Wine process (/proc), one line a minute.
#
# What Wine keeps of its own is not held against the program (each shown by
# bench/wine_leaks.sh, a program with no code of ours):
#   - GDI and USER objects read 0: Wine 8's GetGuiResources is a stub; the
#     windows stand in for the USER side;
#   - registry key handles: Wine's filter graph leaks them on every
#     connection it tries;
#   - manual-reset events: Wine's filter graph leaves one behind per graph
#     (the program makes none of its own);
#   - Cinepak: Wine's decompressor keeps about 1.6 KB per frame it decodes,
#     so the default list plays MS Video 1, uncompressed and MP3 clips;
#     VELMORA_SOAK_CLIPS names others (files in CLIP_DIR).
#
# --check (the test command's 3-minute form) fails when, after the first
# minute, a figure grows beyond its tolerance over the first minute's value:
#   resident anonymous memory 24 MiB, private bytes 4 MiB, handles other
#   than registry keys and manual-reset events 24,
#   GDI objects 12, USER objects 8, threads 3, windows 2;
# or when the program ended early, or a message box other than "Opening
# troubles" was shown. VELMORA_SOAK_ROOT names another Wine root (prefix,
# display and sound) than the build's, so that other Wine runs can go on.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" = "--driver" ]; then
  shift
  work=$1 command_exe=$2 minutes=$3
  . "$here/../scripts/velmora-command.sh"
  cmd() { velmora_command "$command_exe" "$@"; }
  post() { cmd "$@" >/dev/null; }
  boxes() { cmd boxes | sed -n 's/^box: //p' >>"$work/boxes"; }
  step() { sleep "$1"; boxes; }
  playing() { [[ "$(cmd title)" == *" - Velmora Player" ]]; }
  for _ in $(seq 60); do [ -n "$(cmd title)" ] && break; sleep 0.5; done
  start=$SECONDS next_sample=$((SECONDS + 60)) minute=0 cycle=0
  while [ "$minute" -lt "$minutes" ]; do
    cycle=$((cycle + 1))
    playing || post 32817                       # Play/Pause opens the current entry
    step 2
    post click $((cycle * 37 % 90 + 5))          # the seek bar
    step 1
    post key 0x27 && post key 0x27 && post key 0x25 && post key 0x22  # Right, Right, Left, Page Down
    step 1
    post 32817 && step 0.5 && post 32817        # pause, then play on
    step 1
    post 32818 && step 2 && post 32819          # next file, previous file
    step 1.5
    if [ $((cycle % 3)) -eq 0 ]; then           # reopens the file with another ring
      post $((cycle % 2 ? 32808 : 32807)) && step 1.5
    fi
    if [ $((cycle % 4)) -eq 0 ]; then           # fullscreen in and out
      post 32859 && step 2 && post 32859 && step 1
    fi
    if [ $SECONDS -ge $next_sample ]; then
      minute=$((minute + 1)) next_sample=$((next_sample + 60))
      post 32813 && step 1.5                    # stopped: only the program itself is counted
      # The program's Wine process is the velmora.exe of this prefix.
      pid=
      for p in $(pgrep -x velmora.exe); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && pid=$p
      done
      rss=$(awk '/^RssAnon:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
      echo "$minute $(cmd figures) ${rss:-0} $cycle" >>"$work/figures"
    fi
  done
  post 32807                                    # back to Auto Allocation
  step 1
  post 105
  exit 0
fi

build=${1:?usage: soak.sh WIN_BUILD_DIR CLIP_DIR [MINUTES] [--check]}
clips=${2:?usage: soak.sh WIN_BUILD_DIR CLIP_DIR [MINUTES] [--check]}
minutes=${3:-30}
check=${4:-}
build=$(cd "$build" && pwd)
clips=$(cd "$clips" && pwd)
exe=$build/app/velmora.exe
command_exe=$build/tools/window_command/velmora_command.exe
read -r -a list <<<"${VELMORA_SOAK_CLIPS:-msvc_ima.avi raw_mp3.avi msvc_pcm8.avi raw_pcm16.avi}"
for clip in "${list[@]}"; do
  if [ ! -f "$clips/$clip" ]; then
    echo "soak: $clip missing; skipped"
    exit 0
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for clip in "${list[@]}"; do printf '"Z:%s"\r\n' "${clips//\//\\}\\$clip"; done >"$work/soak.mls"
touch "$work/figures" "$work/boxes"

VELMORA_WINE_HOOK="'$here/soak.sh' --driver '$work' '$command_exe' '$minutes'" \
  "$here/../scripts/wine-run" --root "${VELMORA_SOAK_ROOT:-$build/wine}" "$exe" "Z:${work//\//\\}\\soak.mls" >/dev/null 2>&1
status=$?

echo "minute private_bytes handles keys gdi user threads windows manual_events rss_anon_kb cycles"
cat "$work/figures"
sort "$work/boxes" | uniq -c | sed 's/^/message box: /'
[ -z "$check" ] && exit 0

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
[ "$status" -eq 0 ] || fail "the program ended with status $status"
[ "$(wc -l <"$work/figures")" -ge "$minutes" ] || fail "only $(wc -l <"$work/figures") of $minutes minutes recorded"
grep -v '^Opening troubles$' "$work/boxes" | grep -q . && fail "unexpected message boxes"
# Column, tolerance, name: the largest later value against the first
# minute's (column 0: handles other than registry keys and manual-reset events).
while read -r column tolerance name; do
  awk -v c="$column" -v t="$tolerance" -v n="$name" '
    { v = c == 0 ? $3 - $4 - $9 : $c }
    NR == 1 { first = v; next }
    v - first > t { print "FAIL: " n " grew from " first " to " v " by minute " $1; bad = 1 }
    END { exit bad }' "$work/figures" || failures=$((failures + 1))
done <<'TOLERANCES'
10 24576 resident_anonymous_kb
2 4194304 private_bytes
0 24 handles_without_keys_and_manual_events
5 12 gdi_objects
6 8 user_objects
7 3 threads
8 2 windows
TOLERANCES
[ "$failures" -eq 0 ] && echo "soak: flat after the first minute" || exit 1
