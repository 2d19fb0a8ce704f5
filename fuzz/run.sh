#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on the committed seeds plus material made at run time:
#   fuzz/run.sh puzzle_file|engine|batch SECONDS [BUILD_DIR]
# BUILD_DIR (default build-fuzz) is configured with clang++, SUDOKU_FUZZ=ON and SUDOKU_SANITIZE=ON.
# With FUZZ_RUNS=N the run is repeatable instead: N inputs from a fixed seed (SECONDS still caps it).
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
seconds=$2
build=${3:-build-fuzz}
data=../shared/data
corpus=$build/corpus-$target
mkdir -p "$corpus"
cp fuzz/corpus/"$target"/* "$corpus"/
case $target in
  engine)
    # Lines of the public collections are inputs as they stand.
    for f in "$data"/*.txt; do
      [ -f "$f" ] && head -n 50 "$f" | split -l 1 -a 3 - "$corpus/$(basename "$f" .txt)-"
    done
    ;;
  puzzle_file)
    for f in sudoku/000*.txt; do
      { head -c 81 /dev/zero; cat "$f"; } >"$corpus/shipped-$(basename "$f")"
    done
    ;;
esac
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
repeatable=()
[ -n "${FUZZ_RUNS:-}" ] && repeatable=(-seed=1 -runs="$FUZZ_RUNS")
"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  "${repeatable[@]}" -print_final_stats=1 -artifact_prefix="$build/crash-$target-" "$corpus"
