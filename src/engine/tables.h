// Tables shared by the band and stack passes: the orders of three things, which thirds of a row
// hold candidates, and the cells of row-box segments.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board.h"

namespace engine {

// The six orders of three things.
constexpr int kPermutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                     {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

// Within a band, a digit takes one cell in each of its three rows and three boxes, so its
// placements pair rows with boxes as a permutation; the same holds for the columns and boxes of a
// stack. A row-box segment can hold the digit only if some permutation of still-open segments
// uses it. This subsumes box-line (locked candidate) reasoning. Index bit: row * 3 + box.
constexpr std::array<std::uint16_t, 512> makePermutationUnion() {
    std::array<std::uint16_t, 512> table{};
    for (unsigned m = 0; m < 512; ++m) {
        for (const auto& p : kPermutations) {
            const unsigned used = 1u << p[0] | 1u << (3 + p[1]) | 1u << (6 + p[2]);
            if ((m & used) == used) table[m] = static_cast<std::uint16_t>(table[m] | used);
        }
    }
    return table;
}
constexpr std::array<std::uint16_t, 512> kPermutationUnion = makePermutationUnion();

// Which of the three boxes (or stacks) a 9-bit row holds anything in.
constexpr std::array<std::uint8_t, 512> makeThirds() {
    std::array<std::uint8_t, 512> table{};
    for (unsigned r = 0; r < 512; ++r) {
        table[r] =
            static_cast<std::uint8_t>((r & 7u ? 1 : 0) | (r & 070u ? 2 : 0) | (r & 0700u ? 4 : 0));
    }
    return table;
}
constexpr std::array<std::uint8_t, 512> kThirds = makeThirds();

// The row-box segments of a band (bit row * 3 + box) that hold any of the cells in x. Where the
// target has a bit-gather instruction, the first cell of each segment gathers its three.
inline unsigned rowSegments(std::uint32_t x) {
#if defined(__BMI2__)
    return __builtin_ia32_pext_si(x | x >> 1 | x >> 2, 0x1249249u);
#else
    return kThirds[x & kUnitMask] | kThirds[x >> 9 & kUnitMask] << 3 |
           static_cast<unsigned>(kThirds[x >> 18]) << 6;
#endif
}

// The column-box segments of a stack (bit band * 3 + column within the stack) that hold any of
// `columns`, which has band b's columns at bits 9 * b to 9 * b + 8.
inline unsigned stackSegments(std::uint32_t columns, int stack) {
#if defined(__BMI2__)
    return __builtin_ia32_pext_si(columns, 0x1C0E07u << (3 * stack));
#else
    const std::uint32_t x = columns >> (3 * stack);
    return (x & 7u) | (x >> 6 & 070u) | (x >> 12 & 0700u);
#endif
}

// The band cells of the row-box segments named by a 9-bit segment set.
constexpr std::array<std::uint32_t, 512> makeSegmentCells() {
    std::array<std::uint32_t, 512> table{};
    for (unsigned m = 0; m < 512; ++m) {
        for (int bit = 0; bit < 9; ++bit) {
            if (m >> bit & 1u) table[m] |= 7u << (9 * (bit / 3) + 3 * (bit % 3));
        }
    }
    return table;
}
constexpr std::array<std::uint32_t, 512> kSegmentCells = makeSegmentCells();

// Removes candidates of digit d outside `keep` from the open cells of a band.
inline void restrict(Board& s, int d, int b, std::uint32_t keep, bool& changed) {
    // Without a branch: whether anything goes is as hard to predict as it is cheap to store.
    const std::uint32_t gone = s.candidates[d][b] & ~keep & ~s.solved[b];
    s.candidates[d][b] &= ~gone;
    changed |= gone != 0;
}

// The same over every band at once, `keep` in four lanes: one vector store where the target has
// vectors, for the reason clearCells gives.
inline void restrictLanes(Board& s, int d, const std::uint32_t* keep, bool& changed) {
#if defined(__SSE2__)
    Lanes x, kept, solved;
    load(x, s.candidates[d]);
    load(kept, keep);
    load(solved, s.solved);
    const Lanes gone = x & ~kept & ~solved;
    store(s.candidates[d], x & ~gone);
    using Halves = unsigned long long __attribute__((vector_size(16)));
    const Halves halves = reinterpret_cast<Halves>(gone);
    changed |= (halves[0] | halves[1]) != 0;
#else
    for (int b = 0; b < kBands; ++b) restrict(s, d, b, keep[b], changed);
#endif
}

}  // namespace engine
