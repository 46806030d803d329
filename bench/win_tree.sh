# Shared by the benchmarks that run one of the Windows tree's programs under
# Wine (sourced, not run). The build directory is the script's first argument
# (default build); the test clips are made in its win/clips if missing.
#
#   win_clip NAME            the clip's path as the Windows program sees it
#   win_run PROGRAM ARGS...  runs BUILD-DIR/win/PROGRAM under Wine, its output
#                            with the carriage returns taken out
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
win="$build/win"
clips="$win/clips"
"$here/tools/make_clips.sh" "$clips" >/dev/null

win_clip() { echo "Z:$(cd "$clips" && pwd)/$1.avi"; }

win_run() {  # program, arguments...
  local program=$1
  shift
  "$here/scripts/wine-run" --root "$win/wine" "$win/$program" "$@" 2>/dev/null | tr -d '\r'
}
