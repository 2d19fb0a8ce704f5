// A bound on every input: puzzles built or found to be slow for some way of searching must end,
// with the right status, a sound answer, and the same answer from both of the engine's methods.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>

#include "engine/engine.h"
#include "engine/local_search.h"
#include "engine/placements.h"
#include "solver.h"
#include "test_support.h"

namespace {

TEST(Adversarial, EveryListedPuzzleEndsWithTheExpectedStatus) {
    const auto lines = readLines(std::string(SUDOKU_SOURCE_DIR) + "/tests/adversarial.txt");
    int checked = 0;
    for (const std::string& line : lines) {
        Grid puzzle;
        if (line.empty() || line[0] == '#' || !gridFromLine(line, puzzle)) continue;
        const bool solvable = line.find(" solvable") != std::string::npos;
        ASSERT_TRUE(solvable || line.find(" none") != std::string::npos) << line;
        Grid answer, bounded;
        const int status = solveSudoku(puzzle, answer);
        EXPECT_EQ(status, solvable ? kStatusOk : kStatusFailed) << line;
        EXPECT_EQ(findSmallestCompletion(puzzle, bounded, 0), solvable) << line;
        if (solvable && status == kStatusOk) {
            EXPECT_EQ(lineFromGrid(bounded), lineFromGrid(answer)) << line;
            EXPECT_EQ(lineFromGrid(answer).find('0'), std::string::npos) << line;
        } else {
            EXPECT_EQ(lineFromGrid(answer), lineFromGrid(puzzle)) << line;
        }
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

// A count that starts from another's basis (as a split's branches start from their question's)
// answers as one that goes its own way: the placements the narrowed cells no longer allow must
// leave its basis, not stand in its cover.
TEST(PlacementsRefutation, ACountFromAnothersBasisAnswersAsItsOwnWould) {
    static engine::Placements start, from, own;
    // The top band of a complete grid, open, each cell with its own digit and the next one.
    const std::string grid =
        "123456789456789123789123456214365897365897214897214365531642978642978531978531642";
    std::uint16_t cells[81] = {};
    for (int c = 0; c < 27; ++c) {
        const int d = grid[c] - '1';
        cells[c] = static_cast<std::uint16_t>(1u << d | 1u << (d + 1) % 9);
    }
    ASSERT_FALSE(engine::placementsRefute(start, cells));
    std::mt19937 random(7);
    int refuted = 0;
    for (int round = 0; round < 60; ++round) {
        std::uint16_t narrowed[81];
        std::copy(std::begin(cells), std::end(cells), std::begin(narrowed));
        for (int k = 0; k < 6; ++k) {
            const int c = static_cast<int>(random() % 27);
            const int d = grid[c] - '1' + static_cast<int>(random() % 2);
            narrowed[c] = static_cast<std::uint16_t>(1u << d % 9);
        }
        const bool fromBasis = engine::placementsRefuteFrom(from, start, narrowed);
        EXPECT_EQ(fromBasis, engine::placementsRefute(own, narrowed)) << round;
        refuted += fromBasis;
    }
    EXPECT_GT(refuted, 0);
    EXPECT_LT(refuted, 60);
    // Over other open cells (one fewer) the basis does not fit: it counts afresh.
    std::uint16_t fewer[81];
    std::copy(std::begin(cells), std::end(cells), std::begin(fewer));
    fewer[26] = 0;
    EXPECT_EQ(engine::placementsRefuteFrom(from, start, fewer),
              engine::placementsRefute(own, fewer));
}

// Digits that no given in a cell's row, column or box holds, for the open cells of `puzzle`.
void candidatesOf(const Grid& puzzle, std::uint16_t (&cells)[81]) {
    for (int c = 0; c < 81; ++c) {
        cells[c] = 0;
        if (puzzle[c / 9][c % 9] != 0) continue;
        cells[c] = 0x1FF;
        for (int o = 0; o < 81; ++o) {
            const int r = c / 9, k = c % 9, ro = o / 9, ko = o % 9;
            const bool peer = r == ro || k == ko || (r / 3 == ro / 3 && k / 3 == ko / 3);
            if (peer && puzzle[ro][ko] != 0) cells[c] &= ~(1u << (puzzle[ro][ko] - 1));
        }
    }
}

// Whole placements per digit refute a question of a slow input that a fractional count by cells
// and units covers (its first cell cannot take a 1), also from a start that clashes, and never
// cells that a completion on the list covers; started from that completion, the count's cover
// is it.
TEST(PlacementsRefutation, RefutesWhatTheCountCoversButNeverACompletion) {
    static engine::Placements placements;
    Grid puzzle;
    ASSERT_TRUE(gridFromLine(
        ".2435..77....6....8....33.............65..6..75.424.77..83.......729.3...........",
        puzzle));
    std::uint16_t cells[81];
    candidatesOf(puzzle, cells);
    cells[0] = 1u << 0;
    EXPECT_TRUE(engine::placementsRefute(placements, cells));
    std::int8_t start[81], cover[81];
    for (int c = 0; c < 81; ++c) start[c] = static_cast<std::int8_t>(c % 9);
    EXPECT_TRUE(engine::placementsRefute(placements, cells, start));
    int checked = 0;
    for (const std::string& line :
         readLines(std::string(SUDOKU_SOURCE_DIR) + "/tests/adversarial.txt")) {
        Grid answer;
        if (line.find(" solvable") == std::string::npos || !gridFromLine(line, puzzle) ||
            !findSmallestCompletion(puzzle, answer)) {
            continue;
        }
        // Every open cell with its digits, then the first few narrowed to the answer's.
        candidatesOf(puzzle, cells);
        EXPECT_FALSE(engine::placementsRefute(placements, cells)) << line;
        for (int c = 0; c < 81; ++c) start[c] = static_cast<std::int8_t>(answer[c / 9][c % 9] - 1);
        EXPECT_FALSE(engine::placementsRefute(placements, cells, start)) << line;
        engine::placementsCover(placements, cells, cover);
        for (int c = 0; c < 81; ++c) {
            EXPECT_EQ(cover[c], cells[c] != 0 ? start[c] : -1) << line << " cell " << c;
        }
        for (int c = 0, narrowed = 0; c < 81 && narrowed < 12; ++c) {
            if (cells[c] == 0) continue;
            cells[c] = static_cast<std::uint16_t>(1u << (answer[c / 9][c % 9] - 1));
            ++narrowed;
        }
        EXPECT_FALSE(engine::placementsRefute(placements, cells)) << line;
        ++checked;
    }
    EXPECT_GE(checked, 50);
}

// A completion the local search reports is one: every open cell within its candidates and no
// two peers alike; so it never reports one for a listed input that has none.
TEST(LocalSearch, ReportsOnlyCompletions) {
    int found = 0;
    for (const std::string& line :
         readLines(std::string(SUDOKU_SOURCE_DIR) + "/tests/adversarial.txt")) {
        Grid puzzle;
        if (line.empty() || line[0] == '#' || !gridFromLine(line, puzzle)) continue;
        std::uint16_t cells[81];
        candidatesOf(puzzle, cells);
        std::int8_t model[81], closest[81];
        if (!engine::searchLocally(cells, 5000, model, closest)) continue;
        EXPECT_NE(line.find(" solvable"), std::string::npos) << line;
        for (int c = 0; c < 81; ++c) {
            if (cells[c] == 0) continue;
            ASSERT_TRUE(model[c] >= 0 && (cells[c] >> model[c] & 1u)) << line;
            for (int o = 0; o < c; ++o) {
                const bool peer = c / 9 == o / 9 || c % 9 == o % 9 ||
                                  (c / 27 == o / 27 && c % 9 / 3 == o % 9 / 3);
                EXPECT_FALSE(peer && cells[o] != 0 && model[o] == model[c]) << line;
            }
        }
        ++found;
    }
    EXPECT_GE(found, 50);
}

}  // namespace
