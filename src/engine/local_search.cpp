// The tabu search for a first completion (see local_search.h): each move gives one clashing cell
// another candidate, the one that leaves the fewest clashes, and the digit it leaves may not
// come back for a while, longer the more clashes remain.
#include "engine/local_search.h"

#include <bit>
#include <cstring>

#include "engine/board.h"

namespace engine {

namespace {

struct State {
    const std::uint16_t (&candidates)[81];
    std::int8_t digit[81];
    std::uint8_t clash[81][9];       // open peers holding each digit
    std::uint64_t clashing[2] = {};  // open cells whose digit a peer holds (bit cell)
    std::uint64_t random = 0x9E3779B97F4A7C15u;

    std::uint32_t next() {
        random ^= random << 13;
        random ^= random >> 7;
        random ^= random << 17;
        return static_cast<std::uint32_t>(random >> 32);
    }
    void mark(int cell) {
        const std::uint64_t bit = std::uint64_t{1} << (cell % 64);
        if (clash[cell][digit[cell]] != 0) {
            clashing[cell / 64] |= bit;
        } else {
            clashing[cell / 64] &= ~bit;
        }
    }
    void move(int cell, int to) {
        const int from = digit[cell];
        digit[cell] = static_cast<std::int8_t>(to);
        for (const int peer : kPeerCells[cell]) {
            if (candidates[peer] == 0) continue;
            --clash[peer][from];
            ++clash[peer][to];
            if (digit[peer] == from || digit[peer] == to) mark(peer);
        }
        mark(cell);
    }
};

}  // namespace

bool searchLocally(const std::uint16_t (&candidates)[81], long moves, std::int8_t (&model)[81],
                   std::int8_t (&closest)[81], long* steps, const std::int8_t* start) {
    State s{candidates, {}, {}};
    std::uint8_t open[81];
    int count = 0;
    for (int cell = 0; cell < 81; ++cell) {
        s.digit[cell] = -1;
        if (candidates[cell] == 0) continue;
        open[count++] = static_cast<std::uint8_t>(cell);
        const int from = start != nullptr ? start[cell] : -1;
        s.digit[cell] = static_cast<std::int8_t>(from >= 0 && (candidates[cell] >> from & 1u)
                                                     ? from
                                                     : std::countr_zero(candidates[cell] & 0x1FFu));
    }
    for (int k = 0; k < count; ++k) {
        for (const int peer : kPeerCells[open[k]]) {
            if (candidates[peer] != 0) ++s.clash[peer][s.digit[open[k]]];
        }
    }
    int clashes = 0;  // pairs of peers alike: each counted from both ends
    for (int k = 0; k < count; ++k) {
        s.mark(open[k]);
        clashes += s.clash[open[k]][s.digit[open[k]]];
    }
    clashes /= 2;
    int fewest = clashes;
    std::memcpy(closest, s.digit, sizeof closest);
    long until[81][9] = {};  // the move from which a digit may come back to a cell
    long move = 0;
    for (; move < moves && clashes > 0; ++move) {
        int bestDelta = 1 << 30, bestCell = -1, bestDigit = -1, ties = 0;
        // The clashing cells, in ascending order.
        for (int half = 0; half < 2; ++half) {
            for (std::uint64_t cells = s.clashing[half]; cells != 0; cells &= cells - 1) {
                const int cell = 64 * half + std::countr_zero(cells);
                const int here = s.clash[cell][s.digit[cell]];
                for (unsigned rest = candidates[cell] & 0x1FFu & ~(1u << s.digit[cell]); rest != 0;
                     rest &= rest - 1) {
                    const int d = std::countr_zero(rest);
                    const int delta = s.clash[cell][d] - here;
                    // A barred digit only where it beats the best met (aspiration).
                    if (until[cell][d] > move && clashes + delta >= fewest) continue;
                    if (delta < bestDelta) {
                        bestDelta = delta;
                        bestCell = cell;
                        bestDigit = d;
                        ties = 1;
                    } else if (delta == bestDelta && s.next() % ++ties == 0) {
                        bestCell = cell;
                        bestDigit = d;
                    }
                }
            }
        }
        if (bestCell < 0) continue;  // every move barred: wait for one to come free
        const int from = s.digit[bestCell];
        s.move(bestCell, bestDigit);
        clashes += bestDelta;
        until[bestCell][from] = move + 1 + s.next() % 10 + clashes * 6 / 10;
        if (clashes < fewest) {
            fewest = clashes;
            std::memcpy(closest, s.digit, sizeof closest);
        }
    }
    if (steps != nullptr) *steps += move;
    if (clashes > 0) return false;
    for (int k = 0; k < count; ++k) {
        const int cell = open[k];
        const unsigned lower = candidates[cell] & ((1u << s.digit[cell]) - 1);
        for (unsigned rest = lower; rest != 0; rest &= rest - 1) {
            if (s.clash[cell][std::countr_zero(rest)] == 0) {
                s.move(cell, std::countr_zero(rest));
                break;
            }
        }
    }
    std::memcpy(model, s.digit, sizeof model);
    return true;
}

}  // namespace engine
