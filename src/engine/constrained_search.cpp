// Depth-first search on the open cell with the fewest candidates, or the unit with the fewest
// places for a digit.
#include "engine/constrained_search.h"

#include <bit>
#include <cstdint>
#include <utility>

#include "engine/deductions.h"

namespace engine {

namespace {

// The open cell with the fewest candidates, preferring the first with two; `count` gets the
// number of candidates.
int chooseCell(const Board& s, int& count) {
    int best = -1;
    count = kDigits + 1;
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
        if (pairs != 0) {
            count = 2;
            return cellOf(b, pairs & (0u - pairs));
        }
        for (std::uint32_t rest = open; rest != 0; rest &= rest - 1) {
            const std::uint32_t bit = rest & (0u - rest);
            int here = 0;
            for (const auto& candidate : s.candidates) here += (candidate[b] & bit) != 0;
            if (here < count) {
                count = here;
                best = cellOf(b, bit);
            }
        }
    }
    return best;
}

// A row, column or box that needs digit d and has fewer than `limit` open cells for it: branching
// there over the cells is as complete as branching over a cell's digits, and narrower. Matters
// most where repeated givens weaken the deductions and dead ends hide in one part of the grid.
bool chooseUnit(const Board& s, const Units& units, int limit, int& digit, BandSet& where) {
    int best = limit;
    for (int d = 0; d < kDigits; ++d) {
        const std::uint32_t* cand = s.candidates[d];
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t open = cand[b] & ~s.solved[b];
            for (int k = 0; k < 3; ++k) {
                for (const auto& [cells, counts] :
                     {std::pair{open & rowMask(k), units.rows >> (3 * b + k) & 1u},
                      std::pair{open & boxMask(k), units.boxes >> (3 * b + k) & 1u}}) {
                    const int n = bitCount(cells);
                    if (counts && n > 0 && n < best) {
                        best = n;
                        digit = d;
                        where = {};
                        where[b] = cells;
                    }
                }
            }
        }
        for (int c = 0; c < 9; ++c) {
            if (!(units.columns >> c & 1u)) continue;
            BandSet cells{};
            int n = 0;
            for (int b = 0; b < kBands; ++b) {
                cells[b] = cand[b] & ~s.solved[b] & (kColumnBits << c);
                n += bitCount(cells[b]);
            }
            if (n > 0 && n < best) {
                best = n;
                digit = d;
                where = cells;
            }
        }
    }
    return best < limit;
}

// Records a completion or searches on from `next`, derived from the settled board `parent`;
// false once `limit` completions are known.
bool descend(Board& next, const Board& parent, Search& ctx);

// Depth-first search over the choice cell's digits (or the choice unit's cells), recording up to
// `limit` completions.
void search(Board& s, Search& ctx) {
    int count = 0, digit = 0;
    const int cell = chooseCell(s, count);
    BandSet where;
    if (count > 2 && chooseUnit(s, ctx.units, count, digit, where)) {
        for (int b = 0; b < kBands; ++b) {
            for (std::uint32_t cells = where[b]; cells != 0; cells &= cells - 1) {
                const std::uint32_t bit = cells & (0u - cells);
                Board next = s;
                place(next, digit, b, bit, cellOf(b, bit));
                if (!descend(next, s, ctx)) return;
            }
        }
        return;
    }
    const int b = cell / 27;
    const std::uint32_t bit = 1u << (cell % 27);
    for (int d = 0; d < kDigits; ++d) {
        if ((s.candidates[d][b] & bit) == 0) continue;
        Board next = s;
        place(next, d, b, bit, cell);
        if (!descend(next, s, ctx)) return;
    }
}

bool descend(Board& next, const Board& parent, Search& ctx) {
    ++ctx.totalNodes;
    if (ctx.nodeBudget >= 0 && ++ctx.nodes > ctx.nodeBudget) {
        ctx.gaveUp = true;
        return false;
    }
    if (!propagate(next, ctx.units, true, &parent)) return true;
    if (isSolved(next)) {
        if (ctx.found == 0) ctx.first = next;
        ++ctx.found;
    } else {
        search(next, ctx);
    }
    return ctx.found < ctx.limit;
}

}  // namespace

// Runs the search from a propagated, unsolved board.
int runSearch(const Board& start, Search& ctx, int limit) {
    ctx.limit = limit;
    ctx.found = 0;
    ctx.nodes = 0;
    ctx.gaveUp = false;
    Board s = start;
    search(s, ctx);
    return ctx.found;
}

}  // namespace engine
