// Template filtering per digit, band by band over triples of column offsets.
#include "engine/templates.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/tables.h"

namespace engine {

namespace {

// A digit's nine placements form a template: one cell in each row, column and box. Within a
// band they are three cells, one per row and box, so they use one column of each stack: a triple
// t = t0 + 3 * t1 + 9 * t2 of column offsets within stacks 0, 1 and 2. The three bands' triples
// must differ in every offset. A candidate that no template of the still-open cells uses can go;
// this covers the band and stack permutations and every fish pattern, and cuts the search on
// hard puzzles by a factor of three, at a price that only pays once a puzzle needs branching.
struct TemplateTables {
    std::uint32_t within[3][8];  // triples whose offset in stack s lies in a 3-bit set
    std::uint32_t unlike[27];    // triples that differ from t in every offset
    // Given the triple t of one band, the map from a second band's triple to the third's swaps,
    // in each stack, the two offsets t does not use: bits under swapLow[t][s] trade places
    // with the bits swapDistance[t][s] above them.
    std::uint32_t swapLow[27][3];
    std::uint8_t swapDistance[27][3];

    std::uint32_t swapped(int t, std::uint32_t triples) const {
        for (int st = 0; st < 3; ++st) {
            const int distance = swapDistance[t][st];
            const std::uint32_t moving = ((triples >> distance) ^ triples) & swapLow[t][st];
            triples ^= moving | moving << distance;
        }
        return triples;
    }
};

constexpr TemplateTables makeTemplateTables() {
    TemplateTables t{};
    constexpr int kStride[3] = {1, 3, 9};
    for (int i = 0; i < 27; ++i) {
        const int a[3] = {i % 3, i / 3 % 3, i / 9};
        for (int st = 0; st < 3; ++st) {
            for (unsigned set = 0; set < 8; ++set) {
                if (set >> a[st] & 1u) t.within[st][set] |= 1u << i;
            }
            const int low = a[st] == 0 ? 1 : 0, high = a[st] == 2 ? 1 : 2;
            t.swapDistance[i][st] = static_cast<std::uint8_t>((high - low) * kStride[st]);
            for (int j = 0; j < 27; ++j) {
                if (j / kStride[st] % 3 == low) t.swapLow[i][st] |= 1u << j;
            }
        }
        for (int j = 0; j < 27; ++j) {
            const int e[3] = {j % 3, j / 3 % 3, j / 9};
            if (a[0] != e[0] && a[1] != e[1] && a[2] != e[2]) t.unlike[i] |= 1u << j;
        }
    }
    return t;
}
constexpr TemplateTables kTemplate = makeTemplateTables();

// The candidates of one digit that some template uses, band by band; all zero when no template
// fits. A cell where the digit is placed is the only candidate of its row, so every template uses
// it: the result depends on the candidates alone.
void filter(const std::uint32_t (&cand)[kLanes], std::uint32_t (&kept)[kLanes]) {
    // byOrder[b][p]: the band's triples when row k takes its cell in stack kPermutations[p][k].
    std::uint32_t byOrder[kBands][6], triples[kBands];
    for (int b = 0; b < kBands; ++b) {
        std::uint32_t in[3][3];  // in[row][stack]
        for (int k = 0; k < 3; ++k) {
            for (int st = 0; st < 3; ++st) {
                in[k][st] = kTemplate.within[st][cand[b] >> (9 * k + 3 * st) & 7u];
            }
        }
        triples[b] = 0;
        for (int p = 0; p < 6; ++p) {
            const int* order = kPermutations[p];
            byOrder[b][p] = in[0][order[0]] & in[1][order[1]] & in[2][order[2]];
            triples[b] |= byOrder[b][p];
        }
    }
    // Any band may go first; the one with the fewest triples makes the shortest loop.
    const int n0 = bitCount(triples[0]), n1 = bitCount(triples[1]), n2 = bitCount(triples[2]);
    const int fewer = n1 < n0 ? n1 : n0;
    const int a = n2 < fewer ? 2 : n1 < n0 ? 1 : 0;
    const int b1 = a == 0 ? 1 : 0, b2 = a == 2 ? 1 : 2;
    std::uint32_t used[kBands] = {};
    for (std::uint32_t first = triples[a]; first != 0; first &= first - 1) {
        const int t0 = std::countr_zero(first);
        const std::uint32_t second =
            triples[b1] & kTemplate.unlike[t0] & kTemplate.swapped(t0, triples[b2]);
        if (second == 0) continue;
        used[a] |= 1u << t0;
        used[b1] |= second;
        used[b2] |= kTemplate.swapped(t0, second);
    }
    kept[kBands] = 0;
    if (used[a] == 0) {
        for (int b = 0; b < kBands; ++b) kept[b] = 0;
        return;
    }
    for (int b = 0; b < kBands; ++b) {
        kept[b] = cand[b];
        if (used[b] == triples[b]) continue;
        std::uint32_t keep = 0;
        for (int p = 0; p < 6; ++p) {
            const std::uint32_t left = byOrder[b][p] & used[b];
            if (left == 0) continue;
            // The offsets these triples use in each stack, three bits per stack.
            const std::uint32_t low = (left | left >> 9 | left >> 18) & kUnitMask;
            const std::uint32_t offsets[3] = {
                (low | low >> 3 | low >> 6) & 7u, kThirds[low],
                static_cast<std::uint32_t>((left & kUnitMask) != 0) |
                    static_cast<std::uint32_t>((left >> 9 & kUnitMask) != 0) << 1 |
                    static_cast<std::uint32_t>((left >> 18) != 0) << 2};
            for (int k = 0; k < 3; ++k) {
                const int st = kPermutations[p][k];
                keep |= offsets[st] << (9 * k + 3 * st);
            }
        }
        kept[b] &= keep;
    }
}

// A slot of the memo for a digit's candidates.
unsigned memoSlot(const std::uint32_t (&cand)[kLanes]) {
    const std::uint32_t mix = cand[0] * 0x9E3779B1u ^ cand[1] * 0x85EBCA77u ^ cand[2] * 0xC2B2AE3Du;
    return mix >> (32 - std::countr_zero(static_cast<unsigned>(TemplateMemo::kEntries)));
}

}  // namespace

void clearMemo(TemplateMemo& memo) {
    std::memset(memo.pattern, 0, sizeof memo.pattern);
}

bool templatePass(Board& s, int d, bool& changed, TemplateMemo* memo) {
    const std::uint32_t(&cand)[kLanes] = s.candidates[d];
    // With six or more placed, templates have not been seen to find anything the band and stack
    // permutations did not, and with fewer than two they seldom do while costing the most
    // (measured on the public collections and near-empty grids): skip the work.
    const int placed = bitCount(cand[0] & s.solved[0]) + bitCount(cand[1] & s.solved[1]) +
                       bitCount(cand[2] & s.solved[2]);
    if (placed < 2 || placed >= 6) return true;
    alignas(16) std::uint32_t kept[kLanes];
    const std::uint32_t* keep = kept;
    const unsigned slot = memo != nullptr ? memoSlot(cand) : 0;
    if (memo != nullptr && sameLanes(memo->pattern[slot], cand)) {
        keep = memo->kept[slot];
    } else {
        filter(cand, kept);
        if (memo != nullptr) {
            std::memcpy(memo->pattern[slot], cand, sizeof cand);
            std::memcpy(memo->kept[slot], kept, sizeof kept);
        }
    }
    if ((keep[0] | keep[1] | keep[2]) == 0) return false;
    restrictLanes(s, d, keep, changed);
    return true;
}

}  // namespace engine
