// Matching passes for puzzles with repeated givens.
#include "engine/repeated_givens.h"

#include <bit>
#include <cstdint>

#include "engine/digit_counts.h"
#include "engine/tables.h"

namespace engine {

namespace {

// The same for a band or stack where some units have repeated givens and need not hold every
// digit. The digit's open cells still form a matching between the rows and boxes (or boxes and
// columns) that lack it, and that matching must reach every such unit that does need it.
struct Matching {
    std::uint16_t segments;  // bit row * 3 + box
    std::uint8_t rows, boxes;
};

// The 34 matchings of a 3 by 3 grid of segments.
constexpr std::array<Matching, 34> makeMatchings() {
    std::array<Matching, 34> list{};
    int count = 0;
    for (unsigned m = 0; m < 512; ++m) {
        unsigned rowSet = 0, boxSet = 0;
        bool clash = false;
        for (int bit = 0; bit < 9; ++bit) {
            if (!(m >> bit & 1u)) continue;
            const unsigned row = 1u << (bit / 3), box = 1u << (bit % 3);
            clash = clash || (rowSet & row) || (boxSet & box);
            rowSet |= row;
            boxSet |= box;
        }
        if (!clash) {
            list[count++] = {static_cast<std::uint16_t>(m), static_cast<std::uint8_t>(rowSet),
                             static_cast<std::uint8_t>(boxSet)};
        }
    }
    return list;
}
constexpr std::array<Matching, 34> kMatchings = makeMatchings();

// The segments used by some matching within `open` that reaches the needy rows and boxes, with
// kCoverable set when there is one.
constexpr unsigned kCoverable = 1u << 9;
unsigned coverUnion(unsigned needyRows, unsigned needyBoxes, unsigned open) {
    unsigned usable = 0;
    for (const Matching& m : kMatchings) {
        if ((m.segments & ~open) == 0 && (needyRows & ~m.rows) == 0 &&
            (needyBoxes & ~m.boxes) == 0) {
            usable |= m.segments | kCoverable;
        }
    }
    return usable;
}

// Whether every unit in `needy` can be given its own partner unit through `links` (bit i of
// links[u]: unit u and partner i share an open candidate cell). Augmenting paths, 9 by 9.
bool matchesAll(const std::uint32_t (&links)[9], std::uint32_t needy) {
    int partnerOf[9];  // partner -> unit, or -1
    for (int& p : partnerOf) p = -1;
    std::uint32_t taken = 0;  // partners with a unit
    for (; needy != 0; needy &= needy - 1) {
        // Depth-first search for an augmenting path from this unit, iteratively over a stack;
        // a free partner, where there is one, ends it at once.
        int stack[9], path[9], depth = 0;
        std::uint32_t tried = 0;
        stack[depth] = std::countr_zero(needy);
        std::uint32_t options[9];
        options[0] = links[stack[0]];
        bool found = false;
        while (depth >= 0 && !found) {
            const std::uint32_t open = options[depth] & ~tried;
            if (open == 0) {
                --depth;
                continue;
            }
            const std::uint32_t untaken = open & ~taken;
            const int partner = std::countr_zero(untaken != 0 ? untaken : open);
            tried |= 1u << partner;
            path[depth] = partner;
            if (partnerOf[partner] < 0) {
                taken |= 1u << partner;
                for (int k = depth; k >= 0; --k) partnerOf[path[k]] = stack[k];
                found = true;
            } else if (depth + 1 < 9) {
                ++depth;
                stack[depth] = partnerOf[partner];
                options[depth] = links[stack[depth]];
            }
        }
        if (!found) return false;
    }
    return true;
}

}  // namespace

// The matching form of the pass above, for bands and stacks with repeated givens.
bool partialPermutationPass(Board& s, int d, const Units& units, bool& changed) {
    std::uint32_t* cand = s.candidates[d];
    for (int b = 0; b < kBands; ++b) {
        if (units.bands >> b & 1u) continue;
        const std::uint32_t open = cand[b] & ~s.solved[b], placed = cand[b] & s.solved[b];
        unsigned needyRows = 0, needyBoxes = 0;
        for (int k = 0; k < 3; ++k) {
            if ((placed & rowMask(k)) == 0 && (units.rows >> (3 * b + k) & 1u))
                needyRows |= 1u << k;
            if ((placed & boxMask(k)) == 0 && (units.boxes >> (3 * b + k) & 1u))
                needyBoxes |= 1u << k;
        }
        const unsigned segments = rowSegments(open);
        const unsigned entry = coverUnion(needyRows, needyBoxes, segments);
        if (!(entry & kCoverable)) return false;
        restrict(s, d, b, kSegmentCells[entry & kUnitMask], changed);
    }
    for (int st = 0; st < 3; ++st) {
        if (units.stacks >> st & 1u) continue;
        // Here a segment is (band, column): the box of the stack in that band, and the column.
        unsigned segments = 0, needyBoxes = 0, needyColumns = 0;
        std::uint32_t placedColumns = 0;
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t open = cand[b] & ~s.solved[b], placed = cand[b] & s.solved[b];
            const std::uint32_t openFolded = (open | open >> 9 | open >> 18) & kUnitMask;
            const std::uint32_t placedFolded = (placed | placed >> 9 | placed >> 18) & kUnitMask;
            segments |= (openFolded >> (3 * st) & 7u) << (3 * b);
            placedColumns |= placedFolded >> (3 * st) & 7u;
            const int box = 3 * b + st;
            if ((placedFolded >> (3 * st) & 7u) == 0 && (units.boxes >> box & 1u)) {
                needyBoxes |= 1u << b;
            }
        }
        for (int j = 0; j < 3; ++j) {
            if (!(placedColumns >> j & 1u) && (units.columns >> (3 * st + j) & 1u)) {
                needyColumns |= 1u << j;
            }
        }
        const unsigned entry = coverUnion(needyBoxes, needyColumns, segments);
        if (!(entry & kCoverable)) return false;
        const std::uint32_t stackCells = kColumnBits * (7u << (3 * st));
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t columns = (entry >> (3 * b) & 7u) << (3 * st);
            restrict(s, d, b, ~stackCells | kColumnBits * columns, changed);
        }
    }
    return true;
}

bool unitsCanBeServed(const Board& s, const Units& units) {
    // A unit that need not hold every digit still gives its open cells distinct digits.
    for (int unit = 0; unit < 27; ++unit) {
        const int kind = unit / 9, k = unit % 9;
        const std::uint32_t valid = kind == 0   ? units.rows
                                    : kind == 1 ? units.columns
                                                : units.boxes;
        if (valid >> k & 1u) continue;
        std::uint32_t digitsOf[9] = {}, open = 0;
        for (int i = 0; i < 9; ++i) {
            const int r = kind == 0 ? k : kind == 1 ? i : k / 3 * 3 + i / 3;
            const int c = kind == 0 ? i : kind == 1 ? k : k % 3 * 3 + i % 3;
            const int b = r / 3;
            const std::uint32_t bit = 1u << ((r % 3) * 9 + c);
            if (s.solved[b] & bit) continue;
            open |= 1u << i;
            for (int d = 0; d < kDigits; ++d) {
                if (s.candidates[d][b] & bit) digitsOf[i] |= 1u << d;
            }
        }
        if (!matchesAll(digitsOf, open)) return false;
    }
    for (int d = 0; d < kDigits; ++d) {
        std::uint32_t rowLinks[9] = {}, columnLinks[9] = {}, boxRows[9] = {}, boxColumns[9] = {};
        std::uint32_t rowBoxes[9] = {}, columnBoxes[9] = {};
        std::uint32_t rowsNeeding = 0, columnsNeeding = 0, boxesNeeding = 0;
        std::uint32_t placedColumns = 0, placedBoxes = 0;
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t placed = s.candidates[d][b] & s.solved[b];
            const std::uint32_t open = s.candidates[d][b] & ~s.solved[b];
            placedColumns |= (placed | placed >> 9 | placed >> 18) & kUnitMask;
            for (int k = 0; k < 3; ++k) {
                const int r = 3 * b + k;
                if ((placed & rowMask(k)) == 0) rowsNeeding |= 1u << r;
                if (placed & boxMask(k)) placedBoxes |= 1u << r;
                const std::uint32_t columns = open >> (9 * k) & kUnitMask;
                rowLinks[r] = columns;
                for (int c = 0; c < 9; ++c) {
                    if (columns >> c & 1u) {
                        columnLinks[c] |= 1u << r;
                        const int box = 3 * b + c / 3;
                        boxRows[box] |= 1u << r;
                        boxColumns[box] |= 1u << c;
                        rowBoxes[r] |= 1u << box;
                        columnBoxes[c] |= 1u << box;
                    }
                }
            }
        }
        rowsNeeding &= units.rows;
        columnsNeeding = ~placedColumns & units.columns;
        boxesNeeding = ~placedBoxes & units.boxes;
        if (!matchesAll(rowLinks, rowsNeeding) || !matchesAll(columnLinks, columnsNeeding) ||
            !matchesAll(boxRows, boxesNeeding) || !matchesAll(boxColumns, boxesNeeding) ||
            !matchesAll(rowBoxes, rowsNeeding) || !matchesAll(columnBoxes, columnsNeeding)) {
            return false;
        }
    }
    return true;
}

// The digit-count balance of repeated givens, applied to the cells placed so far as well.
bool countsBalance(const Board& s) {
    Grid grid = {};
    for (int d = 0; d < kDigits; ++d) {
        for (int b = 0; b < kBands; ++b) {
            for (std::uint32_t bits = s.candidates[d][b] & s.solved[b]; bits != 0;
                 bits &= bits - 1) {
                const int cell = cellOf(b, bits);
                grid[cell / 9][cell % 9] = static_cast<Cell>(d + 1);
            }
        }
    }
    return repeatedGivensAllowCompletion(grid);
}

}  // namespace engine
