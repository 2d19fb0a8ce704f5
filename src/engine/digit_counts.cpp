// Digit-count balance for puzzles with repeated givens: intervals per digit, then a small flow per
// kind of unit deciding which digits the units with repeated givens can still take.
#include "engine/digit_counts.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kKinds = 3;  // rows, columns, boxes
constexpr int kDigits = 9;

int unitOf(int kind, int r, int c) {
    return kind == 0 ? r : kind == 1 ? c : r / 3 * 3 + c / 3;
}

// Per unit of one kind: how often each digit is given.
struct UnitCounts {
    int given[9][10] = {};
};

// Maximum flow on a graph of at most 20 nodes, by repeated depth-first augmenting paths. Which
// edges have capacity left is kept as a bit set per node: the search walks only those.
class Flow {
  public:
    static constexpr int kNodes = 20;
    void add(int from, int to, int capacity) {
        capacity_[from][to] += capacity;
        update(from, to);
    }
    int run(int source, int sink) {
        int total = 0;
        for (;;) {
            std::uint32_t seen = 0;
            const int pushed = augment(source, sink, 1 << 20, seen);
            if (pushed == 0) return total;
            total += pushed;
        }
    }

  private:
    void update(int from, int to) {
        if (capacity_[from][to] > 0) {
            open_[from] |= 1u << to;
        } else {
            open_[from] &= ~(1u << to);
        }
    }
    int augment(int at, int sink, int limit, std::uint32_t& seen) {
        if (at == sink) return limit;
        seen |= 1u << at;
        for (std::uint32_t next = open_[at] & ~seen; next != 0; next = open_[at] & ~seen) {
            const int to = std::countr_zero(next);
            const int pushed = augment(to, sink, std::min(limit, capacity_[at][to]), seen);
            if (pushed > 0) {
                capacity_[at][to] -= pushed;
                capacity_[to][at] += pushed;
                update(at, to);
                update(to, at);
                return pushed;
            }
        }
        return 0;
    }
    int capacity_[kNodes][kNodes] = {};
    std::uint32_t open_[kNodes] = {};
};

}  // namespace

bool repeatedGivensAllowCompletion(const Grid& puzzle) {
    UnitCounts counts[kKinds];
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) {
            const int v = puzzle[r][c];
            if (v == 0) continue;
            for (int kind = 0; kind < kKinds; ++kind) ++counts[kind].given[unitOf(kind, r, c)][v];
        }
    }
    // For each kind and digit x: the cells holding x number `fixed` plus between 0 and `optional`
    // more. A unit whose givens do not repeat holds x once. A unit with repeated givens holds x as
    // often as it is given, or, when x is not given there, once or not at all.
    int low[kDigits], high[kDigits];
    bool anyRepeat = false;
    int fixed[kKinds][kDigits] = {}, optional[kKinds][kDigits] = {};
    int mustTake[kKinds][9] = {};  // per unit with repeats: how many digits not given it takes
    bool repeats[kKinds][9] = {};
    for (int kind = 0; kind < kKinds; ++kind) {
        for (int u = 0; u < 9; ++u) {
            int givens = 0, distinct = 0;
            for (int v = 1; v <= 9; ++v) {
                givens += counts[kind].given[u][v];
                distinct += counts[kind].given[u][v] > 0;
            }
            repeats[kind][u] = givens > distinct;
            anyRepeat = anyRepeat || repeats[kind][u];
            mustTake[kind][u] = 9 - givens;
            for (int v = 1; v <= 9; ++v) {
                const int g = counts[kind].given[u][v];
                if (!repeats[kind][u] || g > 0) {
                    fixed[kind][v - 1] += repeats[kind][u] ? g : 1;
                } else {
                    ++optional[kind][v - 1];
                }
            }
        }
    }
    if (!anyRepeat) return true;

    for (int x = 0; x < kDigits; ++x) {
        low[x] = 0;
        high[x] = 81;
        for (int kind = 0; kind < kKinds; ++kind) {
            low[x] = std::max(low[x], fixed[kind][x]);
            high[x] = std::min(high[x], fixed[kind][x] + optional[kind][x]);
        }
        if (low[x] > high[x]) return false;
    }
    // The digit counts add up to 81: tighten each interval by the others until nothing moves.
    for (bool moved = true; moved;) {
        moved = false;
        int sumLow = 0, sumHigh = 0;
        for (int x = 0; x < kDigits; ++x) {
            sumLow += low[x];
            sumHigh += high[x];
        }
        if (sumLow > 81 || sumHigh < 81) return false;
        for (int x = 0; x < kDigits; ++x) {
            const int newLow = std::max(low[x], 81 - (sumHigh - high[x]));
            const int newHigh = std::min(high[x], 81 - (sumLow - low[x]));
            if (newLow > newHigh) return false;
            if (newLow != low[x] || newHigh != high[x]) {
                low[x] = newLow;
                high[x] = newHigh;
                moved = true;
            }
        }
    }
    // Per kind: the units with repeats must each take their number of non-given digits, every
    // digit at most once per unit, and digit x between low - fixed and high - fixed times in all.
    // Two flows test the upper and the lower bounds. Nodes: 0 source, 1-9 units, 10-18 digits,
    // 19 sink.
    for (int kind = 0; kind < kKinds; ++kind) {
        Flow upper, lower;
        int units = 0, needLower = 0;
        for (int u = 0; u < 9; ++u) {
            if (!repeats[kind][u]) continue;
            units += mustTake[kind][u];
            upper.add(0, 1 + u, mustTake[kind][u]);
            lower.add(1 + u, 19, mustTake[kind][u]);
            for (int v = 1; v <= 9; ++v) {
                if (counts[kind].given[u][v] != 0) continue;
                upper.add(1 + u, 10 + (v - 1), 1);
                lower.add(10 + (v - 1), 1 + u, 1);
            }
        }
        for (int x = 0; x < kDigits; ++x) {
            upper.add(10 + x, 19, high[x] - fixed[kind][x]);
            const int need = std::max(0, low[x] - fixed[kind][x]);
            lower.add(0, 10 + x, need);
            needLower += need;
        }
        if (upper.run(0, 19) != units || lower.run(0, 19) != needLower) return false;
    }
    return true;
}
