#!/usr/bin/env bash
# Checks the instruction-count targets of docs/performance.md with
# callgrind, whose counts do not drift with the machine's load:
#   - a whole run of vapor_pressure_gen (start-up, dialog, data set, exit)
#     takes at most 1.25 times the instructions of /bin/true;
#   - a whole run of lle_ternary_gen takes at most 0.87 million.
# Both with the dialog bench.csv, Jane Doe, 12345, 67890, x.
#
# usage: scripts/perf_check.sh [BIN_DIR]     (default build/default/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/default/bin}")

if ! command -v valgrind >/dev/null 2>&1; then
  echo "perf_check: valgrind is not installed; instruction counts not checked"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Instructions of a whole run of $1, fed the dialog on its standard input.
instructions() {
  rm -f "$scratch/bench.csv" "$scratch/cg.out"
  (cd "$scratch" && printf 'bench.csv\nJane Doe\n12345\n67890\nx\n' |
    valgrind --tool=callgrind --callgrind-out-file="$scratch/cg.out" "$1" >/dev/null 2>&1)
  awk '/^(summary|totals):/ { print $2; exit }' "$scratch/cg.out"
}

floor=$(instructions /bin/true)
vapor=$(instructions "$bin/vapor_pressure_gen")
lle=$(instructions "$bin/lle_ternary_gen")
status=0
ratio=$(awk -v a="$vapor" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')
if [ $((vapor * 100)) -le $((floor * 125)) ]; then verdict=ok; else verdict=FAILED; status=1; fi
echo "perf_check: vapor_pressure_gen $vapor instructions, $ratio times /bin/true ($floor); target 1.25: $verdict"
if [ "$lle" -le 870000 ]; then verdict=ok; else verdict=FAILED; status=1; fi
echo "perf_check: lle_ternary_gen $lle instructions; target 870000: $verdict"
exit $status
