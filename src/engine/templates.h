// The template filter: a digit's nine placements must form a template.
#pragma once

#include "engine/board.h"

namespace engine {

// The filter's results by candidate pattern. They depend on a digit's candidates alone, and a
// search meets the same pattern again in other branches (a third of the filter's work on the
// hardest collections). Not initialised on construction: clearMemo before first use.
struct TemplateMemo {
    static constexpr int kEntries = 256;
    alignas(16) std::uint32_t pattern[kEntries][kLanes];  // all zero: an empty slot
    alignas(16) std::uint32_t kept[kEntries][kLanes];
};

void clearMemo(TemplateMemo& memo);

// Template filtering for one digit; every unit must need every digit. Expects the band and stack
// permutations to have run: a band whose triples all take part in some template then has nothing
// more to lose. `memo`, when given, holds earlier results.
bool templatePass(Board& s, int d, bool& changed, TemplateMemo* memo = nullptr);

}  // namespace engine
