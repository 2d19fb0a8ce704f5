// Puzzle file reader: a "%d"-style scanner that cannot overflow.
#include "puzzle_file.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool isSpace(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool isDigit(int ch) {
    return ch >= '0' && ch <= '9';
}

// The file read in blocks through the runtime (text mode translation included) instead of one
// call per character; a character looked at and not taken stays for the next conversion.
struct Input {
    std::FILE* file;
    char block[512];
    std::size_t at = 0, size = 0;

    int peek() {
        if (at == size) {
            size = std::fread(block, 1, sizeof block, file);
            at = 0;
            if (size == 0) return EOF;
        }
        return static_cast<unsigned char>(block[at]);
    }
    void take() { ++at; }
};

// One conversion: skip white space, take an optional sign and at least one digit. Returns false
// at the end of the file or on text that does not start a number. The value is accumulated
// modulo 2^32 in unsigned arithmetic, so any length of digits is defined and the low byte is
// exactly that of the number as written.
bool scanNumber(Input& in, Cell& out) {
    int ch = in.peek();
    while (isSpace(ch)) {
        in.take();
        ch = in.peek();
    }
    bool negative = false;
    if (ch == '+' || ch == '-') {
        negative = ch == '-';
        in.take();
        ch = in.peek();
    }
    if (!isDigit(ch)) return false;
    std::uint32_t value = 0;
    while (isDigit(ch)) {
        value = value * 10u + static_cast<std::uint32_t>(ch - '0');
        in.take();
        ch = in.peek();
    }
    if (negative) value = 0u - value;
    out = static_cast<Cell>(static_cast<std::uint8_t>(value & 0xFFu));
    return true;
}

}  // namespace

void readFromFile(Grid& puzzle, const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        std::fputs("fail to open the file\n", stderr);
        std::exit(1);
    }
    // A failed conversion leaves its text unread, so every later one would fail on it too:
    // stop at the first.
    Input in{file, {}};
    for (auto& row : puzzle) {
        for (Cell& cell : row) {
            if (!scanNumber(in, cell)) {
                std::fclose(file);
                return;
            }
        }
    }
    std::fclose(file);
}
