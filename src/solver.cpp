// solveSudoku on top of the search engine, and the answer check.
#include "solver.h"

#include "engine.h"

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

int checkSudoku(const Grid& grid) {
    for (int i = 0; i < kGridSize; ++i) {
        for (int j = 0; j < kGridSize; ++j) {
            const Cell v = grid[i][j];
            for (int k = 0; k < kGridSize; ++k) {
                if (k != j && grid[i][k] == v) return kStatusFailed;
            }
            for (int k = 0; k < kGridSize; ++k) {
                if (k != i && grid[k][j] == v) return kStatusFailed;
            }
            // Box cells in the same row or column were covered above.
            const int top = i / kBoxSize * kBoxSize, left = j / kBoxSize * kBoxSize;
            for (int k = top; k < top + kBoxSize; ++k) {
                for (int l = left; l < left + kBoxSize; ++l) {
                    if (k != i && l != j && grid[k][l] == v) return kStatusFailed;
                }
            }
        }
    }
    return kStatusOk;
}
