#!/usr/bin/env bash
# The installer of one build under Wine, in a fresh 64-bit prefix of its own:
#   installer_test.sh BUILD_DIR CLIP_DIR MSI x64|x86 SOURCE_DIR
# 1. msiexec /i /qn installs: the shipped velmora.exe in Program Files (the
#    32-bit package's in Program Files (x86)), the Start menu shortcut, and the
#    registry of installed_state.py (file types, capabilities, the entry in
#    Programs and Features), without taking any extension's default.
# 2. The shell's open verb of the program's .avi ProgID (start /ProgIDOpen,
#    what "Open with" runs) plays a clip whose path has spaces to its end (the
#    program's report at exit counts its frames); the .mls ProgID then hands a
#    play list to the running program, which plays its entry (the same clip
#    under another name) to its end.
# 3. The Start menu shortcut starts the program.
# 4. msiexec /x /qn leaves nothing of the install and keeps the settings key
#    the program wrote; after a second install, msiexec /x REMOVESETTINGS=1
#    removes the settings too.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" = "--hook" ]; then
  # Runs beside the program on its display: answers message boxes (the
  # first-run notice), waits for titles, starts the play list, ends the program.
  shift
  mode=$1 work=$2 command_exe=$3
  . "$here/../../scripts/velmora-command.sh"
  post() { velmora_command "$command_exe" "$@" >/dev/null; }
  wait_title() { velmora_wait_title "$command_exe" "$@"; }  # pattern, present|absent, seconds
  case $mode in
    open)
      wait_title "^a clip - Velmora Player\$" present 60 && echo opened >>"$work/events"
      wait_title "^a clip - Velmora Player\$" absent 30 && echo ended >>"$work/events"
      wine start /ProgIDOpen "$4.mls" "Z:${work//\//\\}\\my lists\\a list.mls" >/dev/null 2>&1
      wait_title "^b clip - Velmora Player\$" present 30 && echo listed >>"$work/events"
      wait_title "^b clip - Velmora Player\$" absent 30
      ;;
    shortcut)
      wait_title "^Velmora Player V" present 60 && echo started >>"$work/events"
      ;;
  esac
  post 105
  # The display stays until the program has gone (start returned at once).
  end=$((SECONDS + 30))
  while post title && [ $SECONDS -lt $end ]; do sleep 0.3; done
  exit 0
fi

build=${1:?usage: installer_test.sh BUILD_DIR CLIP_DIR MSI x64|x86 SOURCE_DIR}
clips=${2:?} msi=${3:?} arch=${4:?} source=${5:?}
clip=$clips/cinepak_pcm16.avi
if [ ! -f "$clip.info" ]; then
  echo "installer: clips or their references missing"
  exit 1
fi
if [ "$arch" = x64 ]; then
  app="Velmora Player" progid=VelmoraPlayer folder="Program Files" view=64
else
  app="Velmora Player (32-bit)" progid=VelmoraPlayer32 folder="Program Files (x86)" view=32
fi
version=$(cat "$source/VERSION")
command_exe=$build/tools/window_command/velmora_command.exe
root=$build/wine-install
rm -rf "$root"
work=$(mktemp -d)
# Whatever is left running in the test's own prefix ends with the test.
trap 'WINEPREFIX="$root/prefix" wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
wine_run() { "$source/scripts/wine-run" --root "$root" "$@"; }
drive=$root/prefix/drive_c
exe="C:\\$folder\\Velmora Player\\velmora.exe"
installed="$drive/$folder/Velmora Player/velmora.exe"
# The Start menu entry is the all users' one on Windows; Wine's msiexec puts
# it into the user's Start menu.
shortcuts=("ProgramData/Microsoft/Windows/Start Menu/Programs/$app.lnk"
  "users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$app.lnk")

# The keys installed_state.py reads, in this package's view of the registry
# (where a 32-bit package's HKLM\Software values are; Wine 8's reg export
# knows no views, reg query does), through a batch file: cmd's own command
# line would get the quotes escaped.
query_registry() {  # folder
  rm -rf "$1" && mkdir -p "$1"
  local w=${1//\//\\} n=0
  for key in "HKLM\\Software\\Classes\\$progid.avi" "HKLM\\Software\\Classes\\$progid.mls" \
    "HKLM\\Software\\Classes\\.avi" "HKLM\\Software\\Classes\\.mls" \
    "HKCU\\Software\\Classes\\.avi" "HKCU\\Software\\Classes\\.mls" \
    "HKLM\\Software\\Clients\\Media\\$app" "HKLM\\Software\\RegisteredApplications" \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" \
    "HKCU\\Software\\Norvane Software\\Velmora Player"; do
    n=$((n + 1))
    printf 'reg query "%s" /s /reg:%s > Z:%s\\%s.txt 2>nul\r\n' "$key" "$view" "$w" "$n"
  done >"$work/query.bat"
  wine_run cmd /c "Z:${work//\//\\}\\query.bat" >/dev/null 2>&1
}
check_registry() {  # state
  query_registry "$work/reg"
  python3 "$here/installed_state.py" "$1" "$work/reg" "$app" "$progid" "$exe" "$version" ||
    failures=$((failures + $?))
}
msiexec() {  # arguments...
  local started=$SECONDS
  wine_run msiexec "$@" /qn >/dev/null 2>&1
  local status=$?
  echo "installer: msiexec $1 took $((SECONDS - started)) s"
  [ $status -eq 0 ] || fail "msiexec $* ended with $status"
}
session() {  # mode, program and arguments...
  local mode=$1
  shift
  VELMORA_WINE_HOOK="'$here/installer_test.sh' --hook $mode '$work' '$command_exe' $progid" \
    VELMORA_WINE_HOOK_WAIT=1 WINEDEBUG=-all,+debugstr wine_run "$@" 2>"$work/$mode.log"
}

# 1. Install.
msiexec /i "Z:${msi//\//\\}"
cmp -s "$installed" "$(dirname "$msi")/velmora.exe" || fail "velmora.exe is not in $folder"
shortcut=
for candidate in "${shortcuts[@]}"; do [ -f "$drive/$candidate" ] && shortcut=$candidate; done
[ -n "$shortcut" ] || fail "no Start menu shortcut $app.lnk"
check_registry installed

# 2. Open through the ProgIDs (the program's first start: the notice).
mkdir -p "$work/my clips" "$work/my lists"
cp "$clip" "$work/my clips/a clip.avi"
cp "$clip" "$work/my clips/b clip.avi"
printf '"Z:%s"\r\n' "${work//\//\\}\\my clips\\b clip.avi" >"$work/my lists/a list.mls"
session open start /wait /ProgIDOpen "$progid.avi" "Z:${work//\//\\}\\my clips\\a clip.avi"
grep -qx opened "$work/events" || fail "the .avi handler did not open the clip"
grep -qx ended "$work/events" || fail "the clip did not play to its end"
grep -qx listed "$work/events" || fail "the .mls handler did not hand the list to the program"
read -r _ _ frames _ <"$clip.info"
report=$(grep -o 'Velmora Player played: [^"\\]*' "$work/open.log" | tail -1)
echo "installer: ${report:-no report}"
shown=$(echo "$report" | sed -n 's/.*frames shown \([0-9]*\).*/\1/p')
dropped=$(echo "$report" | sed -n 's/.*dropped \([0-9]*\).*/\1/p')
[ -n "$shown" ] && [ $((shown + dropped)) -eq $((2 * frames)) ] ||
  fail "report counts ${shown:-?} + ${dropped:-?} frames, the clip played twice has $((2 * frames))"

# 3. The shortcut.
if [ -n "$shortcut" ]; then
  session shortcut start "C:\\${shortcut//\//\\}"
  grep -qx started "$work/events" || fail "the Start menu shortcut did not start the program"
fi

# 4. Remove: everything but the settings; then again with the settings.
msiexec /x "Z:${msi//\//\\}"
[ -e "$drive/$folder/Velmora Player" ] && fail "the program's folder is left"
for candidate in "${shortcuts[@]}"; do [ -e "$drive/$candidate" ] && fail "the shortcut is left"; done
check_registry removed
msiexec /i "Z:${msi//\//\\}"
msiexec /x "Z:${msi//\//\\}" REMOVESETTINGS=1
check_registry purged

if [ $failures -ne 0 ]; then
  echo "installer: $failures failure(s); the prefix is kept in $root"
  exit 1
fi
rm -rf "$root"
echo "installer: installed, opened, played and removed ($app)"
