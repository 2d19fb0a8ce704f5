// Fuzzes the puzzle reader: the first 81 bytes are the grid's earlier contents, the rest is the
// file. The result must match a plain model of the format, cell for cell.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "puzzle_file.h"

namespace {

bool isSpace(std::uint8_t ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}
bool isDigit(std::uint8_t ch) {
    return ch >= '0' && ch <= '9';
}

// Model: numbers are separated by white space; each is stored as its value modulo 256; the
// first place where no number starts ends the reading.
void model(Cell (&cells)[kCellCount], const std::uint8_t* text, std::size_t size) {
    std::size_t at = 0;
    for (Cell& cell : cells) {
        while (at < size && isSpace(text[at])) ++at;
        const bool negative = at < size && text[at] == '-';
        if (at < size && (text[at] == '-' || text[at] == '+')) ++at;
        if (at >= size || !isDigit(text[at])) return;
        unsigned value = 0;
        while (at < size && isDigit(text[at])) value = (value * 10 + (text[at++] - '0')) % 256;
        cell = static_cast<Cell>(static_cast<std::uint8_t>(negative ? (256 - value) % 256 : value));
    }
}

const char* scratchPath() {
    static char path[] = "/tmp/sudoku-fuzz-XXXXXX";
    static const bool made = [] {
        const int fd = mkstemp(path);
        if (fd < 0) std::abort();
        close(fd);
        return true;
    }();
    (void)made;
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Grid grid;
    Cell expected[kCellCount];
    for (int i = 0; i < kCellCount; ++i) {
        const Cell before = i < static_cast<int>(size) ? static_cast<Cell>(data[i]) : Cell{0};
        grid[i / 9][i % 9] = before;
        expected[i] = before;
    }
    const std::size_t skip = size < kCellCount ? size : kCellCount;
    const std::uint8_t* text = data + skip;
    const std::size_t length = size - skip;
    // The reader works on a path, so the text goes through a real file.
    std::FILE* file = std::fopen(scratchPath(), "wb");
    if (file == nullptr || std::fwrite(text, 1, length, file) != length || std::fclose(file) != 0) {
        std::abort();
    }
    readFromFile(grid, scratchPath());
    model(expected, text, length);
    for (int i = 0; i < kCellCount; ++i) {
        if (grid[i / 9][i % 9] != expected[i]) {
            std::fprintf(stderr, "cell %d: read %d, expected %d\n", i, grid[i / 9][i % 9],
                         expected[i]);
            std::abort();
        }
    }
    return 0;
}
