// The row-major walk, with the template filter from its ninth branch on.
#include "engine/row_major_walk.h"

#include <bit>
#include <cstdint>

#include "engine/deductions.h"

namespace engine {

// Depth-first search that always branches on the first open cell in row-major order, digits
// ascending: with sound propagation, the first completion it meets is the smallest.
Outcome searchSmallest(const Board& s, RowMajorWalk& walk, Board& answer) {
    int b = 0;
    while (s.solved[b] == kBandMask) ++b;
    const std::uint32_t open = ~s.solved[b] & kBandMask;
    const std::uint32_t bit = open & (0u - open);
    const int cell = cellOf(b, bit);
    // The cell's digits as a mask: one loop over them, not a test per digit.
    unsigned digits = 0;
    for (int d = 0; d < kDigits; ++d)
        digits |= static_cast<unsigned>((s.candidates[d][b] & bit) != 0) << d;
    for (; digits != 0; digits &= digits - 1) {
        const int d = std::countr_zero(digits);
        if (++walk.branches > walk.budget) return Outcome::kOutOfBudget;
        Board next;
        copyBoard(next, s);
        place(next, d, b, bit, cell);
        const bool templates = walk.branches > kBranchesBeforeTemplates;
        if (walk.branches == kBranchesBeforeTemplates + 1) clearMemo(walk.memo);
        if (!propagate(next, walk.units, templates, &s, &walk.memo)) continue;
        if (isSolved(next)) {
            answer = next;
            return Outcome::kFound;
        }
        const Outcome outcome = searchSmallest(next, walk, answer);
        if (outcome != Outcome::kNone) return outcome;
    }
    return Outcome::kNone;
}

}  // namespace engine
