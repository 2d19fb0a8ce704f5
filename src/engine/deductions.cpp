// Naked and hidden singles, band and stack permutations, and the fixed point that runs them with
// the template filter and, for repeated givens, the matching passes.
#include "engine/deductions.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/repeated_givens.h"
#include "engine/segments.h"
#include "engine/tables.h"
#include "engine/templates.h"

namespace engine {

namespace {

// Places every cell left with one candidate. Returns false on a cell with none.
bool nakedSingles(Board& s, bool& changed) {
    // Over the three band lanes at once: cells with one candidate or more, two or more, and the
    // bits of the digit index of each candidate (exact for a cell with one), so that no search
    // over digits is needed.
    const auto& c = s.candidates;
    std::uint32_t once[kLanes] = {}, twice[kLanes] = {};
    std::uint32_t index0[kLanes], index1[kLanes], index2[kLanes], index3[kLanes];
    // As a tree of pairs: a chain through nine digits would wait on each step.
    for (int lane = 0; lane < kLoopLanes; ++lane) {
        std::uint32_t any[4], two[4];
        for (int k = 0; k < 4; ++k) {
            any[k] = c[2 * k][lane] | c[2 * k + 1][lane];
            two[k] = c[2 * k][lane] & c[2 * k + 1][lane];
        }
        const std::uint32_t anyLow = any[0] | any[1], anyHigh = any[2] | any[3];
        const std::uint32_t twoLow = two[0] | two[1] | (any[0] & any[1]);
        const std::uint32_t twoHigh = two[2] | two[3] | (any[2] & any[3]);
        const std::uint32_t any8 = anyLow | anyHigh;
        const std::uint32_t two8 = twoLow | twoHigh | (anyLow & anyHigh);
        once[lane] = any8 | c[8][lane];
        twice[lane] = two8 | (any8 & c[8][lane]);
    }
    for (int lane = 0; lane < kLoopLanes; ++lane) {
        index0[lane] = c[1][lane] | c[3][lane] | c[5][lane] | c[7][lane];
        index1[lane] = c[2][lane] | c[3][lane] | c[6][lane] | c[7][lane];
        index2[lane] = c[4][lane] | c[5][lane] | c[6][lane] | c[7][lane];
        index3[lane] = c[8][lane];
    }
    // One test for a cell left with no candidate: placements only take candidates away, so a
    // cell they empty is found in the next round, and a single they make too.
    std::uint32_t empty = 0;
    for (int b = 0; b < kBands; ++b) empty |= ~s.solved[b] & kBandMask & ~once[b];
    if (empty != 0) return false;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t open = ~s.solved[b] & kBandMask;
        for (std::uint32_t singles = open & ~twice[b]; singles != 0; singles &= singles - 1) {
            const std::uint32_t bit = singles & (0u - singles);
            const int at = std::countr_zero(bit);
            const int digit =
                static_cast<int>((index0[b] >> at & 1u) | (index1[b] >> at & 1u) << 1 |
                                 (index2[b] >> at & 1u) << 2 | (index3[b] >> at & 1u) << 3);
            // A placement earlier in this round may have taken the cell's last candidate.
            if ((s.candidates[digit][b] & bit) == 0) return false;
            // The cell has no other candidate to clear.
            clearCells(s.candidates[digit], kPeers[b * 27 + at].data());
            s.solved[b] |= bit;
            changed = true;
        }
    }
    return true;
}

// Band and stack permutations for one digit. Every band and stack is looked at: skipping those
// that did not change saves less than the mispredicted branches cost.
bool permutationPass(Board& s, int d, const Units& units, bool& changed) {
    std::uint32_t* cand = s.candidates[d];
    for (int b = 0; b < kBands; ++b) {
        if (!(units.bands >> b & 1u)) continue;
        const std::uint32_t x = cand[b];
        const unsigned segments = rowSegments(x);
        const unsigned usable = kPermutationUnion[segments];
        if (usable == 0) return false;
        if (usable != segments) restrict(s, d, b, kSegmentCells[usable], changed);
    }
    std::uint32_t columns = 0;
    for (int b = 0; b < kBands; ++b) {
        columns |= ((cand[b] | cand[b] >> 9 | cand[b] >> 18) & kUnitMask) << (9 * b);
    }
    for (int st = 0; st < 3; ++st) {
        if (!(units.stacks >> st & 1u)) continue;
        const unsigned segments = stackSegments(columns, st);
        const unsigned usable = kPermutationUnion[segments];
        if (usable == 0) return false;
        if (usable == segments) continue;
        const std::uint32_t stackCells = kColumnBits * (7u << (3 * st));
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t columns = (usable >> (3 * b) & 7u) << (3 * st);
            restrict(s, d, b, ~stackCells | kColumnBits * columns, changed);
        }
    }
    return true;
}

// Places the candidates in `found` (band cells of digit d); false when none was found.
bool placeFound(Board& s, int d, int b, std::uint32_t found) {
    bool placed = false;
    for (std::uint32_t bits = found; bits != 0; bits &= bits - 1) {
        const std::uint32_t bit = bits & (0u - bits);
        // An earlier placement here may have taken this candidate; the unit then has none,
        // which a later pass finds.
        if ((s.candidates[d][b] & bit) == 0) continue;
        place(s, d, b, bit, cellOf(b, bit));
        placed = true;
    }
    return placed;
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
            if ((row == 0 && rowCounts) || (box == 0 && boxCounts)) return false;
            // One candidate: a power of two.
            if ((row & (row - 1)) == 0 && rowCounts) singles |= row;
            if ((box & (box - 1)) == 0 && boxCounts) singles |= box;
        }
        changed |= placeFound(s, d, b, singles & ~s.solved[b]);
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

// Row and box hidden singles within a band, lane by lane: `cells` gets the candidates alone in
// their row or box, `missing` the rows and boxes with none; `any` and `two` fold the band's rows
// onto one, for the columns. Vectors go by reference: passing them by value would depend on the
// instruction set.
template <typename V>
void bandSingles(const V& x, V& missing, V& cells, V& any, V& two) {
    constexpr std::uint32_t kSegmentLow = 0x1249249;  // first cell of each 3-cell row segment
    constexpr std::uint32_t kRowLow = 1u | 1u << 9 | 1u << 18;  // first segment of each row
    constexpr std::uint32_t kBoxLow = 1u | 1u << 3 | 1u << 6;   // first row's segment of each box
    // Per 3-cell segment: any candidate, two or more. A row is three segments side by side, a
    // box three segments one above the other.
    const V c0 = x & kSegmentLow, c1 = x >> 1 & kSegmentLow, c2 = x >> 2 & kSegmentLow;
    const V segAny = c0 | c1 | c2, segTwo = (c0 & c1) | (c0 & c2) | (c1 & c2);
    const V r0 = segAny & kRowLow, r1 = segAny >> 3 & kRowLow, r2 = segAny >> 6 & kRowLow;
    const V rowAny = r0 | r1 | r2;
    const V rowTwo =
        ((segTwo | segTwo >> 3 | segTwo >> 6) & kRowLow) | (r0 & r1) | (r0 & r2) | (r1 & r2);
    const V b0 = segAny & kBoxLow, b1 = segAny >> 9 & kBoxLow, b2 = segAny >> 18 & kBoxLow;
    const V boxAny = b0 | b1 | b2;
    const V boxTwo =
        ((segTwo | segTwo >> 9 | segTwo >> 18) & kBoxLow) | (b0 & b1) | (b0 & b2) | (b1 & b2);
    missing |= (kRowLow & ~rowAny) | (kBoxLow & ~boxAny);
    const V rowOne = rowAny & ~rowTwo, boxOne = boxAny & ~boxTwo;
    const V boxSegments = (boxOne << 3) - boxOne;  // three cells each
    cells = ((rowOne << 9) - rowOne) | boxSegments | boxSegments << 9 | boxSegments << 18;
    const V k0 = x & kUnitMask, k1 = x >> 9 & kUnitMask, k2 = x >> 18;
    any = k0 | k1 | k2;
    two = (k0 & k1) | (k0 & k2) | (k1 & k2);
}

// The eight lanes OR-ed together, folded in halves: cheaper than taking them out one by one.
std::uint32_t foldLanes(const DigitOctet& lanes) {
    DigitOctet v = lanes;
    v |= __builtin_shufflevector(v, v, 4, 5, 6, 7, 4, 5, 6, 7);
    v |= __builtin_shufflevector(v, v, 2, 3, 2, 3, 2, 3, 2, 3);
    v |= __builtin_shufflevector(v, v, 1, 1, 1, 1, 1, 1, 1, 1);
    return v[0];
}

// Bit k set when lane k is not zero.
unsigned nonzeroLanes(const DigitOctet& v) {
    constexpr DigitOctet kLaneBit = {1, 2, 4, 8, 16, 32, 64, 128};
    return foldLanes(reinterpret_cast<DigitOctet>(v != 0) & kLaneBit);
}

// Hidden singles of every digit at once, for a puzzle where every unit needs every digit: a row,
// box or column with one candidate left, not yet placed. Branch-free over the whole board: the
// first eight digits a lane each, band by band, and the ninth with its bands as lanes. Cheaper
// than tracking which digits changed.
bool hiddenSinglesEveryUnit(Board& s, bool& changed) {
    const auto& c = s.candidates;
    // Two digits' lanes to a vector, turned into one vector per band of eight digits.
    DigitOctet pairs[4];
    for (int i = 0; i < 4; ++i) __builtin_memcpy(&pairs[i], c[2 * i], sizeof pairs[i]);
    const DigitOctet low01 = __builtin_shufflevector(pairs[0], pairs[1], 0, 4, 8, 12, 1, 5, 9, 13);
    const DigitOctet low23 = __builtin_shufflevector(pairs[2], pairs[3], 0, 4, 8, 12, 1, 5, 9, 13);
    const DigitOctet high01 =
        __builtin_shufflevector(pairs[0], pairs[1], 2, 6, 10, 14, 2, 6, 10, 14);
    const DigitOctet high23 =
        __builtin_shufflevector(pairs[2], pairs[3], 2, 6, 10, 14, 2, 6, 10, 14);
    const DigitOctet bands[kBands] = {
        __builtin_shufflevector(low01, low23, 0, 1, 2, 3, 8, 9, 10, 11),
        __builtin_shufflevector(low01, low23, 4, 5, 6, 7, 12, 13, 14, 15),
        __builtin_shufflevector(high01, high23, 0, 1, 2, 3, 8, 9, 10, 11)};
    DigitOctet cells[kBands], missing = {}, colAny = {}, colTwo = {};
    for (int b = 0; b < kBands; ++b) {
        DigitOctet any, two;
        bandSingles(bands[b], missing, cells[b], any, two);
        colTwo |= two | (colAny & any);
        colAny |= any;
    }
    missing |= kUnitMask & ~colAny;
    // A column whose one candidate is already placed names that cell, which `found` leaves out.
    const DigitOctet colOne = colAny & ~colTwo;
    const DigitOctet colCells = colOne | colOne << 9 | colOne << 18;
    // The ninth digit: its bands are the lanes, its columns added up across them.
    Lanes last, lastMissing = {}, lastCells, lastAny, lastTwo;
    load(last, c[kDigits - 1]);
    bandSingles(last, lastMissing, lastCells, lastAny, lastTwo);
    std::uint32_t lastColOnce = 0, lastColTwice = 0;
    for (int b = 0; b < kBands; ++b) {
        lastColTwice |= lastTwo[b] | (lastColOnce & lastAny[b]);
        lastColOnce |= lastAny[b];
    }
    std::uint32_t missed =
        lastMissing[0] | lastMissing[1] | lastMissing[2] | (kUnitMask & ~lastColOnce);
    const std::uint32_t lastColOne = lastColOnce & ~lastColTwice;
    const std::uint32_t lastColCells = lastColOne | lastColOne << 9 | lastColOne << 18;
    DigitOctet found[kBands], anyFound = {};
    std::uint32_t lastFound[kBands], hit = 0;
    for (int b = 0; b < kBands; ++b) {
        found[b] = bands[b] & (cells[b] | colCells) & ~s.solved[b];
        anyFound |= found[b];
        lastFound[b] = last[b] & (lastCells[b] | lastColCells) & ~s.solved[b];
        hit |= lastFound[b];
    }
    missed |= foldLanes(missing);
    if (missed != 0) return false;
    if ((foldLanes(anyFound) | hit) == 0) return true;
    // Band by band, the digits with finds as a mask: the placements loop over those only.
    for (int b = 0; b < kBands; ++b) {
        for (unsigned rest = nonzeroLanes(found[b]); rest != 0; rest &= rest - 1) {
            const int d = std::countr_zero(rest);
            changed |= placeFound(s, d, b, found[b][d]);
        }
    }
    if (hit != 0) {
        for (int b = 0; b < kBands; ++b) changed |= placeFound(s, kDigits - 1, b, lastFound[b]);
    }
    return true;
}

// The digits whose candidates differ between two boards' candidates, as a mask: two digits to a
// vector, their lanes folded and gathered, instead of one comparison per digit.
unsigned changedDigits(const std::uint32_t (&now)[kDigits][kLanes],
                       const std::uint32_t (*before)[kLanes]) {
    DigitOctet diff[4];
    for (int i = 0; i < 4; ++i) {
        DigitOctet x, y;
        __builtin_memcpy(&x, now[2 * i], sizeof x);
        __builtin_memcpy(&y, before[2 * i], sizeof y);
        diff[i] = x ^ y;
        diff[i] |= __builtin_shufflevector(diff[i], diff[i], 2, 3, 0, 1, 6, 7, 4, 5);
        diff[i] |= __builtin_shufflevector(diff[i], diff[i], 1, 0, 3, 2, 5, 4, 7, 6);
    }
    // Lane 0 and 4 of each hold its two digits' differences.
    const DigitOctet low = __builtin_shufflevector(diff[0], diff[1], 0, 4, 8, 12, 0, 4, 8, 12);
    const DigitOctet high = __builtin_shufflevector(diff[2], diff[3], 0, 4, 8, 12, 0, 4, 8, 12);
    const DigitOctet each = __builtin_shufflevector(low, high, 0, 1, 2, 3, 8, 9, 10, 11);
    return nonzeroLanes(each) | static_cast<unsigned>(!sameLanes(now[8], before[8])) << 8;
}

}  // namespace

// Runs the deductions to a fixed point, cheapest first: naked singles, hidden singles, the band
// and stack permutations, then (when `templates` is set) the template filter. Returns false when
// the board has no completion. A digit whose candidates have not changed since its last pass of a
// kind is not looked at again; `settled`, when given, is a board this one was derived from after
// that board's own fixed point, so that only what changed since needs a pass.
bool propagate(Board& s, const Units& units, bool templates, const Board* settled,
               TemplateMemo* memo) {
    // The candidates each kind of pass last saw, per digit. A lane of all ones (no band holds 32
    // bits) marks a digit as never seen.
    alignas(16) std::uint32_t hiddenSeen[kDigits][kLanes], permutationSeen[kDigits][kLanes];
    alignas(16) std::uint32_t templateSeen[kDigits][kLanes], segmentSeen[kDigits][kLanes];
    auto start = [settled](std::uint32_t(&seen)[kDigits][kLanes]) {
        if (settled) {
            copyCandidates(seen, settled->candidates);
        } else {
            std::memset(seen, 0xFF, sizeof(Board::candidates));
        }
    };
    start(permutationSeen);
    if (!kWideVectors || !units.allNeedEveryDigit) start(hiddenSeen);
    if (units.allNeedEveryDigit && templates) start(templateSeen);
    // The segment masks come with the board: those of `settled` hold for its candidates.
    bool segmentsKnown = settled != nullptr && settled->segmentsKnown;
    if (segmentsKnown) copyCandidates(segmentSeen, settled->candidates);
    s.segmentsKnown = false;
    SegmentMasks& segmentMasks = s.segments;
    // The digits whose candidates differ from what a pass last saw, as a mask.
    auto changedSince = [&s](const std::uint32_t(*seen)[kLanes]) {
        if constexpr (kWideVectors) {
            return changedDigits(s.candidates, seen);
        } else {
            unsigned mask = 0;
            for (int d = 0; d < kDigits; ++d) {
                mask |= static_cast<unsigned>(!sameLanes(s.candidates[d], seen[d])) << d;
            }
            return mask;
        }
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
            if (!permutationPass(s, d, units, changed)) return false;
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
            if (!templatePass(s, d, changed, memo)) return false;
            remember(d, templateSeen[d]);
        }
        if (changed) continue;
        // The segment rule looks at every digit at once: it runs again only after a change,
        // with the masks of the digits that changed brought up to date.
        {
            const unsigned digits = segmentsKnown ? changedSince(segmentSeen) : 0x1FFu;
            if (digits != 0) {
                for (unsigned rest = digits; rest != 0; rest &= rest - 1) {
                    const int d = std::countr_zero(rest);
                    updateSegments(s, d, segmentMasks);
                    remember(d, segmentSeen[d]);
                }
                segmentsKnown = true;
                if (!segmentPass(s, segmentMasks, changed)) return false;
            }
        }
        if (!changed) {
            s.segmentsKnown = true;
            return true;
        }
    }
}

}  // namespace engine
