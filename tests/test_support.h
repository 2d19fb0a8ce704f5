// Helpers shared by the tests: grids as 81-character lines, puzzle collections, files and runs of
// the built programs in scratch folders.
#pragma once

#include <string>
#include <vector>

#include "sudoku_grid.h"

// Reads 81 characters ('.' or '0' for empty) into a grid; false on anything else.
bool gridFromLine(const std::string& line, Grid& grid);
std::string lineFromGrid(const Grid& grid);

// Up to `limit` lines of a text file; empty when it cannot be read.
std::vector<std::string> readLines(const std::string& path, std::size_t limit = SIZE_MAX);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// A fresh folder removed with everything in it when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

#ifndef _WIN32
struct RunResult {
    int status = -1;  // the exit status as a shell sees it, 0 to 255
    std::string out;
    std::string err;
};

// Runs `command` (already quoted) with `dir` as working directory and no standard input.
RunResult runIn(const std::string& dir, const std::string& command);
std::string quoted(const std::string& text);
#endif
