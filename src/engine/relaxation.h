// A counting refutation for the bounded method: the questions clause learning finds hardest
// where givens repeat are pigeonholes (42 open cells that must each use one of 41 unit-digit
// places), which a weighted count settles at once and resolution only by enumeration.
#pragma once

#include <cstdint>

namespace engine {

// Whether the open cells provably have no completion, by the fractional relaxation: each open
// cell takes one unit of its candidate digits in all, and each row, column and box at most one
// of each digit. `candidates[cell]`: bit d when digit d + 1 may stand in an open cell, 0 for a
// cell that is not open. True only with a certificate checked in integers (weights on the
// unit-digit places that the cells' least weights outnumber), so rounding in the search for it
// can cost time but never an answer. `pivots`, when given, gets the simplex steps it took.
bool relaxationRefutes(const std::uint16_t (&candidates)[81], long* pivots = nullptr);

}  // namespace engine
