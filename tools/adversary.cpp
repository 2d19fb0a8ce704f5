// Searches for inputs that make the engine slow: hill-climbing on the engine's own work count
// (board propagations plus the clause solver's assignments), which is the same on every run, so
// a seeded search is repeatable. Prints the slowest inputs found, timed, in the format of
// tests/adversarial.txt, and fails when one costs more than a bound.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "puzzle_list.h"

namespace {

struct Options {
    std::uint64_t seed = 1;
    long iterations = 20000;
    double seconds = 0;  // when set, runs this long instead of a fixed number of steps
    long bound = 0;      // 0: none
    int climb = 400;     // steps without a gain before a climb starts afresh
    int top = 10;
    bool consistent = false;  // only givens that repeat nothing
    std::vector<std::string> starts;
};

struct Found {
    std::string line;
    long work = 0;
    bool solvable = false;
};

bool hasRepeats(const Grid& g);

std::string lineOf(const Grid& g) {
    std::string s(81, '.');
    for (int i = 0; i < 81; ++i) {
        if (g[i / 9][i % 9] != 0) s[i] = static_cast<char>('0' + g[i / 9][i % 9]);
    }
    return s;
}

bool repeats(const Grid& g, int r, int c, int digit) {
    for (int k = 0; k < 9; ++k) {
        if ((k != c && g[r][k] == digit) || (k != r && g[k][c] == digit)) return true;
    }
    for (int k = r / 3 * 3; k < r / 3 * 3 + 3; ++k) {
        for (int l = c / 3 * 3; l < c / 3 * 3 + 3; ++l) {
            if ((k != r || l != c) && g[k][l] == digit) return true;
        }
    }
    return false;
}

// Whether `out` keeps the givens of `puzzle` and gives every other cell a digit that repeats
// nothing in its row, column or box.
bool completes(const Grid& puzzle, const Grid& out) {
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) {
            if (puzzle[r][c] != 0) {
                if (out[r][c] != puzzle[r][c]) return false;
            } else if (out[r][c] < 1 || out[r][c] > 9 || repeats(out, r, c, out[r][c])) {
                return false;
            }
        }
    }
    return true;
}

// In units of about a third of a microsecond, fitted to the times of 396 slow inputs (the
// adversarial list and climbed inputs; within 11% for half of them, 27% for nine in ten): a
// propagation costs one, eight where givens repeat and the matching and counting passes run; a
// clause solver's assignment two fifths, its matching rules at one node eight, a step of the count
// by whole placements eight and a move of the local search six fifths (timed alone: 0.4
// microseconds).
long workOf(const Grid& puzzle, bool& solvable) {
    Grid out;
    SolveWork work;
    solvable = findSmallestCompletion(puzzle, out, kRowMajorBudget, &work);
    if (solvable && !completes(puzzle, out)) {
        // A wrong answer matters more than a slow one: stop at once, with the input.
        std::printf("%s  answered with %s, which does not complete it\n", lineOf(puzzle).c_str(),
                    lineOf(out).c_str());
        std::exit(3);
    }
    return work.propagations * (hasRepeats(puzzle) ? 8 : 1) + work.solverAssignments * 2 / 5 +
           work.solverMatchingChecks * 8 + work.placementSteps * 8 + work.localSearchSteps * 6 / 5;
}

// Kinds of start, taken in turn: consistent givens at random, givens that may repeat, and the
// given starting inputs.
void randomStart(std::mt19937_64& rng, int kind, Grid& g) {
    std::memset(g, 0, sizeof(Grid));
    const int givens = 8 + static_cast<int>(rng() % 22);
    for (int n = 0; n < givens; ++n) {
        const int cell = static_cast<int>(rng() % 81), digit = 1 + static_cast<int>(rng() % 9);
        if (kind == 1 || !repeats(g, cell / 9, cell % 9, digit)) {
            g[cell / 9][cell % 9] = static_cast<Cell>(digit);
        }
    }
}

// One or two changes: a given set, changed, removed or moved. `consistent`: no change may
// make two givens repeat.
void mutate(std::mt19937_64& rng, bool consistent, Grid& g) {
    const int changes = 1 + static_cast<int>(rng() % 2);
    for (int n = 0; n < changes; ++n) {
        const int cell = static_cast<int>(rng() % 81), r = cell / 9, c = cell % 9;
        const int op = static_cast<int>(rng() % 3);
        if (op == 0) {
            const int digit = 1 + static_cast<int>(rng() % 9);
            if (!consistent || !repeats(g, r, c, digit)) g[r][c] = static_cast<Cell>(digit);
        } else if (op == 1) {
            g[r][c] = 0;
        } else {
            const int to = static_cast<int>(rng() % 81);
            const Cell v = g[r][c];
            if (v != 0 && g[to / 9][to % 9] == 0) {
                g[r][c] = 0;
                if (!consistent || !repeats(g, to / 9, to % 9, v)) {
                    g[to / 9][to % 9] = v;
                } else {
                    g[r][c] = v;
                }
            }
        }
    }
}

bool hasRepeats(const Grid& g) {
    for (int i = 0; i < 81; ++i) {
        if (g[i / 9][i % 9] != 0 && repeats(g, i / 9, i % 9, g[i / 9][i % 9])) return true;
    }
    return false;
}

double medianMicroseconds(const Grid& puzzle) {
    double times[7];
    for (double& t : times) {
        Grid out;
        const auto start = std::chrono::steady_clock::now();
        findSmallestCompletion(puzzle, out);
        t = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
    }
    std::sort(times, times + 7);
    return times[3];
}

void keep(std::vector<Found>& best, const Found& f, int top) {
    for (Found& b : best) {
        if (b.line == f.line) return;
    }
    // A new slowest input goes to standard error at once, so that a long run shows its progress.
    if (best.empty() || f.work > best.front().work) {
        std::fprintf(stderr, "%s %s  work %ld\n", f.line.c_str(), f.solvable ? "solvable" : "none",
                     f.work);
    }
    best.push_back(f);
    std::sort(best.begin(), best.end(),
              [](const Found& a, const Found& b) { return a.work > b.work; });
    if (static_cast<int>(best.size()) > top) best.resize(top);
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--consistent") {
            o.consistent = true;
            continue;
        }
        if (value == nullptr) return false;
        ++i;
        if (arg == "--seed") {
            o.seed = std::strtoull(value, nullptr, 10);
        } else if (arg == "--iterations") {
            o.iterations = std::strtol(value, nullptr, 10);
        } else if (arg == "--seconds") {
            o.seconds = std::strtod(value, nullptr);
        } else if (arg == "--bound") {
            o.bound = std::strtol(value, nullptr, 10);
        } else if (arg == "--top") {
            o.top = static_cast<int>(std::strtol(value, nullptr, 10));
        } else if (arg == "--start") {
            std::ifstream in(value);
            for (std::string line; std::getline(in, line);) {
                Grid g;
                if (!line.empty() && line[0] != '#' && parsePuzzleLine(line, g))
                    o.starts.push_back(line);
            }
        } else {
            return false;
        }
    }
    return o.top > 0 && o.iterations > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs(
            "usage: sudoku-adversary [--seed N] [--iterations N | --seconds S] [--bound WORK]\n"
            "                        [--top N] [--start FILE] [--consistent]\n"
            "Hill-climbs on the engine's work (propagations, times 8 where givens repeat, plus\n"
            "solver assignments * 2/5, matching checks * 8, simplex steps * 8 and local\n"
            "search moves * 6/5) from random starts and the puzzles of FILE (each of which\n"
            "counts as found); prints the TOP slowest inputs found. With --bound, exits 1\n"
            "when one costs more. Exits 3 at once on an answer that does not complete its\n"
            "puzzle. --consistent keeps to givens that repeat nothing.\n",
            stderr);
        return 2;
    }
    std::mt19937_64 rng(o.seed);
    std::vector<Found> best;
    // Every start input counts as found, so that a bound covers the whole list it starts from.
    for (const std::string& line : o.starts) {
        Grid g;
        parsePuzzleLine(line, g);
        bool solvable = false;
        const long work = workOf(g, solvable);
        keep(best, {lineOf(g), work, solvable}, o.top);
    }
    const auto start = std::chrono::steady_clock::now();
    long steps = 0;
    for (int climb = 0;; ++climb) {
        Grid current;
        const int kind = climb % 3;
        if (kind == 2 && !o.starts.empty()) {
            parsePuzzleLine(o.starts[rng() % o.starts.size()], current);
        } else {
            randomStart(rng, kind == 2 ? static_cast<int>(rng() % 2) : kind, current);
        }
        if (o.consistent && hasRepeats(current)) randomStart(rng, 0, current);
        const bool consistent = !hasRepeats(current);
        bool solvable = false;
        long work = workOf(current, solvable);
        keep(best, {lineOf(current), work, solvable}, o.top);
        for (int stale = 0; stale < o.climb; ++stale, ++steps) {
            Grid next;
            std::memcpy(next, current, sizeof(Grid));
            mutate(rng, consistent, next);
            bool nextSolvable = false;
            const long nextWork = workOf(next, nextSolvable);
            if (nextWork >= work) {
                if (nextWork > work) stale = 0;
                std::memcpy(current, next, sizeof(Grid));
                work = nextWork;
                keep(best, {lineOf(next), nextWork, nextSolvable}, o.top);
            }
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (o.seconds > 0 ? elapsed >= o.seconds : steps >= o.iterations) {
                std::printf("# %ld steps in %.0f s from seed %llu; slowest inputs found:\n", steps,
                            elapsed, static_cast<unsigned long long>(o.seed));
                bool over = false;
                for (const Found& f : best) {
                    Grid g;
                    parsePuzzleLine(f.line, g);
                    std::printf("%s %s  work %ld, %.0f us\n", f.line.c_str(),
                                f.solvable ? "solvable" : "none", f.work, medianMicroseconds(g));
                    over = over || (o.bound > 0 && f.work > o.bound);
                }
                if (over) std::printf("# over the bound of %ld\n", o.bound);
                return over ? 1 : 0;
            }
        }
    }
}
