#!/usr/bin/env bash
# The engine beside the engine of another revision, on the same machine in the same hour:
# builds sudoku-bench of REV in build-compare/, then runs both, interleaved, ROUNDS times over the
# public collections, and prints each side's median puzzles per second and their ratio.
#   bench/compare.sh REV [ROUNDS] [DATA_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:?usage: bench/compare.sh REV [ROUNDS] [DATA_DIR]}
rounds=${2:-5}
data=${3:-../shared/data}
# Both sides for the same instruction set: the one build/ was configured for.
arch=$(sed -n 's/^SUDOKU_ARCH:[A-Z]*=//p' build/CMakeCache.txt 2>/dev/null)
arch=${arch:-auto}
old=build-compare/$(git rev-parse --short "$rev")-$arch
if [ ! -x "$old/build/sudoku-bench" ]; then
  rm -rf "$old" && mkdir -p "$old"
  git archive "$rev" | tar -x -C "$old"
  cmake -S "$old" -B "$old/build" -DCMAKE_BUILD_TYPE=Release -DSUDOKU_TESTS=OFF \
    -DSUDOKU_ARCH="$arch" >/dev/null
  cmake --build "$old/build" --parallel --target sudoku-bench >/dev/null
fi
inputs=("$data"/*.txt)
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((round = 0; round < rounds; ++round)); do
  for side in before now; do
    program=./build/sudoku-bench
    [ "$side" = before ] && program=$old/build/sudoku-bench
    "$program" --csv --reference-limit 0 "${inputs[@]}" | tail -n +2 | sed "s/^/$side,/" >>"$results"
  done
done
# Medians of puzzles per second per side and input; the ratio is now / before.
python3 - "$results" <<'PY'
import csv, statistics, sys
rates = {}
for row in csv.reader(open(sys.argv[1])):
    rates.setdefault((row[1], row[0]), []).append(float(row[5]))
print(f"{'input':34} {'before/s':>10} {'now/s':>10} {'ratio':>6}")
for name in sorted({k[0] for k in rates}):
    before = statistics.median(rates[(name, 'before')])
    now = statistics.median(rates[(name, 'now')])
    print(f"{name:34} {before:10.0f} {now:10.0f} {now / before:6.2f}")
PY
