// From a grid to a board and back.
#include "engine/board.h"

namespace engine {

int valueAt(const Board& s, int cell) {
    const int b = cell / 27;
    const std::uint32_t bit = 1u << (cell % 27);
    for (int d = 0; d < kDigits; ++d) {
        if (s.candidates[d][b] & bit) return d + 1;
    }
    return 0;
}

void toGrid(const Board& s, Grid& out) {
    for (int d = 0; d < kDigits; ++d) {
        for (int b = 0; b < kBands; ++b) {
            for (std::uint32_t bits = s.candidates[d][b]; bits != 0; bits &= bits - 1) {
                const int cell = cellOf(b, bits);
                out[cell / 9][cell % 9] = static_cast<Cell>(d + 1);
            }
        }
    }
}

// Givens are set as they stand; each empty cell starts with the digits no given among its peers
// holds. Givens are not placed through `place`, which would strike a repeated given.
Board boardOf(const Grid& puzzle, Units& units) {
    Board s{};
    units = Units{};
    // Per value (0 for an empty cell), the cells that hold it: no branch per cell.
    std::uint32_t given[kDigits + 1][kBands] = {};
    for (int r = 0; r < kGridSize; ++r) {
        const int b = r / 3, shift = r % 3 * 9;
        for (int c = 0; c < kGridSize; ++c) given[puzzle[r][c]][b] |= 1u << (shift + c);
    }
    const std::uint32_t* open = given[0];
    for (int d = 0; d < kDigits; ++d) {
        const std::uint32_t* x = given[d + 1];
        // The rows, columns and boxes that hold the digit, spread over their cells: every peer
        // of a given, and the givens themselves, which are not open.
        std::uint32_t columns = 0, twiceInColumn = 0, taken[kBands];
        for (int b = 0; b < kBands; ++b) {
            // Units where the digit is given twice or more.
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t row = x[b] & rowMask(k), box = x[b] & boxMask(k);
                units.rows &= ~(static_cast<std::uint32_t>((row & (row - 1)) != 0) << (3 * b + k));
                units.boxes &= ~(static_cast<std::uint32_t>((box & (box - 1)) != 0) << (3 * b + k));
            }
            const std::uint32_t r0 = x[b] & kUnitMask, r1 = x[b] >> 9 & kUnitMask, r2 = x[b] >> 18;
            twiceInColumn |= (r0 & r1) | (r0 & r2) | (r1 & r2) | (columns & (r0 | r1 | r2));
            const std::uint32_t rows = (x[b] & rowMask(0) ? rowMask(0) : 0) |
                                       (x[b] & rowMask(1) ? rowMask(1) : 0) |
                                       (x[b] & rowMask(2) ? rowMask(2) : 0);
            const std::uint32_t folded = (x[b] | x[b] >> 9 | x[b] >> 18) & kUnitMask;
            const std::uint32_t boxes = (folded & 7u ? boxMask(0) : 0) |
                                        (folded & 070u ? boxMask(1) : 0) |
                                        (folded & 0700u ? boxMask(2) : 0);
            taken[b] = rows | boxes;
            columns |= folded;
        }
        units.columns &= ~twiceInColumn;
        for (int b = 0; b < kBands; ++b) {
            taken[b] |= kColumnBits * columns;
            s.candidates[d][b] = x[b] | (open[b] & ~taken[b]);
        }
    }
    for (int b = 0; b < kBands; ++b) s.solved[b] = ~open[b] & kBandMask;
    units.allNeedEveryDigit = (units.rows & units.columns & units.boxes) == kUnitMask;
    for (int k = 0; k < 3; ++k) {
        const std::uint32_t bandBoxes = 7u << (3 * k), stackBoxes = 0x49u << k;
        if ((units.rows >> (3 * k) & 7u) != 7u || (units.boxes & bandBoxes) != bandBoxes) {
            units.bands &= ~(1u << k);
        }
        if ((units.columns >> (3 * k) & 7u) != 7u || (units.boxes & stackBoxes) != stackBoxes) {
            units.stacks &= ~(1u << k);
        }
    }
    return s;
}

}  // namespace engine
