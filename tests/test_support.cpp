// Test helpers: files, scratch folders and child runs through the shell.
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

bool gridFromLine(const std::string& line, Grid& grid) {
    if (line.size() < kCellCount) return false;
    for (int i = 0; i < kCellCount; ++i) {
        const char ch = line[i];
        if (ch == '.') {
            grid[i / 9][i % 9] = 0;
        } else if (ch >= '0' && ch <= '9') {
            grid[i / 9][i % 9] = static_cast<Cell>(ch - '0');
        } else {
            return false;
        }
    }
    return true;
}

std::string lineFromGrid(const Grid& grid) {
    std::string line;
    for (const auto& row : grid) {
        for (const Cell cell : row) line += cell >= 0 && cell <= 9 ? char('0' + cell) : '?';
    }
    return line;
}

std::vector<std::string> readLines(const std::string& path, std::size_t limit) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (lines.size() < limit && std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

ScratchDir::ScratchDir() {
    namespace fs = std::filesystem;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir =
            fs::temp_directory_path() / ("sudoku-test-" + std::to_string(entropy()));
        if (fs::create_directory(dir)) {
            path_ = dir.string();
            return;
        }
    }
    std::abort();
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

#ifndef _WIN32
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char ch : text) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

RunResult runIn(const std::string& dir, const std::string& command) {
    ScratchDir capture;
    const std::string out = capture.path() + "/out", err = capture.path() + "/err";
    const std::string line = "cd " + quoted(dir) + " && " + command + " </dev/null >" +
                             quoted(out) + " 2>" + quoted(err);
    const int raw = std::system(line.c_str());
    RunResult result;
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}
#endif
