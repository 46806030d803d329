#!/usr/bin/env bash
# The playback measurements (a scripted run, not a test):
#   measure_playback.sh WIN_BUILD_DIR DEMO_CLIP_TOOL [SYNC_SECONDS]
# makes its clips with the demo clip tool, plays each in the real shell under
# Wine through velmora_av_probe (bench/av_probe.cpp), prints what the
# probe found, and deletes the clips:
#   - a sync clip (160x120, a white frame and a click at every second) for
#     SYNC_SECONDS (300 by default): the picture's offset against the sound's
#     blocks-written counter, minute by minute;
#   - 640x480 and 1280x720 uncompressed video at 25 fps with a tone, 20 s
#     each: frames dropped and CPU time per second of playback.
# The machine's load average is printed beside, since these machines are shared.
set -uo pipefail

build=${1:?usage: measure_playback.sh WIN_BUILD_DIR DEMO_CLIP_TOOL [SYNC_SECONDS]}
tool=${2:?usage: measure_playback.sh WIN_BUILD_DIR DEMO_CLIP_TOOL [SYNC_SECONDS]}
sync_seconds=${3:-300}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$build" && pwd)
probe=$build/tests/shell/velmora_av_probe.exe
work=$(mktemp -d "$build/measure.XXXXXX")
trap 'rm -rf "$work"' EXIT

measure() {  # name, demo clip options...
  local name=$1
  shift
  "$tool" "$work/$name.avi" "$@" >/dev/null || return 1
  echo "=== $name ($*), load average $(cut -d' ' -f1-3 /proc/loadavg)"
  "$here/../scripts/wine-run" --root "$build/wine" "$probe" "Z:$work/$name.avi" 2>/dev/null |
    tr -d '\r' | grep -v '^received'
  echo "    load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -f "$work/$name.avi"
}

measure sync --flash --size 160x120 --seconds "$sync_seconds"
measure raw640 --size 640x480 --seconds 20
measure raw1280 --size 1280x720 --seconds 20
