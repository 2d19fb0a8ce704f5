// Benchmark input loading, for both puzzle formats.
#include "puzzle_list.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "puzzle_file.h"

namespace {

namespace fs = std::filesystem;

bool loadFolder(const fs::path& folder, std::vector<PuzzleEntry>& out) {
    Grid grid = {};  // carried over from file to file, as in the batch run
    for (int i = 0; i < 10000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.txt", i);
        const fs::path file = folder / name;
        if (!fs::is_regular_file(file)) break;
        readFromFile(grid, file.string().c_str());
        PuzzleEntry entry{};
        for (int cell = 0; cell < kCellCount; ++cell) {
            entry.puzzle[cell / 9][cell % 9] = grid[cell / 9][cell % 9];
        }
        out.push_back(entry);
    }
    return true;
}

}  // namespace

bool parsePuzzleLine(const std::string& line, Grid& grid) {
    if (line.size() < kCellCount) return false;
    for (int i = 0; i < kCellCount; ++i) {
        const char ch = line[i];
        if (ch != '.' && (ch < '0' || ch > '9')) return false;
        grid[i / 9][i % 9] = static_cast<Cell>(ch == '.' ? 0 : ch - '0');
    }
    return true;
}

bool loadPuzzles(const std::string& path, std::vector<PuzzleEntry>& out) {
    std::error_code error;
    if (fs::is_directory(path, error)) return loadFolder(path, out);
    std::ifstream in(path);
    if (!in) return false;
    const fs::path file(path);
    const fs::path solutionFile =
        file.parent_path() / "solutions" / (file.stem().string() + ".solution.txt");
    std::ifstream solutions(solutionFile);
    std::string line, solution;
    while (std::getline(in, line)) {
        PuzzleEntry entry{};
        const bool hasSolution = solutions && std::getline(solutions, solution);
        if (!parsePuzzleLine(line, entry.puzzle)) continue;
        if (hasSolution) entry.solution = solution.substr(0, kCellCount);
        out.push_back(entry);
    }
    return true;
}
