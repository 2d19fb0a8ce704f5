// The row-major walk: branches on the first open cell, digits ascending, so the first completion
// it meets is the smallest.
#pragma once

#include "engine/board.h"
#include "engine/templates.h"

namespace engine {

enum class Outcome { kFound, kNone, kOutOfBudget };

// Most puzzles need a handful of branches, where the template filter costs more than it saves.
constexpr int kBranchesBeforeTemplates = 8;

struct RowMajorWalk {
    Units units;
    int budget = 0;     // branches it may try
    int branches = 0;   // branches tried so far
    TemplateMemo memo;  // cleared when the template filter starts
};

Outcome searchSmallest(const Board& s, RowMajorWalk& walk, Board& answer);

}  // namespace engine
