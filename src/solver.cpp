// solveSudoku on top of the search engine, and the answer check.
#include "solver.h"

#include <cstdint>

#include "engine/engine.h"

namespace {

bool cellsInRange(const Grid& grid) {
    for (const auto& row : grid) {
        for (const Cell cell : row) {
            if (cell < 0 || cell > 9) return false;
        }
    }
    return true;
}

}  // namespace

int solveSudoku(const Grid& puzzle, Grid& solution) {
    for (int r = 0; r < kGridSize; ++r) {
        for (int c = 0; c < kGridSize; ++c) solution[r][c] = puzzle[r][c];
    }
    // A cell outside 0 to 9 names no digit: such a puzzle has no completion to look for.
    if (!cellsInRange(puzzle)) return kStatusFailed;
    return findSmallestCompletion(puzzle, solution) ? kStatusOk : kStatusFailed;
}

// A value repeats in some row, column or box exactly when two cells of one unit hold it; the
// cell-by-cell scan of the definition finds the same grids. Values are any 8-bit cell values.
int checkSudoku(const Grid& grid) {
    for (int unit = 0; unit < kGridSize; ++unit) {
        // Bit v + 128 of the four words: value v seen in this row, column or box.
        std::uint64_t row[4] = {}, column[4] = {}, box[4] = {};
        auto repeats = [](std::uint64_t(&seen)[4], Cell value) {
            const int index = value + 128;
            const std::uint64_t bit = std::uint64_t{1} << (index % 64);
            if (seen[index / 64] & bit) return true;
            seen[index / 64] |= bit;
            return false;
        };
        for (int k = 0; k < kGridSize; ++k) {
            const int r = unit / kBoxSize * kBoxSize + k / kBoxSize;
            const int c = unit % kBoxSize * kBoxSize + k % kBoxSize;
            if (repeats(row, grid[unit][k]) || repeats(column, grid[k][unit]) ||
                repeats(box, grid[r][c])) {
                return kStatusFailed;
            }
        }
    }
    return kStatusOk;
}
