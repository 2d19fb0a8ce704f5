// Loads benchmark inputs: collection files of one 81-character puzzle per line, or batch folders.
#pragma once

#include <string>
#include <vector>

#include "sudoku_grid.h"

struct PuzzleEntry {
    Grid puzzle;
    std::string solution;  // the known solution as 81 digits, or empty
};

// Reads the first 81 characters of `line` ('.' or '0' for empty, '1' to '9'); false on others.
bool parsePuzzleLine(const std::string& line, Grid& grid);

// A file holds one puzzle per line ('.' or '0' for empty; other lines are skipped). Its known
// solutions are read from solutions/NAME.solution.txt beside it when that exists. A folder holds
// 0000.txt, 0001.txt, ... in the batch format, read up to the first missing index. Returns false
// when `path` is neither.
bool loadPuzzles(const std::string& path, std::vector<PuzzleEntry>& out);
