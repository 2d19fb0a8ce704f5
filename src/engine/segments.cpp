// The segment rule across digits. A segment is the three cells where a row (or a column) meets a
// box; they hold three distinct digits. Per segment, as a bit in a 27-bit mask (band * 9 + row *
// 3 + box for rows, band * 9 + column for columns), the digits with a candidate there are counted
// bit-sliced over all nine digits at once.
#include "engine/segments.h"

#include <array>
#include <cstdint>

#include "engine/tables.h"

namespace engine {
namespace {

constexpr std::uint32_t kAllSegments = (1u << 27) - 1;

// For every set of segments within a band, the other segments related to any of them.
template <typename Related>
constexpr std::array<std::uint16_t, 512> makeMates(Related related) {
    std::array<std::uint16_t, 512> table{};
    for (unsigned m = 0; m < 512; ++m) {
        for (int i = 0; i < 9; ++i) {
            if (!(m >> i & 1u)) continue;
            for (int j = 0; j < 9; ++j) {
                if (j != i && related(i, j)) table[m] |= 1u << j;
            }
        }
    }
    return table;
}

// Row segments (bit row * 3 + box): the others of the same row or box; and those that are their
// row's or their box's only one.
constexpr auto kRowMates = makeMates([](int i, int j) { return i / 3 == j / 3 || i % 3 == j % 3; });

constexpr std::array<std::uint16_t, 512> makeRowAlone() {
    std::array<std::uint16_t, 512> table{};
    for (unsigned m = 0; m < 512; ++m) {
        for (int k = 0; k < 3; ++k) {
            const unsigned row = m >> (3 * k) & 7u,
                           box = (m >> k & 1u) | (m >> (k + 2) & 2u) | (m >> (k + 4) & 4u);
            if (row != 0 && (row & (row - 1)) == 0) table[m] |= row << (3 * k);
            if (box != 0 && (box & (box - 1)) == 0) {
                const int r = box == 1 ? 0 : box == 2 ? 1 : 2;
                table[m] |= 1u << (3 * r + k);
            }
        }
    }
    return table;
}
constexpr auto kRowAlone = makeRowAlone();

// Column segments (bit column): the other columns of the same stack; and those alone in their
// stack.
constexpr auto kStackMates = makeMates([](int i, int j) { return i / 3 == j / 3; });

constexpr std::array<std::uint16_t, 512> makeStackAlone() {
    std::array<std::uint16_t, 512> table{};
    for (unsigned m = 0; m < 512; ++m) {
        for (int st = 0; st < 3; ++st) {
            const unsigned part = m >> (3 * st) & 7u;
            if (part != 0 && (part & (part - 1)) == 0) table[m] |= part << (3 * st);
        }
    }
    return table;
}
constexpr auto kStackAlone = makeStackAlone();

std::uint32_t field(std::uint32_t mask, int band) {
    return mask >> (9 * band) & kUnitMask;
}

// Counts, per segment, the digits whose mask has it: at least one, two, three, four.
struct Tally {
    std::uint32_t one = 0, two = 0, three = 0, four = 0;
    void add(std::uint32_t x) {
        four |= three & x;
        three |= two & x;
        two |= one & x;
        one |= x;
    }
};

// The rule on one kind of segment. `present[d]`: segments where digit d has a candidate;
// `alone[d]`: those where d must stand (its row, column or box has no other); `mates(d, m)`:
// the segments sharing a line or box with those of m, band by band; `cells(b, f)`: the band
// cells of the segments in a band field.
// `open`: the segments with a cell still open; in the others every digit has its place and
// nothing is left to remove.
template <typename Mates, typename Cells>
bool applyRule(Board& s, const std::uint32_t (&present)[kDigits],
               const std::uint32_t (&alone)[kDigits], std::uint32_t open, Mates mates, Cells cells,
               bool& changed) {
    Tally digits, forced;
    for (int d = 0; d < kDigits; ++d) {
        digits.add(present[d]);
        forced.add(alone[d]);
    }
    // Fewer than three digits left for three cells, or more than three that must stand there.
    if ((~digits.three & kAllSegments) != 0 || forced.four != 0) return false;
    const std::uint32_t onlyThree = digits.three & ~digits.four & open;  // each stands there
    const std::uint32_t full = forced.three & open;                      // no room for any other
    if ((onlyThree | full) == 0) return true;
    for (int d = 0; d < kDigits; ++d) {
        const std::uint32_t confined = present[d] & onlyThree;
        const std::uint32_t shut = present[d] & full & ~alone[d];
        if ((confined | shut) == 0) continue;
        for (int b = 0; b < kBands; ++b) {
            const std::uint32_t gone = mates(confined, b) | field(shut, b);
            if (gone != 0) restrict(s, d, b, ~cells(b, gone), changed);
        }
    }
    return true;
}

}  // namespace

void updateSegments(const Board& s, int d, SegmentMasks& masks) {
    const std::uint32_t* x = s.candidates[d];
    std::uint32_t bandColumns[kBands], rows = 0, rowAlone = 0, columnAlone = 0;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t segments = rowSegments(x[b]);
        rows |= segments << (9 * b);
        rowAlone |= static_cast<std::uint32_t>(kRowAlone[segments]) << (9 * b);
        bandColumns[b] = (x[b] | x[b] >> 9 | x[b] >> 18) & kUnitMask;
    }
    // A column's only band, and a stack's only column within a band.
    const std::uint32_t c0 = bandColumns[0], c1 = bandColumns[1], c2 = bandColumns[2];
    const std::uint32_t once = (c0 | c1 | c2) & ~((c0 & c1) | (c0 & c2) | (c1 & c2));
    for (int b = 0; b < kBands; ++b) {
        columnAlone |= ((bandColumns[b] & once) | kStackAlone[bandColumns[b]]) << (9 * b);
    }
    masks.rows[d] = rows;
    masks.rowAlone[d] = rowAlone;
    masks.columns[d] = c0 | c1 << 9 | c2 << 18;
    masks.columnAlone[d] = columnAlone;
}

bool segmentPass(Board& s, const SegmentMasks& masks, bool& changed) {
    const auto rowMates = [](std::uint32_t m, int b) -> std::uint32_t {
        return kRowMates[field(m, b)];
    };
    const auto rowCells = [](int, std::uint32_t f) { return kSegmentCells[f]; };
    const auto columnMates = [](std::uint32_t m, int b) -> std::uint32_t {
        return field(m, (b + 1) % 3) | field(m, (b + 2) % 3) | kStackMates[field(m, b)];
    };
    const auto columnCells = [](int, std::uint32_t f) { return kColumnBits * f; };
    std::uint32_t openRows = 0, openColumns = 0;
    for (int b = 0; b < kBands; ++b) {
        const std::uint32_t x = ~s.solved[b] & kBandMask;
        openRows |= rowSegments(x) << (9 * b);
        openColumns |= ((x | x >> 9 | x >> 18) & kUnitMask) << (9 * b);
    }
    return applyRule(s, masks.rows, masks.rowAlone, openRows, rowMates, rowCells, changed) &&
           applyRule(s, masks.columns, masks.columnAlone, openColumns, columnMates, columnCells,
                     changed);
}

}  // namespace engine
