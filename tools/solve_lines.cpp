// Solves puzzles given one per line (81 characters, '.' or '0' for an empty cell) on standard
// input and prints, per line, the answer as 81 digits or "none"; lines that are no puzzle are
// answered "invalid". For scripts that check the engine from outside.
#include <cstdio>
#include <iostream>
#include <string>

#include "puzzle_list.h"
#include "solver.h"

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        Grid puzzle;
        if (!parsePuzzleLine(line, puzzle)) {
            std::puts("invalid");
            continue;
        }
        Grid answer;
        if (solveSudoku(puzzle, answer) != kStatusOk) {
            std::puts("none");
            continue;
        }
        char text[82];
        for (int i = 0; i < 81; ++i) text[i] = static_cast<char>('0' + answer[i / 9][i % 9]);
        text[81] = '\0';
        std::puts(text);
    }
    return 0;
}
