#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

class ColumnData;
class GrayImage;

// One scan line along the centre of every row of a stacked symbol, spaced
// by the perspective of the symbol, and lines shifted pixel by pixel inside
// a row for the later reading cycles.
class RowScanLineGenerator {
public:
    static constexpr unsigned kMaxRows = 90;

    // corners: first row start, first row end, last row end, last row start.
    bool Set(unsigned rows, Point const corners[4]);
    bool Set(GrayImage const& image, unsigned rows, ColumnData const& left, ColumnData const& right);
    bool CalcLineSegment(int row, LineSegment& segment) const;
    bool GetScanLine(unsigned cycle, int row, LineSegment& segment) const;

    unsigned GetRows() const { return rows_; }

private:
    LineSegment lines_[kMaxRows];
    unsigned rows_ = 0;
    Point corners_[4];
    unsigned firstWidth_ = 0;
    unsigned lastWidth_ = 0;
    unsigned direction_ = 0;  // step direction across the rows, 0..7
    Vector step_;             // its unit step
};

}  // namespace DEC2DIvra
