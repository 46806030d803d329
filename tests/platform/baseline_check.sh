#!/usr/bin/env bash
# The 32-bit program keeps to the i686 baseline outside its vector forms:
#   baseline_check.sh OBJDUMP PROGRAM.exe
# SSE2 is not part of that baseline, so the SSE2 and AVX2 routines run only
# behind the processor check (CurrentVectorLevel), and they are the ones named
# ...Sse2 or ...Avx2 (with the lambdas inside them). Any other function of the
# program that names a vector register would stop with an illegal instruction
# on a processor without SSE2, which no test on an SSE2 machine would see.
# Also fails when the program has no vector forms at all.
set -uo pipefail
objdump=${1:?usage: baseline_check.sh OBJDUMP PROGRAM.exe}
program=${2:?usage: baseline_check.sh OBJDUMP PROGRAM.exe}

"$objdump" -d --no-show-raw-insn -C "$program" | awk '
  /^[0-9a-f]+ <.*>:$/ {
    name = substr($0, index($0, "<") + 1)
    name = substr(name, 1, length(name) - 2)
    next
  }
  /%[xy]mm[0-9]|%mm[0-7]/ {
    if (name ~ /^\./ || name in seen) next  # section symbols: data in .text
    seen[name] = 1
    if (name ~ /(Sse2|Avx2)/) vector++
    else { print "outside the vector forms: " name; bad++ }
  }
  END {
    printf "baseline: %d vector forms, %d other functions with vector registers\n", vector, bad
    exit (bad > 0 || vector == 0)
  }'
