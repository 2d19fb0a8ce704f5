// A conflict-driven clause-learning solver over one puzzle's open cells, for the bounded method's
// proofs: what one refutation learns, the next one does not have to find again. The rules
// themselves are applied on candidate masks and counts; only learned clauses are stored.
#pragma once

#include <cstdint>

namespace engine {

constexpr int kSolverCells = 81;
constexpr int kSolverVars = kSolverCells * 9;  // variable cell * 9 + digit: the cell holds it
constexpr int kSolverLiterals = 2 * kSolverVars;
// Literals of all stored clauses, and the clauses. On the hardest questions learned clauses run
// to dozens of literals: an arena of 32K literals filled within a few hundred conflicts, and
// forgetting half the store that often cost one such question 27 million conflicts instead of
// 28,000. This one holds the 8,000 clauses kept past a restart where givens repeat.
constexpr int kClauseArena = 1 << 18;
constexpr int kMaxClauses = 16384;

// All state in fixed arrays (about 900 KB), so that it can live on the stack.
struct ClauseSolver {
    // Per variable. value: -1 open, 0 false, 1 true.
    std::int8_t value[kSolverVars];
    std::int8_t literalValue[kSolverLiterals];  // the same per literal: 1 true, 0 false, -1 open
    std::uint8_t exists[kSolverVars];           // an open cell's candidate
    std::uint8_t seen[kSolverVars];
    std::int16_t level[kSolverVars];
    std::int32_t reason[kSolverVars];  // -1: decision or level 0 fact; else see clause_solver.cpp
    double activity[kSolverVars];
    std::int8_t phase[kSolverVars];  // the value each variable last had
    double bump = 1.0;
    // Open variables by activity, highest first (a binary heap); position -1 when not in it.
    std::int16_t heap[kSolverVars];
    std::int16_t heapPosition[kSolverVars];
    int heapSize = 0;
    // The assignment stack and where each decision level starts on it.
    std::int16_t trail[kSolverVars];
    std::int16_t levelStart[kSolverVars + 1];
    int trailSize = 0, propagated = 0, decisionLevel = 0;
    // Open cells: their candidate digits (bit d), and those not yet false.
    std::uint16_t candidates[kSolverCells];
    std::uint16_t notFalse[kSolverCells];
    // Per digit and kind of unit (rows, columns, boxes), the units that must take it (bit u), and
    // per unit and digit how many of its candidates are not yet false.
    std::uint16_t needyUnits[9][3];
    std::int8_t notFalseIn[27][9];
    // Learned clauses: literals in one arena; the first two of each are watched, through linked
    // lists.
    std::int16_t literals[kClauseArena];
    std::int32_t clauseStart[kMaxClauses];
    std::int16_t clauseSize[kMaxClauses];
    // Per clause, the decision levels its literals spanned when it was learned, or fewer when it
    // took part in an analysis since (its "glue"): the fewer, the more often it cuts; the store
    // keeps those first when it forgets.
    std::uint8_t clauseGlue[kMaxClauses];
    // Per clause, whether the top level has tried to shorten it yet.
    std::uint8_t vivified[kMaxClauses];
    // Per decision level, the stamp of the last glue count that met it.
    std::int32_t levelMark[kSolverVars + 1];
    std::int32_t markStamp = 0;
    // Per watch: the next on its literal's list, and a literal of its clause that, when true,
    // spares the clause a visit. Side by side, so that a visit that stops there reads one line.
    struct Watch {
        std::int32_t next;
        std::int16_t blocker;
    };
    Watch watches[2 * kMaxClauses];
    std::int32_t watchHead[kSolverLiterals];
    int arenaUsed = 0, clauseCount = 0;
    // The first clauses of the store are rules, not learned: never forgotten.
    int ruleClauses = 0;
    std::int16_t learnt[kSolverVars];
    // Work done over every call, for measuring: conflicts met and values assigned.
    long conflicts = 0;
    long assignments = 0;
    long matchingChecks = 0;
    // Matching (Hall) rules at every node: units that need a digit get distinct other units for
    // it, a unit's open cells get distinct digits. Worth their cost where givens repeat.
    bool hallRules = false;
    std::int16_t hallClause[kSolverVars];
    // Per digit, where it is not yet false, by row (bit: column) and by column (bit: row), for
    // the matching rules.
    std::uint16_t rowColumns[9][9];
    // Per digit, the cells where it is not yet false (bit cell, cells 0-63 in the first word).
    std::uint64_t notFalseCells[9][2];
    std::uint16_t columnRows[9][9];
    // Digits and units that lost a candidate since the matching rules last found them sound.
    // Matchings only get easier as candidates come back, so only these need a look.
    std::uint32_t digitsToMatch = 0;
    std::uint32_t unitsToMatch = 0;
    // Units whose candidates changed either way since the subset rule last looked at them.
    std::uint32_t unitsChanged = 0;
    int hallSize = 0;
    int assumed = 0;  // the current solve's assumptions (its first decision levels)
    // The top level met a conflict: there is no completion at all. Propagation moves past the
    // literals it has looked at, so a later call would not meet that conflict again; every call
    // answers from this instead.
    bool contradicted = false;
};

// Sets up the solver for a puzzle. `candidates[cell]`: bit d when digit d + 1 may stand in an
// open cell, 0 for a cell whose digit is known. `needs[unit][d]` for rows 0-8, columns 9-17 and
// boxes 18-26: the unit must take digit d + 1 in one of its open cells. Returns false when some
// open cell or needy unit has no candidate at all.
bool initSolver(ClauseSolver& s, const std::uint16_t (&candidates)[kSolverCells],
                const bool (&needs)[27][9]);

// Fixes digit `digit` (0-8) of `cell` as true or false for good. Returns false when that leaves
// no completion to propagation at the top level.
bool fixDigit(ClauseSolver& s, int cell, int digit, bool holds);

// Records that no completion has both `digit` (0-8) in `cell` and `otherDigit` in `otherCell`.
// Returns false when that leaves no completion to propagation at the top level.
bool excludeTogether(ClauseSolver& s, int cell, int digit, int otherCell, int otherDigit);

// Whether the open cells have a completion: 1 with `model[cell]` the digit (0-8) of every open
// cell, 0 for none, -1 when `budget` conflicts went first (-1 for no budget). What is learned is
// kept for later calls.
int solve(ClauseSolver& s, long budget, std::int8_t (&model)[kSolverCells]);

// Whether the open cells have a completion with `cell` holding one of `digits` (bit d for digit
// d, 0-8): 1 with `model` as for solve, 0 for none, -1 when `budget` conflicts went first (-1
// for no budget); what was learned stays. One question for several digits: when none of them
// completes, one refutation covers them all.
int solveWithin(ClauseSolver& s, int cell, unsigned digits, long budget,
                std::int8_t (&model)[kSolverCells]);

// Adds the rule that `digits` (bit d), which no given or placed cell holds, first appear in
// ascending order, read row by row. The other rules cannot tell such digits apart: swapping two
// of them turns a completion into another, and the smaller of the two keeps the order. So the
// smallest completion keeps it, and a refutation need only cover the completions that do.
// Called at the top level before any solve; false when that leaves no completion.
bool orderInterchangeable(ClauseSolver& s, unsigned digits);

// Whether unit propagation at the top level (clauses, cell and unit rules), with the digits
// `vars` (cell * 9 + digit) assumed in turn, ends without a conflict; if so, `open` gets each
// cell's digits not false then. The solver is left at the top level.
bool propagateAssuming(ClauseSolver& s, const std::int16_t* vars, int count,
                       std::uint16_t (&open)[kSolverCells]);

// The same with every digit of `cell` outside `digits` (bit d) assumed false instead: a
// question for several digits of one cell.
bool propagateExcluding(ClauseSolver& s, int cell, unsigned digits,
                        std::uint16_t (&open)[kSolverCells]);

// Sets the value each variable is tried with first to a completion's, or near one's: `digits[cell]`
// (0-8) where it is not -1, the cell's other digits false.
void preferDigits(ClauseSolver& s, const std::int8_t (&digits)[kSolverCells]);

// Sets the value each variable is tried with first back to true, as after initSolver.
void resetPhases(ClauseSolver& s);

// Whether `digit` of `cell` is still possible at the top level.
bool digitOpen(const ClauseSolver& s, int cell, int digit);

}  // namespace engine
