// The shipped puzzle set: remade exactly by its generator, and every puzzle unique and minimal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "puzzle_file.h"
#include "test_support.h"

namespace {

const std::string kShipped = std::string(SUDOKU_SOURCE_DIR) + "/sudoku";

std::string name(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "/%04d.txt", index);
    return text;
}

TEST(PuzzleSet, GeneratorRemakesShippedFiles) {
    for (const int index : {0, 1, 500, 999}) {
        const ScratchDir out;
        const RunResult r = runIn(out.path(), quoted(SUDOKU_MAKE_PUZZLES) + " --first " +
                                                  std::to_string(index) + " --count 1 --out .");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFile(out.path() + name(index)), readFile(kShipped + name(index))) << index;
    }
}

TEST(PuzzleSet, GeneratorRejectsBadArguments) {
    const ScratchDir out;
    EXPECT_EQ(runIn(out.path(), quoted(SUDOKU_MAKE_PUZZLES) + " --help").status, 0);
    EXPECT_EQ(runIn(out.path(), quoted(SUDOKU_MAKE_PUZZLES) + " --count x").status, 2);
    EXPECT_EQ(runIn(out.path(), quoted(SUDOKU_MAKE_PUZZLES) + " --out missing/dir").status, 1);
}

TEST(PuzzleSet, EveryShippedPuzzleHasOneSolutionAndNoSpareGiven) {
    for (int index = 0; index < 1000; ++index) {
        Grid puzzle = {};
        readFromFile(puzzle, (kShipped + name(index)).c_str());
        ASSERT_EQ(countCompletions(puzzle, 2), 1) << index;
        for (auto& row : puzzle) {
            for (Cell& cell : row) {
                if (cell == 0) continue;
                const Cell held = cell;
                cell = 0;
                ASSERT_EQ(countCompletions(puzzle, 2), 2) << index;
                cell = held;
            }
        }
    }
}

}  // namespace
