#!/usr/bin/env bash
# Makes the test clips with ffmpeg into the given directory (once).
set -euo pipefail
dir=${1:?usage: make_clips.sh DIR}
mkdir -p "$dir"
