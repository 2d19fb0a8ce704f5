// The most-constrained-first search: completion counts, and short searches for the bounded
// method.
#pragma once

#include "engine/board.h"

namespace engine {

struct Search {
    Units units;
    int limit = 0;
    int found = 0;
    Board first;           // the first completion met
    long nodes = 0;        // in this run
    long totalNodes = 0;   // in every run
    long nodeBudget = -1;  // nodes it may visit; -1 for no bound
    bool gaveUp = false;
};

// Runs the search from a propagated, unsolved board; returns the completions found, at most
// `limit`.
int runSearch(const Board& start, Search& ctx, int limit);

}  // namespace engine
