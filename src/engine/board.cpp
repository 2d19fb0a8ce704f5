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

Units unitsOf(const Grid& puzzle) {
    Units units;
    std::uint32_t rowSeen[9] = {}, columnSeen[9] = {}, boxSeen[9] = {};
    for (int r = 0; r < kGridSize; ++r) {
        for (int c = 0; c < kGridSize; ++c) {
            if (puzzle[r][c] == 0) continue;
            const std::uint32_t digit = 1u << puzzle[r][c];
            const int box = r / 3 * 3 + c / 3;
            if (rowSeen[r] & digit) units.rows &= ~(1u << r);
            if (columnSeen[c] & digit) units.columns &= ~(1u << c);
            if (boxSeen[box] & digit) units.boxes &= ~(1u << box);
            rowSeen[r] |= digit;
            columnSeen[c] |= digit;
            boxSeen[box] |= digit;
        }
    }
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
    return units;
}

// Givens are set as they stand; each empty cell starts with the digits no given among its peers
// holds. Givens are not placed through `place`, which would strike a repeated given.
Board boardOf(const Grid& puzzle) {
    Board s{};
    std::uint32_t open[kBands] = {};
    BandSet taken[kDigits] = {};
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int v = puzzle[cell / 9][cell % 9];
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        if (v == 0) {
            open[b] |= bit;
            continue;
        }
        s.candidates[v - 1][b] |= bit;
        for (int o = 0; o < kBands; ++o) taken[v - 1][o] |= kPeers[cell][o];
    }
    for (int d = 0; d < kDigits; ++d) {
        for (int b = 0; b < kBands; ++b) s.candidates[d][b] |= open[b] & ~taken[d][b];
    }
    for (int b = 0; b < kBands; ++b) s.solved[b] = ~open[b] & kBandMask;
    return s;
}

}  // namespace engine
