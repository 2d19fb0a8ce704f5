// A quick necessary condition for puzzles whose givens repeat within a row, column or box.
#pragma once

#include "sudoku_grid.h"

// Every cell must hold 0 to 9. Returns false when the givens alone show that no completion can
// exist; true says nothing either way. Puzzles without repeated givens always pass.
//
// Why it works: placed digits repeat nothing, so a unit whose givens number g with d distinct
// digits ends up missing exactly g - d digits, and every other unit holds every digit once.
// Counting the cells that hold a digit x row by row, column by column and box by box must give
// the same number three times; the check looks for digit counts that all three can agree on.
bool repeatedGivensAllowCompletion(const Grid& puzzle);
