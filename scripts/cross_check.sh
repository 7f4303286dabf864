#!/usr/bin/env bash
# Runs what a cross build made, on this machine:
#
#   scripts/cross_check.sh windows   build/windows, under Wine
#   scripts/cross_check.sh wasm      build/wasm, under Node
#
# 1. The test binary: the library's and the programs' tests, and the digest
#    sweep of every program's data sets and answer keys against the digests
#    stored from the Linux build (tests/data/digests).
# 2. Every program's own binary with the dialogs of its expected outputs
#    (tests/data/expected): the data set byte for byte, the terminal
#    transcript (on Windows with CR LF line ends, as a console writes them),
#    exit status 0; then the same name again: status 1, the file untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
platform=${1:?usage: scripts/cross_check.sh windows|wasm}
root=$(pwd)
case "$platform" in
  windows)
    build=$root/build/windows
    export WINEPREFIX=$build/wineprefix
    run() { "$root/scripts/wine_run.sh" "$@"; }
    program() { echo "$build/bin/$1.exe"; }
    tests=$build/tests/labtests.exe
    ;;
  wasm)
    build=$root/build/wasm
    run() { node "$@"; }
    program() { echo "$build/bin/$1.js"; }
    tests=$build/tests/labtests.js
    ;;
  *) echo "usage: scripts/cross_check.sh windows|wasm" >&2; exit 2 ;;
esac

scratch=$(mktemp -d)
cleanup() {
  rm -rf "$scratch"
  # Wine's server outlives its last program by a few seconds: wait for it,
  # so that nothing is left running.
  if [ "$platform" = windows ]; then wineserver -w 2>/dev/null || true; fi
}
trap cleanup EXIT

seconds() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f s", b - a }'; }

if [ "$platform" = windows ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  t=$(seconds)
  run wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  echo "cross_check windows: Wine prefix made in $(took "$t")"
fi

# 1. The test binary, from the tests' folder (its file names are absolute).
t=$(seconds)
status=0
(cd "$scratch" && run "$tests" --gtest_brief=1) > "$scratch/tests.log" 2>&1 || status=$?
passed=$(grep -aoE '^\[  PASSED  \] [0-9]+' "$scratch/tests.log" | grep -oE '[0-9]+$' || echo 0)
failures=$(grep -acE '^\[  FAILED  \] [A-Za-z]' "$scratch/tests.log" || true)
echo "cross_check $platform: test binary: $passed tests passed, $failures failed ($(took "$t"))"
grep -a '^\[ note' "$scratch/tests.log" || true
if [ "$status" -ne 0 ]; then
  # Which tests, and for the digest sweep how many seed pairs.
  grep -aE '^\[  FAILED  \] [A-Za-z]|^[a-z_]+: .*seed pairs differ' "$scratch/tests.log" | sed 's/, where GetParam.*//' | head -n 60
  [ "$failures" -gt 0 ] || tail -n 20 "$scratch/tests.log"
fi

# 2. The programs.
t=$(seconds)
runs=0
failed=0
for dir in tests/data/expected/*/; do
  name=$(basename "$dir")
  bin=$(program "$name")
  for csv in "$dir"*.csv; do
    stem=$(basename "$csv" .csv)
    seed1=${stem%%_*}
    seed2=${stem#*_}
    work="$scratch/$name-$stem"
    mkdir -p "$work"
    reply=$(printf 'out.csv\nJane Doe\n%s\n%s\nx\n' "$seed1" "$seed2")
    code=0
    (cd "$work" && printf '%s\n' "$reply" | run "$bin" > terminal.txt 2> errors.txt) || code=$?
    tr -d '\r' < "$work/terminal.txt" > "$work/terminal.lf"
    problem=""
    [ "$code" -eq 0 ] || problem="exit status $code"
    cmp -s "$work/out.csv" "$csv" || problem="$problem; the data set differs"
    cmp -s "$work/terminal.lf" "$dir$stem.terminal" || problem="$problem; the terminal differs"
    if [ "$platform" = windows ] && grep -qv $'\r$' "$work/terminal.txt"; then
      problem="$problem; a terminal line without CR LF"
    fi
    # The same name again (once per program): refused, and the data set
    # stays as it is.
    if [ "$csv" = "$(ls "$dir"*.csv | head -n 1)" ]; then
      code=0
      (cd "$work" && printf '%s\n' "$reply" | run "$bin" > again.txt 2>&1) || code=$?
      [ "$code" -eq 1 ] || problem="$problem; a second run with the same name ended with $code, not 1"
      cmp -s "$work/out.csv" "$csv" || problem="$problem; the second run changed the data set"
      runs=$((runs + 1))
    fi
    runs=$((runs + 1))
    if [ -n "$problem" ]; then
      echo "cross_check $platform: $name $seed1 $seed2:${problem#;}"
      failed=$((failed + 1))
    fi
  done
done
echo "cross_check $platform: $runs program runs, $failed failed ($(took "$t"))"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
