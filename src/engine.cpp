// The search engine: per-digit candidate bitboards with singles, band and stack permutations and
// templates propagated to a fixed point; a row-major walk that meets the smallest completion
// first, and a bounded most-constrained-cell method behind it.
#include "engine.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/clause_solver.h"
#include "repeated_givens.h"

namespace {

// The grid is held as three bands of three rows; a band is 27 bits, bit (r % 3) * 9 + c.
constexpr int kBands = 3;
constexpr int kLanes = 4;
constexpr int kDigits = 9;
constexpr std::uint32_t kBandMask = (1u << 27) - 1;
constexpr std::uint32_t kUnitMask = 0x1FF;
constexpr std::uint32_t kColumnBits = 1u | 1u << 9 | 1u << 18;
constexpr std::uint32_t kBoxBits = 0x7u | 0x7u << 9 | 0x7u << 18;

using BandSet = std::array<std::uint32_t, kBands>;

constexpr std::uint32_t rowMask(int rowInBand) {
    return kUnitMask << (9 * rowInBand);
}
constexpr std::uint32_t boxMask(int stack) {
    return kBoxBits << (3 * stack);
}

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
    // A fourth, always empty lane lets the compiler treat the three bands as one vector.
    alignas(16) std::uint32_t candidates[kDigits][kLanes];
    alignas(16) std::uint32_t solved[kLanes];
};

// Two digits' four lanes side by side, for passes over every digit at once.
using DigitPair = std::uint32_t __attribute__((vector_size(32)));

// Whether the target has 256-bit integer vectors. Without them the pass over every digit at once
// loses to the per-digit one (measured on the x86-64 baseline and the 32-bit Windows build).
#if defined(__AVX2__)
constexpr bool kWideVectors = true;
#else
constexpr bool kWideVectors = false;
#endif

// "Every missing digit must appear in this unit" holds only in a unit whose givens are distinct
// digits; these masks (bit k for row, column or box k) name those units.
struct Units {
    std::uint32_t rows = kUnitMask;
    std::uint32_t columns = kUnitMask;
    std::uint32_t boxes = kUnitMask;
    std::uint32_t bands = 7;   // bit b: the rows and boxes of band b are all such units
    std::uint32_t stacks = 7;  // bit s: the columns and boxes of stack s are all such units
    bool allNeedEveryDigit = true;
};

struct Search {
    Units units;
    int limit = 0;
    int found = 0;
    Board first;  // the first completion met
    long nodes = 0;
    long nodeBudget = -1;  // nodes it may visit; -1 for no bound
    bool gaveUp = false;
};

void place(Board& s, int digit, int band, std::uint32_t bit, int cell) {
    for (auto& candidate : s.candidates) candidate[band] &= ~bit;
    s.candidates[digit][band] |= bit;
    const BandSet& peers = kPeers[cell];
    for (int b = 0; b < kBands; ++b) s.candidates[digit][b] &= ~peers[b];
    s.solved[band] |= bit;
}

int cellOf(int band, std::uint32_t bit) {
    return band * 27 + std::countr_zero(bit);
}

bool isSolved(const Board& s) {
    return (s.solved[0] & s.solved[1] & s.solved[2]) == kBandMask;
}

// Places every cell left with one candidate. Returns false on a cell with none.
bool nakedSingles(Board& s, bool& changed) {
    // Per lane: cells with one candidate or more, two or more, and the bits of the digit index
    // of each candidate (exact for a cell with one), so that no search over digits is needed.
    const auto& c = s.candidates;
    std::uint32_t onceAll[kLanes] = {}, twiceAll[kLanes] = {}, indexBits[4][kLanes];
    for (int lane = 0; lane < kLanes; ++lane) {
        for (int d = 0; d < kDigits; ++d) {
            twiceAll[lane] |= onceAll[lane] & c[d][lane];
            onceAll[lane] |= c[d][lane];
        }
        indexBits[0][lane] = c[1][lane] | c[3][lane] | c[5][lane] | c[7][lane];
        indexBits[1][lane] = c[2][lane] | c[3][lane] | c[6][lane] | c[7][lane];
        indexBits[2][lane] = c[4][lane] | c[5][lane] | c[6][lane] | c[7][lane];
        indexBits[3][lane] = c[8][lane];
    }
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t open = ~s.solved[b] & kBandMask;
        if (open == 0) continue;
        // Placements in earlier bands only take candidates away: a cell they emptied is found
        // in the next round, and a single they made too.
        const std::uint32_t once = onceAll[b], twice = twiceAll[b];
        if (open & ~once) return false;
        for (std::uint32_t singles = open & ~twice; singles != 0; singles &= singles - 1) {
            const std::uint32_t bit = singles & (0u - singles);
            const int at = std::countr_zero(bit);
            const int digit = static_cast<int>(
                (indexBits[0][b] >> at & 1u) | (indexBits[1][b] >> at & 1u) << 1 |
                (indexBits[2][b] >> at & 1u) << 2 | (indexBits[3][b] >> at & 1u) << 3);
            // A placement earlier in this round may have taken the cell's last candidate.
            if ((s.candidates[digit][b] & bit) == 0) return false;
            // The cell has no other candidate to clear.
            const BandSet& peers = kPeers[b * 27 + at];
            for (int o = 0; o < kBands; ++o) s.candidates[digit][o] &= ~peers[o];
            s.solved[b] |= bit;
            changed = true;
        }
    }
    return true;
}

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
void restrict(Board& s, int d, int b, std::uint32_t keep, bool& changed) {
    const std::uint32_t gone = s.candidates[d][b] & ~keep & ~s.solved[b];
    if (gone != 0) {
        s.candidates[d][b] &= ~gone;
        changed = true;
    }
}

// Band and stack permutations for one digit. `seen` holds the digit's candidates as the last
// such pass left them: bands that have not changed since need no band work.
bool permutationPass(Board& s, int d, const Units& units, const std::uint32_t* seen,
                     bool& changed) {
    std::uint32_t* cand = s.candidates[d];
    for (int b = 0; b < kBands; ++b) {
        if (cand[b] == seen[b] || !(units.bands >> b & 1u)) continue;
        const std::uint32_t x = cand[b];
        const unsigned segments =
            kThirds[x & kUnitMask] | kThirds[x >> 9 & kUnitMask] << 3 | kThirds[x >> 18] << 6;
        const unsigned usable = kPermutationUnion[segments];
        if (usable == 0) return false;
        restrict(s, d, b, kSegmentCells[usable], changed);
    }
    std::uint32_t folded[kBands];
    for (int b = 0; b < kBands; ++b) {
        folded[b] = (cand[b] | cand[b] >> 9 | cand[b] >> 18) & kUnitMask;
    }
    for (int st = 0; st < 3; ++st) {
        if (!(units.stacks >> st & 1u)) continue;
        const unsigned segments = (folded[0] >> (3 * st) & 7u) | (folded[1] >> (3 * st) & 7u) << 3 |
                                  (folded[2] >> (3 * st) & 7u) << 6;
        const unsigned usable = kPermutationUnion[segments];
        if (usable == 0) return false;
        const std::uint32_t stackCells = kColumnBits * (7u << (3 * st));
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t columns = (usable >> (3 * b) & 7u) << (3 * st);
            restrict(s, d, b, ~stackCells | kColumnBits * columns, changed);
        }
    }
    return true;
}

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
        const unsigned segments = kThirds[open & kUnitMask] | kThirds[open >> 9 & kUnitMask] << 3 |
                                  kThirds[open >> 18] << 6;
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

// Template filtering for one digit; every unit must need every digit. Expects the band and stack
// permutations to have run: a band whose triples all take part in some template then has nothing
// more to lose.
bool templatePass(Board& s, int d, bool& changed) {
    std::uint32_t* cand = s.candidates[d];
    // With six or more placed, templates have not been seen to find anything the band and stack
    // permutations did not, and with fewer than two they seldom do while costing the most
    // (measured on the public collections and near-empty grids): skip the work.
    const int placed = std::popcount(cand[0] & s.solved[0]) + std::popcount(cand[1] & s.solved[1]) +
                       std::popcount(cand[2] & s.solved[2]);
    if (placed < 2 || placed >= 6) return true;
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
    std::uint32_t used[kBands] = {};
    for (std::uint32_t first = triples[0]; first != 0; first &= first - 1) {
        const int t0 = std::countr_zero(first);
        const std::uint32_t second =
            triples[1] & kTemplate.unlike[t0] & kTemplate.swapped(t0, triples[2]);
        if (second == 0) continue;
        used[0] |= 1u << t0;
        used[1] |= second;
        used[2] |= kTemplate.swapped(t0, second);
    }
    if (used[0] == 0) return false;
    for (int b = 0; b < kBands; ++b) {
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
        restrict(s, d, b, keep, changed);
    }
    return true;
}

// Each digit's band lanes moved one and two places round (the spare lane stays). Vectors go by
// reference: passing them by value would depend on the instruction set.
void rotateBands(const DigitPair& v, DigitPair& next, DigitPair& last) {
    next = __builtin_shufflevector(v, v, 1, 2, 0, 3, 5, 6, 4, 7);
    last = __builtin_shufflevector(v, v, 2, 0, 1, 3, 6, 4, 5, 7);
}

// Hidden singles of every digit at once, for a puzzle where every unit needs every digit: a row,
// box or column with one candidate left, not yet placed. Branch-free over the whole board, two
// digits per vector; cheaper than tracking which digits changed.
bool hiddenSinglesEveryUnit(Board& s, bool& changed) {
    constexpr std::uint32_t kSegmentLow = 0x1249249;  // first cell of each 3-cell row segment
    constexpr std::uint32_t kRowLow = 1u | 1u << 9 | 1u << 18;  // first segment of each row
    constexpr std::uint32_t kBoxLow = 1u | 1u << 3 | 1u << 6;   // first row's segment of each box
    constexpr int kPairs = (kDigits + 1) / 2;
    alignas(32) std::uint32_t lanes[2 * kPairs][kLanes] = {};
    alignas(32) std::uint32_t found[2 * kPairs][kLanes];
    std::memcpy(lanes, s.candidates, sizeof s.candidates);
    const DigitPair solved = {s.solved[0], s.solved[1], s.solved[2], 0,
                              s.solved[0], s.solved[1], s.solved[2], 0};
    DigitPair missing = {}, anyFound = {};
    for (int pair = 0; pair < kPairs; ++pair) {
        DigitPair x;
        std::memcpy(&x, lanes[2 * pair], sizeof x);
        // Per 3-cell segment: any candidate, two or more. A row is three segments side by side,
        // a box three segments one above the other.
        const DigitPair c0 = x & kSegmentLow, c1 = x >> 1 & kSegmentLow, c2 = x >> 2 & kSegmentLow;
        const DigitPair any = c0 | c1 | c2, two = (c0 & c1) | (c0 & c2) | (c1 & c2);
        const DigitPair r0 = any & kRowLow, r1 = any >> 3 & kRowLow, r2 = any >> 6 & kRowLow;
        const DigitPair rowAny = r0 | r1 | r2;
        const DigitPair rowTwo =
            ((two | two >> 3 | two >> 6) & kRowLow) | (r0 & r1) | (r0 & r2) | (r1 & r2);
        const DigitPair b0 = any & kBoxLow, b1 = any >> 9 & kBoxLow, b2 = any >> 18 & kBoxLow;
        const DigitPair boxAny = b0 | b1 | b2;
        const DigitPair boxTwo =
            ((two | two >> 9 | two >> 18) & kBoxLow) | (b0 & b1) | (b0 & b2) | (b1 & b2);
        // Columns: fold each band's rows, then add up the digit's three band lanes.
        const DigitPair k0 = x & kUnitMask, k1 = x >> 9 & kUnitMask, k2 = x >> 18;
        const DigitPair bandAny = k0 | k1 | k2, bandTwo = (k0 & k1) | (k0 & k2) | (k1 & k2);
        const DigitPair here = x & solved;
        const DigitPair bandPlaced = (here | here >> 9 | here >> 18) & kUnitMask;
        DigitPair a1, a2, t1, t2, p1, p2;
        rotateBands(bandAny, a1, a2);
        rotateBands(bandTwo, t1, t2);
        rotateBands(bandPlaced, p1, p2);
        const DigitPair colAny = bandAny | a1 | a2;
        const DigitPair colTwo = bandTwo | t1 | t2 | (bandAny & a1) | (bandAny & a2) | (a1 & a2);
        const DigitPair colPlaced = bandPlaced | p1 | p2;
        // The spare lanes, and the lanes past the last digit, take no part.
        const DigitPair inUse = pair + 1 < kPairs ? DigitPair{~0u, ~0u, ~0u, 0, ~0u, ~0u, ~0u, 0}
                                                  : DigitPair{~0u, ~0u, ~0u, 0, 0, 0, 0, 0};
        missing |= ((kRowLow & ~rowAny) | (kBoxLow & ~boxAny) | (kUnitMask & ~colAny)) & inUse;
        const DigitPair rowOne = rowAny & ~rowTwo, boxOne = boxAny & ~boxTwo;
        const DigitPair colOne = colAny & ~colTwo & ~colPlaced;
        const DigitPair boxSegments = (boxOne << 3) - boxOne;  // three cells each
        const DigitPair cells = ((rowOne << 9) - rowOne) | boxSegments | boxSegments << 9 |
                                boxSegments << 18 | colOne | colOne << 9 | colOne << 18;
        const DigitPair hits = x & cells & ~solved & inUse;
        anyFound |= hits;
        std::memcpy(found[2 * pair], &hits, sizeof hits);
    }
    std::uint32_t missed = 0, hit = 0;
    for (int lane = 0; lane < 8; ++lane) {
        missed |= missing[lane];
        hit |= anyFound[lane];
    }
    if (missed != 0) return false;
    if (hit == 0) return true;
    for (int d = 0; d < kDigits; ++d) {
        for (int b = 0; b < kBands; ++b) {
            for (std::uint32_t bits = found[d][b]; bits != 0; bits &= bits - 1) {
                const std::uint32_t bit = bits & (0u - bits);
                // An earlier placement here may have taken this candidate; the unit then has
                // none, which a later pass finds.
                if ((s.candidates[d][b] & bit) == 0) continue;
                place(s, d, b, bit, cellOf(b, bit));
                changed = true;
            }
        }
    }
    return true;
}

// Hidden singles for one digit: a row, box or column with one candidate left, not yet placed,
// among the units that need every digit. `seen`: the digit's candidates as the last such pass
// left them; bands unchanged since need no work. kEveryUnit: every unit needs every digit, known
// at compile time for the common case.
template <bool kEveryUnit>
bool hiddenPass(Board& s, int d, const Units& units, const std::uint32_t* seen, bool& changed) {
    std::uint32_t* cand = s.candidates[d];
    const std::uint32_t rows = kEveryUnit ? kUnitMask : units.rows;
    const std::uint32_t boxes = kEveryUnit ? kUnitMask : units.boxes;
    const std::uint32_t columns = kEveryUnit ? kUnitMask : units.columns;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t x = cand[b];
        if (x == seen[b]) continue;
        std::uint32_t singles = 0;
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t row = x & rowMask(k), box = x & boxMask(k);
            const bool rowCounts = rows >> (3 * b + k) & 1u;
            const bool boxCounts = boxes >> (3 * b + k) & 1u;
            const int inRow = std::popcount(row), inBox = std::popcount(box);
            if ((inRow == 0 && rowCounts) || (inBox == 0 && boxCounts)) return false;
            if (inRow == 1 && rowCounts) singles |= row;
            if (inBox == 1 && boxCounts) singles |= box;
        }
        for (singles &= ~s.solved[b]; singles != 0; singles &= singles - 1) {
            const std::uint32_t bit = singles & (0u - singles);
            // An earlier placement here may have taken this candidate; the unit then has none,
            // which a later pass finds.
            if ((cand[b] & bit) == 0) continue;
            place(s, d, b, bit, cellOf(b, bit));
            changed = true;
        }
    }
    // Columns span the three bands: count candidates per column with two-bit counters.
    std::uint32_t once = 0, twice = 0, placed = 0;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t x = cand[b], here = x & s.solved[b];
        const std::uint32_t r0 = x & kUnitMask, r1 = x >> 9 & kUnitMask, r2 = x >> 18;
        const std::uint32_t any = r0 | r1 | r2;
        twice |= (r0 & r1) | (r0 & r2) | (r1 & r2) | (once & any);
        once |= any;
        placed |= here | here >> 9 | here >> 18;
    }
    if (~once & columns) return false;
    // A column whose one candidate is the digit already placed there needs nothing.
    std::uint32_t singles = once & ~twice & ~placed & columns;
    while (singles != 0) {
        const int c = std::countr_zero(singles);
        singles &= singles - 1;
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t bit = cand[b] & (kColumnBits << c);
            if (bit == 0) continue;
            if ((bit & s.solved[b]) == 0) {
                place(s, d, b, bit, cellOf(b, bit));
                changed = true;
            }
            break;
        }
    }
    return true;
}

// Whether every unit in `needy` can be given its own partner unit through `links` (bit i of
// links[u]: unit u and partner i share an open candidate cell). Augmenting paths, 9 by 9.
bool matchesAll(const std::uint32_t (&links)[9], std::uint32_t needy) {
    int partnerOf[9];  // partner -> unit, or -1
    for (int& p : partnerOf) p = -1;
    for (; needy != 0; needy &= needy - 1) {
        // Depth-first search for an augmenting path from this unit, iteratively over a stack.
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
            const int partner = std::countr_zero(open);
            tried |= 1u << partner;
            path[depth] = partner;
            if (partnerOf[partner] < 0) {
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

// In a puzzle with repeated givens, some units no longer need every digit, and the deductions
// above go quiet there. What still holds: each row, column or box that needs digit d takes it in
// an open cell, and no two of them may use the same other unit. Finds the pigeonhole cases
// (eight columns needing a digit that only seven rows can still take) that would otherwise
// surface only deep in the search.
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

// Runs the deductions to a fixed point, cheapest first: naked singles, hidden singles, the band
// and stack permutations, then (when `templates` is set) the template filter. Returns false when
// the board has no completion. A digit whose candidates have not changed since its last pass of a
// kind is not looked at again; `settled`, when given, is a board this one was derived from after
// that board's own fixed point, so that only what changed since needs a pass.
bool propagate(Board& s, const Units& units, bool templates, const Board* settled = nullptr) {
    // The candidates each kind of pass last saw, per digit. A lane of all ones (no band holds 32
    // bits) marks a digit as never seen.
    alignas(16) std::uint32_t hiddenSeen[kDigits][kLanes], permutationSeen[kDigits][kLanes];
    alignas(16) std::uint32_t templateSeen[kDigits][kLanes];
    auto start = [settled](std::uint32_t(*seen)[kLanes]) {
        if (settled) {
            std::memcpy(seen, settled->candidates, sizeof(Board::candidates));
        } else {
            std::memset(seen, 0xFF, sizeof(Board::candidates));
        }
    };
    start(permutationSeen);
    if (!kWideVectors || !units.allNeedEveryDigit) start(hiddenSeen);
    if (units.allNeedEveryDigit && templates) start(templateSeen);
    // The digits whose candidates differ from what a pass last saw, as a mask.
    auto changedSince = [&s](const std::uint32_t(*seen)[kLanes]) {
        unsigned mask = 0;
        for (int d = 0; d < kDigits; ++d) {
            std::uint32_t differ = 0;
            for (int lane = 0; lane < kLanes; ++lane)
                differ |= s.candidates[d][lane] ^ seen[d][lane];
            mask |= static_cast<unsigned>(differ != 0) << d;
        }
        return mask;
    };
    auto remember = [&s](int d, std::uint32_t* seen) {
        std::memcpy(seen, s.candidates[d], sizeof s.candidates[d]);
    };
    for (;;) {
        bool changed = false;
        if (!nakedSingles(s, changed)) return false;
        if (changed) continue;
        if (isSolved(s)) return true;
        if (kWideVectors && units.allNeedEveryDigit) {
            if (!hiddenSinglesEveryUnit(s, changed)) return false;
        } else {
            for (unsigned digits = changedSince(hiddenSeen); digits != 0; digits &= digits - 1) {
                const int d = std::countr_zero(digits);
                const bool ok = units.allNeedEveryDigit
                                    ? hiddenPass<true>(s, d, units, hiddenSeen[d], changed)
                                    : hiddenPass<false>(s, d, units, hiddenSeen[d], changed);
                if (!ok) return false;
                remember(d, hiddenSeen[d]);
            }
        }
        if (changed) continue;
        for (unsigned digits = changedSince(permutationSeen); digits != 0; digits &= digits - 1) {
            const int d = std::countr_zero(digits);
            if (!permutationPass(s, d, units, permutationSeen[d], changed)) return false;
            if (!units.allNeedEveryDigit && !partialPermutationPass(s, d, units, changed)) {
                return false;
            }
            remember(d, permutationSeen[d]);
        }
        if (changed) continue;
        if (!units.allNeedEveryDigit) return unitsCanBeServed(s, units) && countsBalance(s);
        if (!templates) return true;
        for (unsigned digits = changedSince(templateSeen); digits != 0; digits &= digits - 1) {
            const int d = std::countr_zero(digits);
            if (!templatePass(s, d, changed)) return false;
            remember(d, templateSeen[d]);
        }
        if (!changed) return true;
    }
}

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
                    const int n = std::popcount(cells);
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
                n += std::popcount(cells[b]);
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

enum class Outcome { kFound, kNone, kOutOfBudget };

// Most puzzles need a handful of branches, where the template filter costs more than it saves.
constexpr int kBranchesBeforeTemplates = 8;

struct RowMajorWalk {
    Units units;
    int budget = 0;    // branches it may try
    int branches = 0;  // branches tried so far
};

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
        Board next = s;
        place(next, d, b, bit, cell);
        const bool templates = walk.branches > kBranchesBeforeTemplates;
        if (!propagate(next, walk.units, templates, &s)) continue;
        if (isSolved(next)) {
            answer = next;
            return Outcome::kFound;
        }
        const Outcome outcome = searchSmallest(next, walk, answer);
        if (outcome != Outcome::kNone) return outcome;
    }
    return Outcome::kNone;
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

// Most of the bounded method's questions are answered by a short most-constrained search; past
// this many nodes it hands the question to the clause-learning solver.
constexpr long kQuickSearchNodes = 16;

enum class Answer { kYes, kNo, kUnknown };

// Whether the board (already propagated) has a completion, by a short search; on kYes, `model`
// holds one.
Answer quickCompletes(const Board& s, Search& ctx, std::int8_t (&model)[kCellCount]) {
    Board witness = s;
    if (!isSolved(s)) {
        // With repeated givens a node costs ten times as much and the solver does better.
        if (!ctx.units.allNeedEveryDigit) return Answer::kUnknown;
        ctx.nodeBudget = kQuickSearchNodes;
        const int found = runSearch(s, ctx, 1);
        ctx.nodeBudget = -1;
        if (found == 0) return ctx.gaveUp ? Answer::kUnknown : Answer::kNo;
        witness = ctx.first;
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        model[cell] = static_cast<std::int8_t>(valueAt(witness, cell) - 1);
    }
    return Answer::kYes;
}

// The bounded method: fixes cells in row-major order, each to the smallest digit that still has
// a completion, each question answered by the clause-learning solver, which keeps what every
// refutation taught it. A model it finds answers the question for its own digits, so only
// smaller digits need a call; the deductions on the board refute most of those first.
bool smallestByProof(const Board& root, Search& ctx, Grid& out) {
    const Units& units = ctx.units;
    std::uint16_t candidates[kCellCount] = {};
    bool needs[27][9] = {};
    std::uint32_t placedIn[27] = {};  // digits already placed in each unit
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        const int r = cell / 9, c = cell % 9, box = r / 3 * 3 + c / 3;
        for (int d = 0; d < kDigits; ++d) {
            if (!(root.candidates[d][b] & bit)) continue;
            if (root.solved[b] & bit) {
                placedIn[r] |= 1u << d;
                placedIn[9 + c] |= 1u << d;
                placedIn[18 + box] |= 1u << d;
            } else {
                candidates[cell] = static_cast<std::uint16_t>(candidates[cell] | 1u << d);
            }
        }
    }
    for (int unit = 0; unit < 27; ++unit) {
        const std::uint32_t valid = unit < 9 ? units.rows : unit < 18 ? units.columns : units.boxes;
        if (!(valid >> (unit % 9) & 1u)) continue;
        for (int d = 0; d < kDigits; ++d) needs[unit][d] = !(placedIn[unit] >> d & 1u);
    }
    engine::ClauseSolver solver;
    std::int8_t model[kCellCount];
    if (!engine::initSolver(solver, candidates, needs)) return false;
    const Answer first = quickCompletes(root, ctx, model);
    if (first == Answer::kNo) return false;
    if (first == Answer::kUnknown && !engine::solveWith(solver, -1, 0, model)) return false;
    // Tells the solver what the board's deductions excluded.
    auto share = [&solver, &candidates](const Board& s) {
        for (int cell = 0; cell < kCellCount; ++cell) {
            const int b = cell / 27;
            const std::uint32_t bit = 1u << (cell % 27);
            for (int d = 0; d < kDigits; ++d) {
                if ((candidates[cell] >> d & 1u) && !(s.candidates[d][b] & bit) &&
                    engine::digitOpen(solver, cell, d)) {
                    engine::fixDigit(solver, cell, d, false);
                }
            }
        }
    };
    Board current = root;
    Grid result = {};
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        if (current.solved[b] & bit) {
            result[cell / 9][cell % 9] = static_cast<Cell>(valueAt(current, cell));
            continue;
        }
        const int known = model[cell];
        int chosen = known;
        for (int d = 0; d < known; ++d) {
            if (!(current.candidates[d][b] & bit) || !engine::digitOpen(solver, cell, d)) continue;
            Board trial = current;
            place(trial, d, b, bit, cell);
            Answer answer =
                propagate(trial, units, true) ? quickCompletes(trial, ctx, model) : Answer::kNo;
            if (answer == Answer::kUnknown) {
                answer = engine::solveWith(solver, cell, d, model) ? Answer::kYes : Answer::kNo;
            }
            if (answer == Answer::kYes) {
                chosen = d;
                current = trial;
                break;
            }
            current.candidates[d][b] &= ~bit;
            engine::fixDigit(solver, cell, d, false);
        }
        if (chosen == known) {
            place(current, known, b, bit, cell);
            propagate(current, units, true);  // cannot fail: the model completes it
        }
        engine::fixDigit(solver, cell, chosen, true);
        share(current);
        result[cell / 9][cell % 9] = static_cast<Cell>(chosen + 1);
    }
    for (int r = 0; r < kGridSize; ++r) {
        for (int c = 0; c < kGridSize; ++c) out[r][c] = result[r][c];
    }
    return true;
}

}  // namespace

bool findSmallestCompletion(const Grid& puzzle, Grid& out, int rowMajorBudget) {
    Search ctx;
    ctx.units = unitsOf(puzzle);
    if (!ctx.units.allNeedEveryDigit && !repeatedGivensAllowCompletion(puzzle)) return false;
    Board root = boardOf(puzzle);
    if (!propagate(root, ctx.units, false)) return false;
    if (isSolved(root)) {
        toGrid(root, out);
        return true;
    }
    // Row-major branching finds the smallest completion directly and is fastest on almost every
    // puzzle, but a dead end it cannot see early can cost it dearly. Past a budget, fall back to
    // fixing cells one by one, each choice proven by a most-constrained-first search.
    Board answer;
    RowMajorWalk walk;
    walk.units = ctx.units;
    // With repeated givens a branch costs ten times as much: a tenth of the budget.
    walk.budget = ctx.units.allNeedEveryDigit ? rowMajorBudget : rowMajorBudget / 20;
    switch (searchSmallest(root, walk, answer)) {
        case Outcome::kFound:
            toGrid(answer, out);
            return true;
        case Outcome::kNone:
            return false;
        case Outcome::kOutOfBudget:
            break;
    }
    return smallestByProof(root, ctx, out);
}

int countCompletions(const Grid& puzzle, int limit) {
    if (limit <= 0) return 0;
    Search ctx;
    ctx.units = unitsOf(puzzle);
    if (!ctx.units.allNeedEveryDigit && !repeatedGivensAllowCompletion(puzzle)) return 0;
    Board root = boardOf(puzzle);
    if (!propagate(root, ctx.units, true)) return 0;
    if (isSolved(root)) return 1;
    return runSearch(root, ctx, limit);
}
