// The deductions the searches run at every node, to a fixed point.
#pragma once

#include "engine/board.h"
#include "engine/templates.h"

namespace engine {

// Runs the deductions to a fixed point, cheapest first: naked singles, hidden singles, the band
// and stack permutations, then (when `templates` is set) the template filter. Returns false when
// the board has no completion. A digit whose candidates have not changed since its last pass of a
// kind is not looked at again; `settled`, when given, is a board this one was derived from after
// that board's own fixed point, so that only what changed since needs a pass. `memo`, when given,
// keeps the template filter's results for later calls.
bool propagate(Board& s, const Units& units, bool templates, const Board* settled = nullptr,
               TemplateMemo* memo = nullptr);

}  // namespace engine
