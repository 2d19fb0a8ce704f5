// Reads one puzzle file into a grid.
#pragma once

#include "sudoku_grid.h"

// Reads up to 81 whitespace-separated decimal numbers, row by row, into `puzzle`. Each number is
// stored as its low byte. Reading stops at the end of the file or at the first text that is not a
// number; the cells not reached keep their earlier values. A file that cannot be opened ends the
// process with "fail to open the file" on standard error and exit status 1.
void readFromFile(Grid& puzzle, const char* path);
