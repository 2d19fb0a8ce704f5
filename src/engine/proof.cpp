// The bounded method: cell by cell, the smallest digit that still completes, each question put
// to a short search and then to the clause-learning solver.
#include "engine/proof.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "engine/clause_solver.h"
#include "engine/deductions.h"
#include "engine/local_search.h"
#include "engine/placements.h"

namespace engine {

namespace {

// Most of the bounded method's questions are answered by a short most-constrained search; past
// this many nodes it hands the question to the clause-learning solver.
constexpr long kQuickSearchNodes = 16;

// Where the quick search does not settle it, the whole puzzle is asked much as a question is: a
// board search of this many nodes with the template filter (where clause learning can take
// hundreds of conflicts to meet a first completion, the board's deductions often meet one in a
// few dozen nodes), a short local search, then as a question: clause learning, a count by whole
// placements after a few conflicts (its cover is often a completion, or the local search from it
// meets one), then more clause learning.
constexpr long kFirstBoardNodes = 64;
// After the board search, a local search of this many moves (about as much as 12 conflicts): it
// meets a first completion where clause learning took hundreds of conflicts (the slowest inputs
// known then spent two thirds of their time there), and where it does not, the clause solver
// starts from the assignment it left with the fewest clashes. 300 to 1,000 moves: 20% less work
// over 408 slow inputs; 1,000 cost 1% less there but 7% more on finds of climbs against it and
// 0.3 ms more where there is no completion; 3,000 or 10,000 no better. Before the board search
// it cost 2.5% less over the 408 but a fifth more on finds of climbs against it and on the four
// inputs of the first climb: the board search's completions are the smaller, and so are the
// questions that follow.
// The count came after 100 conflicts and a second local search of 3,000 moves once; straight
// after this one it costs 6% less work over 627 slow inputs (the ten costliest 508k -> 450k
// units): its cover met the completions those had met, and the ones they had not.
constexpr long kLocalSearchMoves = 300;
// Where a count by whole placements fails, a local search of this many moves from its cover.
constexpr long kCoverMoves = 1000;
// The conflicts a question may spend before it goes to the turns of board search and clause
// learning, and the whole puzzle before those turns (most questions need a handful; the
// pigeonholes, thousands). 500 while the turns' split only refuted; since it meets completions
// too, 200 (with 32 steps a conflict, below) cost the adversarial list 10% less time than 500,
// its second to fifth costliest 31 -> 22 ms, and 1,222 slow inputs 1% less.
constexpr long kConflictsBeforeCounting = 200;
// Before that, a digit still open after this many conflicts gets a single count by whole
// placements, without a split: a count costs about as much as 25 to 100 conflicts, and a
// pigeonhole that the count settles then no longer costs the rest (the adversary had found
// inputs made of such questions). 50 before the count got cheaper: 11% more time on the finds
// of two climbs, 8% more work on older finds. The wait once grew with the last count's steps
// (an eighth of them), where counts came dear; since counts start from the last completion, a
// fixed wait costs 4% less over 454 slow inputs and on the finds of climbs from random starts.
constexpr long kConflictsBeforeFirstCount = 25;
// Where the count does not refute the whole puzzle either, the cells are split at once, for this
// many steps of counting (see splitQuestion), and on in the turns. Of 24 slow inputs that came
// this far, the 6 without a completion fell within 10 branches and 2,000 steps (15-21 ms -> 3 ms);
// those with one would run through 170 to 280 branches, but the branches a short split refutes
// are facts that spare clause learning more than they cost. 500 to 1,000 steps: 3% less work
// over 627 slow inputs than none, 1.5% less than 2,000; 500 cost the finds of climbs against
// 1,000 a tenth less (a 10 ms find of a climb from random starts: 6 ms).
constexpr long kWholeSplitSteps = 500;
// After it, the board search and clause learning take turns on a question, each with twice its
// last budget, from these.
constexpr long kFirstTurnNodes = 4;
constexpr long kFirstTurnConflicts = 64;
// Digits of a cell left to ask, at least, for one count over them all (see the proof's loop).
constexpr int kUnionDigits = 3;
// A digit whose refutation cost at least this much (in conflicts, a count's step an eighth of
// one) has its cell's two or more digits left asked together next, for four times that cost.
constexpr long kCostlyRefutation = 25;
// In each turn, from the first, the split gets this many steps of counting per conflict of the
// turn (a step costs a seventh to a tenth of a conflict). Its budget once went by branches, one
// per 8 conflicts: a climb met a question with a completion whose split ran 9,000 steps in three
// turns (31 ms; 19 ms this way, 13 ms before the split went by whole placements). 2 to 8 were
// level while the split only refuted; since its branches' covers also meet completions, 16 (the
// split about twice the time of the turn's clause learning), with the turns after 200 conflicts:
// against 4 steps, 500 conflicts and a split that met no completions, paired on one core, the
// 145 inputs of the adversarial list 0.88 of the time, 1,222 slow inputs 0.98, the costliest of
// those 24 -> 19 ms. 32 gave a climb a question with a completion that clause learning met
// within 300 conflicts while the split spent 7,500 steps (37 ms); 8 cost more on the list.
constexpr long kStepsPerConflict = 16;

enum class Answer { kYes, kNo, kUnknown };

// A question split by cells: the question's open cells as the branches so far have narrowed them,
// and the cells with two digits or more, fewest first, to split in turn.
struct QuestionSplit {
    std::uint16_t cells[kCellCount];
    std::int8_t order[kCellCount];
    int count = 0, next = 0;
    bool started = false, narrowed = false;
    std::int8_t coverDigit[kCellCount];  // each cell's digit of largest share in the cover
};

// The cells a count by whole placements takes of the open ones: those with two digits or more.
// A cell down to one digit holds it in the solver's propagation, its peers have lost it, and any
// placement of that digit can take it as well: without it the count refutes exactly when it would
// with it, over fewer rows (4% less work over 627 slow inputs).
void countedCells(const std::uint16_t (&open)[kCellCount], std::uint16_t (&cells)[kCellCount]) {
    for (int c = 0; c < kCellCount; ++c) cells[c] = std::has_single_bit(open[c]) ? 0 : open[c];
}

// Starts a split over `split.cells` from the question's count over them (which did not refute):
// fewest digits first and, among cells with as many, those the count's cover splits most
// between digits (the largest share of one digit the smallest). A branch of a cell covered by
// one digit alone seldom moves the count off its cover, while one of a cell the cover shares out
// has to (most fractional first, as for branching on a relaxation). With the cover's own digit
// tried last in each cell (see splitQuestion) and the count's early stop, against cell order
// among cells with as many digits: 0.85 of the work on 286 slow inputs (finds of climbs against
// either order, 143 held-back mutants), 0.70 of the time on the 40 costliest of them, 0.93 of
// the work on the 54 of 5,382 held-back inputs that split most. The order alone: 0.91 and 1.00.
void beginSplit(QuestionSplit& split, const Placements& count) {
    split.started = true;
    double largest[kCellCount] = {};
    placementsCover(count, split.cells, split.coverDigit, largest);
    for (int c = 0; c < kCellCount; ++c) {
        if (split.cells[c] != 0) split.order[split.count++] = static_cast<std::int8_t>(c);
    }
    std::stable_sort(split.order, split.order + split.count, [&](int a, int b) {
        const int na = std::popcount(static_cast<unsigned>(split.cells[a]));
        const int nb = std::popcount(static_cast<unsigned>(split.cells[b]));
        return na != nb ? na < nb : largest[a] < largest[b];
    });
}

// Whether the board (already propagated) has a completion, by a search of at most `nodes`
// nodes; on kYes, `model` holds one.
Answer searchCompletes(const Board& s, Search& ctx, std::int8_t (&model)[kCellCount], long nodes) {
    Board witness = s;
    if (!isSolved(s)) {
        ctx.nodeBudget = nodes;
        const int found = runSearch(s, ctx, 1);
        ctx.nodeBudget = -1;
        if (found == 0) return ctx.gaveUp ? Answer::kUnknown : Answer::kNo;
        witness = ctx.first;
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        model[cell] = static_cast<std::int8_t>(valueAt(witness, cell) - 1);
    }
    return Answer::kYes;
}

// The short search that settles most questions first. With repeated givens a node costs ten
// times as much and clause learning does better at first: there it is left out.
Answer quickCompletes(const Board& s, Search& ctx, std::int8_t (&model)[kCellCount]) {
    if (!isSolved(s) && !ctx.units.allNeedEveryDigit) return Answer::kUnknown;
    return searchCompletes(s, ctx, model, kQuickSearchNodes);
}

}  // namespace

bool smallestByProof(const Board& root, Search& ctx, Grid& out, SolveWork& work) {
    const Units& units = ctx.units;
    std::uint16_t candidates[kCellCount] = {};
    bool needs[27][9] = {};
    std::uint32_t placedIn[27] = {};  // digits already placed in each unit
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        const int r = cell / 9, c = cell % 9, box = r / 3 * 3 + c / 3;
        for (int d = 0; d < kDigits; ++d) {
            if (!(root.candidates[d][b] & bit)) continue;
            if (root.solved[b] & bit) {
                placedIn[r] |= 1u << d;
                placedIn[9 + c] |= 1u << d;
                placedIn[18 + box] |= 1u << d;
            } else {
                candidates[cell] = static_cast<std::uint16_t>(candidates[cell] | 1u << d);
            }
        }
    }
    for (int unit = 0; unit < 27; ++unit) {
        const std::uint32_t valid = unit < 9 ? units.rows : unit < 18 ? units.columns : units.boxes;
        if (!(valid >> (unit % 9) & 1u)) continue;
        for (int d = 0; d < kDigits; ++d) needs[unit][d] = !(placedIn[unit] >> d & 1u);
    }
    ClauseSolver solver;
    std::int8_t model[kCellCount];
    std::fill(std::begin(model), std::end(model), std::int8_t{-1});
    long boards = 0;  // deductions run on trial boards
    auto done = [&](bool result) {
        work.propagations += boards + ctx.totalNodes;
        work.solverAssignments += solver.assignments;
        work.solverConflicts += solver.conflicts;
        work.solverMatchingChecks += solver.matchingChecks;
        return result;
    };
    if (!initSolver(solver, candidates, needs)) return done(false);
    {
        // Digits that no placed cell holds: the rules cannot tell them apart.
        unsigned placed = 0;
        for (int unit = 0; unit < 9; ++unit) placed |= placedIn[unit];
        if (!orderInterchangeable(solver, ~placed & 0x1FFu)) return done(false);
    }
    // Where givens repeat, units need not hold every digit and the solver's clauses alone would
    // meet pigeonholes (seven rows for eight columns' 1s) by enumeration.
    solver.hallRules = !units.allNeedEveryDigit;
    const Answer first = quickCompletes(root, ctx, model);
    if (first == Answer::kNo) return done(false);
    Placements placements;
    Placements splitBasis;  // where a split's branches start: the count of its question
    auto openCells = [&solver](std::uint16_t(&open)[kCellCount]) {
        std::copy(std::begin(solver.notFalse), std::end(solver.notFalse), std::begin(open));
    };
    // The whole puzzle, each time from the local search's closest assignment (the cells'
    // questions start from the last completion instead).
    std::int8_t closest[kCellCount];
    std::fill(std::begin(closest), std::end(closest), std::int8_t{-1});
    auto wholePuzzle = [&](long conflicts) {
        preferDigits(solver, closest);
        return solve(solver, conflicts, model);
    };
    // A single count by whole placements. It refutes whatever a fractional count by cells and
    // units refutes and more (the slowest questions known, where that count split needed 500
    // conflicts first), at a fifth of its cost per step.
    // Where it fails, the count ends on a fractional cover, most of it whole placements: the
    // digits that cover most of each cell are most of a completion where one exists. A short
    // local search starts from them, and a question's clause learning goes on from them (a
    // fifth less work over 454 slow inputs, the costliest 118,253 -> 68,464 units, than from the
    // last completion's values or the closest assignment; the local search met a completion that
    // had cost 900 conflicts, within 1,000 moves). `near` gets the local search's closest.
    auto placementsCount = [&](const std::uint16_t(&open)[kCellCount], const std::int8_t* hint,
                               std::int8_t(&near)[kCellCount]) {
        std::uint16_t cells[kCellCount];
        countedCells(open, cells);
        if (placementsRefute(placements, cells, hint, &work.placementSteps)) return 0;
        std::int8_t cover[kCellCount];
        placementsCover(placements, cells, cover);
        for (int c = 0; c < kCellCount; ++c) {
            if (cells[c] == 0 && open[c] != 0)
                cover[c] = static_cast<std::int8_t>(std::countr_zero(open[c]));
        }
        preferDigits(solver, cover);
        return searchLocally(open, kCoverMoves, model, near, &work.localSearchSteps, cover) ? 1
                                                                                            : -1;
    };
    // Whether a neighbouring question's refuting weights settle `cell` taking `digit`, for a
    // pricing round's cost: over the cells as the solver's propagation leaves them under the
    // digit, as the count goes (17% less time over 459 slow inputs than over the digit alone).
    auto recalledRefutes = [&](int cell, int digit) {
        std::uint16_t open[kCellCount];
        const std::int16_t assumed = static_cast<std::int16_t>(cell * kDigits + digit);
        return !propagateAssuming(solver, &assumed, 1, open) ||
               placementsRecall(placements, open, &work.placementSteps);
    };
    // Starts a split from the count that placementsCount just ran over `open`: its basis is
    // where the branches' counts start.
    auto splitAfterCount = [&](QuestionSplit& split, const std::uint16_t(&open)[kCellCount]) {
        countedCells(open, split.cells);
        splitBasis = placements;
        beginSplit(split, splitBasis);
    };
    // Whether the digits that cover most of each cell in the count just run over `cells` (a
    // branch's), with the first `asked` of `assumed`, complete the puzzle; if so, `model` holds
    // the completion. Where a question has one, branches' covers of whole placements meet it
    // within a few thousand steps of splitting, about as soon as a split refutes a question
    // without one (the slowest questions known took clause learning 700 to 1,100 conflicts).
    auto coverCompletes = [&](const std::uint16_t(&cells)[kCellCount], const std::int16_t* assumed,
                              int asked) {
        std::int8_t cover[kCellCount];
        placementsCover(placements, cells, cover);
        std::int16_t all[kCellCount];
        int n = 0;
        for (; n < asked; ++n) all[n] = assumed[n];
        for (int c = 0; c < kCellCount; ++c) {
            if (cells[c] == 0) continue;
            if (cover[c] < 0 || n == kCellCount) return false;
            all[n++] = static_cast<std::int16_t>(c * kDigits + cover[c]);
        }
        std::uint16_t open[kCellCount];
        if (!propagateAssuming(solver, all, n, open)) return false;
        for (int c = 0; c < kCellCount; ++c) {
            if (!std::has_single_bit(open[c]) && open[c] != 0) return false;
        }
        for (int c = 0; c < kCellCount; ++c) {
            model[c] = open[c] == 0 ? std::int8_t{-1}
                                    : static_cast<std::int8_t>(std::countr_zero(open[c]));
        }
        return true;
    };
    // A question that the single count and clause learning leave open is split: under it, each
    // digit of an open cell is a branch, propagated by the solver and counted from where the
    // question's own count ended. A cell none of whose branches has a cover refutes the
    // question; one with a single branch left is narrowed to it. With `cell` -1 the question is
    // the whole puzzle, and each branch refuted is a fact the solver keeps. Of the questions that
    // outlasted the single count on 547 slow inputs, every one without a completion fell to the
    // first five branches (most to two, of a cell with two or three digits), where clause
    // learning spent up to 2,000 conflicts; but each that completes ran through every cell (230
    // branches, a millisecond each): hence a question's split only in the turns. A branch whose
    // cover's digits complete the puzzle answers the question. A call goes on while it has spent
    // fewer than `steps` steps of counting, finishing the cell it is on: 0 when refuted, 1 with a
    // completion in `model`, -1 for neither.
    auto splitQuestion = [&](int cell, int digit, QuestionSplit& split, long steps) {
        const long until = work.placementSteps + steps;
        std::int16_t assumed[2] = {static_cast<std::int16_t>(cell * kDigits + digit), 0};
        const int asked = cell >= 0 ? 1 : 0;  // the question's own assumption, if any
        // A branch without completion: for the whole puzzle, a fact (false when that leaves the
        // puzzle none); under a question, a clause of two the solver keeps (the question's digit
        // excludes the branch's), so that its clause learning and later questions' propagation
        // need not find it again (52 slow inputs that came this far: 3% less time, their
        // costliest 90k -> 75k units; level on 143 lighter ones).
        auto noCompletion = [&](int c, int d) {
            return asked == 1 ? excludeTogether(solver, cell, digit, c, d)
                              : fixDigit(solver, c, d, false);
        };
        if (!split.started) {
            std::uint16_t cells[kCellCount];
            if (!propagateAssuming(solver, assumed, asked, cells)) return 0;
            countedCells(cells, split.cells);
            // The question's own count, the first of the budget; where it does not refute, its
            // basis is kept.
            if (placementsRefute(placements, split.cells, model, &work.placementSteps)) return 0;
            splitBasis = placements;
            beginSplit(split, splitBasis);
        }
        while (work.placementSteps < until) {
            if (split.next == split.count) {
                if (!split.narrowed) return -1;
                split.narrowed = false;  // another round over the narrowed cells
                split.next = 0;
            }
            const int c = split.order[split.next++];
            if (!(split.cells[c] & (split.cells[c] - 1))) continue;
            unsigned covered = 0;  // branches with a cover
            // The cover's own digit last: the others are the likelier refuted, and a cell stops
            // at its second covered branch.
            int digits[kDigits], n = 0;
            const int top = split.coverDigit[c];
            for (unsigned rest = split.cells[c]; rest != 0; rest &= rest - 1) {
                if (std::countr_zero(rest) != top) digits[n++] = std::countr_zero(rest);
            }
            if (top >= 0 && (split.cells[c] >> top & 1u)) digits[n++] = top;
            for (int k = 0; k < n && std::popcount(covered) < 2; ++k) {
                const int d = digits[k];
                assumed[asked] = static_cast<std::int16_t>(c * kDigits + d);
                std::uint16_t branch[kCellCount];
                bool open = propagateAssuming(solver, assumed, asked + 1, branch);
                for (int k = 0; open && k < kCellCount; ++k) {
                    branch[k] &= split.cells[k];
                    open = branch[k] != 0 || split.cells[k] == 0;  // narrowing may leave none
                }
                if (open) {
                    branch[c] = static_cast<std::uint16_t>(1u << d);
                    open =
                        !placementsRefuteFrom(placements, splitBasis, branch, &work.placementSteps);
                }
                if (open) {
                    covered |= 1u << d;
                    if (coverCompletes(branch, assumed, asked)) return 1;
                } else if (!noCompletion(c, d)) {
                    return 0;
                }
            }
            if (covered == 0) return 0;
            if (std::has_single_bit(covered) && covered != split.cells[c]) {
                split.cells[c] = static_cast<std::uint16_t>(covered);
                split.narrowed = true;
            }
        }
        return -1;
    };
    // Whether `board` has a completion with `cell` (unless -1) taking one of `digits`; on 1,
    // `model` holds one. Clause learning can spend thousands of conflicts on a completion that
    // a search over the board, with all its deductions, meets in a few dozen nodes, and the
    // other way round on refutations: the two take turns, each with twice its last budget.
    // `split` is the question's split so far.
    auto decide = [&](const Board& board, int cell, unsigned digits, QuestionSplit& split) {
        Board trial = board;
        if (cell >= 0) {
            for (int d = 0; d < kDigits; ++d) {
                if (!(digits >> d & 1u)) trial.candidates[d][cell / 27] &= ~(1u << (cell % 27));
            }
        }
        ++boards;
        if (!propagate(trial, units, true)) return 0;
        for (long nodes = kFirstTurnNodes, conflicts = kFirstTurnConflicts, turn = 0;;
             nodes *= 2, conflicts *= 2, ++turn) {
            const Answer answer = searchCompletes(trial, ctx, model, nodes);
            if (answer != Answer::kUnknown) return answer == Answer::kYes ? 1 : 0;
            // A question's every other turn starts from every digit true, as the solver's first
            // search did: the values a question starts from (the last completion's) lead it far
            // off now and then (an input climbed against them met 4,700 conflicts, 300 before).
            if (cell >= 0 && turn % 2 == 1) resetPhases(solver);
            const int found = cell >= 0 ? solveWithin(solver, cell, digits, conflicts, model)
                                        : wholePuzzle(conflicts);
            if (found >= 0) return found;
            if (cell < 0 || std::has_single_bit(digits)) {
                const int settled = splitQuestion(cell, cell < 0 ? 0 : std::countr_zero(digits),
                                                  split, conflicts * kStepsPerConflict);
                if (settled >= 0) return settled;
            }
        }
    };
    if (first == Answer::kUnknown) {
        int found = -1;
        QuestionSplit split;
        // Where no given repeats too: the quick search's 16 nodes did not settle it (a climb
        // met a near-empty grid whose first completion took clause learning alone 880
        // conflicts, this way 3).
        Board trial = root;
        ++boards;
        if (!propagate(trial, units, true)) return done(false);
        const Answer answer = searchCompletes(trial, ctx, model, kFirstBoardNodes);
        if (answer == Answer::kNo) return done(false);
        if (answer == Answer::kYes) found = 1;
        if (found < 0 &&
            searchLocally(candidates, kLocalSearchMoves, model, closest, &work.localSearchSteps)) {
            found = 1;
        }
        // As for a question, a few conflicts first: they settle some inputs without completion
        // for less than a count costs (one of the four the adversary met first, 10 conflicts
        // against a count's 253 steps).
        if (found < 0) found = wholePuzzle(kConflictsBeforeFirstCount);
        if (found == 0) return done(false);
        if (found < 0) {
            std::uint16_t open[kCellCount];
            openCells(open);
            found = placementsCount(open, closest, closest);
            if (found == 0) return done(false);
            if (found < 0) {
                splitAfterCount(split, open);
                found = splitQuestion(-1, 0, split, kWholeSplitSteps);
                if (found == 0) return done(false);
                // From the closest assignment the local search met near the cover, not from
                // the cover itself: a climb's find 705 -> 470 conflicts in all, 1% less work
                // over 461 slow inputs.
                if (found < 0)
                    found = wholePuzzle(kConflictsBeforeCounting - kConflictsBeforeFirstCount);
            }
        }
        if (found < 0) found = decide(root, -1, 0, split);
        if (found == 0) return done(false);
    }
    // Tells the solver what the board's deductions excluded.
    auto share = [&solver, &candidates](const Board& s) {
        for (int cell = 0; cell < kCellCount; ++cell) {
            const int b = cell / 27;
            const std::uint32_t bit = 1u << (cell % 27);
            for (int d = 0; d < kDigits; ++d) {
                if ((candidates[cell] >> d & 1u) && !(s.candidates[d][b] & bit) &&
                    digitOpen(solver, cell, d)) {
                    fixDigit(solver, cell, d, false);
                }
            }
        }
    };
    // Whether a question's conflicts after a failed count have settled nothing once already:
    // see below.
    bool longRoad = false;
    Board current = root;
    // A question's work so far in conflicts, a count's steps weighed at an eighth of one.
    auto questionCost = [&] { return solver.conflicts + work.placementSteps / 8; };
    // Digit d of the cell in band b at `bit` has no completion: the board and the solver drop it.
    auto refute = [&](int cell, int b, std::uint32_t bit, int d) {
        current.candidates[d][b] &= ~bit;
        fixDigit(solver, cell, d, false);
    };
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int b = cell / 27;
        const std::uint32_t bit = 1u << (cell % 27);
        if (current.solved[b] & bit) continue;
        // The smallest digit below the model's that completes. The board's deductions and the
        // short search settle most digits; the rest go to the solver one by one, smallest
        // first. Asked together, the solver may wander among the larger digits' completions
        // long before it refutes a smaller one that a question of its own settles far sooner.
        int chosen = model[cell];
        unsigned unsettled = 0;
        for (int d = 0; d < chosen; ++d) {
            if (!(current.candidates[d][b] & bit) || !digitOpen(solver, cell, d)) continue;
            // Where givens repeat, the short search does not run and a board costs more than
            // the solver's own propagation: the digit goes straight to the solver.
            if (!units.allNeedEveryDigit) {
                unsettled |= 1u << d;
                continue;
            }
            Board trial = current;
            place(trial, d, b, bit, cell);
            ++boards;
            const Answer answer =
                propagate(trial, units, true) ? quickCompletes(trial, ctx, model) : Answer::kNo;
            if (answer == Answer::kYes) {
                chosen = d;  // the model now completes it
                break;
            }
            if (answer == Answer::kUnknown) {
                unsettled |= 1u << d;
                continue;
            }
            refute(cell, b, bit, d);
        }
        // A question that outlasts a few conflicts is likely a pigeonhole: the counting
        // refutation gets each digit once before clause learning goes on. Where no given
        // repeats as well: a climb found a question there that took clause learning alone
        // 3,200 conflicts (21 ms) and the count 17 steps.
        bool counted = false;
        bool countRefuted = false;  // the count refuted the last digit asked
        // The split of the digit whose count failed last: it goes on from that count's basis.
        QuestionSplit questionSplit;
        int splitDigit = -1;
        auto refuteAll = [&] {
            for (; unsettled != 0; unsettled &= unsettled - 1) {
                refute(cell, b, bit, std::countr_zero(unsettled));
            }
        };
        while (unsettled != 0) {
            const long askedAt = questionCost();
            const int d = std::countr_zero(unsettled);
            const unsigned ask = 1u << d;
            if (recalledRefutes(cell, d)) {
                refute(cell, b, bit, d);
                unsettled &= ~ask;
                continue;
            }
            // Where the count refuted the cell's last digit, its smaller digits are likely a
            // pigeonhole too: one count over them all, at once, before each gets its own (9%
            // less work on the ten costliest of 627 slow inputs, 0.5% over all; with two
            // digits left as well, or before any refutation, it cost more).
            if (countRefuted && std::popcount(unsettled) >= kUnionDigits) {
                countRefuted = false;
                std::uint16_t open[kCellCount], cells[kCellCount];
                bool none = !propagateExcluding(solver, cell, unsettled, open);
                if (!none) {
                    countedCells(open, cells);
                    none = placementsRefute(placements, cells, model, &work.placementSteps);
                }
                if (none) {
                    refuteAll();
                    continue;
                }
            }
            int found;
            if (counted) {
                if (splitDigit != d) questionSplit = QuestionSplit{};
                splitDigit = d;
                found = decide(current, cell, ask, questionSplit);
            } else {
                // From the last completion's values: a question that completes is often met
                // near it, where the values the last refutation left can lead far off (a fifth
                // less work over 408 slow inputs).
                preferDigits(solver, model);
                found = solveWithin(solver, cell, ask, kConflictsBeforeFirstCount, model);
                if (found < 0) {
                    // Over the cells as the solver's propagation leaves them under the digit:
                    // 5% less work over 454 slow inputs than over the cell's digit alone.
                    std::uint16_t open[kCellCount];
                    const std::int16_t assumed = static_cast<std::int16_t>(cell * kDigits + d);
                    std::int8_t near[kCellCount];
                    found = propagateAssuming(solver, &assumed, 1, open)
                                ? placementsCount(open, model, near)
                                : 0;
                    if (found == 0) {
                        countRefuted = true;
                        refute(cell, b, bit, d);
                        unsettled &= ~ask;
                        continue;
                    }
                    if (found < 0) {
                        questionSplit = QuestionSplit{};
                        splitDigit = d;
                        splitAfterCount(questionSplit, open);
                        // Where these conflicts once settled nothing, the puzzle's hard
                        // questions go straight to the turns, whose first clause learning
                        // comes first there too: on the 30 slowest of 1,461 slow inputs, 37 of
                        // their 44 such calls settled nothing (a fifth of their time), on the
                        // others 7 of 80.
                        if (!longRoad) {
                            found = solveWithin(
                                solver, cell, ask,
                                kConflictsBeforeCounting - kConflictsBeforeFirstCount, model);
                            longRoad = found < 0;
                        }
                    }
                }
            }
            if (found < 0) {
                // A digit the count cannot refute likely completes: the board search and clause
                // learning take turns on it and on the cell's later digits. (The split count
                // here refuted none of the questions that came this far on 408 slow inputs, and
                // cost the ten costliest 7% of their work.)
                counted = true;
                continue;
            }
            if (found == 1) {
                chosen = d;
                break;
            }
            refute(cell, b, bit, d);
            unsettled &= ~ask;
            // A digit that cost this much to refute likely has siblings that cost as much: the
            // two or more left are asked together first, for a few times its cost. One
            // refutation then covers them all (a climb's find spent 20 ms on three digits of
            // one cell; 2% fewer instructions over the adversarial list, level over 1,222 slow
            // inputs), and a completion bounds the cell's digit from above.
            const long spent = questionCost() - askedAt;
            if (spent >= kCostlyRefutation && std::popcount(unsettled) >= 2) {
                const int together = solveWithin(solver, cell, unsettled, 4 * spent, model);
                if (together == 0) {
                    refuteAll();
                } else if (together == 1) {
                    chosen = model[cell];
                    unsettled &= (1u << chosen) - 1;
                }
            }
        }
        place(current, chosen, b, bit, cell);
        ++boards;
        propagate(current, units, true);  // cannot fail: the model completes it
        fixDigit(solver, cell, chosen, true);
        share(current);
    }
    toGrid(current, out);  // every cell is placed now
    return done(true);
}

}  // namespace engine
