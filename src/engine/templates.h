// The template filter: a digit's nine placements must form a template.
#pragma once

#include "engine/board.h"

namespace engine {

// Template filtering for one digit; every unit must need every digit. Expects the band and stack
// permutations to have run: a band whose triples all take part in some template then has nothing
// more to lose.

bool templatePass(Board& s, int d, bool& changed);

}  // namespace engine
