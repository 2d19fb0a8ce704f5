// A tabu search for any completion: where givens repeat, clause learning can take hundreds of
// conflicts to meet a first one that a local search meets in a few hundred moves.
#pragma once

#include <cstdint>

namespace engine {

// Looks for a completion of the open cells (those with candidates, bit d for digit d + 1) in
// which no two peers share a digit, for at most `moves` moves from each cell's digit in `start`
// (when given, and a candidate there), else its smallest candidate. On success `model` gets one
// (each open cell's digit 0-8, -1 elsewhere), each cell then lowered, row by row, to its smallest
// digit no peer holds. Either way `closest` gets the assignment with the fewest clashes met, and
// `steps`, when given, the moves made. Deterministic: the same input takes the same moves.
bool searchLocally(const std::uint16_t (&candidates)[81], long moves, std::int8_t (&model)[81],
                   std::int8_t (&closest)[81], long* steps = nullptr,
                   const std::int8_t* start = nullptr);

}  // namespace engine
