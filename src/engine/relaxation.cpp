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
int kernelWidth(const Lp& lp) {
    return (lp.kernel + 7) / 8 * 8;
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
    lp.kernel = 0;
    for (int k = 0; k < lp.rows; ++k) {
        lp.slotOfPosition[k] = lp.slotOfRow[k] = -1;
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
            if (p != kAbsent) lp.value[p] -= lp.value[row];
        }
        // Its cell's row and its column pair up in the kernel, which stays the identity.
        const int t = lp.kernel++;
        lp.slotOfPosition[row] = lp.slotOfRow[row] = static_cast<std::int16_t>(t);
        lp.positionOfSlot[t] = lp.rowOfSlot[t] = static_cast<std::int16_t>(row);
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
    // Zero wherever the kernel may grow: its columns are read to a whole cache line.
    const int w = width(lp);
    for (int t = 0; t < lp.rows; ++t) {
        double* column = lp.inverse + t * kStride;
        for (int i = 0; i < w; ++i) column[i] = 0;
        if (t < lp.kernel) column[t] = 1;
    }
}

// The duals of the basis as it stands under this call's costs: one per allowed digit, one below
// zero per excluded one, none for a slack.
void restoreDuals(Lp& lp) {
    double cost[Lp::kMaxStride] = {};
    for (int t = 0; t < lp.kernel; ++t) {
        const int j = lp.basic[lp.positionOfSlot[t]];
        cost[t] = lp.open[j] ? 1 : kExcludedCost;
    }
    for (int i = 0; i < lp.rows; ++i) lp.dual[i] = 0;  // a basic slack's row
    const int w = kernelWidth(lp);
    for (int k = 0; k < lp.kernel; ++k) {
        const double* column = lp.inverse + k * kStride;
        double sum = 0;
        for (int i = 0; i < w; ++i) sum += cost[i] * column[i];
        lp.dual[lp.rowOfSlot[k]] = sum;
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

// Calls f(row) for each row of cell-digit j, its places that two cells share.
template <class F>
void forEachRow(const Lp& lp, int j, F f) {
    for (int k = 0; k < 4; ++k) {
        if (lp.rowsOf[j][k] != kAbsent) f(lp.rowsOf[j][k]);
    }
}

// The row of the inverse at position i, over the constraints. For a basic cell-digit, its
// kernel row; for the slack of row s, the unit row of s less the kernel rows of the basic
// cell-digits in row s.
void rowOf(const Lp& lp, int i, double (&row)[Lp::kMaxRows + 1]) {
    for (int k = 0; k < lp.rows; ++k) row[k] = 0;
    row[kAbsent] = 0;
    auto add = [&lp, &row](int t, double sign) {
        for (int k = 0; k < lp.kernel; ++k)
            row[lp.rowOfSlot[k]] += sign * lp.inverse[k * kStride + t];
    };
    if (lp.slotOfPosition[i] >= 0) {
        add(lp.slotOfPosition[i], 1);
        return;
    }
    const int s = lp.basic[i] - kSlack;
    row[s] = 1;
    for (int t = 0; t < lp.kernel; ++t) {
        forEachRow(lp, lp.basic[lp.positionOfSlot[t]], [&](int r) {
            if (r == s) add(t, -1);
        });
    }
}

// The inverse times column j: what each basic variable gives up per unit of j. The kernel's
// columns for j's rows give the basic cell-digits; each basic slack then gives up what j takes
// of its row less what the basic cell-digits give back. Tiny values are rounding; they are
// dropped so that they do not spread.
void columnOf(const Lp& lp, int j, double (&alpha)[Lp::kMaxStride]) {
    const int w = width(lp), kw = kernelWidth(lp);
    double x[Lp::kMaxStride];
    for (int t = 0; t < kw; ++t) x[t] = 0;
    auto addColumn = [&](int r) {
        const int k = lp.slotOfRow[r];
        if (k < 0) return;
        const double* c = lp.inverse + k * kStride;
        for (int t = 0; t < kw; ++t) x[t] += c[t];
    };
    for (int i = 0; i < w; ++i) alpha[i] = 0;
    auto slackTakes = [&](int r, double amount) {
        if (lp.slotOfRow[r] < 0) alpha[lp.rowOfColumn[kSlack + r]] += amount;
    };
    if (j >= kSlack) {
        addColumn(j - kSlack);
    } else {
        forEachRow(lp, j, addColumn);
        forEachRow(lp, j, [&](int r) { slackTakes(r, 1); });
    }
    for (int t = 0; t < lp.kernel; ++t) {
        const double v = std::fabs(x[t]) <= 1e-11 ? 0 : x[t];
        alpha[lp.positionOfSlot[t]] = v;
        if (v != 0)
            forEachRow(lp, lp.basic[lp.positionOfSlot[t]], [&](int r) { slackTakes(r, -v); });
    }
    for (int i = 0; i < w; ++i) alpha[i] = std::fabs(alpha[i]) <= 1e-11 ? 0 : alpha[i];
}

// Brings column `enter` into the basis in place of position `leave`'s, its value `theta`. The
// whole inverse would take (alpha with p - 1 at `leave`) times row / p away, p the pivot; the
// kernel takes the part of that on its slots, after making room for what joins it (the
// entering cell-digit in a slack's place, the row of a leaving slack) and before dropping what
// leaves it (the leaving cell-digit and the row of an entering slack).
void pivot(Lp& lp, int enter, int leave, double theta, const double (&row)[Lp::kMaxRows + 1],
           double (&alpha)[Lp::kMaxStride]) {
    const int m = lp.rows;
    const double gain = reducedCost(lp, enter);
    const double p = alpha[leave];
    for (int i = 0; i < m; ++i) {
        if (i != leave) lp.value[i] -= alpha[i] * theta;
    }
    lp.value[leave] = theta;
    const double reciprocal = 1 / p;
    for (int k = 0; k < m; ++k) lp.dual[k] += gain * row[k] * reciprocal;
    const int entering = enter >= kSlack ? enter - kSlack : -1;  // the row of a slack
    const int leaving = lp.basic[leave] >= kSlack ? lp.basic[leave] - kSlack : -1;
    double x[Lp::kMaxStride];
    for (int t = 0; t < lp.kernel; ++t) x[t] = alpha[lp.positionOfSlot[t]];
    int dropSlot = -1, dropColumn = -1;
    if (leaving >= 0) {
        // The leaving slack's row joins: in the column of the entering slack's row, or a new one.
        int k = entering >= 0 ? lp.slotOfRow[entering] : lp.kernel;
        if (entering < 0) {
            // The entering cell-digit takes a new slot, its row the slack's row of the inverse.
            const int t = lp.kernel++;
            for (int c = 0; c < k; ++c) lp.inverse[c * kStride + t] = row[lp.rowOfSlot[c]];
            lp.slotOfPosition[leave] = static_cast<std::int16_t>(t);
            lp.positionOfSlot[t] = static_cast<std::int16_t>(leave);
            x[t] = p - 1;
        } else {
            lp.slotOfRow[entering] = -1;
        }
        double* column = lp.inverse + k * kStride;
        for (int t = 0; t < kernelWidth(lp); ++t) column[t] = 0;
        if (entering < 0) column[lp.kernel - 1] = 1;
        lp.rowOfSlot[k] = static_cast<std::int16_t>(leaving);
        lp.slotOfRow[leaving] = static_cast<std::int16_t>(k);
    } else {
        const int t = lp.slotOfPosition[leave];
        x[t] = p - 1;
        if (entering >= 0) {
            dropSlot = t;
            dropColumn = lp.slotOfRow[entering];
        }
    }
    const int n = lp.kernel, w = kernelWidth(lp);
    for (int t = n; t < w; ++t) x[t] = 0;
    for (int k = 0; k < n; ++k) {
        if (k == dropColumn) continue;
        const double f = row[lp.rowOfSlot[k]] * reciprocal;
        if (std::fabs(f) <= 1e-12) continue;  // zero but for rounding
        double* column = lp.inverse + k * kStride;
        for (int t = 0; t < w; ++t) column[t] -= f * x[t];
    }
    if (dropSlot >= 0) {
        // The last slot and the last column fill the gaps.
        const int last = n - 1;
        if (dropColumn != last) {
            const double* from = lp.inverse + last * kStride;
            std::copy(from, from + w, lp.inverse + dropColumn * kStride);
            lp.rowOfSlot[dropColumn] = lp.rowOfSlot[last];
            lp.slotOfRow[lp.rowOfSlot[dropColumn]] = static_cast<std::int16_t>(dropColumn);
        }
        lp.slotOfRow[entering] = -1;
        if (dropSlot != last) {
            for (int k = 0; k < last; ++k) {
                lp.inverse[k * kStride + dropSlot] = lp.inverse[k * kStride + last];
            }
            lp.positionOfSlot[dropSlot] = lp.positionOfSlot[last];
            lp.slotOfPosition[lp.positionOfSlot[dropSlot]] = static_cast<std::int16_t>(dropSlot);
        }
        for (int k = 0; k < last; ++k) lp.inverse[k * kStride + last] = 0;
        lp.slotOfPosition[leave] = -1;
        lp.kernel = last;
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
// estimated step length) and Harris's ratio test. The reduced costs are kept up to date along
// the pivot row, in the pass that updates the Devex weights, which also picks the next column;
// the column picked is checked against the duals before it enters, and all are computed afresh
// when it fails the check, when none seems to gain, and every so many steps.
Outcome optimise(Lp& lp, long& pivots) {
    const int m = lp.rows, n = lp.columns;
    double alpha[Lp::kMaxStride], row[Lp::kMaxRows + 1];
    double step[Lp::kMaxRows];
    int bounded[Lp::kMaxRows];  // the rows that bound the step, with their steps
    double reference[Lp::kMaxColumns + Lp::kMaxRows];
    // Per column (cell-digits, then slacks): its reduced cost, zero where it cannot enter.
    double gain[Lp::kMaxColumns + Lp::kMaxRows];
    for (int j = 0; j < n + m; ++j) reference[j] = 1;
    auto columnAt = [n](int j) { return j < n ? j : kSlack + (j - n); };
    auto eligible = [&lp](int column) {
        return lp.rowOfColumn[column] < 0 && allowedColumn(lp, column);
    };
    // Devex's choice, or Bland's (the first that gains).
    auto better = [&](bool bland, int j, int best, double& score) {
        const double d = gain[j];
        if (!(d > kEpsilon)) return false;
        if (bland) return best < 0 || j < best;
        if (d * d <= score * reference[j]) return false;
        score = d * d / reference[j];
        return true;
    };
    auto priceAfresh = [&](bool bland) {
        int best = -1;
        double score = 0;
        for (int j = 0; j < n + m; ++j) {
            const int column = columnAt(j);
            gain[j] = eligible(column) ? reducedCost(lp, column) : 0;
            if (better(bland, j, best, score)) best = j;
        }
        return best;
    };
    constexpr int kRefreshEvery = 64;
    int degenerate = 0, sinceFresh = 0;
    // The cells covered so far: once every cell is (up to the raised capacities), no
    // certificate can exist and the optimum is not needed.
    auto coveredNow = [&lp, m] {
        double sum = 0;
        for (int i = 0; i < m; ++i)
            sum += lp.basic[i] < kSlack && lp.open[lp.basic[i]] ? lp.value[i] : 0;
        return sum;
    };
    double covered = coveredNow();
    int q = priceAfresh(false);
    for (long steps = 0;; ++steps) {
        if (steps >= kMaxPivots) return Outcome::kGaveUp;
        if (covered >= lp.counted - 1e-6) return Outcome::kCovered;
        const bool bland = degenerate >= kDegenerateRun;
        if (++sinceFresh >= kRefreshEvery) {
            q = priceAfresh(bland);
            sinceFresh = 0;
        }
        double dq = q >= 0 ? reducedCost(lp, columnAt(q)) : 0;
        if (!(dq > kEpsilon) && sinceFresh != 0) {
            q = priceAfresh(bland);
            sinceFresh = 0;
            if (q >= 0) dq = reducedCost(lp, columnAt(q));
        }
        if (q < 0) return Outcome::kOptimal;
        const int enter = columnAt(q);
        columnOf(lp, enter, alpha);
        // Harris's two passes: the longest step that overshoots no bound by more than a
        // tolerance, then the largest pivot within it (Bland's: the first basic column).
        int leave = -1, candidates = 0;
        double ratio = 0, bound = 1e300;
        for (int i = 0; i < m; ++i) {
            const double a = alpha[i];
            if (a <= kPivotTolerance) continue;
            const double x = lp.value[i] > 0 ? lp.value[i] : 0;
            bounded[candidates] = i;
            step[candidates++] = x / a;
            if ((x + kEpsilon) / a < bound) bound = (x + kEpsilon) / a;
        }
        for (int t = 0; t < candidates; ++t) {
            const int i = bounded[t];
            if (step[t] > bound) continue;
            if (leave < 0 || (bland ? lp.basic[i] < lp.basic[leave] : alpha[i] > alpha[leave])) {
                ratio = step[t];
                leave = i;
            }
        }
        if (leave < 0) return Outcome::kGaveUp;  // only rounding leaves no row
        rowOf(lp, leave, row);
        ++pivots;
        degenerate = ratio <= 1e-12 ? degenerate + 1 : 0;
        const bool nextBland = degenerate >= kDegenerateRun;
        // Along the pivot row: each column's reduced cost falls by dq times its entry there
        // (as the duals will), and its Devex weight grows to cover the step; the best column
        // for the next step comes out of the same pass.
        const double wq = reference[q], p = alpha[leave];
        const double reciprocal = 1 / p;
        const int out = lp.basic[leave];
        const int o = out < kSlack ? out : n + out - kSlack;
        int next = -1;
        double score = 0;
        for (int j = 0; j < n + m; ++j) {
            const int column = columnAt(j);
            if (j == q || !eligible(column)) continue;
            const double r = rowTimes(lp, row, column) * reciprocal;
            gain[j] -= dq * r;
            if (!bland && r * r * wq > reference[j]) reference[j] = r * r * wq;
            if (better(nextBland, j, next, score)) next = j;
        }
        if (!bland) reference[o] = wq / (p * p) > 1 ? wq / (p * p) : 1;
        gain[q] = 0;
        pivot(lp, enter, leave, ratio, row, alpha);
        gain[o] = allowedColumn(lp, out) ? reducedCost(lp, out) : 0;
        if (better(nextBland, o, next, score)) next = o;
        q = next;
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
    // The weight and the dual of places that are not rows stay zero from here on.
    lp.weight[kAbsent] = 0;
    lp.slotOfRow[kAbsent] = -1;
    for (int i = 0; i < kStride; ++i) lp.dual[i] = 0;
}

namespace {

// See relaxationRefutes; with `some`, open cells without a digit are left out instead.
bool refutes(Relaxation& lp, const std::uint16_t (&allowed)[81], const std::int8_t* hint,
             long* pivots, bool some) {
    lp.counted = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (lp.cellRow[cell] < 0) continue;
        if ((allowed[cell] & lp.candidates[cell]) != 0) {
            ++lp.counted;
        } else if (!some) {
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
    if (!(objective < lp.counted - 1e-7 && certified(lp, allowed))) return false;
    remember(lp);
    // The next call asks about other digits: from this basis the simplex would first have to
    // drive out what this question allowed, and a fresh packing from the hint starts closer.
    lp.warm = false;
    return true;
}

}  // namespace

void copyBasis(const Relaxation& from, Relaxation& to) {
    std::copy(from.inverse, from.inverse + from.kernel * kStride, to.inverse);
    to.kernel = from.kernel;
    std::copy(std::begin(from.slotOfPosition), std::end(from.slotOfPosition),
              std::begin(to.slotOfPosition));
    std::copy(std::begin(from.positionOfSlot), std::end(from.positionOfSlot),
              std::begin(to.positionOfSlot));
    std::copy(std::begin(from.slotOfRow), std::end(from.slotOfRow), std::begin(to.slotOfRow));
    std::copy(std::begin(from.rowOfSlot), std::end(from.rowOfSlot), std::begin(to.rowOfSlot));
    std::copy(std::begin(from.value), std::end(from.value), std::begin(to.value));
    std::copy(std::begin(from.dual), std::end(from.dual), std::begin(to.dual));
    std::copy(std::begin(from.basic), std::end(from.basic), std::begin(to.basic));
    std::copy(std::begin(from.rowOfColumn), std::end(from.rowOfColumn), std::begin(to.rowOfColumn));
    to.warm = from.warm;
    to.pivotsSinceCrash = from.pivotsSinceCrash;
}

bool relaxationRefutes(Relaxation& lp, const std::uint16_t (&allowed)[81], const std::int8_t* hint,
                       long* pivots) {
    return refutes(lp, allowed, hint, pivots, false);
}

bool relaxationRefutesSome(Relaxation& lp, const std::uint16_t (&allowed)[81],
                           const std::int8_t* hint, long* pivots) {
    return refutes(lp, allowed, hint, pivots, true);
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
    SplitFocus* focus;
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
    if (SplitFocus* focus = search.focus; focus != nullptr && focus->credit > 0) {
        std::uint16_t some[81];
        for (int cell = 0; cell < 81; ++cell) {
            some[cell] = focus->among[cell / 64] >> (cell % 64) & 1u ? cells[cell] : 0;
        }
        const bool refuted = relaxationRefutesSome(*focus->lp, some, search.hint, search.pivots);
        focus->credit += refuted ? 1 : -1;
        if (refuted) return Split::kRefuted;
    }
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
                                  const SplitSettle* settle, SplitFocus* focus) {
    std::uint16_t cells[81];
    std::copy(std::begin(allowed), std::end(allowed), std::begin(cells));
    // Splits one level deep for 8 nodes, two for 16, three for 32.
    const int deepest = std::bit_width(static_cast<unsigned long>(nodes > 0 ? nodes : 0)) - 3;
    SplitSearch search{lp, hint, nodes, pivots, settle, focus, deepest, {}};
    return splitRefutes(search, cells, 0) == Split::kRefuted;
}

}  // namespace engine
