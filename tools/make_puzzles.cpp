// Makes the shipped puzzle set: random full grids thinned to minimal puzzles with one solution.
// The output depends only on the seed, on every platform: the generator is std::mt19937_64 and
// draws are reduced to a range by rejection, not by a library distribution.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "engine/engine.h"
#include "sudoku_grid.h"

namespace {

constexpr std::uint64_t kDefaultSeed = 20261207;

struct Options {
    std::uint64_t seed = kDefaultSeed;
    long first = 0;
    long count = 1000;
    std::string out = "sudoku";
};

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: sudoku-make-puzzles [--seed N] [--first N] [--count N] [--out DIR]\n"
                 "\n"
                 "Writes puzzles FIRST .. FIRST+COUNT-1 as DIR/0000.txt style files: nine lines\n"
                 "of nine numbers, 0 for an empty cell. Each is a random full grid with givens\n"
                 "removed while exactly one solution remains, down to a minimal puzzle. Puzzle i\n"
                 "depends only on the seed and i, so any range can be remade on its own.\n"
                 "\n"
                 "  --seed N   generator seed (default %llu)\n"
                 "  --first N  index of the first puzzle (default 0)\n"
                 "  --count N  number of puzzles (default 1000)\n"
                 "  --out DIR  output folder, which must exist (default sudoku)\n"
                 "  --help     this text\n",
                 static_cast<unsigned long long>(kDefaultSeed));
}

bool parseNumber(const char* text, unsigned long long max, unsigned long long& value) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

// Returns 0 to go on, 1 for a usage error, 2 after --help.
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc;) {
        const char* arg = argv[i++];
        const char* value = i < argc ? argv[i] : nullptr;  // taken by options that have one
        unsigned long long number = 0;
        if (std::strcmp(arg, "--help") == 0) return 2;
        if (std::strcmp(arg, "--out") == 0 && value != nullptr) {
            options.out = value;
        } else if (std::strcmp(arg, "--seed") == 0 && parseNumber(value, UINT64_MAX, number)) {
            options.seed = number;
        } else if (std::strcmp(arg, "--first") == 0 && parseNumber(value, 9999, number)) {
            options.first = static_cast<long>(number);
        } else if (std::strcmp(arg, "--count") == 0 && parseNumber(value, 10000, number)) {
            options.count = static_cast<long>(number);
        } else {
            std::fprintf(stderr, "sudoku-make-puzzles: bad argument '%s'\n", arg);
            return 1;
        }
        ++i;  // past the value
    }
    if (options.first + options.count > 10000) {
        std::fprintf(stderr, "sudoku-make-puzzles: indexes must stay below 10000\n");
        return 1;
    }
    return 0;
}

// A draw in [0, n) that every standard library gives alike.
unsigned below(std::mt19937_64& rng, unsigned n) {
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t x = rng();
    while (x >= limit) x = rng();
    return static_cast<unsigned>(x % n);
}

template <typename T, int N>
void shuffle(T (&items)[N], std::mt19937_64& rng) {
    for (int i = N - 1; i > 0; --i) {
        const unsigned j = below(rng, static_cast<unsigned>(i + 1));
        const T held = items[i];
        items[i] = items[j];
        items[j] = held;
    }
}

bool fits(const Grid& grid, int r, int c, int digit) {
    for (int k = 0; k < kGridSize; ++k) {
        if (grid[r][k] == digit || grid[k][c] == digit) return false;
    }
    const int top = r / 3 * 3, left = c / 3 * 3;
    for (int k = top; k < top + 3; ++k) {
        for (int l = left; l < left + 3; ++l) {
            if (grid[k][l] == digit) return false;
        }
    }
    return true;
}

// Fills the cells from `cell` on, trying the digits of each cell in a random order.
bool fillRandomly(Grid& grid, int cell, std::mt19937_64& rng) {
    if (cell == kCellCount) return true;
    const int r = cell / 9, c = cell % 9;
    int digits[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    shuffle(digits, rng);
    for (const int digit : digits) {
        if (!fits(grid, r, c, digit)) continue;
        grid[r][c] = static_cast<Cell>(digit);
        if (fillRandomly(grid, cell + 1, rng)) return true;
    }
    grid[r][c] = 0;
    return false;
}

// One pass over the cells in random order is enough for a minimal puzzle: a given that could not
// go earlier cannot go later, when fewer givens allow at least as many solutions.
void makePuzzle(Grid& grid, std::mt19937_64& rng) {
    for (auto& row : grid) {
        for (Cell& cell : row) cell = 0;
    }
    fillRandomly(grid, 0, rng);
    int order[kCellCount];
    for (int i = 0; i < kCellCount; ++i) order[i] = i;
    shuffle(order, rng);
    for (const int cell : order) {
        Cell& given = grid[cell / 9][cell % 9];
        const Cell held = given;
        given = 0;
        if (countCompletions(grid, 2) != 1) given = held;
    }
}

bool writePuzzle(const Grid& grid, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    for (const auto& row : grid) {
        for (int c = 0; c < kGridSize; ++c) std::fprintf(file, c == 0 ? "%d" : " %d", row[c]);
        std::fputc('\n', file);
    }
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = parseOptions(argc, argv, options);
    if (parsed != 0) {
        printUsage(parsed == 2 ? stdout : stderr);
        return parsed == 2 ? 0 : 2;
    }
    for (long i = options.first; i < options.first + options.count; ++i) {
        std::mt19937_64 rng(options.seed + static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull);
        Grid grid;
        makePuzzle(grid, rng);
        char name[32];
        std::snprintf(name, sizeof name, "/%04ld.txt", i);
        if (!writePuzzle(grid, options.out + name)) {
            std::fprintf(stderr, "sudoku-make-puzzles: cannot write %s%s\n", options.out.c_str(),
                         name);
            return 1;
        }
    }
    return 0;
}
