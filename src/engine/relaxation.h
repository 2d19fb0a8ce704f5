// A counting refutation for the bounded method: the questions clause learning finds hardest
// where givens repeat are pigeonholes (42 open cells that must each use one of 41 unit-digit
// places), which a weighted count settles at once and resolution only by enumeration.
#pragma once

#include <cstdint>

namespace engine {

// The fractional relaxation of a puzzle's open cells: each cell takes at most one unit of its
// digits in all, each row, column and box at most one of each digit; no completion exists when
// less than one unit per cell fits. Set up once per puzzle, then asked again and again with
// digits ruled out: a revised simplex with an explicit inverse, in fixed arrays (about 1 MB).
struct Relaxation {
    static constexpr int kMaxRows = 81 + 27 * 9;  // a row per cell and per unit-digit place
    static constexpr int kMaxColumns = 81 * 9;    // a column per cell-digit
    static constexpr int kMaxStride = (kMaxRows + 1 + 7) / 8 * 8;
    // The basis holds a slack for some rows and a cell-digit for the others; of its inverse only
    // the part that is not trivial is kept: the inverse of the square made of the basic
    // cell-digits (by slot) and the rows whose slack is not basic (by slot), by columns, one
    // every kMaxStride doubles. The rest follows from it and the constraints. On the slow
    // inputs it has about half the rows (110 of 200), so an update costs half as much.
    alignas(64) double inverse[kMaxRows * kMaxStride];
    int kernel = 0;                         // its size: the basic cell-digits
    std::int16_t slotOfPosition[kMaxRows];  // -1 where a slack is basic
    std::int16_t positionOfSlot[kMaxRows];
    std::int16_t slotOfRow[kMaxRows + 1];  // -1 for rows whose slack is basic, and past them
    std::int16_t rowOfSlot[kMaxRows];
    double value[kMaxRows];               // of the basic variable of each row
    alignas(64) double dual[kMaxStride];  // per row; zero past the last
    bool open[kMaxColumns];               // allowed in the current question
    std::int16_t rowsOf[kMaxColumns][4];  // its cell's row and its three places' rows
    std::uint8_t cellOf[kMaxColumns], digitOf[kMaxColumns];
    std::int16_t basic[kMaxRows];  // column in each row: below kMaxColumns a cell-digit, else
                                   // kMaxColumns + row for a slack
    std::int16_t rowOfColumn[kMaxColumns + kMaxRows];  // -1 when not basic
    std::uint16_t candidates[81];
    int cellRow[81];          // -1 for cells not in it
    int firstColumn[81 + 1];  // a cell's columns: firstColumn[cell] to firstColumn[cell + 1]
    int rows = 0, columns = 0, cells = 0;
    int counted = 0;  // the cells the current call must cover: all, or those left in
    // Whether the basis above is one the last call ended on: the next call starts from it, since
    // the feasible region does not depend on the digits allowed (unless that call refuted its
    // question). Pivots since the last fresh start, after which rounding in the inverse calls
    // for a new one.
    bool warm = false;
    long pivotsSinceCrash = 0;
    // The last certificate: integer weights per row, per cell the least over its digits, and by
    // how much the bounds outnumber the weights.
    std::int64_t weight[kMaxRows + 1];
    std::int64_t least[81];
    std::int64_t surplus = 0;
    // The last few certificates, the latest used first, by their rows of nonzero weight. The
    // questions of one puzzle are often refuted by the same count: checked again against the
    // digits now allowed, one costs about as much as a single simplex step.
    static constexpr int kRemembered = 4;
    static constexpr int kRememberedRows = 96;
    struct Certificate {
        int rows = 0;
        std::int16_t row[kRememberedRows];
        std::int64_t weight[kRememberedRows];
    };
    Certificate remembered[kRemembered];
    int rememberedCount = 0;
};

// Makes `to`, a copy of `from` (or set up over the same cells), start its next count from the
// basis `from` ended on. Cheaper than a copy of the whole: only the part of the inverse in use.
void copyBasis(const Relaxation& from, Relaxation& to);

// Sets `lp` up over the open cells: `candidates[cell]` has bit d when digit d + 1 may stand in
// an open cell, 0 for a cell that is not open.
void initRelaxation(Relaxation& lp, const std::uint16_t (&candidates)[81]);

// Whether the open cells provably have no completion when each may take only the digits in
// `allowed[cell]` (within its candidates at set-up). True only with a certificate checked in
// integers (weights on the unit-digit places that the cells' least weights outnumber), so
// rounding in the search for it can cost time but never an answer. The last few certificates
// found are tried first. `hint`, when given, is a digit (0-8, or -1) per cell to start from, such
// as the last completion or the search's current values, when there is no last basis to go on
// from (or it is worn). `pivots`, when given, gets the steps taken.
bool relaxationRefutes(Relaxation& lp, const std::uint16_t (&allowed)[81],
                       const std::int8_t* hint = nullptr, long* pivots = nullptr);

// The same over some of the open cells: those with no digit in `allowed` are left out of the
// count. Fewer cells that cannot all be covered refute them all, and the count over a few is far
// cheaper than over a near-empty grid's sixty.
bool relaxationRefutesSome(Relaxation& lp, const std::uint16_t (&allowed)[81],
                           const std::int8_t* hint = nullptr, long* pivots = nullptr);

// The same, where the count alone does not refute: the open cell with the fewest digits is
// split into one branch per digit (each with naked singles), depth first, the count at every
// node; at most `nodes` counts, and `nodes` is lowered by those made. The split goes as deep as
// log2(nodes) - 2 levels (one for 8 nodes): a count that falls short there ends it. Questions
// that clause learning needs thousands of conflicts for are often a pigeonhole in every branch
// of a few such splits.
// `settle`, when given, takes the place of naked singles at each node: from the digits fixed on
// the way down (`count` of them, as cell * 9 + digit), false when the node has no completion,
// else `cells` narrowed to what it allows.
struct SplitSettle {
    bool (*run)(void* context, const std::int16_t* fixed, int count, std::uint16_t (&cells)[81]);
    void* context;
};
// `focus`, when given, is a count over some of the cells, tried first at each node on its own
// relaxation (set up over the same cells as `lp`, so that each goes on from its own last basis):
// the cells of `among` (bit cell % 64 of word cell / 64). Tried while `credit` is positive;
// each refutation adds one, each miss takes one away, so a puzzle whose refutations need every
// cell pays for one miss only.
struct SplitFocus {
    Relaxation* lp;
    std::uint64_t among[2];
    int credit;
};
bool relaxationRefutesBySplitting(Relaxation& lp, const std::uint16_t (&allowed)[81],
                                  const std::int8_t* hint, long& nodes, long* pivots = nullptr,
                                  const SplitSettle* settle = nullptr, SplitFocus* focus = nullptr);

}  // namespace engine
