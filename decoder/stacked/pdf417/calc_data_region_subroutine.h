#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

class CommonCharacterStack;
class DataCharacterStack;
class GrayImage;

// Steps from one character column of an outlined symbol to the next: the
// new column lies one column width beyond the previous one's far side,
// between the lines of its top and bottom corners; with enough rows its far
// side and its near edge are fitted to the image. Regions and stacks carry
// points in 1/256 pixel; side false steps to the right (from the left row
// indicator), true to the left.
class CalcDataRegionSubroutine {
public:
    static constexpr unsigned kFineRows = 8;

    bool Start(GrayImage const& image, Region const& from, unsigned rows, bool inverted, bool fine, bool side,
               unsigned ratio, Region& out) const;
    // The next column's outer top and bottom segments from the previous
    // column's; the new stack gets the previous one's row count.
    bool Start(GrayImage const& image, CommonCharacterStack const& from, bool inverted, bool fine, bool side,
               unsigned ratio, DataCharacterStack& out) const;

    // Where the column ends along its edge: from `corner` outward along
    // `along` (the column's height direction), on two probe lines `across`
    // apart, the step with the strongest grey change, refined to an edge.
    bool CalcColumnEdgePoint(GrayImage const& image, Point const& corner, Vector const& along, Vector const& across,
                             unsigned rows, unsigned ratio, bool inverted, Point& edge) const;
    // The near edge of a column (where its first bar begins), fitted
    // through one edge point per row along `border`; `step` is half a
    // module across the column, toward the bar.
    bool CalcLowSymbolEdgeLine(GrayImage const& image, LineSegment const& border, Vector const& step, unsigned rows,
                               bool inverted, Line& line) const;
};

}  // namespace DEC2DIvra
