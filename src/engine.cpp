// The search engine: per-digit candidate bitboards, singles and locked candidates, and a
// most-constrained-cell search; a smallest-completion walk is layered on it only when the puzzle
// has more than one completion.
#include "engine.h"

#include <array>
#include <bit>
#include <cstdint>

namespace {

// The grid is held as three bands of three rows; a band is 27 bits, bit (r % 3) * 9 + c.
constexpr int kBands = 3;
constexpr int kDigits = 9;
constexpr std::uint32_t kBandMask = (1u << 27) - 1;
constexpr std::uint32_t kUnitMask = 0x1FF;
constexpr std::uint32_t kColumnBits = 1u | 1u << 9 | 1u << 18;
constexpr std::uint32_t kBoxBits = 0x7u | 0x7u << 9 | 0x7u << 18;

using BandSet = std::array<std::uint32_t, kBands>;

constexpr std::uint32_t rowMask(int rowInBand) { return kUnitMask << (9 * rowInBand); }
constexpr std::uint32_t boxMask(int stack) { return kBoxBits << (3 * stack); }

// Cells sharing a row, column or box with each cell, the cell itself excluded.
constexpr std::array<BandSet, kCellCount> makePeers() {
    std::array<BandSet, kCellCount> peers{};
    for (int i = 0; i < kCellCount; ++i) {
        const int r = i / 9, c = i % 9;
        for (int j = 0; j < kCellCount; ++j) {
            const int r2 = j / 9, c2 = j % 9;
            const bool sameBox = r / 3 == r2 / 3 && c / 3 == c2 / 3;
            if (j != i && (r == r2 || c == c2 || sameBox)) peers[i][j / 27] |= 1u << (j % 27);
        }
    }
    return peers;
}
constexpr std::array<BandSet, kCellCount> kPeers = makePeers();

struct Board {
    // candidates[d] holds the cells where digit d + 1 may stand, its placed cells included.
    std::uint32_t candidates[kDigits][kBands];
    std::uint32_t solved[kBands];
};

// "Every missing digit must appear in this unit" holds only in a unit whose givens are distinct
// digits; these masks (bit k for row, column or box k) name those units.
struct Units {
    std::uint32_t rows = kUnitMask;
    std::uint32_t columns = kUnitMask;
    std::uint32_t boxes = kUnitMask;
};

struct Search {
    Units units;
    int limit = 0;
    int found = 0;
    Board first;
    Board second;
};

void place(Board& s, int digit, int band, std::uint32_t bit, int cell) {
    for (auto& candidate : s.candidates) candidate[band] &= ~bit;
    s.candidates[digit][band] |= bit;
    const BandSet& peers = kPeers[cell];
    for (int b = 0; b < kBands; ++b) s.candidates[digit][b] &= ~peers[b];
    s.solved[band] |= bit;
}

int cellOf(int band, std::uint32_t bit) { return band * 27 + std::countr_zero(bit); }

bool isSolved(const Board& s) {
    return (s.solved[0] & s.solved[1] & s.solved[2]) == kBandMask;
}

// Places every cell left with one candidate. Returns false on a cell with none.
bool nakedSingles(Board& s, bool& changed) {
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t open = ~s.solved[b] & kBandMask;
        if (open == 0) continue;
        std::uint32_t once = 0, twice = 0;
        for (const auto& candidate : s.candidates) {
            twice |= once & candidate[b];
            once |= candidate[b];
        }
        if (open & ~once) return false;
        std::uint32_t singles = open & ~twice;
        while (singles != 0) {
            const std::uint32_t bit = singles & (0u - singles);
            singles ^= bit;
            int digit = 0;
            while (digit < kDigits && (s.candidates[digit][b] & bit) == 0) ++digit;
            if (digit == kDigits) return false;  // an earlier placement took its last candidate
            place(s, digit, b, bit, cellOf(b, bit));
            changed = true;
        }
    }
    return true;
}

// Places every digit left with one cell in a row, column or box that must hold it.
bool hiddenSingles(Board& s, const Units& units, bool& changed) {
    for (int d = 0; d < kDigits; ++d) {
        const std::uint32_t* cand = s.candidates[d];
        for (int b = 0; b < kBands; ++b) {
            for (int k = 0; k < 3; ++k) {
                if (units.rows >> (3 * b + k) & 1u) {
                    const std::uint32_t row = cand[b] & rowMask(k);
                    if (row == 0) return false;
                    if ((row & (row - 1)) == 0 && (row & s.solved[b]) == 0) {
                        place(s, d, b, row, cellOf(b, row));
                        changed = true;
                    }
                }
                if (units.boxes >> (3 * b + k) & 1u) {
                    const std::uint32_t box = cand[b] & boxMask(k);
                    if (box == 0) return false;
                    if ((box & (box - 1)) == 0 && (box & s.solved[b]) == 0) {
                        place(s, d, b, box, cellOf(b, box));
                        changed = true;
                    }
                }
            }
        }
        // Columns span the three bands: count candidates per column with two-bit counters.
        std::uint32_t once = 0, twice = 0;
        std::uint32_t perBand[kBands];
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t x = cand[b];
            const std::uint32_t r0 = x & kUnitMask, r1 = x >> 9 & kUnitMask, r2 = x >> 18;
            perBand[b] = r0 | r1 | r2;
            twice |= (r0 & r1) | (r0 & r2) | (r1 & r2) | (once & perBand[b]);
            once |= perBand[b];
        }
        if (~once & units.columns) return false;
        std::uint32_t singles = once & ~twice & units.columns;
        while (singles != 0) {
            const int c = std::countr_zero(singles);
            singles &= singles - 1;
            for (int b = 0; b < kBands; ++b) {
                const std::uint32_t bit = cand[b] & (kColumnBits << c);
                if (bit != 0) {
                    if ((bit & s.solved[b]) == 0) {
                        place(s, d, b, bit, cellOf(b, bit));
                        changed = true;
                    }
                    break;
                }
            }
        }
    }
    return true;
}

// Removes a digit from open cells of `mask` in one band; placed cells are never touched.
void eliminate(Board& s, int d, int b, std::uint32_t mask, bool& changed) {
    const std::uint32_t gone = s.candidates[d][b] & mask & ~s.solved[b];
    if (gone != 0) {
        s.candidates[d][b] &= ~gone;
        changed = true;
    }
}

// Box-line interactions: a digit confined to one line within a box, or to one box within a line.
void lockedCandidates(Board& s, const Units& units, bool& changed) {
    for (int d = 0; d < kDigits; ++d) {
        for (int b = 0; b < kBands; ++b) {
            for (int k = 0; k < 3; ++k) {  // row k of the band and box (b, k)
                for (int other = 0; other < 3; ++other) {
                    const std::uint32_t cand = s.candidates[d][b];
                    const std::uint32_t row = rowMask(k), box = boxMask(other);
                    const std::uint32_t inBox = cand & box, inRow = cand & row;
                    if ((units.boxes >> (3 * b + other) & 1u) && inBox != 0 && (inBox & ~row) == 0) {
                        eliminate(s, d, b, row & ~box, changed);
                    }
                    if ((units.rows >> (3 * b + k) & 1u) && inRow != 0 && (inRow & ~box) == 0) {
                        eliminate(s, d, b, box & ~row, changed);
                    }
                }
            }
        }
        for (int c = 0; c < 9; ++c) {
            const std::uint32_t column = kColumnBits << c;
            const int stack = c / 3;
            std::uint32_t bandsWithColumn = 0;
            for (int b = 0; b < kBands; ++b) {
                if (s.candidates[d][b] & column) bandsWithColumn |= 1u << b;
            }
            for (int b = 0; b < kBands; ++b) {
                const std::uint32_t inBox = s.candidates[d][b] & boxMask(stack);
                // Pointing: the box's candidates all lie in this column.
                if ((units.boxes >> (3 * b + stack) & 1u) && inBox != 0 && (inBox & ~column) == 0) {
                    for (int o = 0; o < kBands; ++o) {
                        if (o != b) eliminate(s, d, o, column, changed);
                    }
                }
                // Claiming: the column's candidates all lie in this band, so in this box.
                if ((units.columns >> c & 1u) && bandsWithColumn == 1u << b) {
                    eliminate(s, d, b, boxMask(stack) & ~column, changed);
                }
            }
        }
    }
}

// Runs the deductions to a fixed point. Returns false when the board has no completion.
bool propagate(Board& s, const Units& units) {
    for (;;) {
        bool changed = false;
        if (!nakedSingles(s, changed)) return false;
        if (changed) continue;
        if (!hiddenSingles(s, units, changed)) return false;
        if (changed) continue;
        if (isSolved(s)) return true;
        lockedCandidates(s, units, changed);
        if (!changed) return true;
    }
}

// The open cell with the fewest candidates, preferring the first with two.
int chooseCell(const Board& s) {
    int best = -1, bestCount = kDigits + 1;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t open = ~s.solved[b] & kBandMask;
        if (open == 0) continue;
        std::uint32_t once = 0, twice = 0, thrice = 0;
        for (const auto& candidate : s.candidates) {
            thrice |= twice & candidate[b];
            twice |= once & candidate[b];
            once |= candidate[b];
        }
        const std::uint32_t pairs = open & twice & ~thrice;
        if (pairs != 0) return cellOf(b, pairs & (0u - pairs));
        for (std::uint32_t rest = open; rest != 0; rest &= rest - 1) {
            const std::uint32_t bit = rest & (0u - rest);
            int count = 0;
            for (const auto& candidate : s.candidates) count += (candidate[b] & bit) != 0;
            if (count < bestCount) {
                bestCount = count;
                best = cellOf(b, bit);
            }
        }
    }
    return best;
}

// Depth-first search over the choice cell's digits, recording up to `limit` completions.
void search(Board& s, Search& ctx) {
    const int cell = chooseCell(s);
    const int b = cell / 27;
    const std::uint32_t bit = 1u << (cell % 27);
    int remaining = 0;
    for (const auto& candidate : s.candidates) remaining += (candidate[b] & bit) != 0;
    for (int d = 0; d < kDigits; ++d) {
        if ((s.candidates[d][b] & bit) == 0) continue;
        --remaining;
        Board copy;
        Board& next = remaining == 0 ? s : (copy = s);
        place(next, d, b, bit, cell);
        if (!propagate(next, ctx.units)) continue;
        if (isSolved(next)) {
            (ctx.found == 0 ? ctx.first : ctx.second) = next;
            ++ctx.found;
        } else {
            search(next, ctx);
        }
        if (ctx.found >= ctx.limit) return;
    }
}

int valueAt(const Board& s, int cell) {
    const int b = cell / 27;
    const std::uint32_t bit = 1u << (cell % 27);
    for (int d = 0; d < kDigits; ++d) {
        if (s.candidates[d][b] & bit) return d + 1;
    }
    return 0;
}

void toGrid(const Board& s, Grid& out) {
    for (int cell = 0; cell < kCellCount; ++cell) {
        out[cell / 9][cell % 9] = static_cast<Cell>(valueAt(s, cell));
    }
}

bool lessThan(const Board& a, const Board& b) {
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int x = valueAt(a, cell), y = valueAt(b, cell);
        if (x != y) return x < y;
    }
    return false;
}

Units unitsOf(const Grid& puzzle) {
    Units units;
    for (int r = 0; r < kGridSize; ++r) {
        for (int c = 0; c < kGridSize; ++c) {
            const int v = puzzle[r][c];
            if (v == 0) continue;
            for (int r2 = 0; r2 < kGridSize; ++r2) {
                for (int c2 = 0; c2 < kGridSize; ++c2) {
                    if ((r2 == r && c2 == c) || puzzle[r2][c2] != v) continue;
                    if (r2 == r) units.rows &= ~(1u << r);
                    if (c2 == c) units.columns &= ~(1u << c);
                    if (r2 / 3 == r / 3 && c2 / 3 == c / 3) units.boxes &= ~(1u << (r / 3 * 3 + c / 3));
                }
            }
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

// Runs the search from a propagated, unsolved board.
int runSearch(const Board& start, Search& ctx, int limit) {
    ctx.limit = limit;
    ctx.found = 0;
    Board s = start;
    search(s, ctx);
    return ctx.found;
}

// Whether the board (already propagated) has a completion; on true, `witness` holds one.
bool completes(const Board& s, Search& ctx, Board& witness) {
    if (isSolved(s)) {
        witness = s;
        return true;
    }
    if (runSearch(s, ctx, 1) == 0) return false;
    witness = ctx.first;
    return true;
}

}  // namespace

bool findSmallestCompletion(const Grid& puzzle, Grid& out) {
    Search ctx;
    ctx.units = unitsOf(puzzle);
    Board root = boardOf(puzzle);
    if (!propagate(root, ctx.units)) return false;
    if (isSolved(root)) {
        toGrid(root, out);
        return true;
    }
    const int found = runSearch(root, ctx, 2);
    if (found == 0) return false;
    if (found == 1) {
        toGrid(ctx.first, out);
        return true;
    }
    // Several completions: fix cells in row-major order to the smallest digit that still
    // completes. A known completion (the witness) answers that question for its own digit, so
    // only smaller digits need a search.
    Board witness = lessThan(ctx.second, ctx.first) ? ctx.second : ctx.first;
    Board current = root;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        if (current.solved[b] & bit) continue;
        const int known = valueAt(witness, cell) - 1;
        bool settled = false;
        for (int d = 0; d < known && !settled; ++d) {
            if ((current.candidates[d][b] & bit) == 0) continue;
            Board trial = current;
            place(trial, d, b, bit, cell);
            if (propagate(trial, ctx.units) && completes(trial, ctx, witness)) {
                current = trial;
                settled = true;
            } else {
                current.candidates[d][b] &= ~bit;
            }
        }
        if (!settled) {
            place(current, known, b, bit, cell);
            propagate(current, ctx.units);  // cannot fail: the witness completes it
        }
    }
    toGrid(witness, out);
    return true;
}

int countCompletions(const Grid& puzzle, int limit) {
    if (limit <= 0) return 0;
    Search ctx;
    ctx.units = unitsOf(puzzle);
    Board root = boardOf(puzzle);
    if (!propagate(root, ctx.units)) return 0;
    if (isSolved(root)) return 1;
    return runSearch(root, ctx, limit);
}
