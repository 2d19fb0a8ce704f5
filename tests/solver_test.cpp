// solveSudoku and checkSudoku on the cases whose answers are known by hand.
#include "solver.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

// The smallest completion of the empty grid.
const std::string kFirstGrid =
    "123456789456789123789123456214365897365897214897214365531642978642978531978531642";

// Grids cannot be returned by value; this carries one.
struct Board {
    Grid grid;
};

Board boardOf(const std::string& line) {
    Board board;
    EXPECT_TRUE(gridFromLine(line, board.grid)) << line;
    return board;
}

struct Solved {
    int status;
    std::string solution;
};

Solved solve(const std::string& line) {
    const Board puzzle = boardOf(line);
    Grid solution;
    for (auto& row : solution) {
        for (Cell& cell : row) cell = 5;  // overwritten in full
    }
    const int status = solveSudoku(puzzle.grid, solution);
    return {status, lineFromGrid(solution)};
}

TEST(Solve, EmptyPuzzleGivesTheSmallestGrid) {
    const Solved s = solve(std::string(81, '0'));
    EXPECT_EQ(s.status, kStatusOk);
    EXPECT_EQ(s.solution, kFirstGrid);
    EXPECT_EQ(checkSudoku(boardOf(s.solution).grid), kStatusOk);
}

TEST(Solve, FullPuzzleComesBackUnchangedEvenWithRepeatedGivens) {
    EXPECT_EQ(solve(kFirstGrid).solution, kFirstGrid);
    const std::string repeated(81, '7');
    const Solved s = solve(repeated);
    EXPECT_EQ(s.status, kStatusOk);
    EXPECT_EQ(s.solution, repeated);
    EXPECT_EQ(checkSudoku(boardOf(repeated).grid), kStatusFailed);
}

TEST(Solve, RepeatedGivensDoNotStopACompletion) {
    // A 2 given twice in the top row; the cleared cells elsewhere still fill.
    std::string puzzle = kFirstGrid;
    puzzle[0] = '2';
    for (const int cell : {40, 70, 80}) puzzle[cell] = '0';
    std::string expected = kFirstGrid;
    expected[0] = '2';
    const Solved s = solve(puzzle);
    EXPECT_EQ(s.status, kStatusOk);
    EXPECT_EQ(s.solution, expected);
}

TEST(Solve, RepeatedGivensThatLeaveNoRoomFail) {
    // Two 9s in column 0, in boxes 3 and 6, leave columns 1 and 2 both needing their 9 in box 0.
    // The plain row-major walk does not see this in any sane time.
    std::string puzzle(81, '0');
    puzzle[0] = puzzle[1] = '1';
    puzzle[36] = puzzle[72] = '9';
    const Solved s = solve(puzzle);
    EXPECT_EQ(s.status, kStatusFailed);
    EXPECT_EQ(s.solution, puzzle);
}

TEST(Solve, FirstEmptyCellWithoutAFreeDigitFailsAndLeavesThePuzzle) {
    // Cell (0, 0) sees 1..8 in its row and 9 in its column.
    const std::string puzzle =
        "0"
        "12345678"
        "9" +
        std::string(71, '0');
    const Solved s = solve(puzzle);
    EXPECT_EQ(s.status, kStatusFailed);
    EXPECT_EQ(s.solution, puzzle);
}

TEST(Solve, UnsolvableLateContradictionLeavesThePuzzle) {
    // Bottom-right cell sees 1..8 in its row and 9 above it; all else open.
    std::string puzzle(81, '0');
    for (int c = 0; c < 8; ++c) puzzle[72 + c] = char('1' + c);
    puzzle[9 * 5 + 8] = '9';
    const Solved s = solve(puzzle);
    EXPECT_EQ(s.status, kStatusFailed);
    EXPECT_EQ(s.solution, puzzle);
}

TEST(Solve, SeveralSolutionsGiveTheSmallestCompletion) {
    // The smallest grid with a rectangle of 1s and 2s cleared (rows 0 and 3, columns 0 and 1,
    // two boxes): both ways to fill it back complete, and the smaller one is the original.
    std::string puzzle = kFirstGrid;
    for (const int cell : {0, 1, 27, 28}) puzzle[cell] = '0';
    const Solved s = solve(puzzle);
    EXPECT_EQ(s.status, kStatusOk);
    EXPECT_EQ(s.solution, kFirstGrid);
}

TEST(Solve, CellsOutsideZeroToNineAreRefused) {
    for (const Cell odd : {Cell{10}, Cell{44}, Cell{-1}, Cell{-128}, Cell{127}}) {
        Grid puzzle = {};
        puzzle[4][4] = odd;
        Grid solution;
        EXPECT_EQ(solveSudoku(puzzle, solution), kStatusFailed) << int(odd);
        EXPECT_EQ(solution[4][4], odd);
        EXPECT_EQ(solution[0][0], 0);
    }
}

TEST(Check, ValidGridPassesAndOneEmptyCellStillPasses) {
    Board board = boardOf(kFirstGrid);
    EXPECT_EQ(checkSudoku(board.grid), kStatusOk);
    board.grid[3][3] = 0;
    EXPECT_EQ(checkSudoku(board.grid), kStatusOk);
    board.grid[3][7] = 0;  // a second empty cell in the same row repeats 0
    EXPECT_EQ(checkSudoku(board.grid), kStatusFailed);
}

TEST(Check, RepetitionInRowColumnOrBoxFails) {
    Grid latin;  // every row and column holds 1..9 once, boxes repeat
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) latin[r][c] = static_cast<Cell>((r + c) % 9 + 1);
    }
    EXPECT_EQ(checkSudoku(latin), kStatusFailed);

    Board column = boardOf(kFirstGrid);
    std::swap(column.grid[0][0], column.grid[0][1]);  // row still fine, columns now repeat
    EXPECT_EQ(checkSudoku(column.grid), kStatusFailed);

    Board odd = boardOf(kFirstGrid);
    odd.grid[8][8] = 44;  // a value outside 1..9 that repeats nothing passes the check
    EXPECT_EQ(checkSudoku(odd.grid), kStatusOk);
}

}  // namespace
