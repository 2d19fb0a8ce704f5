// The search engine: per-digit candidate bitboards with singles, band and stack permutations and
// templates propagated to a fixed point; a row-major walk that meets the smallest completion
// first, and a bounded method with clause learning behind it.
#include "engine/engine.h"

#include "engine/board.h"
#include "engine/constrained_search.h"
#include "engine/deductions.h"
#include "engine/digit_counts.h"
#include "engine/proof.h"
#include "engine/row_major_walk.h"

using namespace engine;

bool findSmallestCompletion(const Grid& puzzle, Grid& out, int rowMajorBudget, SolveWork* work) {
    SolveWork unused;
    SolveWork& cost = work != nullptr ? *work : unused;
    cost = {};
    Search ctx;
    Board root = boardOf(puzzle, ctx.units);
    if (!ctx.units.allNeedEveryDigit && !repeatedGivensAllowCompletion(puzzle)) return false;
    cost.propagations = 1;
    if (!propagate(root, ctx.units, false)) return false;
    if (isSolved(root)) {
        toGrid(root, out);
        return true;
    }
    // Row-major branching finds the smallest completion directly and is fastest on almost every
    // puzzle, but a dead end it cannot see early can cost it dearly. Past a budget, fall back to
    // fixing cells one by one, each choice proven with clause learning.
    // With repeated givens a branch costs about ten times as much and the bounded method does
    // better from the start (the slowest such inputs found need its matching rules; even ten
    // branches first cost more work than they saved, over random and slow inputs alike).
    if (ctx.units.allNeedEveryDigit) {
        Board answer;
        RowMajorWalk walk;
        walk.units = ctx.units;
        walk.budget = rowMajorBudget;
        const Outcome outcome = searchSmallest(root, walk, answer);
        cost.propagations += walk.branches;
        switch (outcome) {
            case Outcome::kFound:
                toGrid(answer, out);
                return true;
            case Outcome::kNone:
                return false;
            case Outcome::kOutOfBudget:
                break;
        }
    }
    return smallestByProof(root, ctx, out, cost);
}

int countCompletions(const Grid& puzzle, int limit) {
    if (limit <= 0) return 0;
    Search ctx;
    Board root = boardOf(puzzle, ctx.units);
    if (!ctx.units.allNeedEveryDigit && !repeatedGivensAllowCompletion(puzzle)) return 0;
    if (!propagate(root, ctx.units, true)) return 0;
    if (isSolved(root)) return 1;
    return runSearch(root, ctx, limit);
}
