#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// One codeword column of a stacked symbol: its two border lines, the centres
// of its first and last codeword, its width across (1/256 pixel) and the 17
// module-centre lines, line k at (2k + 1) / 34 of the way from the first
// border to the second.
struct PDFColumn {
    static constexpr unsigned kNarrowWidth = 6528;  // 25.5 pixels

    Line first;
    Line second;
    Point firstCenter;
    Point lastCenter;
    unsigned width = 0;
    bool narrow = false;
    Array<Line, 17> inner;

    bool CalcInnerLines();
};

// Four lines around a column to be read: lines 0 and 2 close it at its two
// ends, lines 1 and 3 are its borders; the characters' first module lies at
// line 3.
struct RegionBorderLine {
    Line line[4];
};

}  // namespace DEC2DIvra
