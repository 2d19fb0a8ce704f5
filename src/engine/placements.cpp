// The refutation by whole placements of each digit (see placements.h): column generation over
// placements, priced exactly band by band, and a check of the weights in integers.
#include "engine/placements.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <iterator>

namespace engine {

namespace {

constexpr double kScale = 1 << 20;  // integer weight per unit of weight in the check
// Steps (simplex pivots and pricing rounds) before it gives up. Refutations on the slowest
// inputs known take a median of 400 steps, one in eight more than 500 and one in fifty more than
// 600; a count that cannot refute creeps towards a full cover for as long as it is let. With 600
// the adversary met refutations between 600 and 800 steps within minutes.
constexpr long kMaxSteps = 800;
// Pricing happens at this share of the way from the duals to the best weights so far: duals
// alone jump about from round to round and converge slowly (30% more steps where it cannot
// refute).
constexpr double kSmoothing = 0.8;
constexpr double kNoRatio = 1e300;  // a row the entering column does not bound
// Every step prices the whole pool, so a pool past this many placements sheds, before each
// pricing round, those that lose more than kPruneMargin at the duals: they seldom come back,
// and a round that wants one again finds it. Against a pool that only grows: 0.74 of the time
// on the slowest finds of a climb against that, 0.93 on 1,100 held-back slow inputs, and fewer
// steps too (the count pivots less among placements that no longer matter). From 96 to 160 and
// with margins from 0.3 to 1 much the same; 192 seldom prunes.
constexpr int kPoolBeforePruning = 96;
constexpr double kPruneMargin = 0.5;

struct Space {
    const std::uint16_t (&allowed)[81];
    int cells = 0;  // open cells: rows 0 .. cells - 1 of the master, the digits' rows after them
    int rowOfCell[81];
    std::uint16_t columns[9][9] = {};  // by digit and row: the columns of open cells allowing it

    explicit Space(const std::uint16_t (&open)[81]) : allowed(open) {
        for (int cell = 0; cell < 81; ++cell) {
            rowOfCell[cell] = allowed[cell] != 0 ? cells++ : -1;
            for (unsigned rest = allowed[cell] & 0x1FFu; rest != 0; rest &= rest - 1) {
                columns[std::countr_zero(rest)][cell / 9] |=
                    static_cast<std::uint16_t>(1u << (cell % 9));
            }
        }
    }
};

// Placements a pricing round offers the master per digit: the heaviest and the next heaviest for
// other columns of the third band. Fewer rounds (each costs as much as 20 simplex steps) for a
// few more steps: 8% less time on slow inputs than the heaviest alone; more were slower.
constexpr int kPlacementsPerDigit = 4;

// A digit's placement: its cells, ascending.
struct Placement {
    int size = 0;
    std::uint8_t cell[9];
};

// The heaviest placement of digit d under integer weights (only cells of positive weight count):
// per band the best picks for each set of columns they use (at most 64 sets: one column per box),
// the first two bands combined pair by pair, then each set of the third band against the best
// pair outside its columns. Bounded whatever the input: at most 1,000 picks per band, 4,096
// pairs and 4,608 maxima. Of several placements equally heavy it takes the first it meets.
// `out` gets the heaviest first, then the heaviest for other sets of the third band's columns,
// up to `wanted` (at most kPlacementsPerDigit) in all; returns how many (none when no cell
// weighs). `weight` gets the heaviest's weight.
int heaviest(const Space& s, int d, const std::int64_t (&w)[81],
             Placement (&out)[kPlacementsPerDigit], std::int64_t& weight, int wanted) {
    weight = 0;
    std::int64_t best[3][512];
    std::uint32_t pick[3][512];  // up to three cells + 1, seven bits each
    std::int16_t masks[3][64];
    int count[3] = {};
    for (int band = 0; band < 3; ++band) {
        struct Option {
            std::int64_t weight;
            unsigned column, box;
            std::uint32_t packed;
        } options[3][10];
        int n[3];
        for (int k = 0; k < 3; ++k) {
            options[k][0] = {0, 0, 0, 0};  // no cell in this row
            n[k] = 1;
            for (unsigned rest = s.columns[d][band * 3 + k]; rest != 0; rest &= rest - 1) {
                const int c = std::countr_zero(rest), cell = (band * 3 + k) * 9 + c;
                if (w[cell] > 0) {
                    options[k][n[k]++] = {w[cell], 1u << c, 1u << (c / 3),
                                          static_cast<std::uint32_t>(cell + 1) << (7 * k)};
                }
            }
        }
        std::int64_t* b = best[band];
        std::uint64_t seen[8] = {};
        for (int i = 0; i < n[0]; ++i) {
            const Option& x = options[0][i];
            for (int j = 0; j < n[1]; ++j) {
                const Option& y = options[1][j];
                if ((x.column & y.column) | (x.box & y.box)) continue;
                const unsigned columns = x.column | y.column, boxes = x.box | y.box;
                const std::int64_t sum = x.weight + y.weight;
                for (int k = 0; k < n[2]; ++k) {
                    const Option& z = options[2][k];
                    if ((columns & z.column) | (boxes & z.box)) continue;
                    const unsigned m = columns | z.column;
                    if (!(seen[m / 64] >> (m % 64) & 1u)) {
                        seen[m / 64] |= std::uint64_t{1} << (m % 64);
                        masks[band][count[band]++] = static_cast<std::int16_t>(m);
                        b[m] = -1;
                    }
                    if (sum + z.weight > b[m]) {
                        b[m] = sum + z.weight;
                        pick[band][m] = x.packed | y.packed | z.packed;
                    }
                }
            }
        }
    }
    // The first two bands, by the columns they use together: the heaviest pair, as its weight
    // times 4,096 plus a number that falls with the pair's place in the loops below (so that of
    // equal pairs the first met wins), or -1 where no pair uses exactly those columns.
    std::int64_t first[512];
    std::fill(std::begin(first), std::end(first), -1);
    for (int a = 0; a < count[0]; ++a) {
        const int ma = masks[0][a];
        const std::int64_t wa = best[0][ma];
        for (int k = 0; k < count[1]; ++k) {
            const int mb = masks[1][k];
            const std::int64_t key = (wa + best[1][mb]) * 4096 + (4095 - (a * 64 + k));
            std::int64_t& slot = first[ma | mb];
            slot = (ma & mb) == 0 && key > slot ? key : slot;
        }
    }
    // The heaviest pair within each set of columns (a maximum over subsets, bit by bit), so that
    // each of the third band's sets meets its best partner in one look-up; as weight times 512
    // plus 511 less the pair's columns, so that of equal pairs the one with the lowest columns
    // wins.
    std::int64_t within[512];
    for (int u = 0; u < 512; ++u) {
        within[u] = first[u] < 0 ? -1 : (first[u] >> 12) * 512 + (511 - u);
    }
    // The three lowest bits within each run of eight, the others between runs: written so, each
    // loop vectorises (the one loop for every bit did not, and was half of this function's time).
    for (int base = 0; base < 512; base += 8) {
        std::int64_t* v = within + base;
        for (int i = 0; i < 8; i += 2) v[i + 1] = std::max(v[i + 1], v[i]);
        for (int i = 0; i < 8; i += 4) {
            v[i + 2] = std::max(v[i + 2], v[i]);
            v[i + 3] = std::max(v[i + 3], v[i + 1]);
        }
        for (int i = 0; i < 4; ++i) v[i + 4] = std::max(v[i + 4], v[i]);
    }
    for (int step = 8; step < 512; step *= 2) {
        for (int base = 0; base < 512; base += 2 * step) {
            for (int i = base; i < base + step; ++i) {
                within[i + step] = std::max(within[i + step], within[i]);
            }
        }
    }
    // The heaviest few, each with its third band's set, in descending order.
    std::int64_t tops[kPlacementsPerDigit];
    int thirds[kPlacementsPerDigit], found = 0;
    for (int k = 0; k < count[2]; ++k) {
        const int mc = masks[2][k];
        const std::int64_t v = (within[511 & ~mc] >> 9) + best[2][mc];
        if (v <= 0) continue;  // every band has the empty pick: within[] is never below 0
        int at = found;
        while (at > 0 && v > tops[at - 1]) --at;
        if (at == wanted) continue;
        found = std::min(found + 1, wanted);
        for (int j = found - 1; j > at; --j) {
            tops[j] = tops[j - 1];
            thirds[j] = thirds[j - 1];
        }
        tops[at] = v;
        thirds[at] = mc;
    }
    for (int t = 0; t < found; ++t) {
        const int firstTwo = 511 - static_cast<int>(within[511 & ~thirds[t]] & 511);
        const int second = masks[1][(4095 - (first[firstTwo] & 4095)) % 64];
        const std::uint32_t picks[3] = {pick[0][firstTwo & ~second], pick[1][second],
                                        pick[2][thirds[t]]};
        out[t].size = 0;
        for (const std::uint32_t packed : picks) {
            for (int r = 0; r < 3; ++r) {
                const int cell = static_cast<int>(packed >> (7 * r) & 127u) - 1;
                if (cell >= 0) out[t].cell[out[t].size++] = static_cast<std::uint8_t>(cell);
            }
        }
    }
    if (found > 0) weight = tops[0];
    return found;
}

// Whether the cells outweigh every digit's heaviest placement under `w`: the check in integers.
bool weightsRefute(const Space& s, const std::int64_t (&w)[81]) {
    std::int64_t cellsWeigh = 0, placementsWeigh = 0;
    for (int cell = 0; cell < 81; ++cell) {
        if (s.rowOfCell[cell] >= 0) cellsWeigh += w[cell];
    }
    for (int d = 0; d < 9 && placementsWeigh < cellsWeigh; ++d) {
        Placement placements[kPlacementsPerDigit];
        std::int64_t weight;
        heaviest(s, d, w, placements, weight, 1);
        placementsWeigh += weight;
    }
    return cellsWeigh > placementsWeigh;
}

void moveToFront(Placements& p, int k) {
    for (; k > 0; --k) std::swap(p.recalled[k], p.recalled[k - 1]);
}

// Keeps refuting weights, most recent first, forgetting the oldest.
void remember(Placements& p, const std::int64_t (&w)[81]) {
    const int slot = std::min(p.recalledCount, Placements::kMaxRecalled - 1);
    std::copy(std::begin(w), std::end(w), p.recalled[slot]);
    moveToFront(p, slot);
    p.recalledCount = slot + 1;
}

// The restricted master: maximise the cells covered by at most one unit of placements per digit,
// each cell covered at most once; a revised simplex with the inverse kept by columns.
struct Master {
    Placements& p;
    const Space& s;
    int m;
    int lanes = (m + Placements::kLanes - 1) / Placements::kLanes * Placements::kLanes;
    long steps = 0;

    bool slack(int column) const { return column >= Placements::kMaxPool; }
    // A banned placement costs more than any cover gains: the simplex drives it out first.
    static constexpr double kBannedCost = 128;
    double cost(int column) const {
        if (slack(column)) return 0.0;
        return p.size[column] - (p.banned[column] ? kBannedCost : 0.0);
    }

    // Right-hand sides raised a little, differently per row, or most steps move nothing; each
    // cell's more than any digit's, so that a cell under one placement keeps a slack above zero.
    double capacity(int r) const {
        const double spread = (static_cast<unsigned>(r) * 2654435761u >> 16 & 1023u) / 1024.0;
        return r < s.cells ? 1 + 1e-7 * (2 + spread) : 1 + 0.9e-7 * (1 + spread);
    }

    // The first basis: the slacks, but for each digit the cells `hint` gives it (where allowed
    // and not clashing), a placement basic in the digit's row. The inverse of that basis is the
    // identity but for a -1 per cell of each placement, in its digit's column. From the last
    // completion, a question's count takes a quarter fewer steps than from the slacks alone.
    void start(const std::int8_t* hint) {
        for (int r = 0; r < m; ++r) {
            std::fill(p.inverse[r], p.inverse[r] + lanes, 0.0);
            p.inverse[r][r] = 1;
            p.value[r] = capacity(r);
            p.basic[r] = Placements::kMaxPool + r;
            p.slackBasic[r] = true;
        }
        p.pool = 0;
        p.dual[Placements::kMaxRows] = 0;
        if (hint == nullptr) return;
        for (int d = 0; d < 9; ++d) {
            Placement placement;
            std::uint32_t taken = 0;  // its rows, columns (bit 9 on) and boxes (bit 18 on)
            for (int cell = 0; cell < 81; ++cell) {
                if (hint[cell] != d || !(s.allowed[cell] >> d & 1u)) continue;
                const int row = cell / 9, column = cell % 9;
                const std::uint32_t units =
                    1u << row | 1u << (9 + column) | 1u << (18 + row / 3 * 3 + column / 3);
                if ((taken & units) != 0) continue;
                taken |= units;
                placement.cell[placement.size++] = static_cast<std::uint8_t>(cell);
            }
            if (placement.size == 0 || !add(d, placement)) continue;
            const int k = p.pool - 1, row = s.cells + d;
            p.inBasis[k] = true;
            p.slackBasic[row] = false;
            p.basic[row] = k;
            for (int i = 0; i < placement.size; ++i) {
                const int cellRow = s.rowOfCell[placement.cell[i]];
                p.inverse[row][cellRow] = -1;
                p.value[cellRow] -= p.value[row];
            }
        }
    }

    // What placement k gains at the duals: its cells less their duals and its digit's.
    double gainOf(int k) const {
        double g = p.size[k];
        for (int i = 0; i < 10; ++i) g -= p.dual[p.rows[k][i]];
        return g;
    }

    // Drops the placements outside the basis that gain less than -kPruneMargin at the duals,
    // keeping the pool's order.
    void prune() {
        int remap[Placements::kMaxPool];
        int kept = 0;
        for (int k = 0; k < p.pool; ++k) {
            bool keep = p.inBasis[k];
            if (!keep && !p.banned[k]) keep = gainOf(k) >= -kPruneMargin;
            remap[k] = keep ? kept : -1;
            if (!keep) continue;
            p.digit[kept] = p.digit[k];
            p.size[kept] = p.size[k];
            std::copy(std::begin(p.rows[k]), std::end(p.rows[k]), p.rows[kept]);
            p.inBasis[kept] = p.inBasis[k];
            p.banned[kept] = p.banned[k];
            ++kept;
        }
        for (int r = 0; r < m; ++r) {
            if (!slack(p.basic[r])) p.basic[r] = remap[p.basic[r]];
        }
        p.pool = kept;
    }

    bool add(int d, const Placement& placement) {
        if (p.pool >= Placements::kMaxPool) return false;
        const int k = p.pool++;
        p.digit[k] = static_cast<std::uint8_t>(d);
        p.inBasis[k] = false;
        p.banned[k] = false;
        for (int i = 0; i < placement.size; ++i) {
            p.rows[k][i] = static_cast<std::uint8_t>(s.rowOfCell[placement.cell[i]]);
        }
        p.size[k] = static_cast<std::uint8_t>(placement.size);
        p.rows[k][placement.size] = static_cast<std::uint8_t>(s.cells + d);
        for (int i = placement.size + 1; i < 10; ++i) p.rows[k][i] = Placements::kMaxRows;
        return true;
    }

    void refreshDuals() {
        double c[Placements::kMaxRows];
        for (int r = 0; r < m; ++r) c[r] = cost(p.basic[r]);
        for (int i = 0; i < m; ++i) {
            double sum = 0;
            for (int r = 0; r < m; ++r) sum += c[r] * p.inverse[i][r];
            p.dual[i] = sum;
        }
    }

    double objective() const {
        double sum = 0;
        for (int r = 0; r < m; ++r) sum += cost(p.basic[r]) * p.value[r];
        return sum;
    }
    // A fractional cover of every cell: no refutation.
    bool coversAll() const { return objective() >= s.cells - 1e-6; }

    // Primal simplex over the pool (most gain first); false when out of steps.
    bool optimise() {
        refreshDuals();
        // The objective as the steps raise it, to tell cheaply when a full cover may be near.
        double reached = objective();
        for (;;) {
            int enter = -1, slackIn = -1;
            double gain = 1e-9;
            for (int k = 0; k < p.pool; ++k) {
                if (p.inBasis[k] || p.banned[k]) continue;
                const double g = gainOf(k);
                if (g > gain) gain = g, enter = k;
            }
            for (int i = 0; i < m; ++i) {
                if (-p.dual[i] > gain && !p.slackBasic[i]) gain = -p.dual[i], slackIn = i;
            }
            if (enter < 0 && slackIn < 0) return true;
            if (++steps > kMaxSteps) return false;
            double alpha[Placements::kStride];
            if (slackIn >= 0) {
                enter = -1;
                std::copy(p.inverse[slackIn], p.inverse[slackIn] + lanes, alpha);
            } else {
                std::fill(alpha, alpha + lanes, 0.0);
                for (int i = 0; i <= p.size[enter]; ++i) {
                    const double* column = p.inverse[p.rows[enter][i]];
                    for (int r = 0; r < lanes; ++r) alpha[r] += column[r];
                }
            }
            // The ratios first, all at once; then the rows in order, as the rule reads.
            double ratios[Placements::kMaxRows];
            for (int r = 0; r < m; ++r) {
                ratios[r] = alpha[r] > 1e-9 ? p.value[r] / alpha[r] : kNoRatio;
            }
            int leave = -1;
            double ratio = kNoRatio;
            for (int r = 0; r < m; ++r) {
                const double t = ratios[r];
                if (!(t < ratio + 1e-12)) continue;  // also every unbounded row
                if (leave < 0 || t < ratio - 1e-12 || alpha[r] > alpha[leave]) {
                    leave = r;
                    ratio = t;
                }
            }
            if (leave < 0) return false;  // cannot happen: every column has a digit's row
            const double pivot = alpha[leave];
            alpha[leave] = 0;
            for (int i = 0; i < m; ++i) {
                double* column = p.inverse[i];
                const double t = column[leave] / pivot;
                if (t == 0) continue;
                for (int r = 0; r < lanes; r += Placements::kLanes) {
                    for (int k = r; k < r + Placements::kLanes; ++k) column[k] -= alpha[k] * t;
                }
                column[leave] = t;
                p.dual[i] += gain * t;
            }
            p.value[leave] /= pivot;
            for (int r = 0; r < m; ++r) {
                p.value[r] -= alpha[r] * p.value[leave];
                if (p.value[r] < 0 && p.value[r] > -1e-12) p.value[r] = 0;
            }
            const int out = p.basic[leave];
            if (slack(out)) {
                p.slackBasic[out - Placements::kMaxPool] = false;
            } else {
                p.inBasis[out] = false;
            }
            if (enter >= 0) {
                p.basic[leave] = enter;
                p.inBasis[enter] = true;
            } else {
                p.basic[leave] = Placements::kMaxPool + slackIn;
                p.slackBasic[slackIn] = true;
            }
            // Once the basis covers every cell the count cannot refute, and the objective only
            // rises: the steps left (most of them degenerate, driving banned or idle placements
            // out) are spared: 5% less work over 286 slow inputs and over the 54 held-back
            // inputs of 5,382 that split most.
            reached += gain * p.value[leave];
            if (reached >= s.cells - 1e-5 && coversAll()) return true;
        }
    }
};

// Column generation from the master's basis, until the weights refute, the master covers every
// cell, or the steps run out.
bool count(Master& master, long* steps) {
    Placements& p = master.p;
    const Space& s = master.s;
    bool refuted = false, converged = false;
    double best[81] = {};  // the weights (as 1 - weight) of the best check so far
    std::int64_t bestShortfall = INT64_MIN;
    bool smooth = false;
    while (!refuted && !converged && master.optimise()) {
        if (master.coversAll()) break;
        if (p.pool > kPoolBeforePruning) master.prune();
        for (;;) {
            // The check at weights between the duals and the best so far; its placements go
            // into the pool where they gain at the duals.
            const double share = smooth ? kSmoothing : 0.0;
            std::int64_t w[81] = {};
            double y[81] = {};
            std::int64_t cellsWeigh = 0, placementsWeigh = 0;
            for (int cell = 0; cell < 81; ++cell) {
                if (s.rowOfCell[cell] < 0) continue;
                y[cell] = share * best[cell] + (1 - share) * p.dual[s.rowOfCell[cell]];
                // Any weights make a sound check: bounded ones keep the integers in range
                // whatever the rounding did to the duals.
                if (!(y[cell] >= -1)) y[cell] = -1;
                if (y[cell] > 2) y[cell] = 2;
                w[cell] = static_cast<std::int64_t>((1 - y[cell]) * kScale);
                cellsWeigh += w[cell];
            }
            int added = 0;
            for (int d = 0; d < 9; ++d) {
                Placement placements[kPlacementsPerDigit];
                std::int64_t weight;
                const int found = heaviest(s, d, w, placements, weight, kPlacementsPerDigit);
                placementsWeigh += weight;
                for (int k = 0; k < found; ++k) {
                    double gain = -p.dual[s.cells + d];
                    for (int i = 0; i < placements[k].size; ++i) {
                        gain += 1 - p.dual[s.rowOfCell[placements[k].cell[i]]];
                    }
                    if (gain > 1e-7 && master.add(d, placements[k])) ++added;
                }
            }
            ++master.steps;
            if (cellsWeigh > placementsWeigh) {
                remember(p, w);
                refuted = true;
                break;
            }
            if (cellsWeigh - placementsWeigh > bestShortfall) {
                bestShortfall = cellsWeigh - placementsWeigh;
                std::copy(std::begin(y), std::end(y), std::begin(best));
                smooth = true;
            }
            if (added > 0) break;
            if (share == 0) {
                converged = true;  // nothing gains at the duals: the bound is reached
                break;
            }
            smooth = false;  // priced too far from the duals: once more at the duals themselves
        }
    }
    if (steps != nullptr) *steps += master.steps;
    return refuted;
}

}  // namespace

bool placementsRefute(Placements& p, const std::uint16_t (&allowed)[81], const std::int8_t* hint,
                      long* steps) {
    const Space s(allowed);
    if (s.cells == 0) return false;
    Master master{p, s, s.cells + 9};
    master.start(hint);
    p.masterRows = master.m;
    return count(master, steps);
}

bool placementsRefuteFrom(Placements& p, const Placements& from, const std::uint16_t (&allowed)[81],
                          long* steps) {
    const Space s(allowed);
    if (s.cells == 0) return false;
    if (from.masterRows != s.cells + 9) return placementsRefute(p, allowed, nullptr, steps);
    Master master{p, s, s.cells + 9};
    p.masterRows = master.m;
    for (int r = 0; r < master.m; ++r) {
        std::copy(std::begin(from.inverse[r]), std::end(from.inverse[r]), p.inverse[r]);
    }
    std::copy(std::begin(from.value), std::end(from.value), p.value);
    std::copy(std::begin(from.basic), std::end(from.basic), p.basic);
    std::copy(std::begin(from.slackBasic), std::end(from.slackBasic), p.slackBasic);
    p.dual[Placements::kMaxRows] = 0;
    p.pool = from.pool;
    int cellOfRow[81];
    for (int cell = 0; cell < 81; ++cell) {
        if (s.rowOfCell[cell] >= 0) cellOfRow[s.rowOfCell[cell]] = cell;
    }
    for (int k = 0; k < p.pool; ++k) {
        p.digit[k] = from.digit[k];
        p.size[k] = from.size[k];
        std::copy(std::begin(from.rows[k]), std::end(from.rows[k]), p.rows[k]);
        p.inBasis[k] = from.inBasis[k];
        p.banned[k] = false;
        for (int i = 0; i < p.size[k]; ++i) {
            p.banned[k] = p.banned[k] || !(allowed[cellOfRow[p.rows[k][i]]] >> p.digit[k] & 1u);
        }
    }
    return count(master, steps);
}

void placementsCover(const Placements& p, const std::uint16_t (&allowed)[81],
                     std::int8_t (&digits)[81], double* largest) {
    int cellOfRow[81], cells = 0;
    for (int cell = 0; cell < 81; ++cell) {
        digits[cell] = -1;
        if (allowed[cell] != 0) cellOfRow[cells++] = cell;
    }
    double share[81][9] = {};  // by row
    for (int r = 0; r < cells + 9; ++r) {
        const int k = p.basic[r];
        if (k >= Placements::kMaxPool || p.banned[k] || !(p.value[r] > 1e-9)) continue;
        for (int i = 0; i < p.size[k]; ++i) share[p.rows[k][i]][p.digit[k]] += p.value[r];
    }
    for (int r = 0; r < cells; ++r) {
        double most = 1e-9;
        for (int d = 0; d < 9; ++d) {
            if (share[r][d] > most) {
                most = share[r][d];
                digits[cellOfRow[r]] = static_cast<std::int8_t>(d);
            }
        }
        if (largest != nullptr) largest[cellOfRow[r]] = most;
    }
}

bool placementsRecall(Placements& p, const std::uint16_t (&allowed)[81], long* steps) {
    const Space s(allowed);
    for (int k = 0; k < p.recalledCount; ++k) {
        if (steps != nullptr) ++*steps;
        if (weightsRefute(s, p.recalled[k])) {
            moveToFront(p, k);
            return true;
        }
    }
    return false;
}

}  // namespace engine
