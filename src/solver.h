// Solving a puzzle and checking an answer.
#pragma once

#include "sudoku_grid.h"

// Copies `puzzle` into `solution` and completes it: each empty cell gets a digit that repeats
// nothing in its row, column or box, and of all completions the smallest (read row by row as 81
// digits) is the answer. Givens are taken as they stand, even when they repeat each other.
// Returns kStatusOk, or kStatusFailed with `solution` equal to `puzzle` when there is no
// completion or a cell holds a value outside 0 to 9.
int solveSudoku(const Grid& puzzle, Grid& solution);

// Returns kStatusFailed when a value (empty cells included) repeats within a row, a column or a
// box, and kStatusOk otherwise. It does not ask whether the cells are filled.
int checkSudoku(const Grid& grid);
