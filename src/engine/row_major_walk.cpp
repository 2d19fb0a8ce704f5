// The row-major walk, with the template filter from its ninth branch on.
#include "engine/row_major_walk.h"

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
    for (int d = 0; d < kDigits; ++d) {
        if ((s.candidates[d][b] & bit) == 0) continue;
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
