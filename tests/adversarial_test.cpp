// A bound on every input: puzzles built or found to be slow for some way of searching must end,
// with the right status, a sound answer, and the same answer from both of the engine's methods.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
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

}  // namespace
