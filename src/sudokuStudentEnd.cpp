// The batch run: reads, draws, solves, draws and checks puzzles 0 to 999, then reports the total
// solving time. Exit status 0 when every answer passed, -1 at the first failure.
#include <cstdio>
#include <cstring>

#include "platform.h"
#include "puzzle_file.h"
#include "solver.h"
#include "sudoku_grid.h"

namespace {

constexpr int kBatchSize = 1000;

// Box-drawing characters as their two GBK bytes.
#define HORIZONTAL "\xA9\xA4"
#define BAND HORIZONTAL HORIZONTAL HORIZONTAL HORIZONTAL
#define BAR "\xA9\xA6"
constexpr char kTopLine[] = "\n \xA9\xB0" BAND "\xA9\xD0" BAND "\xA9\xD0" BAND "\xA9\xB4\n";
constexpr char kMiddleLine[] = " \xA9\xC0" BAND "\xA9\xE0" BAND "\xA9\xE0" BAND "\xA9\xC8\n";
constexpr char kBottomLine[] = " \xA9\xB8" BAND "\xA9\xD8" BAND "\xA9\xD8" BAND "\xA9\xBC\n";
constexpr char kRowStart[] = " " BAR;
constexpr char kBarInRow[] = "  " BAR;
constexpr char kRowEnd[] = "  " BAR "\n";
#undef BAR
#undef BAND
#undef HORIZONTAL

}  // namespace

// Drawn into one buffer and written with one call: the runtime of the program's own platform
// writes every print to a console separately, and a grid took some 200 of them.
void printSudoku(const Grid& grid) {
    // Thirteen lines of at most 67 bytes: a cell takes at most five (" -128").
    char text[1024];
    char* at = text;
    auto put = [&at](const char* part, std::size_t size) {
        std::memcpy(at, part, size);
        at += size;
    };
    put(kTopLine, sizeof kTopLine - 1);
    for (int r = 0; r < kGridSize; ++r) {
        if (r != 0 && r % kBoxSize == 0) put(kMiddleLine, sizeof kMiddleLine - 1);
        put(kRowStart, sizeof kRowStart - 1);
        for (int c = 0; c < kGridSize; ++c) {
            if (c != 0 && c % kBoxSize == 0) put(kBarInRow, sizeof kBarInRow - 1);
            const int value = grid[r][c];
            *at++ = ' ';
            if (value >= 0 && value <= 9) {
                *at++ = value == 0 ? ' ' : static_cast<char>('0' + value);
                continue;
            }
            // Any other byte, as " %d" writes it.
            if (value < 0) *at++ = '-';
            const int magnitude = value < 0 ? -value : value;
            if (magnitude >= 100) *at++ = static_cast<char>('0' + magnitude / 100);
            if (magnitude >= 10) *at++ = static_cast<char>('0' + magnitude / 10 % 10);
            *at++ = static_cast<char>('0' + magnitude % 10);
        }
        put(kRowEnd, sizeof kRowEnd - 1);
    }
    put(kBottomLine, sizeof kBottomLine - 1);
    std::fwrite(text, 1, static_cast<std::size_t>(at - text), stdout);
}

int main() {
    // The report is about a megabyte: write it in large blocks, not in one call per line (a
    // console) or per 4 KB (a pipe).
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
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
            std::fputs("Something goes wrong...\n", stdout);
            return kStatusFailed;
        }
        std::fputs("            Correct!!!\n  ==============================", stdout);
    }
    std::printf("\n Congretulations! ToTal Time:%fs\n", total / kTicksPerSecond);
    return 0;
}
