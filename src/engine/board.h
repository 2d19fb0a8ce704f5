// The board the engine works on: per-digit candidate bitboards in three 27-bit bands, the units
// that must hold every digit, and the conversions from and to a grid.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "sudoku_grid.h"

namespace engine {

// The grid is held as three bands of three rows; a band is 27 bits, bit (r % 3) * 9 + c.
constexpr int kBands = 3;
constexpr int kLanes = 4;
constexpr int kDigits = 9;
constexpr std::uint32_t kBandMask = (1u << 27) - 1;
constexpr std::uint32_t kUnitMask = 0x1FF;
constexpr std::uint32_t kColumnBits = 1u | 1u << 9 | 1u << 18;
constexpr std::uint32_t kBoxBits = 0x7u | 0x7u << 9 | 0x7u << 18;

using BandSet = std::array<std::uint32_t, kBands>;

constexpr std::uint32_t rowMask(int rowInBand) {
    return kUnitMask << (9 * rowInBand);
}
constexpr std::uint32_t boxMask(int stack) {
    return kBoxBits << (3 * stack);
}

// The row, column or box (`kind` 0, 1, 2) of a cell, numbered 0-8, 9-17 and 18-26.
constexpr int unitOfCell(int cell, int kind) {
    return kind == 0 ? cell / 9 : kind == 1 ? 9 + cell % 9 : 18 + cell / 27 * 3 + cell % 9 / 3;
}

// Cells sharing a row, column or box with each cell, the cell itself excluded; in four lanes like
// a digit's candidates, so that a placement clears them with one vector operation.
using PeerSet = std::array<std::uint32_t, kLanes>;
constexpr std::array<PeerSet, kCellCount> makePeers() {
    std::array<PeerSet, kCellCount> peers{};
    for (int i = 0; i < kCellCount; ++i) {
        const int r = i / 9, c = i % 9;
        for (int j = 0; j < kCellCount; ++j) {
            const int r2 = j / 9, c2 = j % 9;
            const bool sameBox = r / 3 == r2 / 3 && c / 3 == c2 / 3;
            if (j != i && (r == r2 || c == c2 || sameBox)) peers[i][j / 27] |= 1u << (j % 27);
        }
    }
    return peers;
}
alignas(16) constexpr std::array<PeerSet, kCellCount> kPeers = makePeers();

// The same as a list: the 20 cells sharing a row, column or box with each cell, ascending.
constexpr std::array<std::array<std::uint8_t, 20>, kCellCount> makePeerCells() {
    std::array<std::array<std::uint8_t, 20>, kCellCount> peers{};
    for (int i = 0; i < kCellCount; ++i) {
        int n = 0;
        for (int j = 0; j < kCellCount; ++j) {
            const bool sameBox = i / 27 == j / 27 && i % 9 / 3 == j % 9 / 3;
            if (j != i && (i / 9 == j / 9 || i % 9 == j % 9 || sameBox)) {
                peers[i][n++] = static_cast<std::uint8_t>(j);
            }
        }
    }
    return peers;
}
constexpr auto kPeerCells = makePeerCells();

// Per digit, its row-box and column-box segments as bits (band * 9 + row * 3 + box for rows,
// band * 9 + column for columns): where it has a candidate, and where it must stand (its line or
// box has no other).
struct SegmentMasks {
    std::uint32_t rows[kDigits], rowAlone[kDigits], columns[kDigits], columnAlone[kDigits];
};

struct Board {
    // candidates[d] holds the cells where digit d + 1 may stand, its placed cells included.
    // A fourth, always empty lane lets the compiler treat the three bands as one vector.
    alignas(16) std::uint32_t candidates[kDigits][kLanes];
    alignas(16) std::uint32_t solved[kLanes];
    // The segment masks as of these candidates, when segmentsKnown: a board derived from this
    // one then brings only the digits that changed up to date.
    SegmentMasks segments;
    bool segmentsKnown;
};

// One digit's four lanes, for passes over the three bands at once.
using Lanes = std::uint32_t __attribute__((vector_size(16)));

// Vectors go by reference: passing them by value would depend on the instruction set. `x` points
// at four lanes: a digit's candidates, or a mask of cells such as a cell's peers.
inline void load(Lanes& v, const std::uint32_t* x) {
    __builtin_memcpy(&v, x, sizeof v);
}
inline void store(std::uint32_t (&x)[kLanes], const Lanes& v) {
    __builtin_memcpy(x, &v, sizeof v);
}

// Takes `cells` (four lanes) out of a digit's candidates. As one vector store where the target
// has vectors: the next round's vector loads of the digit then read what the store wrote, where
// three word stores would have to reach memory first.
inline void clearCells(std::uint32_t (&x)[kLanes], const std::uint32_t* cells) {
#if defined(__SSE2__)
    Lanes v, c;
    load(v, x);
    load(c, cells);
    store(x, v & ~c);
#else
    for (int b = 0; b < kBands; ++b) x[b] &= ~cells[b];
#endif
}

// The lanes a plain word loop over a digit's bands should cover: all four where the compiler
// makes one vector of them, only the three bands otherwise.
#if defined(__SSE2__)
constexpr int kLoopLanes = kLanes;
#else
constexpr int kLoopLanes = kBands;
#endif

// Whether two digits' lanes are equal. Where the compiler would call the library for a
// memcmp (32-bit targets), plain words are faster.
inline bool sameLanes(const std::uint32_t (&x)[kLanes], const std::uint32_t (&y)[kLanes]) {
#if defined(__x86_64__)
    return __builtin_memcmp(x, y, sizeof x) == 0;
#else
    return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2])) == 0;  // the fourth lane is empty
#endif
}

// One band's lanes of eight digits side by side, for passes over every digit at once.
using DigitOctet = std::uint32_t __attribute__((vector_size(32)));

// A copy of `size` bytes in 32-byte moves and a 16-byte tail: for fixed sizes the compiler calls
// the library or uses its string-move instruction, whose start-up cost shows at every node.
template <std::size_t size>
inline void copyInVectors(void* to, const void* from) {
    static_assert(size % sizeof(Lanes) == 0);
    const auto* source = static_cast<const unsigned char*>(from);
    auto* target = static_cast<unsigned char*>(to);
    std::size_t at = 0;
    for (; at + sizeof(DigitOctet) <= size; at += sizeof(DigitOctet)) {
        DigitOctet v;
        __builtin_memcpy(&v, source + at, sizeof v);
        __builtin_memcpy(target + at, &v, sizeof v);
    }
    if (at < size) {
        Lanes tail;
        __builtin_memcpy(&tail, source + at, sizeof tail);
        __builtin_memcpy(target + at, &tail, sizeof tail);
    }
}

// A copy of a board for a branch.
inline void copyBoard(Board& to, const Board& from) {
#if defined(__AVX2__)
    copyInVectors<sizeof(Board)>(&to, &from);
#else
    to = from;
#endif
}

// A copy of all digits' candidates, as passes make one at every node.
inline void copyCandidates(std::uint32_t (&to)[kDigits][kLanes],
                           const std::uint32_t (&from)[kDigits][kLanes]) {
#if defined(__AVX2__)
    copyInVectors<sizeof to>(to, from);
#else
    __builtin_memcpy(to, from, sizeof to);
#endif
}

// Whether the target has 256-bit integer vectors. Without them the pass over every digit at once
// loses to the per-digit one (measured on the x86-64 baseline and the 32-bit Windows build).
#if defined(__AVX2__)
constexpr bool kWideVectors = true;
#else
constexpr bool kWideVectors = false;
#endif

// "Every missing digit must appear in this unit" holds only in a unit whose givens are distinct
// digits; these masks (bit k for row, column or box k) name those units.
struct Units {
    std::uint32_t rows = kUnitMask;
    std::uint32_t columns = kUnitMask;
    std::uint32_t boxes = kUnitMask;
    std::uint32_t bands = 7;   // bit b: the rows and boxes of band b are all such units
    std::uint32_t stacks = 7;  // bit s: the columns and boxes of stack s are all such units
    bool allNeedEveryDigit = true;
};

inline void place(Board& s, int digit, int band, std::uint32_t bit, int cell) {
#if defined(__SSE2__)
    // In vector stores, for the reason clearCells gives; the cell's lane made in a register.
    const Lanes lane = {0, 1, 2, 3};
    const std::uint32_t b = static_cast<std::uint32_t>(band);
    const Lanes here = reinterpret_cast<Lanes>(lane == Lanes{b, b, b, b}) & bit;
    for (auto& candidate : s.candidates) {
        Lanes v;
        load(v, candidate);
        store(candidate, v & ~here);
    }
    Lanes v, peers;
    load(v, s.candidates[digit]);
    load(peers, kPeers[cell].data());
    store(s.candidates[digit], (v & ~peers) | here);
#else
    for (auto& candidate : s.candidates) candidate[band] &= ~bit;
    s.candidates[digit][band] |= bit;
    clearCells(s.candidates[digit], kPeers[cell].data());
#endif
    s.solved[band] |= bit;
}

inline int cellOf(int band, std::uint32_t bit) {
    return band * 27 + std::countr_zero(bit);
}

inline bool isSolved(const Board& s) {
    return (s.solved[0] & s.solved[1] & s.solved[2]) == kBandMask;
}

// Set bits of a word. Targets without a population-count instruction (the 32-bit build) get a
// few shifts and adds in line instead of a library call.
inline int bitCount(std::uint32_t x) {
#if defined(__POPCNT__)
    return std::popcount(x);
#else
    x = x - (x >> 1 & 0x55555555u);
    x = (x & 0x33333333u) + (x >> 2 & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>(x * 0x01010101u >> 24);
#endif
}

// The digit (1-9) placed in a cell, or 0.
int valueAt(const Board& s, int cell);
void toGrid(const Board& s, Grid& out);
// The board of a puzzle, and in `units` which units need every digit: those whose givens repeat
// none.
Board boardOf(const Grid& puzzle, Units& units);

}  // namespace engine
