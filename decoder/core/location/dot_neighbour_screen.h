#pragma once

#include "decoder/core/geometry/dot.h"

namespace DEC2DIvra {

// Keeps the dot candidates that stand among dots like them, as the dots of
// a printed dot grid do: a dot is kept when at least kMinNeighbours other
// dots of its colour and of a like size lie between one and three and a
// half dot sizes from it (a grid's diagonal neighbours lie about 1.4 dot
// pitches away, the next dots along its axes 2). Texture that passes for
// dots here and there, and noise, seldom has such company, so the dots of a
// symbol are not crowded out of a full list by it.
//
// The dots come in the order a top-down sweep finds them (their rows about
// increasing). Dots whose neighbourhood reaches below `openRow` (rows not
// swept yet) are kept as they are. The kept dots stay in their order at the
// front of the list; the count kept is returned. Work is bounded by the
// count and the dots within the reach of each; nothing is allocated.
class DotNeighbourScreen {
public:
    static constexpr unsigned kMinNeighbours = 2;
    static constexpr unsigned kMaxDots = 1024;
    static constexpr int kMaxStride = 8;

    // `largest`: the largest dot size the sweep takes (bounds how far out of
    // row order a dot can stand). At most kMaxDots dots are screened; any
    // beyond are kept.
    static unsigned Start(Dot* dots, unsigned count, int openRow, int largest);

    // Dot i of the list has at least kMinNeighbours like neighbours in it.
    static bool IsAmongLikeDots(Dot const* dots, unsigned count, unsigned i, int largest);

    // The size a dot stands for in a grid: half that of two touching dots.
    static int CalcUnitSize(Dot const& dot);
    // b is a neighbour of a in the sense above.
    static bool IsLikeNeighbour(Dot const& a, Dot const& b);
    // How far (pixels, along y) a dot's neighbours may lie.
    static int CalcReach(Dot const& dot);
};

}  // namespace DEC2DIvra
