#!/usr/bin/env bash
# Checks the compiled help file against the program's commands: every command
# that a menu item or a key of the resource script gives has an entry in the
# help's table of contents (a link to "#c<id>"), and that page, as compiled
# into the file, holds the anchor.
#   help_contents_check.sh Velmora.chm app/velmora.rc app/resource.h
set -euo pipefail
chm=${1:?usage: help_contents_check.sh CHM RC RESOURCE_H}
rc=${2:?}
header=${3:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

chmls extract "$chm" /velmora.hhc "$work/toc" > /dev/null 2>&1
[ -s "$work/toc" ] || { echo "no table of contents in $chm" >&2; exit 1; }

missing=0
checked=0
for name in $(grep -o 'IDM_[A-Z0-9_]*' "$rc" | sort -u); do
  id=$(awk -v n="$name" '$1 == "#define" && $2 == n { print $3 }' "$header")
  link=$(grep -o "value=\"[a-z]*\.html#c$id\"" "$work/toc" | head -n 1 || true)
  if [ -z "$link" ]; then
    echo "command $id ($name) has no entry in the table of contents" >&2
    missing=1
    continue
  fi
  page=${link#value=\"}
  page=${page%%#*}
  [ -s "$work/$page" ] || chmls extract "$chm" "/$page" "$work/$page" > /dev/null 2>&1
  if ! grep -q "name=\"c$id\"" "$work/$page"; then
    echo "command $id ($name): $page has no anchor c$id" >&2
    missing=1
  fi
  checked=$((checked + 1))
done
echo "help_contents_check: $checked commands checked"
[ "$checked" -gt 80 ] || { echo "too few commands found in $rc" >&2; exit 1; }
exit $missing
