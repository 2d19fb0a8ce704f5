// The segment rule: where a row or column meets a box, three cells hold three distinct digits.
#pragma once

#include <cstdint>

#include "engine/board.h"

namespace engine {

// Brings the masks of digit d up to date with the board.
void updateSegments(const Board& s, int d, SegmentMasks& masks);

// For puzzles where every unit needs every digit, with the masks up to date. Fewer than three
// digits possible in a segment, or more than three that must stand there, is a contradiction
// (false); exactly three possible stand there, so they leave the rest of its line and box; three
// that must stand there leave no room for any other digit.
bool segmentPass(Board& s, const SegmentMasks& masks, bool& changed);

}  // namespace engine
