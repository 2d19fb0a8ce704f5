#!/usr/bin/env bash
# The batch run's whole wall time beside its floor (the same file reads and report bytes with no
# solving, parsing or drawing), and the Windows build under wine when it is built. Needs
# hyperfine; run from the repository root after building build/ (and build-windows/).
#   bench/whole_run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-30}
report=$(mktemp)
trap 'rm -f "$report"' EXIT
./build/sudokuStudentEnd >"$report"
commands=(./build/sudokuStudentEnd "./build/sudoku-report-floor $report")
if [ -x build-windows/sudokuStudentEnd.exe ] && command -v wine >/dev/null; then
  export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wine}
  wineserver -p </dev/null >/dev/null 2>&1
  trap 'rm -f "$report"; wineserver -k >/dev/null 2>&1 || true' EXIT
  # wine's own start, measured with a program that does nothing but print its usage
  commands+=("wine build-windows/sudokuStudentEnd.exe" "wine build-windows/sudoku-make-puzzles.exe --help")
fi
hyperfine -N -w 3 -r "$runs" --output=pipe "${commands[@]}"
