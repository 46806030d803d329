#!/usr/bin/env bash
# What Wine's own components keep per use, measured by a program with no code
# of the player in it: the event handles left by filter graphs made and
# released, and the commit charge of Cinepak frames decoded through the
# installed decompressor. These are the growths the soak sees that no code of
# ours can release.
#
#   bench/wine_leaks.sh [BUILD-DIR]      (default: build)
#
# Needs the Windows tree built (BUILD-DIR/win, target wine_leaks).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/win_tree.sh"
win_run tests/decode/wine_leaks.exe "$(win_clip cinepak_pcm16)"
