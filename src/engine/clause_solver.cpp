// Clause learning over the open cells. The rules are applied directly: one digit per cell and no
// repeat among peers (some 10,000 two-literal clauses), and "at least one" per cell and per unit
// that needs a digit, on candidate masks and counts. Only learned clauses are stored and watched.
#include "engine/clause_solver.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/board.h"
#include "engine/tables.h"

namespace engine {
namespace {

// Reasons and conflicts: below kCellRule a stored clause; kCellRule + cell: the cell's "at least
// one digit"; kUnitRule + unit * 9 + d: the unit's "digit d somewhere"; kImplied + u: forced
// false because variable u is true and the two cannot both hold.
constexpr std::int32_t kNoReason = -1;
constexpr std::int32_t kCellRule = 1 << 16;
constexpr std::int32_t kUnitRule = kCellRule + kSolverCells;
constexpr std::int32_t kImplied = 1 << 20;
constexpr int kNoConflict = -1;
constexpr int kPairConflict = -2;  // two true variables that exclude each other
constexpr int kHallConflict = -3;  // the clause in hallClause
// Restarts come every `base` conflicts times the Luby sequence, and past one at most
// `maxLearned` learned clauses stay. Each setting has its own slowest inputs, so both were chosen
// on every slow input the adversary has found with earlier settings together, per kind: where
// givens repeat (and the matching rules run) longer runs between restarts and more clauses
// have the lowest worst case; where they repeat nothing, short runs and fewer clauses (the
// longer ones made the slowest such inputs five times slower).
struct RestartPolicy {
    int base;
    int maxLearned;
};
constexpr RestartPolicy kRepeatedGivens{64, 8000};
constexpr RestartPolicy kDistinctGivens{8, 500};
// The subset rule at most this many decisions below the assumptions: deeper, its search over
// each unit's cells costs more than the conflicts it saves (on the adversary's inputs, 10%).
constexpr int kSubsetDepth = 8;
// Where givens repeat, each restart spends up to this many assignments on shortening learned
// clauses (see vivify). More shortens more, but costs more than the conflicts it saves.
constexpr long kVivifyAssignments = 1000;

// The same as a mask of 81 bits, cells 0-63 in the first word.
constexpr std::array<std::array<std::uint64_t, 2>, kSolverCells> makePeerMasks() {
    std::array<std::array<std::uint64_t, 2>, kSolverCells> masks{};
    for (int i = 0; i < kSolverCells; ++i) {
        for (const int peer : kPeerCells[i]) masks[i][peer >> 6] |= std::uint64_t{1} << (peer & 63);
    }
    return masks;
}
constexpr auto kPeerMasks = makePeerMasks();

// The row, column and box (numbered 0-8, 9-17, 18-26) of each cell, and the cells of each unit,
// as tables: propagation looks them up for every value it assigns.
constexpr int computeCellOfUnit(int unit, int k) {
    const int kind = unit / 9, u = unit % 9;
    return kind == 0   ? u * 9 + k
           : kind == 1 ? k * 9 + u
                       : (u / 3 * 3 + k / 3) * 9 + u % 3 * 3 + k % 3;
}
template <int kRows, int kColumns, typename F>
constexpr std::array<std::array<std::uint8_t, kColumns>, kRows> makeTable(F f) {
    std::array<std::array<std::uint8_t, kColumns>, kRows> table{};
    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kColumns; ++j) table[i][j] = static_cast<std::uint8_t>(f(i, j));
    }
    return table;
}
constexpr auto kUnitOf = makeTable<kSolverCells, 3>(unitOfCell);
constexpr auto kCellOfUnit = makeTable<27, 9>(computeCellOfUnit);
int unitOf(int cell, int kind) {
    return kUnitOf[cell][kind];
}
int cellOfUnit(int unit, int k) {
    return kCellOfUnit[unit][k];
}

int varOf(int literal) {
    return literal >> 1;
}
int positive(int var) {
    return 2 * var;
}
int negative(int var) {
    return 2 * var + 1;
}
// 1 true, 0 false, -1 open.
int valueOf(const ClauseSolver& s, int literal) {
    return s.literalValue[literal];
}

// The decision order: a max-heap on activity.
bool before(const ClauseSolver& s, int a, int b) {
    return s.activity[a] > s.activity[b];
}

void heapUp(ClauseSolver& s, int at) {
    const int var = s.heap[at];
    while (at > 0 && before(s, var, s.heap[(at - 1) / 2])) {
        s.heap[at] = s.heap[(at - 1) / 2];
        s.heapPosition[s.heap[at]] = static_cast<std::int16_t>(at);
        at = (at - 1) / 2;
    }
    s.heap[at] = static_cast<std::int16_t>(var);
    s.heapPosition[var] = static_cast<std::int16_t>(at);
}

void heapDown(ClauseSolver& s, int at) {
    const int var = s.heap[at];
    for (;;) {
        int child = 2 * at + 1;
        if (child >= s.heapSize) break;
        if (child + 1 < s.heapSize && before(s, s.heap[child + 1], s.heap[child])) ++child;
        if (!before(s, s.heap[child], var)) break;
        s.heap[at] = s.heap[child];
        s.heapPosition[s.heap[at]] = static_cast<std::int16_t>(at);
        at = child;
    }
    s.heap[at] = static_cast<std::int16_t>(var);
    s.heapPosition[var] = static_cast<std::int16_t>(at);
}

void heapInsert(ClauseSolver& s, int var) {
    if (s.heapPosition[var] >= 0) return;
    s.heap[s.heapSize] = static_cast<std::int16_t>(var);
    heapUp(s, s.heapSize++);
}

int heapPop(ClauseSolver& s) {
    const int top = s.heap[0];
    s.heapPosition[top] = -1;
    if (--s.heapSize > 0) {
        s.heap[0] = s.heap[s.heapSize];
        heapDown(s, 0);
    }
    return top;
}

// The row, column and box of a cell as one unit mask.
std::uint32_t unitBits(int cell) {
    return 1u << unitOf(cell, 0) | 1u << unitOf(cell, 1) | 1u << unitOf(cell, 2);
}

// The matching rules' view of a candidate that became false, and of one that came back.
void markFalse(ClauseSolver& s, int cell, int digit) {
    const int r = cell / 9, c = cell % 9;
    s.notFalseCells[digit][cell >> 6] &= ~(std::uint64_t{1} << (cell & 63));
    s.rowColumns[digit][r] = static_cast<std::uint16_t>(s.rowColumns[digit][r] & ~(1u << c));
    s.columnRows[digit][c] = static_cast<std::uint16_t>(s.columnRows[digit][c] & ~(1u << r));
    s.digitsToMatch |= 1u << digit;
    s.unitsToMatch |= unitBits(cell);
    s.unitsChanged |= unitBits(cell);
}
void markOpen(ClauseSolver& s, int cell, int digit) {
    const int r = cell / 9, c = cell % 9;
    s.notFalseCells[digit][cell >> 6] |= std::uint64_t{1} << (cell & 63);
    s.rowColumns[digit][r] = static_cast<std::uint16_t>(s.rowColumns[digit][r] | 1u << c);
    s.columnRows[digit][c] = static_cast<std::uint16_t>(s.columnRows[digit][c] | 1u << r);
    s.unitsChanged |= unitBits(cell);
}

void assign(ClauseSolver& s, int literal, std::int32_t reason) {
    const int var = varOf(literal);
    if (literal & 1) {
        const int cell = var / 9, digit = var % 9;
        s.notFalse[cell] = static_cast<std::uint16_t>(s.notFalse[cell] & ~(1u << digit));
        for (int kind = 0; kind < 3; ++kind) --s.notFalseIn[unitOf(cell, kind)][digit];
        markFalse(s, cell, digit);
    }
    s.value[var] = static_cast<std::int8_t>((literal & 1) ^ 1);
    s.literalValue[literal] = 1;
    s.literalValue[literal ^ 1] = 0;
    s.level[var] = static_cast<std::int16_t>(s.decisionLevel);
    s.reason[var] = reason;
    s.trail[s.trailSize++] = static_cast<std::int16_t>(literal);
    ++s.assignments;
}

void watch(ClauseSolver& s, int clause, int slot) {
    const int node = 2 * clause + slot;
    const int literal = s.literals[s.clauseStart[clause] + slot];
    s.watches[node].next = s.watchHead[literal];
    s.watches[node].blocker = s.literals[s.clauseStart[clause] + (slot ^ 1)];
    s.watchHead[literal] = node;
}

// Takes a clause's watch off its literal's list.
void unwatch(ClauseSolver& s, int clause, int slot) {
    const int node = 2 * clause + slot;
    std::int32_t* link = &s.watchHead[s.literals[s.clauseStart[clause] + slot]];
    while (*link != node) link = &s.watches[*link].next;
    *link = s.watches[node].next;
}

// Counting a clause's distinct decision levels: a fresh stamp per count, and a level counts the
// first time the stamp meets it. After two billion counts the marks start over.
std::int32_t newGlueCount(ClauseSolver& s) {
    if (s.markStamp == INT32_MAX) {
        std::memset(s.levelMark, 0, sizeof s.levelMark);
        s.markStamp = 0;
    }
    return ++s.markStamp;
}
int levelIsNew(ClauseSolver& s, std::int32_t stamp, int var) {
    std::int32_t& mark = s.levelMark[s.level[var]];
    const int isNew = mark != stamp;
    mark = stamp;
    return isNew;
}

// The distinct decision levels of a clause's literals, all assigned.
int glueOf(ClauseSolver& s, const std::int16_t* lits, int size) {
    const std::int32_t stamp = newGlueCount(s);
    int glue = 0;
    for (int k = 0; k < size; ++k) glue += levelIsNew(s, stamp, varOf(lits[k]));
    return glue;
}

// Stores a clause of two or more literals, watching its first two.
int store(ClauseSolver& s, const std::int16_t* lits, int size, int glue) {
    const int clause = s.clauseCount++;
    s.clauseStart[clause] = s.arenaUsed;
    s.clauseSize[clause] = static_cast<std::int16_t>(size);
    s.clauseGlue[clause] = static_cast<std::uint8_t>(std::min(glue, 255));
    s.vivified[clause] = 0;
    std::memcpy(s.literals + s.arenaUsed, lits, sizeof(std::int16_t) * size);
    s.arenaUsed += size;
    watch(s, clause, 0);
    watch(s, clause, 1);
    return clause;
}

// What the top level learns when it meets a conflict: for good (see `contradicted`).
bool contradiction(ClauseSolver& s) {
    s.contradicted = true;
    return false;
}

// Unit propagation to a fixed point. Returns kNoConflict, a clause, or kPairConflict with the two
// clashing variables in `pair`.
int propagateRules(ClauseSolver& s, int (&pair)[2]) {
    while (s.propagated < s.trailSize) {
        const int literal = s.trail[s.propagated++];
        const int var = varOf(literal);
        if ((literal & 1) == 0) {
            // True: no other digit in this cell, and not this digit among the peers; only those
            // not false yet need a look.
            const int cell = var / 9, digit = var % 9;
            auto exclude = [&](int other) {
                if (s.value[other] == 1) {
                    pair[0] = var;
                    pair[1] = other;
                    return false;
                }
                assign(s, negative(other), kImplied + var);
                return true;
            };
            for (unsigned rest = s.notFalse[cell] & ~(1u << digit); rest != 0; rest &= rest - 1) {
                if (!exclude(cell * 9 + std::countr_zero(rest))) return kPairConflict;
            }
            for (int half = 0; half < 2; ++half) {
                std::uint64_t rest = kPeerMasks[cell][half] & s.notFalseCells[digit][half];
                for (; rest != 0; rest &= rest - 1) {
                    const int peer = 64 * half + std::countr_zero(rest);
                    if (!exclude(peer * 9 + digit)) return kPairConflict;
                }
            }
        }
        if (literal & 1) {
            // False: the cell, and each unit that needs the digit, may have one option left.
            const int cell = var / 9, digit = var % 9;
            const std::uint16_t left = s.notFalse[cell];
            if (left == 0) return kCellRule + cell;
            if ((left & (left - 1)) == 0) {
                const int other = cell * 9 + std::countr_zero(static_cast<unsigned>(left));
                if (s.value[other] < 0) assign(s, positive(other), kCellRule + cell);
            }
            for (int kind = 0; kind < 3; ++kind) {
                const int unit = unitOf(cell, kind);
                const bool needy = s.needyUnits[digit][kind] >> (unit - 9 * kind) & 1u;
                if (!needy || s.notFalseIn[unit][digit] > 1) continue;
                if (s.notFalseIn[unit][digit] == 0) return kUnitRule + unit * 9 + digit;
                for (int k = 0; k < 9; ++k) {
                    const int other = cellOfUnit(unit, k) * 9 + digit;
                    if (s.exists[other] && s.value[other] != 0) {
                        if (s.value[other] < 0)
                            assign(s, positive(other), kUnitRule + unit * 9 + digit);
                        break;
                    }
                }
            }
        }
        // The clauses watching the literal that just became false.
        const int falsified = literal ^ 1;
        std::int32_t* link = &s.watchHead[falsified];
        while (*link >= 0) {
            const int node = *link, clause = node >> 1, slot = node & 1;
            if (valueOf(s, s.watches[node].blocker) == 1) {
                link = &s.watches[node].next;
                continue;
            }
            std::int16_t* c = s.literals + s.clauseStart[clause];
            const int other = c[slot ^ 1];
            if (valueOf(s, other) == 1) {
                s.watches[node].blocker = static_cast<std::int16_t>(other);
                link = &s.watches[node].next;
                continue;
            }
            int replacement = -1;
            for (int k = 2; k < s.clauseSize[clause]; ++k) {
                if (valueOf(s, c[k]) != 0) {
                    replacement = k;
                    break;
                }
            }
            if (replacement >= 0) {
                std::swap(c[slot], c[replacement]);
                *link = s.watches[node].next;
                s.watches[node].next = s.watchHead[c[slot]];
                s.watchHead[c[slot]] = node;
                continue;
            }
            if (valueOf(s, other) == 0) return clause;
            assign(s, other, clause);
            link = &s.watches[node].next;
        }
    }
    return kNoConflict;
}

int propagate(ClauseSolver& s, int (&pair)[2]) {
    const int conflict = propagateRules(s, pair);
    if (conflict != kNoConflict && s.decisionLevel == 0) contradiction(s);
    return conflict;
}

void backtrack(ClauseSolver& s, int level) {
    if (s.decisionLevel <= level) return;
    const int start = s.levelStart[level + 1];
    for (int i = s.trailSize - 1; i >= start; --i) {
        const int var = varOf(s.trail[i]);
        if (s.value[var] == 0) {
            const int cell = var / 9, digit = var % 9;
            s.notFalse[cell] = static_cast<std::uint16_t>(s.notFalse[cell] | 1u << digit);
            for (int kind = 0; kind < 3; ++kind) ++s.notFalseIn[unitOf(cell, kind)][digit];
            markOpen(s, cell, digit);
        }
        s.phase[var] = s.value[var];
        s.value[var] = -1;
        s.literalValue[positive(var)] = s.literalValue[negative(var)] = -1;
        heapInsert(s, var);
    }
    s.trailSize = start;
    s.propagated = start;
    s.decisionLevel = level;
}

void newLevel(ClauseSolver& s) {
    s.levelStart[++s.decisionLevel] = static_cast<std::int16_t>(s.trailSize);
}

void bumpVar(ClauseSolver& s, int var) {
    s.activity[var] += s.bump;
    if (s.activity[var] > 1e100) {
        for (double& a : s.activity) a *= 1e-100;
        s.bump *= 1e-100;
    }
    if (s.heapPosition[var] >= 0) heapUp(s, s.heapPosition[var]);
}

// Calls f on each literal of a reason's clause but the one of `skipVar` (all false where the
// reason applied), in order, while f returns true; returns whether it went through them all.
// Reasons: a stored clause, a cell's or unit's "at least one", or a true variable excluding this
// one.
template <typename F>
bool forEachReasonLiteral(const ClauseSolver& s, std::int32_t reason, int skipVar, F f) {
    if (reason >= kImplied) return f(negative(reason - kImplied));
    if (reason >= kCellRule) {
        const bool unitRule = reason >= kUnitRule;
        const int unit = (reason - kUnitRule) / 9, digit = (reason - kUnitRule) % 9;
        for (int k = 0; k < 9; ++k) {
            const int var =
                unitRule ? cellOfUnit(unit, k) * 9 + digit : (reason - kCellRule) * 9 + k;
            if (s.exists[var] && var != skipVar && !f(positive(var))) return false;
        }
        return true;
    }
    const std::int16_t* c = s.literals + s.clauseStart[reason];
    for (int k = 0; k < s.clauseSize[reason]; ++k) {
        if (varOf(c[k]) != skipVar && !f(c[k])) return false;
    }
    return true;
}

// Where a learned clause (learnt[1..size)) holds several literals of one level, they may all
// follow, through that level's reasons and the clause's literals of lower levels, from one
// literal of the level: resolving them back to it, as for the first unique implication point,
// leaves that one in their place. Returns the new size, the literals after the first ordered by
// level, deepest first. seen[] is clear before and after.
int shrink(ClauseSolver& s, int size) {
    std::int16_t* lits = s.learnt;
    std::sort(lits + 1, lits + size,
              [&s](int a, int b) { return s.level[varOf(a)] > s.level[varOf(b)]; });
    // seen: 1 a clause variable below the level at work; 2 waiting to be resolved; 3 resolved.
    for (int k = 1; k < size; ++k) s.seen[varOf(lits[k])] = 1;
    std::int16_t touched[kSolverVars];
    int out = 1;
    for (int i = 1; i < size;) {
        const int level = s.level[varOf(lits[i])];
        int j = i;
        while (j < size && s.level[varOf(lits[j])] == level) ++j;
        int uip = -1;
        if (j - i > 1) {
            int count = 0, pending = j - i;
            for (int k = i; k < j; ++k) s.seen[varOf(lits[k])] = 2;
            int index = (level == s.decisionLevel ? s.trailSize : s.levelStart[level + 1]) - 1;
            for (;;) {
                while (s.seen[varOf(s.trail[index])] != 2) --index;
                const int literal = s.trail[index--];
                const int var = varOf(literal);
                s.seen[var] = 3;
                if (--pending == 0) {
                    uip = literal;
                    break;
                }
                if (s.reason[var] == kNoReason) break;
                const bool ok = forEachReasonLiteral(s, s.reason[var], var, [&](int l) {
                    const int other = varOf(l);
                    const int at = s.level[other];
                    if (at == 0) return true;
                    if (at < level) return s.seen[other] == 1;
                    if (s.seen[other] < 2) {
                        s.seen[other] = 2;
                        touched[count++] = static_cast<std::int16_t>(other);
                        ++pending;
                    }
                    return true;
                });
                if (!ok) break;
            }
            for (int k = 0; k < count; ++k) s.seen[touched[k]] = 0;
            for (int k = i; k < j; ++k) s.seen[varOf(lits[k])] = 0;
        }
        if (uip >= 0) {
            lits[out++] = static_cast<std::int16_t>(uip ^ 1);
        } else {
            for (int k = i; k < j; ++k) lits[out++] = lits[k];
        }
        i = j;
    }
    for (int k = 1; k < out; ++k) s.seen[varOf(lits[k])] = 0;
    return out;
}

// First unique implication point: returns the learned clause's size, its asserting literal
// first and a literal of the level to return to second.
int analyze(ClauseSolver& s, int conflict, const int (&pair)[2]) {
    int size = 1, pending = 0;
    auto note = [&](int literal) {
        const int var = varOf(literal);
        if (s.seen[var] || s.level[var] == 0) return;
        s.seen[var] = 1;
        bumpVar(s, var);
        if (s.level[var] == s.decisionLevel) {
            ++pending;
        } else {
            s.learnt[size++] = static_cast<std::int16_t>(literal);
        }
    };
    auto noteReason = [&](std::int32_t reason, int skipVar) {
        if (reason < 0 || reason >= kCellRule) {
            forEachReasonLiteral(s, reason, skipVar, [&](int literal) {
                note(literal);
                return true;
            });
            return;
        }
        // A clause in use: its glue as of now, counted on the same pass, is the better guide
        // when lower.
        const std::int32_t stamp = newGlueCount(s);
        int glue = skipVar >= 0 ? levelIsNew(s, stamp, skipVar) : 0;
        forEachReasonLiteral(s, reason, skipVar, [&](int literal) {
            glue += levelIsNew(s, stamp, varOf(literal));
            note(literal);
            return true;
        });
        if (glue < s.clauseGlue[reason]) s.clauseGlue[reason] = static_cast<std::uint8_t>(glue);
    };
    if (conflict == kHallConflict) {
        for (int k = 0; k < s.hallSize; ++k) note(s.hallClause[k]);
    } else if (conflict == kPairConflict) {
        note(negative(pair[0]));
        note(negative(pair[1]));
    } else {
        noteReason(conflict, -1);
    }
    int index = s.trailSize - 1, literal = 0;
    for (;;) {
        while (!s.seen[varOf(s.trail[index])]) --index;
        literal = s.trail[index--];
        const int var = varOf(literal);
        s.seen[var] = 0;
        if (--pending == 0) break;
        noteReason(s.reason[var], var);
    }
    s.learnt[0] = static_cast<std::int16_t>(literal ^ 1);
    // A literal implied by the others adds nothing: shorter clauses cut more and cost less to
    // watch. It is implied when its reason's literals are in the clause, at the top level, or
    // implied in turn, followed back through their reasons; a literal whose level holds none of
    // the clause's cannot lead back into it.
    std::uint32_t levels = 0;  // the clause's levels, folded to 32 bits
    for (int k = 1; k < size; ++k) levels |= 1u << (s.level[varOf(s.learnt[k])] & 31);
    std::int16_t marked[kSolverVars];  // variables found implied, besides the clause's own
    int markedCount = 0;
    auto implied = [&](int var) {
        std::int16_t stack[kSolverVars];
        int depth = 0;
        const int before = markedCount;
        stack[depth++] = static_cast<std::int16_t>(var);
        while (depth > 0) {
            const int at = stack[--depth];
            const bool all = forEachReasonLiteral(s, s.reason[at], at, [&](int literal) {
                const int other = varOf(literal);
                if (s.seen[other] || s.level[other] == 0) return true;
                if (s.reason[other] == kNoReason || !(levels >> (s.level[other] & 31) & 1u)) {
                    return false;
                }
                s.seen[other] = 1;
                marked[markedCount++] = static_cast<std::int16_t>(other);
                stack[depth++] = static_cast<std::int16_t>(other);
                return true;
            });
            if (!all) {
                while (markedCount > before) s.seen[marked[--markedCount]] = 0;
                return false;
            }
        }
        return true;
    };
    bool drop[kSolverVars];
    for (int k = 1; k < size; ++k) {
        const int var = varOf(s.learnt[k]);
        drop[k] = s.reason[var] != kNoReason && implied(var);
    }
    for (int k = 1; k < size; ++k) s.seen[varOf(s.learnt[k])] = 0;
    while (markedCount > 0) s.seen[marked[--markedCount]] = 0;
    int kept = 1;
    for (int k = 1; k < size; ++k) {
        if (!drop[k]) s.learnt[kept++] = s.learnt[k];
    }
    // Shrinking leaves the other literals deepest level first: the second is watched, and its
    // level is the one to return to.
    size = shrink(s, kept);
    s.bump /= 0.80;
    return size;
}

// At the top level: drops clauses already satisfied and literals already false, forgets half of
// the learned clauses when there are many (those that spanned the most levels, the older first
// among equals), and rebuilds the arena and watches. Returns false when a clause has become empty.
bool simplify(ClauseSolver& s, bool forget) {
    std::int16_t scratch[kSolverVars];
    // With `forget`: clauses of glue below `threshold` stay, and of those with glue `threshold`
    // the newest, skipping the first `skip` of them.
    int threshold = 256, skip = 0;
    if (forget) {
        int byGlue[256] = {};
        for (int clause = s.ruleClauses; clause < s.clauseCount; ++clause) {
            ++byGlue[s.clauseGlue[clause]];
        }
        int keep = (s.clauseCount - s.ruleClauses) / 2;
        threshold = 0;
        while (threshold < 255 && keep >= byGlue[threshold]) keep -= byGlue[threshold++];
        skip = byGlue[threshold] - keep;
    }
    // Clauses are compacted in place: a clause only ever moves towards the front.
    int used = 0, count = 0, rules = 0;
    for (int clause = 0; clause < s.clauseCount; ++clause) {
        const int glue = s.clauseGlue[clause];
        const bool rule = clause < s.ruleClauses;
        if (!rule && (glue > threshold || (glue == threshold && skip-- > 0))) continue;
        const std::int16_t* c = s.literals + s.clauseStart[clause];
        int size = 0;
        bool satisfied = false;
        for (int k = 0; k < s.clauseSize[clause] && !satisfied; ++k) {
            const int v = valueOf(s, c[k]);
            satisfied = v == 1;
            if (v < 0) scratch[size++] = c[k];
        }
        if (satisfied) continue;
        if (size == 0) return contradiction(s);
        if (size == 1) {
            assign(s, scratch[0], kNoReason);
            continue;
        }
        s.clauseStart[count] = used;
        s.clauseSize[count] = static_cast<std::int16_t>(size);
        s.clauseGlue[count] = static_cast<std::uint8_t>(std::min(glue, size));
        s.vivified[count] = s.vivified[clause];
        std::memcpy(s.literals + used, scratch, sizeof(std::int16_t) * size);
        used += size;
        ++count;
        rules += rule;
    }
    s.arenaUsed = used;
    s.clauseCount = count;
    s.ruleClauses = rules;
    std::fill(std::begin(s.watchHead), std::end(s.watchHead), -1);
    for (int clause = 0; clause < count; ++clause) {
        watch(s, clause, 0);
        watch(s, clause, 1);
    }
    return true;
}

// Propagates at the top level; false on a conflict there.
bool settle(ClauseSolver& s) {
    int pair[2];
    return !s.contradicted && propagate(s, pair) == kNoConflict;
}

// At the top level: shortens learned clauses not tried before, lowest glue first, until `budget`
// assignments are spent. For a clause, its literals are made false one by one, each at a level
// of its own, with propagation in between. A literal that turns false on its own is implied
// false by those before it and goes; one that turns true, or a conflict, means the literals so
// far already make a clause. The rest go. Each step follows from the rules and clauses held
// (the clause itself included), so the shorter clause holds too and takes the old one's place.
// Returns false when the top level has no completion.
bool vivify(ClauseSolver& s, long budget) {
    if (!settle(s)) return false;
    const int factsBefore = s.trailSize;
    // The clauses not tried yet, by glue.
    std::int16_t order[kMaxClauses];
    int byGlue[257] = {};
    for (int clause = 0; clause < s.clauseCount; ++clause) {
        if (!s.vivified[clause]) ++byGlue[s.clauseGlue[clause] + 1];
    }
    for (int glue = 0; glue < 256; ++glue) byGlue[glue + 1] += byGlue[glue];
    const int candidates = byGlue[256];
    for (int clause = 0; clause < s.clauseCount; ++clause) {
        if (!s.vivified[clause]) {
            order[byGlue[s.clauseGlue[clause]]++] = static_cast<std::int16_t>(clause);
        }
    }
    // The shorter clauses wait here until the end: propagation must see every clause as its
    // watches have it.
    struct Shorter {
        std::int16_t clause, size, at;
    };
    Shorter shorter[64];
    std::int16_t waiting[kSolverVars];
    int count = 0, used = 0;
    const long start = s.assignments;
    for (int n = 0; n < candidates && s.assignments - start < budget && count < 64; ++n) {
        const int clause = order[n];
        const int size = s.clauseSize[clause];
        if (used + size > kSolverVars) break;
        s.vivified[clause] = 1;
        // A copy: propagation reorders the clause's literals as it moves its watches.
        std::int16_t* lits = waiting + used;
        std::memcpy(lits, s.literals + s.clauseStart[clause], sizeof(std::int16_t) * size);
        int kept = 0;
        bool satisfied = false;
        for (int k = 0; k < size; ++k) {
            const int literal = lits[k];
            const int v = valueOf(s, literal);
            if (v == 1) {
                satisfied = s.level[varOf(literal)] == 0;
                lits[kept++] = static_cast<std::int16_t>(literal);
                break;
            }
            if (v == 0) continue;
            lits[kept++] = static_cast<std::int16_t>(literal);
            if (k == size - 1) break;
            newLevel(s);
            assign(s, literal ^ 1, kNoReason);
            int pair[2];
            if (propagate(s, pair) != kNoConflict) break;
        }
        backtrack(s, 0);
        if (satisfied || kept == size) continue;
        if (kept == 0) return contradiction(s);
        if (kept == 1) {
            // A fact; the clause it satisfies goes at the next clean-up.
            if (valueOf(s, lits[0]) == 0) return contradiction(s);
            if (valueOf(s, lits[0]) < 0) assign(s, lits[0], kNoReason);
            if (!settle(s)) return false;
            continue;
        }
        shorter[count++] = {static_cast<std::int16_t>(clause), static_cast<std::int16_t>(kept),
                            static_cast<std::int16_t>(used)};
        used += kept;
    }
    if (count == 0) return true;
    // With no new fact every kept literal is still open at the top level: each shorter clause
    // just moves its two watches. A new fact may have settled some of them: then a clean-up
    // (which rebuilds every watch, at a cost of the whole store) follows.
    const bool newFacts = s.trailSize != factsBefore;
    for (int k = 0; k < count; ++k) {
        const Shorter& c = shorter[k];
        if (!newFacts) {
            for (int slot = 0; slot < 2; ++slot) unwatch(s, c.clause, slot);
        }
        std::memcpy(s.literals + s.clauseStart[c.clause], waiting + c.at,
                    sizeof(std::int16_t) * c.size);
        s.clauseSize[c.clause] = c.size;
        s.clauseGlue[c.clause] =
            static_cast<std::uint8_t>(std::min<int>(s.clauseGlue[c.clause], c.size));
        if (!newFacts) {
            watch(s, c.clause, 0);
            watch(s, c.clause, 1);
        }
    }
    return !newFacts || simplify(s, false);
}

// The Luby sequence 1 1 2 1 1 2 4 ...: restart intervals that are short on easy calls and still
// let a hard one run long.
long luby(long i) {
    long size = 1, seq = 0;
    while (size < i + 1) {
        ++seq;
        size = 2 * size + 1;
    }
    while (size - 1 != i) {
        size = (size - 1) >> 1;
        --seq;
        i = i % size;
    }
    return 1L << seq;
}

// Adds a learned clause (learnt[0..size)) after a return to the top level, where its watches may
// need other literals; a full store first forgets half its learned clauses.
bool addAtTop(ClauseSolver& s, int size) {
    if ((s.clauseCount == kMaxClauses || s.arenaUsed + size > kClauseArena) && !simplify(s, true))
        return false;
    std::int16_t lits[kSolverVars];
    int kept = 0;
    for (int k = 0; k < size; ++k) {
        const int v = valueOf(s, s.learnt[k]);
        if (v == 1) return true;
        if (v < 0) lits[kept++] = s.learnt[k];
    }
    if (kept == 0) return contradiction(s);
    if (kept == 1) {
        assign(s, lits[0], kNoReason);
        return settle(s);
    }
    store(s, lits, kept, kept);
    return true;
}

// Appends to hallClause the literals "cell takes d" for its candidates d outside `digits`: in a
// matching explanation they are all false, and one of them must hold for the rule not to apply.
void addOutside(ClauseSolver& s, int cell, unsigned digits) {
    for (int d = 0; d < 9; ++d) {
        if (!(digits >> d & 1u) && s.exists[cell * 9 + d]) {
            s.hallClause[s.hallSize++] = static_cast<std::int16_t>(positive(cell * 9 + d));
        }
    }
}

// Kuhn's augmenting paths from each needy left node through `links` (bit r of links[u]: right
// node r). On failure, `left` is a set of needy nodes and `right` all their neighbours, fewer.
bool augment(int u, const std::uint16_t (&links)[9], int (&partner)[9], unsigned& left,
             unsigned& right) {
    left |= 1u << u;
    for (unsigned options = links[u] & ~right; options != 0; options = links[u] & ~right) {
        const int r = std::countr_zero(options);
        right |= 1u << r;
        if (partner[r] < 0 || augment(partner[r], links, partner, left, right)) {
            partner[r] = u;
            return true;
        }
    }
    return false;
}

bool matches(const std::uint16_t (&links)[9], unsigned needy, unsigned& left, unsigned& right) {
    int partner[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
    // Greedy first: most nodes find a free partner at once; only the rest need paths.
    unsigned taken = 0, rest = 0;
    for (unsigned todo = needy; todo != 0; todo &= todo - 1) {
        const int u = std::countr_zero(todo);
        const unsigned free = links[u] & ~taken;
        if (free == 0) {
            rest |= 1u << u;
            continue;
        }
        const int r = std::countr_zero(free);
        taken |= 1u << r;
        partner[r] = u;
    }
    for (; rest != 0; rest &= rest - 1) {
        left = right = 0;
        if (!augment(std::countr_zero(rest), links, partner, left, right)) return false;
    }
    return true;
}

// Naked subsets: in a unit, k open cells whose candidates together are k digits take those
// digits, so the unit's other open cells cannot. Each elimination is stored as a clause (its
// reason). Returns the number of values assigned; -1 when the clause arena is full.
int nakedSubsets(ClauseSolver& s) {
    ++s.matchingChecks;
    int assigned = 0;
    for (int unit = 0; unit < 27; ++unit) {
        // Eliminations made here mark this unit and later ones again, to be seen in this pass.
        if (!(s.unitsChanged >> unit & 1u)) continue;
        s.unitsChanged &= ~(1u << unit);
        int cells[9], n = 0;
        std::uint16_t masks[9];
        for (int k = 0; k < 9; ++k) {
            const int cell = cellOfUnit(unit, k);
            if (s.candidates[cell] == 0) continue;
            const std::uint16_t m = s.notFalse[cell];
            if ((m & (m - 1)) == 0) continue;  // decided, or empty: nothing to learn here
            cells[n] = cell;
            masks[n++] = m;
        }
        // Tight: the other cells lose these digits. False when the clause store is full.
        auto tighten = [&](unsigned set, std::uint16_t digits) {
            for (int k = 0; k < n; ++k) {
                if (set >> k & 1u) continue;
                for (unsigned gone = masks[k] & digits; gone != 0; gone &= gone - 1) {
                    const int var = cells[k] * 9 + std::countr_zero(gone);
                    if (s.value[var] >= 0) continue;
                    // Reason: not var, or some cell of the set takes a digit outside the set's.
                    s.hallSize = 0;
                    s.hallClause[s.hallSize++] = static_cast<std::int16_t>(negative(var));
                    for (unsigned rest = set; rest != 0; rest &= rest - 1) {
                        addOutside(s, cells[std::countr_zero(rest)], digits);
                    }
                    // With no literal besides var's, var is false outright; the solver only
                    // runs this below the top level, where such a fact cannot be kept: skip it.
                    if (s.hallSize == 1) continue;
                    // Deepest false literal second, for the watches.
                    int deepest = 1;
                    for (int j = 2; j < s.hallSize; ++j) {
                        if (s.level[varOf(s.hallClause[j])] > s.level[varOf(s.hallClause[deepest])])
                            deepest = j;
                    }
                    std::swap(s.hallClause[1], s.hallClause[deepest]);
                    if (s.clauseCount == kMaxClauses || s.arenaUsed + s.hallSize > kClauseArena)
                        return false;
                    // The glue once var is false: before, its level is a stale or unset one.
                    const int clause = store(s, s.hallClause, s.hallSize, 0);
                    assign(s, negative(var), clause);
                    s.clauseGlue[clause] = static_cast<std::uint8_t>(
                        std::min(glueOf(s, s.hallClause, s.hallSize), 255));
                    masks[k] = static_cast<std::uint16_t>(masks[k] & ~(1u << (var % 9)));
                    ++assigned;
                }
            }
            return true;
        };
        // Depth first over sets of cells, each grown by later cells only. A set lies in a tight
        // one only if its digits number fewer than n (the unit's open cells) and exceed its cells
        // by no more than the later cells that could still join it: else the search stops there.
        unsigned sets[10] = {};
        std::uint16_t unions[10] = {};
        int next[10] = {};
        for (int depth = 0; n >= 3 && depth >= 0;) {
            if (next[depth] >= n) {
                --depth;
                continue;
            }
            const int k = next[depth]++;
            const std::uint16_t digits = static_cast<std::uint16_t>(unions[depth] | masks[k]);
            const int count = bitCount(digits);
            if (count >= n || count - (depth + 1) > n - 1 - k) continue;
            const unsigned set = sets[depth] | 1u << k;
            if (depth >= 1 && count == depth + 1 && !tighten(set, digits)) return -1;
            ++depth;
            sets[depth] = set;
            unions[depth] = digits;
            next[depth] = k + 1;
        }
    }
    return assigned;
}

// Looks for a violated matching rule; on one, hallClause holds a clause of currently false
// literals that the rules imply.
bool hallViolated(ClauseSolver& s) {
    ++s.matchingChecks;
    unsigned left = 0, right = 0;
    // Per digit: each unit that needs it takes it in a cell of a different row, column or box.
    for (unsigned digits = s.digitsToMatch; digits != 0; digits &= digits - 1) {
        const int d = std::countr_zero(digits);
        if ((s.needyUnits[d][0] | s.needyUnits[d][1] | s.needyUnits[d][2]) == 0) {
            s.digitsToMatch &= ~(1u << d);
            continue;
        }
        // links[a][b][u]: bit v when unit u of kind a and unit v of kind b share a cell where d
        // is not yet false.
        std::uint16_t links[3][3][9] = {};
        for (int i = 0; i < 9; ++i) {
            const unsigned row = s.rowColumns[d][i], column = s.columnRows[d][i];
            const unsigned stacks = kThirds[row], bands = kThirds[column];
            links[0][1][i] = static_cast<std::uint16_t>(row);
            links[1][0][i] = static_cast<std::uint16_t>(column);
            // Row i meets the boxes of band i / 3, column i those of stack i / 3.
            links[0][2][i] = static_cast<std::uint16_t>(stacks << (3 * (i / 3)));
            links[1][2][i] = static_cast<std::uint16_t>(
                ((bands & 1u) | (bands & 2u) << 2 | (bands & 4u) << 4) << (i / 3));
            if (s.needyUnits[d][2] == 0) continue;  // no box needs d: box links go unused
            for (int k = 0; k < 3; ++k) {
                links[2][0][3 * (i / 3) + k] |= static_cast<std::uint16_t>((stacks >> k & 1u) << i);
                links[2][1][3 * k + i / 3] |= static_cast<std::uint16_t>((bands >> k & 1u) << i);
            }
        }
        for (int a = 0; a < 3; ++a) {
            const unsigned needy = s.needyUnits[d][a];
            if (needy == 0) continue;
            for (int b = 0; b < 3; ++b) {
                if (a == b || matches(links[a][b], needy, left, right)) continue;
                s.hallSize = 0;
                for (unsigned set = left; set != 0; set &= set - 1) {
                    const int u = std::countr_zero(set);
                    for (int k = 0; k < 9; ++k) {
                        const int cell = cellOfUnit(9 * a + u, k);
                        const int other = unitOf(cell, b) - 9 * b;
                        if (!(right >> other & 1u) && s.exists[cell * 9 + d]) {
                            s.hallClause[s.hallSize++] =
                                static_cast<std::int16_t>(positive(cell * 9 + d));
                        }
                    }
                }
                return true;
            }
        }
        s.digitsToMatch &= ~(1u << d);
    }
    // Per unit: its open cells take distinct digits.
    for (unsigned units = s.unitsToMatch; units != 0; units &= units - 1) {
        const int unit = std::countr_zero(units);
        std::uint16_t links[9] = {};
        unsigned open = 0;
        for (int k = 0; k < 9; ++k) {
            const int cell = cellOfUnit(unit, k);
            if (s.candidates[cell] == 0) continue;
            open |= 1u << k;
            links[k] = s.notFalse[cell];
        }
        if (!matches(links, open, left, right)) {
            s.hallSize = 0;
            for (unsigned set = left; set != 0; set &= set - 1) {
                addOutside(s, cellOfUnit(unit, std::countr_zero(set)), right);
            }
            return true;
        }
        s.unitsToMatch &= ~(1u << unit);
    }
    return false;
}

}  // namespace

bool initSolver(ClauseSolver& s, const std::uint16_t (&candidates)[kSolverCells],
                const bool (&needs)[27][9]) {
    std::memset(s.exists, 0, sizeof s.exists);
    std::memset(s.seen, 0, sizeof s.seen);
    std::memset(s.level, 0, sizeof s.level);
    std::fill(std::begin(s.value), std::end(s.value), std::int8_t{-1});
    std::fill(std::begin(s.literalValue), std::end(s.literalValue), std::int8_t{-1});
    std::fill(std::begin(s.activity), std::end(s.activity), 0.0);
    std::fill(std::begin(s.phase), std::end(s.phase), std::int8_t{1});
    std::fill(std::begin(s.watchHead), std::end(s.watchHead), -1);
    std::fill(std::begin(s.heapPosition), std::end(s.heapPosition), std::int16_t{-1});
    s.heapSize = 0;
    s.bump = 1.0;
    s.trailSize = s.propagated = s.decisionLevel = 0;
    s.levelStart[0] = 0;
    s.arenaUsed = s.clauseCount = s.ruleClauses = 0;
    std::memset(s.levelMark, 0, sizeof s.levelMark);
    s.markStamp = 0;
    s.conflicts = 0;
    s.assignments = 0;
    s.matchingChecks = 0;
    s.hallRules = false;
    s.contradicted = false;
    std::memcpy(s.candidates, candidates, sizeof s.candidates);
    std::memcpy(s.notFalse, candidates, sizeof s.notFalse);
    for (int d = 0; d < 9; ++d) {
        for (int kind = 0; kind < 3; ++kind) {
            unsigned needy = 0;
            for (int u = 0; u < 9; ++u) needy |= static_cast<unsigned>(needs[9 * kind + u][d]) << u;
            s.needyUnits[d][kind] = static_cast<std::uint16_t>(needy);
        }
    }
    std::memset(s.notFalseIn, 0, sizeof s.notFalseIn);
    std::memset(s.rowColumns, 0, sizeof s.rowColumns);
    std::memset(s.notFalseCells, 0, sizeof s.notFalseCells);
    std::memset(s.columnRows, 0, sizeof s.columnRows);
    s.digitsToMatch = (1u << 9) - 1;
    s.unitsToMatch = (1u << 27) - 1;
    s.unitsChanged = (1u << 27) - 1;
    for (int cell = 0; cell < kSolverCells; ++cell) {
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            s.exists[cell * 9 + d] = 1;
            heapInsert(s, cell * 9 + d);
            markOpen(s, cell, d);
            for (int kind = 0; kind < 3; ++kind) ++s.notFalseIn[unitOf(cell, kind)][d];
        }
    }
    for (int cell = 0; cell < kSolverCells; ++cell) {
        const unsigned only = candidates[cell];
        if (only != 0 && (only & (only - 1)) == 0) {
            assign(s, positive(cell * 9 + std::countr_zero(only)), kNoReason);
        }
    }
    for (int unit = 0; unit < 27; ++unit) {
        for (int d = 0; d < 9; ++d) {
            if (!needs[unit][d] || s.notFalseIn[unit][d] > 1) continue;
            if (s.notFalseIn[unit][d] == 0) return contradiction(s);
            for (int k = 0; k < 9; ++k) {
                const int var = cellOfUnit(unit, k) * 9 + d;
                if (s.exists[var] && s.value[var] < 0) assign(s, positive(var), kNoReason);
            }
        }
    }
    return settle(s);
}

bool fixDigit(ClauseSolver& s, int cell, int digit, bool holds) {
    backtrack(s, 0);
    if (s.contradicted) return false;
    const int var = cell * 9 + digit;
    if (!s.exists[var]) return !holds;
    const int literal = holds ? positive(var) : negative(var);
    const int v = valueOf(s, literal);
    if (v == 0) return contradiction(s);
    if (v < 0) assign(s, literal, kNoReason);
    return settle(s);
}

bool excludeTogether(ClauseSolver& s, int cell, int digit, int otherCell, int otherDigit) {
    backtrack(s, 0);
    if (s.contradicted) return false;
    const int a = cell * 9 + digit, b = otherCell * 9 + otherDigit;
    if (!s.exists[a] || !s.exists[b]) return true;
    if (a == b) return fixDigit(s, cell, digit, false);  // a clause repeats no literal
    s.learnt[0] = static_cast<std::int16_t>(negative(a));
    s.learnt[1] = static_cast<std::int16_t>(negative(b));
    return addAtTop(s, 2);
}

// At most eight pairs of digits, a clause per cell, each of at most 81 literals: the store
// always has room for them before anything is learned.
static_assert(8 * kSolverCells <= kMaxClauses && 8 * kSolverCells * kSolverCells <= kClauseArena);

bool orderInterchangeable(ClauseSolver& s, unsigned digits) {
    // For each two in a row, a < b: b in a cell needs a in an earlier one.
    int previous = -1;
    for (unsigned rest = digits; rest != 0; rest &= rest - 1) {
        const int b = std::countr_zero(rest), a = previous;
        previous = b;
        if (a < 0) continue;
        for (int cell = 0; cell < kSolverCells; ++cell) {
            if (!s.exists[cell * 9 + b] || valueOf(s, positive(cell * 9 + b)) == 0) continue;
            int size = 0;
            s.learnt[size++] = static_cast<std::int16_t>(negative(cell * 9 + b));
            for (int earlier = 0; earlier < cell; ++earlier) {
                if (s.exists[earlier * 9 + a]) {
                    s.learnt[size++] = static_cast<std::int16_t>(positive(earlier * 9 + a));
                }
            }
            const int before = s.clauseCount;
            if (!addAtTop(s, size)) return false;
            if (s.clauseCount > before) s.vivified[before] = 1;
        }
    }
    s.ruleClauses = s.clauseCount;
    return settle(s);
}

namespace {

// propagateAssuming for literals.
bool propagateUnder(ClauseSolver& s, const int* literals, int count,
                    std::uint16_t (&open)[kSolverCells]) {
    backtrack(s, 0);
    if (s.contradicted) return false;
    // Backtracking saves each value as its variable's phase: these assumptions are not the
    // search's, and its phases stay as they were.
    std::int8_t phases[kSolverVars];
    std::copy(std::begin(s.phase), std::end(s.phase), phases);
    int pair[2];
    bool ok = propagate(s, pair) == kNoConflict;
    for (int k = 0; ok && k < count; ++k) {
        const int value = valueOf(s, literals[k]);
        if (value == 0) ok = false;
        if (value != -1) continue;
        newLevel(s);
        assign(s, literals[k], kNoReason);
        ok = propagate(s, pair) == kNoConflict;
    }
    if (ok) std::copy(std::begin(s.notFalse), std::end(s.notFalse), std::begin(open));
    backtrack(s, 0);
    std::copy(std::begin(phases), std::end(phases), std::begin(s.phase));
    return ok;
}

}  // namespace

bool propagateAssuming(ClauseSolver& s, const std::int16_t* vars, int count,
                       std::uint16_t (&open)[kSolverCells]) {
    int literals[kSolverCells];
    count = std::min(count, kSolverCells);
    for (int k = 0; k < count; ++k) literals[k] = positive(vars[k]);
    return propagateUnder(s, literals, count, open);
}

bool propagateExcluding(ClauseSolver& s, int cell, unsigned digits,
                        std::uint16_t (&open)[kSolverCells]) {
    int literals[9], count = 0;
    for (int d = 0; d < 9; ++d) {
        if (!(digits >> d & 1u) && s.exists[cell * 9 + d])
            literals[count++] = negative(cell * 9 + d);
    }
    return propagateUnder(s, literals, count, open);
}

void preferDigits(ClauseSolver& s, const std::int8_t (&digits)[kSolverCells]) {
    for (int cell = 0; cell < kSolverCells; ++cell) {
        if (digits[cell] < 0) continue;
        for (int d = 0; d < 9; ++d) s.phase[cell * 9 + d] = d == digits[cell] ? 1 : 0;
    }
}

void resetPhases(ClauseSolver& s) {
    std::fill(std::begin(s.phase), std::end(s.phase), std::int8_t{1});
}

bool digitOpen(const ClauseSolver& s, int cell, int digit) {
    const int var = cell * 9 + digit;
    return s.exists[var] && s.value[var] != 0;
}

namespace {

// Whether the open cells have a completion with every literal of `assumptions` true; each takes
// its own decision level, first, in order. `preferred`, when not -1, is the first decision after
// them (a hint: what it leads to is learned like any decision).
// 1: a completion (in `model`), 0: none, -1: `budget` conflicts spent first (none: -1).
int solveUnder(ClauseSolver& s, const int* assumptions, int count, int preferred, long budget,
               std::int8_t (&model)[kSolverCells]) {
    backtrack(s, 0);
    if (s.contradicted) return 0;
    s.assumed = count;
    const RestartPolicy policy = s.hallRules ? kRepeatedGivens : kDistinctGivens;
    long restart = 0, sinceRestart = 0, limit = policy.base;
    const long conflictsBefore = s.conflicts;
    int pair[2];
    for (;;) {
        int conflict = propagate(s, pair);
        // The matching rules cost more than they save on calls that meet no conflict.
        const bool rules = s.hallRules && s.conflicts > conflictsBefore;
        if (conflict == kNoConflict && rules && s.decisionLevel > 0 &&
            s.decisionLevel <= s.assumed + kSubsetDepth) {
            const int subsets = nakedSubsets(s);
            if (subsets < 0) {
                // The clause store is full. Going on would leave what the rule assigned
                // unpropagated below the next decision, where a conflict could have no literal
                // of its own level: make room at the top level instead, as for a learned clause.
                backtrack(s, 0);
                if (!simplify(s, true)) return 0;
                continue;
            }
            if (subsets > 0) continue;  // propagate what they gave
        }
        if (conflict == kNoConflict && rules && hallViolated(s)) {
            // Analysis needs the conflict at the current level: go back to the deepest level of
            // its literals, or, for one literal, learn it outright.
            int top = 0;
            for (int k = 0; k < s.hallSize; ++k)
                top = std::max<int>(top, s.level[varOf(s.hallClause[k])]);
            if (s.hallSize == 0 || top == 0) {
                contradiction(s);
                return 0;
            }
            if (s.hallSize == 1) {
                backtrack(s, 0);
                assign(s, s.hallClause[0], kNoReason);
                continue;
            }
            backtrack(s, top);
            conflict = kHallConflict;
        }
        if (conflict != kNoConflict) {
            ++s.conflicts;
            ++sinceRestart;
            if (s.decisionLevel == 0) return 0;
            if (budget >= 0 && s.conflicts - conflictsBefore > budget) {
                backtrack(s, 0);
                return -1;
            }
            const int size = analyze(s, conflict, pair);
            if (size == 1) {
                backtrack(s, 0);
                assign(s, s.learnt[0], kNoReason);
                continue;
            }
            const int back = s.level[varOf(s.learnt[1])];
            if (s.clauseCount == kMaxClauses || s.arenaUsed + size > kClauseArena) {
                // Full: forget half the learned clauses at the top level, then add this one.
                backtrack(s, 0);
                if (!addAtTop(s, size)) return 0;
                continue;
            }
            const int glue = glueOf(s, s.learnt, size);
            backtrack(s, back);
            const int clause = store(s, s.learnt, size, glue);
            assign(s, s.learnt[0], clause);
            continue;
        }
        if (sinceRestart >= limit) {
            backtrack(s, 0);
            sinceRestart = 0;
            limit = policy.base * luby(++restart);
            if (s.clauseCount - s.ruleClauses > policy.maxLearned && !simplify(s, true)) return 0;
            if (s.hallRules && !vivify(s, kVivifyAssignments)) return 0;
            continue;
        }
        if (s.decisionLevel < count) {
            // Level k + 1 starts with assumption k (and is empty when it already holds).
            const int assumption = assumptions[s.decisionLevel];
            const int v = valueOf(s, assumption);
            if (v == 0) return 0;
            newLevel(s);
            if (v < 0) assign(s, assumption, kNoReason);
            continue;
        }
        if (preferred >= 0 && s.value[varOf(preferred)] < 0) {
            newLevel(s);
            assign(s, preferred, kNoReason);
            continue;
        }
        // The open variable with the highest activity, tried true.
        int best = -1;
        while (s.heapSize > 0 && best < 0) {
            const int var = heapPop(s);
            if (s.value[var] < 0) best = var;
        }
        if (best < 0) {
            for (int c = 0; c < kSolverCells; ++c) {
                model[c] = -1;
                for (int d = 0; d < 9; ++d) {
                    if (s.exists[c * 9 + d] && s.value[c * 9 + d] == 1) {
                        model[c] = static_cast<std::int8_t>(d);
                    }
                }
            }
            backtrack(s, 0);
            return 1;
        }
        newLevel(s);
        assign(s, s.phase[best] == 0 ? negative(best) : positive(best), kNoReason);
    }
}

}  // namespace

int solve(ClauseSolver& s, long budget, std::int8_t (&model)[kSolverCells]) {
    return solveUnder(s, nullptr, 0, -1, budget, model);
}

int solveWithin(ClauseSolver& s, int cell, unsigned digits, long budget,
                std::int8_t (&model)[kSolverCells]) {
    // The cell takes some digit: ruling out the others leaves it one of these. The smallest of
    // them is tried first, so that a completion found usually answers the question outright.
    int assumptions[9], count = 0, smallest = -1;
    for (int d = 0; d < 9; ++d) {
        const int var = cell * 9 + d;
        if (!s.exists[var]) continue;
        if (!(digits >> d & 1u)) {
            assumptions[count++] = negative(var);
        } else if (smallest < 0) {
            smallest = positive(var);
        }
    }
    return smallest >= 0 ? solveUnder(s, assumptions, count, smallest, budget, model) : 0;
}

}  // namespace engine
