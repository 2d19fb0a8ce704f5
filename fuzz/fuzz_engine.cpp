// Fuzzes solveSudoku and checkSudoku on arbitrary grids, against the plain row-major search where
// it finishes within a node budget.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "reference_solver.h"
#include "solver.h"

namespace {

constexpr std::uint64_t kReferenceBudget = 20000;

// '1' to '9' are digits and '0' or '.' empty, so collection lines are inputs as they stand.
// Other bytes: below 128 empty, 128 to 235 a digit, 236 to 245 the values 10 to 19, and 246 to
// 255 the values -1 to -10.
Cell cellOf(std::uint8_t byte) {
    if (byte >= '1' && byte <= '9') return static_cast<Cell>(byte - '0');
    if (byte < 128) return 0;
    if (byte < 236) return static_cast<Cell>(1 + (byte - 128) % 9);
    if (byte < 246) return static_cast<Cell>(byte - 226);
    return static_cast<Cell>(245 - byte);
}

bool inRange(const Grid& grid) {
    for (const auto& row : grid) {
        for (const Cell v : row) {
            if (v < 0 || v > 9) return false;
        }
    }
    return true;
}

bool repeatsGiven(const Grid& grid) {
    for (int i = 0; i < kCellCount; ++i) {
        for (int j = i + 1; j < kCellCount; ++j) {
            const int r = i / 9, c = i % 9, r2 = j / 9, c2 = j % 9;
            const bool peer = r2 == r || c2 == c || (r2 / 3 == r / 3 && c2 / 3 == c / 3);
            if (peer && grid[r][c] != 0 && grid[r][c] == grid[r2][c2]) return true;
        }
    }
    return false;
}

[[noreturn]] void fail(const char* what, const Grid& puzzle) {
    std::fprintf(stderr, "%s on puzzle ", what);
    for (const auto& row : puzzle) {
        for (const Cell v : row) std::fprintf(stderr, "%d,", v);
    }
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kCellCount) return -1;
    Grid puzzle, answer, reference;
    for (int i = 0; i < kCellCount; ++i) puzzle[i / 9][i % 9] = cellOf(data[i]);
    const int status = solveSudoku(puzzle, answer);
    if (status == kStatusOk) {
        if (!isCompletion(puzzle, answer)) fail("not a completion", puzzle);
        // A completion repeats a value exactly when the givens already did.
        if ((checkSudoku(answer) == kStatusOk) == repeatsGiven(puzzle)) {
            fail("check disagrees with the givens", puzzle);
        }
    } else {
        for (int i = 0; i < kCellCount; ++i) {
            if (answer[i / 9][i % 9] != puzzle[i / 9][i % 9])
                fail("failure changed the grid", puzzle);
        }
    }
    if (!inRange(puzzle)) {
        if (status != kStatusFailed) fail("out-of-range cell accepted", puzzle);
        return 0;
    }
    const int expected = referenceSolve(puzzle, reference, kReferenceBudget);
    if (expected == kReferenceGaveUp) return 0;
    if (expected != status) fail("status differs from the plain search", puzzle);
    for (int i = 0; i < kCellCount; ++i) {
        if (answer[i / 9][i % 9] != reference[i / 9][i % 9]) fail("answer differs", puzzle);
    }
    return 0;
}
