// The batch run: reads, draws, solves, draws and checks puzzles 0 to 999, then reports the total
// solving time. Exit status 0 when every answer passed, -1 at the first failure.
#include <cstdio>

#include "platform.h"
#include "puzzle_file.h"
#include "solver.h"
#include "sudoku_grid.h"

namespace {

constexpr int kBatchSize = 1000;

// Box-drawing characters as their two GBK bytes.
#define HORIZONTAL "\xA9\xA4"
#define BAND HORIZONTAL HORIZONTAL HORIZONTAL HORIZONTAL
constexpr char kTopBorder[] = "\xA9\xB0" BAND "\xA9\xD0" BAND "\xA9\xD0" BAND "\xA9\xB4";
constexpr char kMiddleBorder[] = "\xA9\xC0" BAND "\xA9\xE0" BAND "\xA9\xE0" BAND "\xA9\xC8";
constexpr char kBottomBorder[] = "\xA9\xB8" BAND "\xA9\xD8" BAND "\xA9\xD8" BAND "\xA9\xBC";
constexpr char kBar[] = "\xA9\xA6";
#undef BAND
#undef HORIZONTAL

}  // namespace

void printSudoku(const Grid& grid) {
    std::printf("\n %s\n", kTopBorder);
    for (int r = 0; r < kGridSize; ++r) {
        if (r != 0 && r % kBoxSize == 0) std::printf(" %s\n", kMiddleBorder);
        std::printf(" %s", kBar);
        for (int c = 0; c < kGridSize; ++c) {
            if (c != 0 && c % kBoxSize == 0) std::printf("  %s", kBar);
            if (grid[r][c] != 0) {
                std::printf(" %d", grid[r][c]);
            } else {
                std::printf("  ");
            }
        }
        std::printf("  %s\n", kBar);
    }
    std::printf(" %s\n", kBottomBorder);
}

int main() {
    Grid puzzle = {};
    Grid solution = {};
    double total = 0.0;
    char path[50];
    for (int i = 0; i < kBatchSize; ++i) {
        std::snprintf(path, sizeof path, kPathFormat, i);
        readFromFile(puzzle, path);
        std::printf("\n\n             *%4d  *", i);
        printSudoku(puzzle);

        const double start = readClock();
        const int solved = solveSudoku(puzzle, solution);
        const double end = readClock();
        total += end - start;

        printSudoku(solution);
        // The check alone would pass some grids that are no answer (one empty cell per unit), so
        // a solver failure counts too.
        if (solved != kStatusOk || checkSudoku(solution) != kStatusOk) {
            std::printf("Something goes wrong...\n");
            return kStatusFailed;
        }
        std::printf("            Correct!!!\n");
        std::printf("  ==============================");
    }
    std::printf("\n Congretulations! ToTal Time:%fs\n", total / kTicksPerSecond);
    return 0;
}
