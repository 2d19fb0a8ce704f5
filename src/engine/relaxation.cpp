// The fractional relaxation of the open cells, solved by a dense phase-one simplex; its dual
// weights, scaled to integers, are the certificate.
#include "engine/relaxation.h"

#include <cmath>
#include <cstdint>

#include "engine/board.h"

namespace engine {
namespace {

// Sized for the questions that need it (about 200 rows by 450 columns on the slowest inputs
// found); larger ones are left to clause learning.
constexpr int kMaxRows = 240;
constexpr int kMaxColumns = 640;
constexpr int kMaxPivots = 4000;
constexpr double kEpsilon = 1e-9;
constexpr double kScale = 1 << 20;  // integer weights per unit of dual weight

struct Tableau {
    double a[kMaxRows + 1][kMaxColumns + 1];  // the last row the reduced costs, the last column
                                              // the right-hand sides
    int rows = 0, columns = 0;
};

// Minimises the objective row by Dantzig's rule; false when it gives up.
bool optimise(Tableau& t, long& pivots) {
    const int m = t.rows, n = t.columns;
    for (;;) {
        int enter = -1;
        double best = -kEpsilon;
        for (int j = 0; j < n; ++j) {
            if (t.a[m][j] < best) {
                best = t.a[m][j];
                enter = j;
            }
        }
        if (enter < 0) return true;
        int leave = -1;
        double ratio = 0;
        for (int i = 0; i < m; ++i) {
            const double x = t.a[i][enter];
            if (x <= kEpsilon) continue;
            const double q = t.a[i][n] / x;
            if (leave < 0 || q < ratio) {
                ratio = q;
                leave = i;
            }
        }
        if (leave < 0 || ++pivots > kMaxPivots) return false;
        const double p = t.a[leave][enter];
        for (int j = 0; j <= n; ++j) t.a[leave][j] /= p;
        for (int i = 0; i <= m; ++i) {
            if (i == leave) continue;
            const double f = t.a[i][enter];
            if (f == 0) continue;
            for (int j = 0; j <= n; ++j) t.a[i][j] -= f * t.a[leave][j];
        }
    }
}

}  // namespace

bool relaxationRefutes(const std::uint16_t (&candidates)[81], long* pivots) {
    // Places: a unit and a digit that at least two open cells could give it (one alone never
    // overfills it).
    int reach[27][9] = {};
    int cells = 0, variables = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (candidates[cell] == 0) continue;
        ++cells;
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            ++variables;
            for (int kind = 0; kind < 3; ++kind) ++reach[unitOfCell(cell, kind)][d];
        }
    }
    int place[27][9], places = 0;
    for (int u = 0; u < 27; ++u) {
        for (int d = 0; d < 9; ++d) place[u][d] = reach[u][d] > 1 ? places++ : -1;
    }
    const int m = cells + places, n = variables + places + cells;
    if (m > kMaxRows || n > kMaxColumns) return false;
    // Rows: each open cell's digits add up to one (with an artificial variable), each place
    // holds at most one (with a slack). Columns: the cell-digit variables, the slacks, the
    // artificials. Phase one minimises the artificials' sum: positive means no solution.
    static_assert(sizeof(Tableau) < (3u << 20), "the tableau lives on the stack");
    Tableau t;
    t.rows = m;
    t.columns = n;
    for (int i = 0; i <= m; ++i) {
        for (int j = 0; j <= n; ++j) t.a[i][j] = 0;
    }
    int row = 0, column = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (candidates[cell] == 0) continue;
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            t.a[row][column] = 1;
            for (int kind = 0; kind < 3; ++kind) {
                const int p = place[unitOfCell(cell, kind)][d];
                if (p >= 0) t.a[cells + p][column] = 1;
            }
            ++column;
        }
        t.a[row][variables + places + row] = 1;
        t.a[row][n] = 1;
        ++row;
    }
    for (int p = 0; p < places; ++p) {
        t.a[cells + p][variables + p] = 1;
        t.a[cells + p][n] = 1;
    }
    // Reduced costs with the artificials and slacks as the first basis.
    for (int j = 0; j <= n; ++j) {
        double sum = 0;
        for (int i = 0; i < cells; ++i) sum += t.a[i][j];
        t.a[m][j] = -sum;
    }
    for (int i = 0; i < cells; ++i) t.a[m][variables + places + i] = 0;
    long steps = 0;
    const bool optimal = optimise(t, steps);
    if (pivots) *pivots += steps;
    if (!optimal || -t.a[m][n] < 1e-7) return false;
    // The dual weight of a place is the reduced cost of its slack. Scaled to integers, a cell's
    // bound is the least, over its digits, of the weights of the places that digit would take;
    // when the bounds add up to more than the weights, no fractional solution exists, and so no
    // completion.
    std::int64_t weight[27][9] = {}, total = 0;
    for (int u = 0; u < 27; ++u) {
        for (int d = 0; d < 9; ++d) {
            if (place[u][d] < 0) continue;
            const double z = t.a[m][variables + place[u][d]];
            if (!(z > 0)) continue;  // negative or not a number: no weight
            weight[u][d] = static_cast<std::int64_t>(std::lround(std::fmin(z, 64.0) * kScale));
            total += weight[u][d];
        }
    }
    std::int64_t bounds = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (candidates[cell] == 0) continue;
        std::int64_t least = -1;
        for (int d = 0; d < 9; ++d) {
            if (!(candidates[cell] >> d & 1u)) continue;
            std::int64_t sum = 0;
            for (int kind = 0; kind < 3; ++kind) sum += weight[unitOfCell(cell, kind)][d];
            if (least < 0 || sum < least) least = sum;
        }
        bounds += least;
    }
    return bounds > total;
}

}  // namespace engine
