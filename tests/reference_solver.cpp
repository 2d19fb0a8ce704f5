// The reference search, written as the plain walk: a fresh taken-table per visit of an empty cell;
// and the completion check every answer is held to.
#include "reference_solver.h"

namespace {

struct Walk {
    const Grid& puzzle;
    Grid& solution;
    std::uint64_t budget;
    bool gaveUp = false;
};

int solve(Walk& walk, int row, int col) {
    if (row > 8 || col > 8 || row < 0 || col < 0) return kStatusOk;
    const int nextRow = col == 8 ? row + 1 : row;
    const int nextCol = col == 8 ? 0 : col + 1;
    if (walk.puzzle[row][col] != 0) {
        return solve(walk, nextRow, nextCol) == kStatusOk ? kStatusOk : kStatusFailed;
    }
    if (walk.budget == 0) {
        walk.gaveUp = true;
        return kStatusFailed;
    }
    --walk.budget;
    unsigned char taken[10] = {};
    Grid& s = walk.solution;
    for (int k = 0; k < 9; ++k) {
        if (s[row][k] != 0) taken[s[row][k]] = 0xFF;
    }
    for (int k = 0; k < 9; ++k) {
        if (s[k][col] != 0) taken[s[k][col]] = 0xFF;
    }
    for (int k = row / 3 * 3; k < row / 3 * 3 + 3; ++k) {
        for (int l = col / 3 * 3; l < col / 3 * 3 + 3; ++l) {
            if (s[k][l] != 0) taken[s[k][l]] = 0xFF;
        }
    }
    for (int d = 1; d <= 9; ++d) {
        if (taken[d] != 0) continue;
        s[row][col] = static_cast<Cell>(d);
        if (solve(walk, nextRow, nextCol) == kStatusOk) return kStatusOk;
        if (walk.gaveUp) return kStatusFailed;
    }
    s[row][col] = 0;
    return kStatusFailed;
}

}  // namespace

int referenceSolve(const Grid& puzzle, Grid& solution, std::uint64_t budget) {
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) solution[r][c] = puzzle[r][c];
    }
    Walk walk{puzzle, solution, budget};
    const int status = solve(walk, 0, 0);
    return walk.gaveUp ? kReferenceGaveUp : status;
}

bool isCompletion(const Grid& puzzle, const Grid& answer) {
    for (int i = 0; i < kCellCount; ++i) {
        const int r = i / 9, c = i % 9;
        const Cell v = answer[r][c];
        if (puzzle[r][c] != 0) {
            if (v != puzzle[r][c]) return false;
            continue;
        }
        if (v < 1 || v > 9) return false;
        for (int j = 0; j < kCellCount; ++j) {
            const int r2 = j / 9, c2 = j % 9;
            const bool peer = r2 == r || c2 == c || (r2 / 3 == r / 3 && c2 / 3 == c / 3);
            if (j != i && peer && answer[r2][c2] == v) return false;
        }
    }
    return true;
}
