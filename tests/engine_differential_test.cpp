// The engine against the plain row-major search: public collections and random grids must give
// the same status and the same 81 cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "reference_solver.h"
#include "solver.h"
#include "test_support.h"

namespace {

// The samples committed with the tests, or, with SUDOKU_COLLECTIONS naming a folder, the full
// public collections there.
std::string collectionFolder() {
    const char* full = std::getenv("SUDOKU_COLLECTIONS");
    return full != nullptr ? full : std::string(SUDOKU_SOURCE_DIR) + "/tests/data";
}

std::vector<std::string> collection(const std::string& name, std::size_t limit = SIZE_MAX) {
    const std::string path = collectionFolder() + "/" + name + ".txt";
    auto lines = readLines(path, limit);
    EXPECT_FALSE(lines.empty())
        << "no puzzles in " << path
        << ": configure with -DSUDOKU_DATA_DIR=FOLDER of the public collections";
    return lines;
}

struct Tally {
    long compared = 0;
    long skipped = 0;
};

// Solves with both; compares when the reference finishes within `budget` nodes. Either way the
// engine's own answer must be sound, and the engine's bounded fallback (forced on every fourth
// puzzle by a tiny row-major budget) must agree with its main search.
void compare(const Grid& puzzle, std::uint64_t budget, Tally& tally) {
    Grid engine, reference;
    const int status = solveSudoku(puzzle, engine);
    if (tally.compared % 4 == 0) {
        Grid fallback;
        const bool found =
            findSmallestCompletion(puzzle, fallback, static_cast<int>(tally.skipped % 3));
        ASSERT_EQ(found, status == kStatusOk) << lineFromGrid(puzzle);
        if (found) {
            ASSERT_EQ(lineFromGrid(fallback), lineFromGrid(engine)) << lineFromGrid(puzzle);
        }
    }
    if (status == kStatusOk) {
        ASSERT_TRUE(isCompletion(puzzle, engine)) << lineFromGrid(puzzle);
    } else {
        ASSERT_EQ(lineFromGrid(engine), lineFromGrid(puzzle));
    }
    const int expected = referenceSolve(puzzle, reference, budget);
    if (expected == kReferenceGaveUp) {
        ++tally.skipped;
        return;
    }
    ++tally.compared;
    ASSERT_EQ(status, expected) << lineFromGrid(puzzle);
    ASSERT_EQ(lineFromGrid(engine), lineFromGrid(reference)) << lineFromGrid(puzzle);
}

class Collection : public testing::TestWithParam<const char*> {};

// Puzzles with one solution: a completion is that solution, and where the published solutions
// are at hand it must be the same. The reference gets a small budget, enough for the easier ones.
TEST_P(Collection, AnswersAreTheKnownSolutions) {
    const std::string name = GetParam();
    const auto puzzles = collection(name);
    const auto solutions = readLines(collectionFolder() + "/solutions/" + name + ".solution.txt");
    if (!solutions.empty()) {
        ASSERT_EQ(puzzles.size(), solutions.size());
    }
    Tally tally;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        Grid puzzle, answer;
        ASSERT_TRUE(gridFromLine(puzzles[i], puzzle)) << i;
        ASSERT_EQ(solveSudoku(puzzle, answer), kStatusOk) << puzzles[i];
        ASSERT_TRUE(isCompletion(puzzle, answer)) << puzzles[i];
        if (!solutions.empty()) {
            ASSERT_EQ(lineFromGrid(answer), solutions[i]) << puzzles[i];
        }
        if (i % 8 == 0) compare(puzzle, 2000, tally);
        if (HasFatalFailure()) return;
    }
    RecordProperty("reference_compared", std::to_string(tally.compared));
}

INSTANTIATE_TEST_SUITE_P(Shared, Collection,
                         testing::Values("17_clue", "magictour_top1465",
                                         "forum_hardest_1905_11plus", "synthetic_easy35_from17"));

// Puzzles with 2 to 1,555 solutions: the answer must be the smallest, exactly as the reference
// finds it.
TEST(Differential, SmallestCompletionOfEveryMultiSolutionPuzzle) {
    const auto puzzles = collection("serg_benchmark");
    Tally tally;
    for (const auto& line : puzzles) {
        Grid puzzle;
        ASSERT_TRUE(gridFromLine(line, puzzle));
        compare(puzzle, 5'000'000, tally);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(tally.compared, static_cast<long>(puzzles.size()) * 99 / 100);
}

// The most-constrained search runs every deduction at every node, the template filter
// included; a deduction that cut a completion away would show here as a miscount.
TEST(Differential, CompletionCountsOfKnownPuzzles) {
    for (const auto& [name, expected] :
         {std::pair{"serg_benchmark", 2}, std::pair{"forum_hardest_1905_11plus", 1},
          std::pair{"magictour_top1465", 1}}) {
        const auto puzzles = collection(name, 2000);
        for (const auto& line : puzzles) {
            Grid puzzle;
            ASSERT_TRUE(gridFromLine(line, puzzle));
            ASSERT_EQ(countCompletions(puzzle, 2), expected) << line;
        }
    }
}

constexpr std::uint64_t kRandomBudget = 10000;

long randomCaseCount() {
    const char* text = std::getenv("SUDOKU_RANDOM_CASES");
    return text != nullptr ? std::strtol(text, nullptr, 10) : 200'000;
}

bool fits(const Grid& grid, int r, int c, int digit) {
    for (int k = 0; k < 9; ++k) {
        if (grid[r][k] == digit || grid[k][c] == digit) return false;
    }
    for (int k = r / 3 * 3; k < r / 3 * 3 + 3; ++k) {
        for (int l = c / 3 * 3; l < c / 3 * 3 + 3; ++l) {
            if (grid[k][l] == digit) return false;
        }
    }
    return true;
}

// Random puzzles of five kinds: few consistent givens (many solutions), thinned solutions (one
// or many), nearly full grids with a given repeated, thinned solutions with a given changed
// (mostly no completion), and consistent givens scattered at random. The reference gives up on
// some, mostly those without a completion; those are still checked for a sound answer.
TEST(Differential, RandomPuzzles) {
    // Full grids to thin: the answers to the 17-given puzzles.
    std::vector<std::string> grids;
    for (const std::string& line : collection("17_clue", 2000)) {
        Grid puzzle, answer;
        if (gridFromLine(line, puzzle) && solveSudoku(puzzle, answer) == kStatusOk) {
            grids.push_back(lineFromGrid(answer));
        }
    }
    ASSERT_FALSE(grids.empty());
    std::mt19937_64 rng(7);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const long count = randomCaseCount();
    Tally tally;
    for (long i = 0; i < count; ++i) {
        Grid puzzle = {};
        const int kind = static_cast<int>(i % 5);
        if (kind == 0 || kind == 4) {
            const int givens = kind == 0 ? below(25) : 10 + below(25);
            for (int g = 0; g < givens; ++g) {
                const int cell = below(81), digit = 1 + below(9);
                if (fits(puzzle, cell / 9, cell % 9, digit))
                    puzzle[cell / 9][cell % 9] = Cell(digit);
            }
        } else {
            Grid full;
            gridFromLine(grids[below(static_cast<int>(grids.size()))], full);
            const int keep = kind == 1   ? 8 + below(38)
                             : kind == 2 ? 50 + below(60)
                                         : 28 + below(30);
            for (int g = 0; g < keep; ++g) {
                const int cell = below(81);
                puzzle[cell / 9][cell % 9] = full[cell / 9][cell % 9];
            }
            for (int changed = kind == 1 ? 0 : 1 + below(2); changed > 0; --changed) {
                const int cell = below(81);
                puzzle[cell / 9][cell % 9] = static_cast<Cell>(1 + below(9));
            }
        }
        compare(puzzle, kRandomBudget, tally);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(tally.compared, count * 8 / 10) << tally.skipped << " skipped";
}

// Givens from five to seven digits, repeats allowed: the bounded method runs from the start, with
// the digits no given holds put in order. The answer must still be the smallest completion where
// the reference finishes, and "none" must agree with the most-constrained search, which knows
// nothing of that order.
TEST(Differential, RepeatedGivensWithDigitsMissing) {
    std::mt19937_64 rng(13);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const long count = randomCaseCount() / 100;
    Tally tally;
    for (long i = 0; i < count; ++i) {
        int digits[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::shuffle(std::begin(digits), std::end(digits), rng);
        const int used = 5 + below(3);
        Grid puzzle = {}, answer;
        for (int g = 4 + below(14); g > 0; --g) {
            const int cell = below(81);
            puzzle[cell / 9][cell % 9] = static_cast<Cell>(digits[below(used)]);
        }
        const bool found = solveSudoku(puzzle, answer) == kStatusOk;
        ASSERT_EQ(found, countCompletions(puzzle, 1) == 1) << lineFromGrid(puzzle);
        compare(puzzle, kRandomBudget, tally);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(tally.compared, count / 5) << tally.skipped << " skipped";
}

}  // namespace
