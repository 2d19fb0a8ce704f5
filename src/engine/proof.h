// The bounded method behind the row-major walk.
#pragma once

#include "engine/board.h"
#include "engine/constrained_search.h"
#include "engine/engine.h"

namespace engine {

// The bounded method: fixes cells in row-major order, each to the smallest digit that still has
// a completion, each question answered by the clause-learning solver, which keeps what every
// refutation taught it. A model it finds answers the question for its own digits, so only
// smaller digits need a call; the deductions on the board refute most of those first.

bool smallestByProof(const Board& root, Search& ctx, Grid& out, SolveWork& work);

}  // namespace engine
