#pragma once

namespace DEC2DIvra {

// Where the scan lines of a band are read, in which order: sixteen positions
// across the band, 7 and 8 in the middle, taken from the centre outwards.
class ScanSchedule {
public:
    static constexpr unsigned kPositionCount = 16;

    // The position read at a scan index (0 .. 15).
    static unsigned GetPosition(unsigned index);
    // The lowest and the highest position read up to and including an index.
    static unsigned GetLowestPosition(unsigned index);
    static unsigned GetHighestPosition(unsigned index);

    // The position an index takes on a band of `lines` scan lines: a band of
    // fewer than 16 lines uses the positions 7 - h1 .. 8 + h2 around the
    // middle (h1 = (n - 1) / 2, h2 = (n - 2) / 2, n = min(lines, 16)), an
    // index outside them folding inward once. False for an index that still
    // falls outside, or a band of fewer than 2 lines.
    static bool CalcPosition(unsigned index, unsigned lines, unsigned& position);

    // The weights of the band's first and (moved) last line for a position,
    // adding up to n - 1; false for a position outside the band's range.
    static bool CalcWeights(unsigned position, unsigned lines, int& firstWeight, int& lastWeight);
};

}  // namespace DEC2DIvra
