// The grid shared by the reader, the engine and the batch run, with its dimensions and statuses.
#pragma once

#include <cstdint>

constexpr int kGridSize = 9;
constexpr int kBoxSize = 3;
constexpr int kCellCount = kGridSize * kGridSize;

// Row-major: cell (r, c) is grid[r][c]. 0 is an empty cell, 1 to 9 a digit; the reader stores
// whatever byte a file holds, so other values can reach the engine and must be handled there.
using Cell = std::int8_t;
using Grid = Cell[kGridSize][kGridSize];

constexpr int kStatusOk = 0;
constexpr int kStatusFailed = -1;
