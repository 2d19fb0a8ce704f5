// The fractional relaxation of the open cells, solved by a revised simplex from a greedy packing;
// its dual weights, scaled to integers, are the certificate.
#include "engine/relaxation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/board.h"

namespace engine {
namespace {

using Lp = Relaxation;
constexpr int kSlack = Lp::kMaxColumns;
constexpr int kAbsent = Lp::kMaxRows;  // the row of a place that is not a row
constexpr int kStride = Lp::kMaxStride;
constexpr double kEpsilon = 1e-9;
constexpr double kPivotTolerance = 1e-7;  // smaller pivots only amplify rounding
constexpr long kMaxPivots = 4000;         // per question; past it the question is left to clauses
// Devex pricing can cycle on degenerate steps; after this many in a row, Bland's rule until the
// value moves again.
constexpr int kDegenerateRun = 40;
constexpr double kScale = 1 << 20;  // integer weights per unit of dual weight
// A call starts from the basis the last one ended on. Digits ruled out since may be in it: they
// cost this much per unit, so that the simplex drives them out while the basis stays feasible
// (the constraints do not change between calls). The duals it ends on then fit the allowed
// digits alone, and the certificate is checked exactly anyway.
constexpr double kExcludedCost = -8;
// Pivots on one inverse before a fresh start: rounding builds up with every update.
constexpr long kPivotsBeforeRefresh = 2000;

// The part of each stored column of the inverse in use: the rows, rounded up to a cache line
// (the rest stays zero).
int width(const Lp& lp) {
    return (lp.rows + 7) / 8 * 8;
}

// Each constraint's right-hand side: one, raised a little by a different amount per row (places
// more than cells). Without it most steps move nothing (many constraints meet in each vertex)
// and the simplex wanders; the duals it finds are feasible whatever the right-hand sides, so
// they still bound the true problem, and the certificate is checked exactly anyway.
double capacity(const Lp& lp, int row) {
    const unsigned h = static_cast<unsigned>(row) * 2654435761u >> 16;
    return 1 + (row < lp.cells ? 1e-7 : 2e-7) * (1 + (h & 1023) / 1024.0);
}

// A first basis from a greedy packing: each cell takes the hinted digit, or else the first one
// whose places are still free, cells with the fewest digits first. The inverse of such a basis
// is the identity but for a -1 per place a chosen digit takes.
void crash(Lp& lp, const std::int8_t* hint) {
    lp.warm = true;
    lp.pivotsSinceCrash = 0;
    const int w = width(lp);
    for (int k = 0; k < lp.rows; ++k) {
        double* column = lp.inverse + k * kStride;
        for (int i = 0; i < w; ++i) column[i] = 0;
        column[k] = 1;
        lp.value[k] = capacity(lp, k);
        lp.dual[k] = 0;
        lp.basic[k] = static_cast<std::int16_t>(kSlack + k);
        lp.rowOfColumn[kSlack + k] = static_cast<std::int16_t>(k);
    }
    for (int j = 0; j < lp.columns; ++j) lp.rowOfColumn[j] = -1;
    int order[81], count = 0;
    for (int options = 1; options <= 9; ++options) {
        for (int cell = 0; cell < 81; ++cell) {
            int open = 0;
            for (int j = lp.firstColumn[cell]; j < lp.firstColumn[cell + 1]; ++j) {
                open += lp.open[j];
            }
            if (open == options) order[count++] = cell;
        }
    }
    bool used[27][9] = {};
    auto take = [&](int cell, int j) {
        const int d = lp.digitOf[j];
        const int u0 = unitOfCell(cell, 0), u1 = unitOfCell(cell, 1), u2 = unitOfCell(cell, 2);
        if (!lp.open[j] || used[u0][d] || used[u1][d] || used[u2][d]) return false;
        used[u0][d] = used[u1][d] = used[u2][d] = true;
        // Column j takes the cell's row; its places' slacks stay basic, lower by its value.
        const int row = lp.cellRow[cell];
        lp.rowOfColumn[kSlack + row] = -1;
        lp.basic[row] = static_cast<std::int16_t>(j);
        lp.rowOfColumn[j] = static_cast<std::int16_t>(row);
        lp.dual[row] = 1;
        for (int slot = 1; slot < 4; ++slot) {
            const int p = lp.rowsOf[j][slot];
            if (p == kAbsent) continue;
            lp.value[p] -= lp.value[row];
            lp.inverse[row * kStride + p] = -1;
        }
        return true;
    };
    bool placed[81] = {};
    if (hint) {
        for (int t = 0; t < count; ++t) {
            const int cell = order[t];
            for (int j = lp.firstColumn[cell]; j < lp.firstColumn[cell + 1]; ++j) {
                if (lp.digitOf[j] == hint[cell]) placed[cell] = take(cell, j);
            }
        }
    }
    for (int t = 0; t < count; ++t) {
        const int cell = order[t];
        for (int j = lp.firstColumn[cell]; j < lp.firstColumn[cell + 1] && !placed[cell]; ++j) {
            placed[cell] = take(cell, j);
        }
    }
}

// The duals of the basis as it stands under this call's costs: one per allowed digit, one below
// zero per excluded one, none for a slack.
void restoreDuals(Lp& lp) {
    const int m = lp.rows;
    double cost[Lp::kMaxStride] = {};
    for (int i = 0; i < m; ++i) {
        const int j = lp.basic[i];
        cost[i] = j >= kSlack ? 0 : lp.open[j] ? 1 : kExcludedCost;
    }
    const int w = width(lp);
    for (int k = 0; k < m; ++k) {
        const double* column = lp.inverse + k * kStride;
        double sum = 0;
        for (int i = 0; i < w; ++i) sum += cost[i] * column[i];
        lp.dual[k] = sum;
    }
}

// The reduced cost of column j (a cell-digit below kSlack, else a slack): what raising it gains.
double reducedCost(const Lp& lp, int j) {
    if (j >= kSlack) return -lp.dual[j - kSlack];
    const std::int16_t* r = lp.rowsOf[j];
    return 1 - lp.dual[r[0]] - lp.dual[r[1]] - lp.dual[r[2]] - lp.dual[r[3]];
}

// Row `row` of the inverse (as gathered by rowOf) times column j: how much the row's basic
// variable falls per unit of j.
double rowTimes(const Lp& lp, const double* row, int j) {
    if (j >= kSlack) return row[j - kSlack];
    const std::int16_t* r = lp.rowsOf[j];
    return row[r[0]] + row[r[1]] + row[r[2]] + row[r[3]];
}

void rowOf(const Lp& lp, int i, double (&row)[Lp::kMaxRows + 1]) {
    for (int k = 0; k < lp.rows; ++k) row[k] = lp.inverse[k * kStride + i];
    row[kAbsent] = 0;
}

// The inverse times column j: what each basic variable gives up per unit of j. Tiny values are
// rounding; they are dropped so that they do not spread.
void columnOf(const Lp& lp, int j, double (&alpha)[Lp::kMaxStride]) {
    const int w = width(lp);
    if (j >= kSlack) {
        const double* c = lp.inverse + (j - kSlack) * kStride;
        for (int i = 0; i < w; ++i) alpha[i] = c[i];
    } else {
        const std::int16_t* r = lp.rowsOf[j];
        const double *c0 = lp.inverse + r[0] * kStride, *c1 = lp.inverse + r[1] * kStride,
                     *c2 = lp.inverse + r[2] * kStride, *c3 = lp.inverse + r[3] * kStride;
        for (int i = 0; i < w; ++i) alpha[i] = c0[i] + c1[i] + c2[i] + c3[i];
    }
    for (int i = 0; i < w; ++i) alpha[i] = std::fabs(alpha[i]) <= 1e-11 ? 0 : alpha[i];
}

// Brings column `enter` into the basis in place of row `leave`'s, its value `theta`. The inverse
// is kept by columns: each column with a nonzero in the leaving row takes a multiple of `alpha`.
void pivot(Lp& lp, int enter, int leave, double theta, const double (&row)[Lp::kMaxRows + 1],
           double (&alpha)[Lp::kMaxStride]) {
    const int m = lp.rows, w = width(lp);
    const double gain = reducedCost(lp, enter);
    const double p = alpha[leave];
    for (int i = 0; i < m; ++i) {
        if (i != leave) lp.value[i] -= alpha[i] * theta;
    }
    lp.value[leave] = theta;
    alpha[leave] = p - 1;  // so that the leaving row itself ends up divided by p
    for (int k = 0; k < m; ++k) {
        const double t = row[k] / p;
        if (std::fabs(t) <= 1e-12) continue;  // zero but for rounding
        double* column = lp.inverse + k * kStride;
        for (int i = 0; i < w; ++i) column[i] -= t * alpha[i];
        lp.dual[k] += gain * t;
    }
    lp.rowOfColumn[lp.basic[leave]] = -1;
    lp.basic[leave] = static_cast<std::int16_t>(enter);
    lp.rowOfColumn[enter] = static_cast<std::int16_t>(leave);
}

bool allowedColumn(const Lp& lp, int j) {
    return j >= kSlack || lp.open[j];
}

enum class Outcome { kOptimal, kCovered, kGaveUp };

// The primal simplex from a feasible basis, with Devex pricing (the gain per unit of an
// estimated step length) and Harris's ratio test.
Outcome optimise(Lp& lp, long& pivots) {
    const int m = lp.rows, n = lp.columns;
    double alpha[Lp::kMaxStride], row[Lp::kMaxRows + 1];
    double pivotSize[Lp::kMaxRows], step[Lp::kMaxRows];
    double reference[Lp::kMaxColumns + Lp::kMaxRows];
    for (int j = 0; j < n + m; ++j) reference[j] = 1;
    int degenerate = 0;
    // The cells covered so far: once every cell is (up to the raised capacities), no
    // certificate can exist and the optimum is not needed.
    auto coveredNow = [&lp, m] {
        double sum = 0;
        for (int i = 0; i < m; ++i)
            sum += lp.basic[i] < kSlack && lp.open[lp.basic[i]] ? lp.value[i] : 0;
        return sum;
    };
    double covered = coveredNow();
    for (long steps = 0;; ++steps) {
        if (steps >= kMaxPivots) return Outcome::kGaveUp;
        if (covered >= lp.cells - 1e-6) return Outcome::kCovered;
        const bool bland = degenerate >= kDegenerateRun;
        int enter = -1, q = -1;
        double score = 0;
        for (int j = 0; j < n + m && !(bland && enter >= 0); ++j) {
            const int column = j < n ? j : kSlack + (j - n);
            if (lp.rowOfColumn[column] >= 0 || !allowedColumn(lp, column)) continue;
            const double d = reducedCost(lp, column);
            if (d > kEpsilon && d * d > score * reference[j]) {
                score = d * d / reference[j];
                enter = column;
                q = j;
            }
        }
        if (enter < 0) return Outcome::kOptimal;
        columnOf(lp, enter, alpha);
        // Harris's two passes: the longest step that overshoots no bound by more than a
        // tolerance, then the largest pivot within it (Bland's: the first basic column).
        int leave = -1;
        double ratio = 0, bound = 1e300;
        for (int i = 0; i < m; ++i) {
            const double a = alpha[i];
            const double x = lp.value[i] > 0 ? lp.value[i] : 0;
            pivotSize[i] = a;
            step[i] = x / a;
            if (a > kPivotTolerance && (x + kEpsilon) / a < bound) bound = (x + kEpsilon) / a;
        }
        for (int i = 0; i < m; ++i) {
            const double a = pivotSize[i];
            if (a <= kPivotTolerance || step[i] > bound) continue;
            if (leave < 0 || (bland ? lp.basic[i] < lp.basic[leave] : a > pivotSize[leave])) {
                ratio = step[i];
                leave = i;
            }
        }
        if (leave < 0) return Outcome::kGaveUp;  // only rounding leaves no row
        rowOf(lp, leave, row);
        if (!bland) {
            // Devex weights along the pivot row.
            const double wq = reference[q], p = alpha[leave];
            for (int j = 0; j < n + m; ++j) {
                const int column = j < n ? j : kSlack + (j - n);
                if (lp.rowOfColumn[column] >= 0 || !allowedColumn(lp, column)) continue;
                const double r = rowTimes(lp, row, column) / p;
                if (r * r * wq > reference[j]) reference[j] = r * r * wq;
            }
            const int out = lp.basic[leave];
            const int o = out < kSlack ? out : n + out - kSlack;
            reference[o] = wq / (p * p) > 1 ? wq / (p * p) : 1;
        }
        ++pivots;
        degenerate = ratio <= 1e-12 ? degenerate + 1 : 0;
        pivot(lp, enter, leave, ratio, row, alpha);
        covered = coveredNow();
    }
}

// Whether the weights of the places (lp.weight, zero at kAbsent) refute the allowed digits. A
// cell's bound is the least, over its allowed digits, of the weights of the places that digit
// would take; in a completion every cell uses its digit's places and no place is used twice, so
// the bounds cannot add up to more than the weights. Sets the bounds and the surplus.
bool weightsRefute(Lp& lp, const std::uint16_t (&allowed)[81]) {
    std::int64_t total = 0;
    for (int i = 0; i < lp.rows; ++i) total += lp.weight[i];
    for (int cell = 0; cell < 81; ++cell) lp.least[cell] = -1;
    for (int j = 0; j < lp.columns; ++j) {
        const int cell = lp.cellOf[j];
        if (!(allowed[cell] >> lp.digitOf[j] & 1u)) continue;
        const std::int16_t* r = lp.rowsOf[j];
        const std::int64_t sum = lp.weight[r[1]] + lp.weight[r[2]] + lp.weight[r[3]];
        if (lp.least[cell] < 0 || sum < lp.least[cell]) lp.least[cell] = sum;
    }
    std::int64_t bounds = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (lp.least[cell] > 0) bounds += lp.least[cell];
    }
    lp.surplus = bounds - total;
    return bounds > total;
}

// The certificate from the simplex: the duals of the places, scaled to integers.
bool certified(Lp& lp, const std::uint16_t (&allowed)[81]) {
    for (int i = 0; i < lp.rows; ++i) {
        const double z = lp.dual[i];
        lp.weight[i] = 0;
        if (i < lp.cells || !(z > 0)) continue;  // negative or not a number: no weight
        lp.weight[i] = static_cast<std::int64_t>(std::lround(std::fmin(z, 64.0) * kScale));
    }
    return weightsRefute(lp, allowed);
}

// Whether a remembered certificate refutes the allowed digits; the one that does goes first.
bool rememberedRefutes(Lp& lp, const std::uint16_t (&allowed)[81]) {
    for (int k = 0; k < lp.rememberedCount; ++k) {
        const Lp::Certificate& c = lp.remembered[k];
        std::fill(lp.weight, lp.weight + lp.rows, 0);
        for (int t = 0; t < c.rows; ++t) lp.weight[c.row[t]] = c.weight[t];
        if (weightsRefute(lp, allowed)) {
            std::rotate(lp.remembered, lp.remembered + k, lp.remembered + k + 1);
            return true;
        }
    }
    return false;
}

// Keeps the certificate in lp.weight, unless it has too many rows; the oldest goes.
void remember(Lp& lp) {
    Lp::Certificate c;
    for (int i = 0; i < lp.rows; ++i) {
        if (lp.weight[i] == 0) continue;
        if (c.rows == Lp::kRememberedRows) return;
        c.row[c.rows] = static_cast<std::int16_t>(i);
        c.weight[c.rows++] = lp.weight[i];
    }
    if (lp.rememberedCount < Lp::kRemembered) ++lp.rememberedCount;
    std::copy_backward(lp.remembered, lp.remembered + lp.rememberedCount - 1,
                       lp.remembered + lp.rememberedCount);
    lp.remembered[0] = c;
}

}  // namespace

void initRelaxation(Relaxation& lp, const std::uint16_t (&candidates)[81]) {
    // Places: a unit and a digit that at least two open cells could give it (one alone never
    // overfills it).
    int reach[27][9] = {};
    int cells = 0;
    for (int cell = 0; cell < 81; ++cell) {
        lp.candidates[cell] = candidates[cell];
        lp.cellRow[cell] = candidates[cell] != 0 ? cells++ : -1;
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            for (int kind = 0; kind < 3; ++kind) ++reach[unitOfCell(cell, kind)][d];
        }
    }
    int place[27][9], rows = cells;
    for (int u = 0; u < 27; ++u) {
        for (int d = 0; d < 9; ++d) place[u][d] = reach[u][d] > 1 ? rows++ : kAbsent;
    }
    int columns = 0;
    for (int cell = 0; cell < 81; ++cell) {
        lp.firstColumn[cell] = columns;
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            lp.cellOf[columns] = static_cast<std::uint8_t>(cell);
            lp.digitOf[columns] = static_cast<std::uint8_t>(d);
            lp.rowsOf[columns][0] = static_cast<std::int16_t>(lp.cellRow[cell]);
            for (int kind = 0; kind < 3; ++kind) {
                lp.rowsOf[columns][kind + 1] =
                    static_cast<std::int16_t>(place[unitOfCell(cell, kind)][d]);
            }
            ++columns;
        }
    }
    lp.firstColumn[81] = columns;
    lp.rows = rows;
    lp.columns = columns;
    lp.cells = cells;
    lp.warm = false;
    lp.rememberedCount = 0;
    // Column kAbsent of the inverse, its weight and the dual past the rows stay zero from here on.
    lp.weight[kAbsent] = 0;
    for (int i = 0; i < kStride; ++i) {
        lp.inverse[kAbsent * kStride + i] = 0;
        lp.dual[i] = 0;
    }
}

bool relaxationRefutes(Relaxation& lp, const std::uint16_t (&allowed)[81], const std::int8_t* hint,
                       long* pivots) {
    for (int cell = 0; cell < 81; ++cell) {
        if (lp.cellRow[cell] >= 0 && (allowed[cell] & lp.candidates[cell]) == 0) {
            // An open cell with no digit: the certificate is that cell alone.
            for (int i = 0; i < lp.rows; ++i) lp.weight[i] = 0;
            for (int c = 0; c < 81; ++c) lp.least[c] = c == cell ? 1 : -1;
            lp.surplus = 1;
            return true;
        }
    }
    if (rememberedRefutes(lp, allowed)) return true;
    for (int j = 0; j < lp.columns; ++j) lp.open[j] = allowed[lp.cellOf[j]] >> lp.digitOf[j] & 1u;
    bool fresh = !lp.warm || lp.pivotsSinceCrash > kPivotsBeforeRefresh;
    for (int i = 0; i < lp.rows && !fresh; ++i) fresh = lp.value[i] < -1e-6;
    if (fresh) {
        crash(lp, hint);
    } else {
        restoreDuals(lp);
    }
    long steps = 0;
    const Outcome outcome = optimise(lp, steps);
    if (pivots) *pivots += steps;
    lp.pivotsSinceCrash += steps;
    if (outcome == Outcome::kGaveUp) lp.warm = false;
    if (outcome != Outcome::kOptimal) return false;
    double objective = 0;
    for (int i = 0; i < lp.rows; ++i) objective += lp.dual[i];
    if (!(objective < lp.cells - 1e-7 && certified(lp, allowed))) return false;
    remember(lp);
    return true;
}

namespace {

// Naked singles over `cells`: a cell down to one digit takes it from its peers. False when that
// leaves a cell with none. Cells at 0 are not open and stay so.
bool settleSingles(std::uint16_t (&cells)[81]) {
    bool spread[81] = {};
    for (bool again = true; again;) {
        again = false;
        for (int cell = 0; cell < 81; ++cell) {
            if (spread[cell] || !std::has_single_bit(cells[cell])) continue;
            spread[cell] = again = true;
            for (int b = 0; b < kBands; ++b) {
                for (std::uint32_t rest = kPeers[cell][b]; rest != 0; rest &= rest - 1) {
                    const int peer = 27 * b + std::countr_zero(rest);
                    if (!(cells[peer] & cells[cell])) continue;
                    cells[peer] = static_cast<std::uint16_t>(cells[peer] & ~cells[cell]);
                    if (cells[peer] == 0) return false;
                }
            }
        }
    }
    return true;
}

enum class Split { kRefuted, kOpen, kOutOfNodes };

struct SplitSearch {
    Lp& lp;
    const std::int8_t* hint;
    long& nodes;
    long* pivots;
    const SplitSettle* settle;
    int deepest;             // see splitRefutes
    std::int16_t fixed[81];  // the digit fixed at each level on the way down
};

// Depth first: the count at each node, and where it does not refute, every digit of the open
// cell with the fewest. kOpen when a branch ends with every cell down to one digit.
// At depth `deepest` the count must refute: one that falls short there ends the search. Splits
// that end refuted seldom need a short count so deep; a question with a completion would walk
// the relaxation's own solution down, every count short, until the nodes ran out.
Split splitRefutes(SplitSearch& search, std::uint16_t (&cells)[81], int depth) {
    Lp& lp = search.lp;
    long& nodes = search.nodes;
    const bool settled = search.settle != nullptr ? search.settle->run(search.settle->context,
                                                                       search.fixed, depth, cells)
                                                  : settleSingles(cells);
    if (!settled) return Split::kRefuted;
    if (nodes <= 0) return Split::kOutOfNodes;
    --nodes;
    if (relaxationRefutes(lp, cells, search.hint, search.pivots)) return Split::kRefuted;
    if (depth >= search.deepest) return Split::kOutOfNodes;
    // The relaxation's own solution: per cell its largest share of a digit, and that digit.
    double share[81] = {};
    int favourite[81];
    for (int i = 0; i < lp.rows; ++i) {
        const int j = lp.basic[i];
        if (j >= kSlack || !lp.open[j] || !(lp.value[i] > share[lp.cellOf[j]])) continue;
        share[lp.cellOf[j]] = lp.value[i];
        favourite[lp.cellOf[j]] = lp.digitOf[j];
    }
    // Split a cell the solution divides between digits (fewest digits first): a cell it gives
    // wholly to one digit keeps that solution in one branch.
    int branch = -1;
    bool split = false;
    for (int cell = 0; cell < 81; ++cell) {
        const int n = std::popcount(cells[cell]);
        if (n < 2) continue;
        const bool divided = share[cell] < 1 - 1e-4;
        if (branch < 0 || divided > split ||
            (divided == split && n < std::popcount(cells[branch]))) {
            branch = cell;
            split = divided;
        }
    }
    if (branch < 0) return Split::kOpen;
    // The solution's digit first: it is the branch least likely to fall, and one that stands
    // ends the search.
    unsigned order[9], count = 0;
    if (share[branch] > 0) order[count++] = 1u << favourite[branch];
    for (unsigned rest = cells[branch]; rest != 0; rest &= rest - 1) {
        const unsigned bit = rest & (0u - rest);
        if (count == 0 || bit != order[0]) order[count++] = bit;
    }
    for (unsigned k = 0; k < count; ++k) {
        std::uint16_t next[81];
        std::copy(std::begin(cells), std::end(cells), std::begin(next));
        next[branch] = static_cast<std::uint16_t>(order[k]);
        search.fixed[depth] = static_cast<std::int16_t>(branch * 9 + std::countr_zero(order[k]));
        const Split result = splitRefutes(search, next, depth + 1);
        if (result != Split::kRefuted) return result;
    }
    return Split::kRefuted;
}

}  // namespace

bool relaxationRefutesBySplitting(Relaxation& lp, const std::uint16_t (&allowed)[81],
                                  const std::int8_t* hint, long& nodes, long* pivots,
                                  const SplitSettle* settle) {
    std::uint16_t cells[81];
    std::copy(std::begin(allowed), std::end(allowed), std::begin(cells));
    // Splits one level deep for 8 nodes, two for 16, three for 32.
    const int deepest = std::bit_width(static_cast<unsigned long>(nodes > 0 ? nodes : 0)) - 3;
    SplitSearch search{lp, hint, nodes, pivots, settle, deepest, {}};
    return splitRefutes(search, cells, 0) == Split::kRefuted;
}

int relaxationReason(const Relaxation& lp, const std::uint16_t (&allowed)[81], std::int16_t* out) {
    // The digits kept out that the certificate counts on, by what their return would cost it.
    // Those that cost least come back while the certificate still holds: a shorter reason is a
    // stronger clause.
    struct Loss {
        std::int64_t cost;
        std::int16_t var;
    };
    Loss losses[Lp::kMaxColumns];
    int count = 0;
    for (int j = 0; j < lp.columns; ++j) {
        const int cell = lp.cellOf[j];
        if (allowed[cell] >> lp.digitOf[j] & 1u) continue;
        const std::int16_t* r = lp.rowsOf[j];
        const std::int64_t w = lp.weight[r[1]] + lp.weight[r[2]] + lp.weight[r[3]];
        if (w < lp.least[cell]) {
            losses[count++] = {lp.least[cell] - w,
                               static_cast<std::int16_t>(cell * 9 + lp.digitOf[j])};
        }
    }
    std::sort(losses, losses + count, [](const Loss& a, const Loss& b) { return a.cost < b.cost; });
    std::int64_t least[81], spent = 0;
    for (int cell = 0; cell < 81; ++cell) least[cell] = lp.least[cell];
    int size = 0;
    for (int k = 0; k < count; ++k) {
        const int cell = losses[k].var / 9;
        const std::int64_t w = lp.least[cell] - losses[k].cost;  // the digit's own weight
        const std::int64_t drop = least[cell] > w ? least[cell] - w : 0;
        if (spent + drop < lp.surplus) {
            spent += drop;
            if (w < least[cell]) least[cell] = w;
        } else {
            out[size++] = losses[k].var;
        }
    }
    return size;
}

}  // namespace engine
