// The fast search engine behind solveSudoku: bit-parallel propagation with a cell-choice search.
#pragma once

#include "sudoku_grid.h"

// Every cell of `puzzle` must hold 0 to 9. A digit may be placed in an empty cell only where it
// repeats no value already in its row, column or box; givens are taken as they stand, even when
// they repeat each other.

// Branches the row-major search may try before the bounded method takes over (a two-hundredth
// of it where givens repeat). Of the public collections' 158,547 puzzles one needs more (line
// 45446 of 17_clue); inputs built against the walk reach the bounded method within about a
// millisecond.
constexpr int kRowMajorBudget = 2000;

// What one solve did, in units that do not depend on the machine: for finding slow inputs.
struct SolveWork {
    long propagations = 0;       // fixed points of the deductions run on a board
    long solverAssignments = 0;  // values the clause-learning solver assigned
    long solverConflicts = 0;
    long solverMatchingChecks = 0;  // runs of the solver's matching and subset rules
    long placementSteps = 0;        // steps of the count by whole placements
    long localSearchSteps = 0;      // moves of the search for a first completion
};

// Writes the smallest completion of `puzzle` (read row by row as 81 digits) to `out` and returns
// true, or returns false and leaves `out` untouched when the puzzle has no completion. Tests pass
// a small `rowMajorBudget` to reach the bounded method; `work`, when given, gets what it cost.
bool findSmallestCompletion(const Grid& puzzle, Grid& out, int rowMajorBudget = kRowMajorBudget,
                            SolveWork* work = nullptr);

// Counts the completions of `puzzle`, stopping at `limit`.
int countCompletions(const Grid& puzzle, int limit);
