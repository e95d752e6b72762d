#pragma once
// Things a locator must not mistake for symbols: lines of text-like blobs and
// straight strokes, placed at random (seeded) over a frame.

#include "tests/support/frame.h"

#include <cstdint>
#include <vector>

namespace support {

struct ClutterOptions {
    int textLines = 6;           // rows of letter-sized blobs with word gaps
    int strokes = 4;             // straight lines 1..4 px wide
    int level = 150;             // grey of the clutter's ink
    uint64_t seed = 1;
    std::vector<Quad> keepClear{}; // e.g. symbol corners: nothing is drawn within
    double margin = 8.0;         // pixels around each keepClear quad
};

// Returns how many items were drawn (an item that cannot be placed clear of
// the keepClear areas after a few tries is left out).
int addClutter(Frame& frame, ClutterOptions const& options);

} // namespace support
