// Google Benchmark timings of single solves, engine and plain search side by side, on a few
// puzzles that each stand for one kind of work.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "puzzle_list.h"
#include "reference_solver.h"
#include "solver.h"

namespace {

void engine(benchmark::State& state, const char* line) {
    Grid puzzle, answer;
    parsePuzzleLine(line, puzzle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(solveSudoku(puzzle, answer));
        benchmark::ClobberMemory();
    }
}

void plainSearch(benchmark::State& state, const char* line) {
    Grid puzzle, answer;
    parsePuzzleLine(line, puzzle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(referenceSolve(puzzle, answer, UINT64_MAX));
        benchmark::ClobberMemory();
    }
}

constexpr char kEmpty[] =
    ".................................................................................";
constexpr char kShipped0[] =
    "1..........2.16.5.46..57.31.7.5.1..66...74......2..9..5............8..14..1...7..";
constexpr char kMultiple[] =
    "..3456789456789123789123456214365897365897214897214365531642978642978531978531642";
constexpr char kAgainstRowMajor[] =
    "..............3.85..1.2.......5.7.....4...1...9.......5......73..2.1........4...9";
constexpr char kRepeatedGivens[] =
    "........1........2.......31........4........5........6........7........8...9.....";

}  // namespace

BENCHMARK_CAPTURE(engine, empty, kEmpty);
BENCHMARK_CAPTURE(plainSearch, empty, kEmpty);
BENCHMARK_CAPTURE(engine, shipped_0000, kShipped0);
BENCHMARK_CAPTURE(plainSearch, shipped_0000, kShipped0);
BENCHMARK_CAPTURE(engine, two_completions, kMultiple);
BENCHMARK_CAPTURE(plainSearch, two_completions, kMultiple);
BENCHMARK_CAPTURE(engine, against_row_major, kAgainstRowMajor);
BENCHMARK_CAPTURE(engine, repeated_givens_no_completion, kRepeatedGivens);

BENCHMARK_MAIN();
