# Sourced by the scripts that drive a running velmora.exe from outside (the
# Wine environment already set):
#   velmora_command EXE ARGS...   runs velmora_command.exe EXE with ARGS; its
#                                 output without carriage returns, its status
# It is started by the loader of its own side (wine-loader.sh). Should Wine
# still fail to start it, start.exe prints "Application could not be started
# ... ShellExecuteEx failed: ..." on standard output and ends with 1; that
# complaint is never passed on as the helper's output (a caption, a title,
# figures): the helper is started again, up to three times.
. "$(dirname "${BASH_SOURCE[0]}")/wine-loader.sh"

velmora_command() {
  local exe=$1 out status loader
  shift
  loader=$(wine_loader "$exe")
  for _ in 1 2 3; do
    out=$("$loader" "$exe" "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}")
    status=$?
    [[ "$out" == *"ShellExecuteEx failed"* ]] || break
    out= status=1
    sleep 0.5
  done
  [ -z "$out" ] || printf '%s\n' "$out"
  return "$status"
}

#   velmora_wait_title EXE REGEX present|absent SECONDS [BOXES_FILE]
#     answers message boxes (their captions added to BOXES_FILE) until the
#     player's title matches REGEX (present) or no longer does (absent);
#     status 1 when the seconds run out first
velmora_wait_title() {
  local exe=$1 pattern=$2 want=$3 end=$((SECONDS + $4)) boxes=${5:-/dev/null}
  while [ $SECONDS -lt $end ]; do
    velmora_command "$exe" boxes | sed -n 's/^box: //p' >>"$boxes"
    if [[ "$(velmora_command "$exe" title)" =~ $pattern ]]; then
      [ "$want" = present ] && return 0
    else
      [ "$want" = absent ] && return 0
    fi
    sleep 0.3
  done
  return 1
}
