#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/stacked/pdf417/calc_data_region_subroutine.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"

namespace DEC2DIvra {

class ColumnData;
class GrayImage;
struct DecodeParameterForPDF;

// Outlines every character of a PDF417 symbol from the grey-level scores of
// its row indicator characters, whose patterns its parameters give: the
// borders between the indicator rows, the symbol's upper and lower edges
// against the quiet zone, and from them each data character's segment.
// Points in 1/256 pixel; row segments run from a column's left side to its
// right side.
class CalcSymbolOutlineSubroutine {
public:
    // A pattern scores at least this against its own segment to be trusted.
    static constexpr unsigned kMinScore = 256;
    static constexpr unsigned kOuterSteps = 10;

    // ratio: twice the row height in modules; narrow: some data column is
    // narrower than 25.5 pixels. False when the symbol cannot be outlined
    // (the caller then lays row scan lines).
    bool Start(GrayImage const& image, bool inverted, ColumnData const* left, ColumnData const* right,
               DecodeParameterForPDF const& parameter, unsigned& ratio, bool& narrow, DataStackArray& stacks) const;

    bool CalcRowIndicatorOutline(GrayImage const& image, bool inverted, ColumnData const& column,
                                 RowIndicatorStack& stack) const;
    // The measured rows' segments; first and last get the smallest and the
    // largest row number met.
    bool SetIndicatorStackFromData(ColumnData const& column, RowIndicatorStack& stack, unsigned& first,
                                   unsigned& last) const;
    bool CalcCharacterBorder(GrayImage const& image, bool inverted, LineSegment const& upper, unsigned upperPattern,
                             LineSegment const& lower, unsigned lowerPattern, LineSegment& border) const;
    // (a P + b Q) / (a + b) for both ends.
    static bool CalcDividingSegment(int a, LineSegment const& p, int b, LineSegment const& q, LineSegment& segment);
    // Rows 0 .. first - 1 and last + 1 .. rows - 1 from the measured ones.
    bool CalcOuterSegments(GrayImage const& image, bool inverted, unsigned first, unsigned last,
                           RowIndicatorStack& stack) const;
    // Row by row outward from `from` (toward row 0 when `upward`).
    bool CalcOuterSegments(GrayImage const& image, bool inverted, unsigned from, bool upward,
                           RowIndicatorStack& stack) const;
    bool CalcOuterSegmentArray(GrayImage const& image, LineSegment const& current, Vector const& rowStep,
                               LineSegment candidates[3]) const;
    bool CalcOuterBorderSegment(GrayImage const& image, bool inverted, LineSegment const& current, unsigned pattern,
                                LineSegment const candidates[3], unsigned nextPattern, LineSegment& border) const;
    // The symbol's outer segments above row 0 and below the last row.
    bool CalcQuietBorder(GrayImage const& image, bool inverted, RowIndicatorStack& stack) const;
    bool CalcSymbolOuterSegment(GrayImage const& image, bool inverted, LineSegment const& row, unsigned pattern,
                                Vector const& rowStep, LineSegment& outer) const;
    bool CalcSymbolBorderSegment(GrayImage const& image, bool inverted, LineSegment const& row, unsigned pattern,
                                 LineSegment const& outer, LineSegment& border) const;
    // The row's own threshold and the offset of each of its modules.
    bool CalcSymbolEdgeLuminanceData(GrayImage const& image, bool inverted, LineSegment const& row, unsigned pattern,
                                     Array<int, 15>& offset, unsigned short& threshold) const;
    // At one probe: the measured module greys and the offset ones.
    bool CalcSymbolOuterLuminanceData(GrayImage const& image, LineSegment const& probe, Array<int, 15> const& offset,
                                      unsigned short threshold, Array<unsigned short, 15>& measured,
                                      Array<unsigned short, 15>& adjusted, bool& mostlyDark) const;
    bool CalcDataArrayOutline(GrayImage const& image, bool inverted, unsigned ratio, RowIndicatorStack const* left,
                              RowIndicatorStack const* right, DataStackArray& stacks, bool& narrow) const;
    void CalcRowIndicatorInner(RowIndicatorStack& stack) const;
    bool CalcDataArrayInner(RowIndicatorStack const* left, RowIndicatorStack const* right,
                            DataStackArray& stacks) const;
    // The inner borders of one data column along the indicators' borders.
    bool SetInnerSegments(RowIndicatorStack const* left, RowIndicatorStack const* right,
                          DataCharacterStack& stack) const;
    // Where the border line of a row meets a side of a column.
    static bool CalcNextPoint(Line const& border, Point const& sideBegin, Point const& sideEnd, Point& point);

    RowIndicatorStack const& GetIndicatorStack(bool right) const { return indicators_[right ? 1 : 0]; }

private:
    // The pattern's score against the grey values along the segment; 0 when
    // the segment leaves the image.
    unsigned Score(GrayImage const& image, bool inverted, LineSegment const& segment, unsigned pattern) const;

    mutable RowIndicatorStack indicators_[2];
    CalcPatternLuminanceSubroutine luminance_;
    CalcSegmentScoreSubroutine score_;
    CalcDataRegionSubroutine region_;
};

}  // namespace DEC2DIvra
