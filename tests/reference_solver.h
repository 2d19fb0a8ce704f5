// The plain row-major backtracking search, digits ascending, no propagation: the behaviour the
// engine must reproduce, kept to test and measure the engine against.
#pragma once

#include <cstdint>

#include "sudoku_grid.h"

// What referenceSolve returns when it spent its node budget before finishing.
constexpr int kReferenceGaveUp = 1;

// Same contract as solveSudoku for cells 0 to 9 (the caller guarantees the range). Each visit of
// an empty cell costs one node; past `budget` nodes it stops and returns kReferenceGaveUp, with
// `solution` in an unspecified state.
int referenceSolve(const Grid& puzzle, Grid& solution, std::uint64_t budget);

// Whether `answer` completes `puzzle` as the rules ask: givens kept, every empty cell filled with a
// digit that repeats nothing in its row, column or box. Givens are not checked against each other.
bool isCompletion(const Grid& puzzle, const Grid& answer);
