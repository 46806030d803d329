# Sourced: wine_loader PROGRAM prints the Wine loader to start PROGRAM with.
# With both of Wine's sides installed, `wine` is the 32-bit loader, which
# hands a 64-bit program to start.exe (ShellExecuteEx, then CreateProcess);
# now and then, on a loaded machine, that start fails ("ShellExecuteEx
# failed: Internal error") and the program never runs. So a 64-bit program
# (a PE file for x86-64) goes to the 64-bit loader directly; anything else,
# a builtin program's name among them, to `wine`.
wine_loader() {
  local dir offset machine
  dir=$(dirname "$(readlink -f "$(command -v wineserver)")")
  if [ -f "$1" ] && [ -x "$dir/wine64" ]; then
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    machine=$(od -An -tx2 -j$((${offset:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    if [ "$machine" = 8664 ]; then
      echo "$dir/wine64"
      return
    fi
  fi
  echo wine
}
