// A refutation by whole placements of each digit: stronger than the fractional count where that
// count covers every cell only by splitting digits into halves.
#pragma once

#include <cstdint>

namespace engine {

// Any completion puts each digit in a placement (at most one cell per row, column and box) and
// covers every open cell once, so for any weights on the cells the cells' sum is at most the sum
// over digits of each digit's heaviest placement. Weights for which it is more refute the cells.
// They are found by column generation over placements (a small simplex with an explicit
// inverse, in fixed arrays); the answer rests only on the check in integers.
struct Placements {
    static constexpr int kMaxRows = 81 + 9;
    static constexpr int kMaxPool = 768;
    // Each column's entries past the master's rows stay zero up to a whole vector of eight: the
    // steps' loops then run without a remainder.
    static constexpr int kLanes = 8;
    static constexpr int kStride = (kMaxRows + kLanes - 1) / kLanes * kLanes;
    double inverse[kMaxRows][kStride];  // by columns: inverse[i] is column i
    double value[kMaxRows];
    double dual[kMaxRows + 1];  // the last stays 0, for the rows that pad `rows`
    int basic[kMaxRows];        // below kMaxPool a placement, else kMaxPool + row for a slack
    std::uint8_t digit[kMaxPool], size[kMaxPool];
    // Its cells' rows, then its digit's (size + 1 of them), then kMaxRows up to ten: pricing
    // sums ten duals per placement without a branch.
    std::uint8_t rows[kMaxPool][10];
    bool slackBasic[kMaxRows];
    bool inBasis[kMaxPool];
    bool banned[kMaxPool];  // uses a digit the cells counted no longer allow
    int masterRows = 0;     // the last count's rows: its open cells and the digits
    int pool = 0;
    // The weights of the last refutations, most recent first: neighbouring questions often fall
    // to the same ones, and a check costs as much as one pricing round.
    static constexpr int kMaxRecalled = 4;
    std::int64_t recalled[kMaxRecalled][81];
    int recalledCount = 0;
};

// Whether the open cells (those with a digit in `allowed`) have no completion. `hint`, when
// given, is where the count starts: each cell's digit (0-8, -1 for none) in an assignment near a
// completion; it changes the steps taken, never the answer's soundness. `steps`, when given, gets
// the simplex steps and pricing rounds taken.
bool placementsRefute(Placements& p, const std::uint16_t (&allowed)[81],
                      const std::int8_t* hint = nullptr, long* steps = nullptr);

// The same, from where the count `from` ended: a count over the same open cells, each of which
// now allows no more digits than there (a branch of a split, say); over another number of open
// cells it counts afresh. Its placements that the cells
// no longer allow are banned and leave the basis as the simplex goes on: a covered branch settles
// in a third of the steps of a count from a completion's placements.
bool placementsRefuteFrom(Placements& p, const Placements& from, const std::uint16_t (&allowed)[81],
                          long* steps = nullptr);

// Each open cell's digit with the largest share in the last count's fractional cover (the count
// over these same `allowed`), -1 where no placement of it covers the cell; `largest`, when
// given, gets that share per cell.
void placementsCover(const Placements& p, const std::uint16_t (&allowed)[81],
                     std::int8_t (&digits)[81], double* largest = nullptr);

// Whether the weights of an earlier refutation refute these open cells too (one pricing round
// each, counted in `steps`).
bool placementsRecall(Placements& p, const std::uint16_t (&allowed)[81], long* steps = nullptr);

}  // namespace engine
