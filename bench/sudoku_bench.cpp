// Times solveSudoku per puzzle over whole collections, verifies every answer, and times the plain
// row-major reference search on the same puzzles where it finishes within a node budget.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "puzzle_list.h"
#include "reference_solver.h"
#include "solver.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    bool csv = false;
    int repeat = 3;
    std::uint64_t budget = 200'000;
    std::size_t referenceLimit = 1000;
    std::vector<std::string> inputs;
};

void printUsage(std::FILE* to) {
    std::fputs(
        "usage: sudoku-bench [--csv] [--repeat N] [--reference-budget NODES]\n"
        "                    [--reference-limit N] INPUT...\n"
        "\n"
        "INPUT is a file of one puzzle per line (81 characters, '.' or '0' for empty; known\n"
        "solutions are read from solutions/NAME.solution.txt beside it) or a batch folder of\n"
        "0000.txt, 0001.txt, ... Each puzzle is solved REPEAT times (default 3) and its median\n"
        "time kept; every answer is checked as a completion and against the known solution.\n"
        "The plain row-major search runs on the first LIMIT puzzles (default 1000, 0 for none)\n"
        "and gives up past NODES visited cells (default 200000); those puzzles are counted as\n"
        "skipped. The speed-up compares medians over the puzzles both finished.\n"
        "\n"
        "  --csv   one comma-separated row per input instead of the table\n"
        "  --help  this text\n",
        to);
}

bool parseCount(const char* text, std::uint64_t& value) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return *end == '\0';
}

// Returns 0 to go on, 1 on a usage error, 2 after --help.
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc;) {
        const char* arg = argv[i++];
        const char* value = i < argc ? argv[i] : nullptr;  // taken by options that have one
        std::uint64_t number = 0;
        if (std::strcmp(arg, "--help") == 0) return 2;
        if (std::strcmp(arg, "--csv") == 0) {
            options.csv = true;
            continue;
        }
        if (std::strcmp(arg, "--repeat") == 0 && parseCount(value, number) && number >= 1 &&
            number <= 1000) {
            options.repeat = static_cast<int>(number);
        } else if (std::strcmp(arg, "--reference-budget") == 0 && parseCount(value, number)) {
            options.budget = number;
        } else if (std::strcmp(arg, "--reference-limit") == 0 && parseCount(value, number)) {
            options.referenceLimit = number;
        } else if (arg[0] != '-') {
            options.inputs.push_back(arg);
            continue;
        } else {
            std::fprintf(stderr, "sudoku-bench: bad argument '%s'\n", arg);
            return 1;
        }
        ++i;  // past the value
    }
    if (options.inputs.empty()) {
        std::fputs("sudoku-bench: no input\n", stderr);
        return 1;
    }
    return 0;
}

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// The value at fraction `q` of the sorted times (nearest rank).
double quantile(std::vector<double> times, double q) {
    if (times.empty()) return 0.0;
    std::sort(times.begin(), times.end());
    const std::size_t rank =
        static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
    return times[rank];
}

std::string digits(const Grid& grid) {
    std::string text;
    for (const auto& row : grid) {
        for (const Cell cell : row) text += static_cast<char>('0' + cell);
    }
    return text;
}

struct Row {
    std::string input;
    std::size_t puzzles = 0;
    std::size_t unsolvable = 0;
    std::size_t wrong = 0;
    double perSecond = 0, median = 0, p99 = 0, slowest = 0;
    std::size_t slowestIndex = 0;
    std::size_t refFinished = 0, refSkipped = 0;
    std::string skippedList;  // the first few puzzles the plain search gave up on, as "#i"
    double refMedian = 0, refP99 = 0, speedup = 0;
};

Row measure(const std::string& input, const std::vector<PuzzleEntry>& puzzles,
            const Options& options) {
    Row row;
    row.input = input;
    row.puzzles = puzzles.size();
    // Whole passes over the file rather than back-to-back repeats of one puzzle, so that each
    // solve starts with the caches and branch history its predecessor left, as in the batch run.
    std::vector<std::vector<double>> runs(
        puzzles.size(), std::vector<double>(static_cast<std::size_t>(options.repeat)));
    struct Answer {
        Grid grid;
    };
    std::vector<Answer> answers(puzzles.size());
    std::vector<int> statuses(puzzles.size());
    for (std::size_t pass = 0; pass < runs.front().size() && !puzzles.empty(); ++pass) {
        for (std::size_t i = 0; i < puzzles.size(); ++i) {
            const auto start = Clock::now();
            statuses[i] = solveSudoku(puzzles[i].puzzle, answers[i].grid);
            runs[i][pass] = micros(Clock::now() - start);
        }
    }
    std::vector<double> times(puzzles.size());
    double total = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        times[i] = quantile(runs[i], 0.5);
        total += times[i];
        if (times[i] > row.slowest) {
            row.slowest = times[i];
            row.slowestIndex = i;
        }
        const Grid& answer = answers[i].grid;
        if (statuses[i] != kStatusOk) {
            ++row.unsolvable;
        } else if (!isCompletion(puzzles[i].puzzle, answer) ||
                   (!puzzles[i].solution.empty() && digits(answer) != puzzles[i].solution)) {
            ++row.wrong;
            std::fprintf(stderr, "sudoku-bench: %s #%zu: wrong answer %s\n", input.c_str(), i,
                         digits(answer).c_str());
        }
    }
    row.perSecond = total > 0 ? static_cast<double>(puzzles.size()) / (total / 1e6) : 0;
    row.median = quantile(times, 0.5);
    row.p99 = quantile(times, 0.99);

    std::vector<double> refTimes, sameEngine;
    const std::size_t limit = std::min(options.referenceLimit, puzzles.size());
    for (std::size_t i = 0; i < limit; ++i) {
        Grid answer;
        const auto start = Clock::now();
        const int status = referenceSolve(puzzles[i].puzzle, answer, options.budget);
        const double t = micros(Clock::now() - start);
        if (status == kReferenceGaveUp) {
            if (++row.refSkipped <= 12) row.skippedList += " #" + std::to_string(i);
            continue;
        }
        refTimes.push_back(t);
        sameEngine.push_back(times[i]);
    }
    row.refFinished = refTimes.size();
    row.refMedian = quantile(refTimes, 0.5);
    row.refP99 = quantile(refTimes, 0.99);
    const double engineSame = quantile(sameEngine, 0.5);
    row.speedup = engineSame > 0 ? row.refMedian / engineSame : 0;
    return row;
}

void printRow(const Row& r, bool csv) {
    if (csv) {
        std::printf("%s,%zu,%zu,%zu,%.0f,%.2f,%.2f,%.2f,%zu,%zu,%zu,%.2f,%.2f,%.1f\n",
                    r.input.c_str(), r.puzzles, r.unsolvable, r.wrong, r.perSecond, r.median, r.p99,
                    r.slowest, r.slowestIndex, r.refFinished, r.refSkipped, r.refMedian, r.refP99,
                    r.speedup);
        return;
    }
    std::printf("%-32s %8zu %10.0f %8.2f %8.2f %9.1f #%-6zu %6zu %6zu %10.1f %10.1f %8.1fx\n",
                r.input.c_str(), r.puzzles, r.perSecond, r.median, r.p99, r.slowest, r.slowestIndex,
                r.refFinished, r.refSkipped, r.refMedian, r.refP99, r.speedup);
    if (r.unsolvable != 0 || r.wrong != 0) {
        std::printf("%-32s %zu without completion, %zu wrong answers\n", "", r.unsolvable, r.wrong);
    }
    if (r.refSkipped != 0) {
        std::printf("%-32s plain search skipped%s%s\n", "", r.skippedList.c_str(),
                    r.refSkipped > 12 ? " ..." : "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = parseOptions(argc, argv, options);
    if (parsed != 0) {
        printUsage(parsed == 2 ? stdout : stderr);
        return parsed == 2 ? 0 : 2;
    }
    if (options.csv) {
        std::puts(
            "input,puzzles,unsolvable,wrong,puzzles_per_s,median_us,p99_us,slowest_us,"
            "slowest_index,ref_finished,ref_skipped,ref_median_us,ref_p99_us,speedup");
    } else {
        std::printf("%-32s %8s %10s %8s %8s %9s %-7s %6s %6s %10s %10s %9s\n", "input", "puzzles",
                    "puzzles/s", "med us", "p99 us", "max us", "(#)", "ref ok", "ref >", "ref med",
                    "ref p99", "speed-up");
    }
    bool allRight = true;
    for (const std::string& input : options.inputs) {
        std::vector<PuzzleEntry> puzzles;
        if (!loadPuzzles(input, puzzles)) {
            std::fprintf(stderr, "sudoku-bench: cannot read %s\n", input.c_str());
            allRight = false;
            continue;
        }
        const std::size_t slash = input.find_last_of('/');
        const Row row =
            measure(slash == std::string::npos ? input : input.substr(slash + 1), puzzles, options);
        printRow(row, options.csv);
        std::fflush(stdout);
        allRight = allRight && row.wrong == 0;
    }
    return allRight ? 0 : 1;
}
