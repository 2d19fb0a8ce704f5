// What still holds in puzzles whose givens repeat within a unit, where "every unit holds every
// digit" does not: matchings per band and stack, per unit and per digit, and digit counts.
#pragma once

#include "engine/board.h"

namespace engine {

// The band and stack permutation pass for bands and stacks with repeated givens.
bool partialPermutationPass(Board& s, int d, const Units& units, bool& changed);
// In a puzzle with repeated givens, some units no longer need every digit, and the deductions
// above go quiet there. What still holds: each row, column or box that needs digit d takes it in
// an open cell, and no two of them may use the same other unit. Finds the pigeonhole cases
// (eight columns needing a digit that only seven rows can still take) that would otherwise
// surface only deep in the search.

bool unitsCanBeServed(const Board& s, const Units& units);
// The digit-count balance of repeated givens, applied to the cells placed so far as well.

bool countsBalance(const Board& s);

}  // namespace engine
