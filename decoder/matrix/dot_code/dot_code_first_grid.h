#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/matrix/dot_code/data_dot_grid.h"
#include "decoder/matrix/dot_code/dot_code_dot_center.h"

namespace DEC2DIvra {

// The first dot grid from refined dot centres (1/256 pixel): the centres'
// bounding lines along the two axes, the centres grouped into column and
// row lines between them, missing lines inserted where the spacing shows
// them, and the parity of the first column told by where the dots stand.
class CalcFirstDataDotGridSubroutine {
public:
    // `sorted` is scratch for `count` centres.
    bool Start(DotStepVectors const& steps, Vector const& rectMin, Vector const& rectMax, DotCenter const* centres,
               unsigned count, DotCenter* sorted, DataDotGrid& grid);

    // Lines 0 and 2 along w, 1 and 3 along u, moved onto the outermost
    // centres: left, top, right, bottom.
    static bool CalcTempEdgeLineArray(DotCenter const* centres, unsigned count, Vector const& w, Vector const& u,
                                      Line lines[4]);
    // The centres ordered by their distance to the line, nearest first (the
    // distance kept in the contrast field).
    static void SortDotCenterStack(Line const& line, DotCenter const* centres, unsigned count, DotCenter* sorted);
    // Groups sorted centres into line segments cut by cut1 and cut2.
    static bool CalcSegmentStack(DotCenter const* centres, unsigned count, Vector const& r1, Vector const& r2,
                                 Line const& edgeLine, LineSegment const& referenceSegment, Line const& cut1,
                                 Line const& cut2, bool byX, StackInterface<LineSegment>& segments);
    // The band around the working line through the centre.
    static bool CalcBorderLines(Line const& working, Point const& centre, Vector const& r1, Vector const& r2,
                                Line& border1, Line& border2);
    static bool IsInnerBorder(Point const& p, Line const& border1, Line const& border2, bool byX);
    // Steps across the outline in each direction.
    static void CalcTempSize(Point const corners[4], DotStepVectors const& steps, unsigned& columns, unsigned& rows);
    // Inserts lines into the gaps the spacing shows, `limit` at most.
    bool InsertSegmentStack(StackInterface<LineSegment>& segments, StackInterface<LineSegment> const& crossing,
                            DotCenter const* centres, unsigned count, unsigned limit) const;
    // +1 a dot at an odd crossing, -1 at an even one; false without any.
    bool CalcOddScoreOnSegment(StackInterface<LineSegment> const& crossing, unsigned line,
                               StackInterface<LineSegment> const& own, DotCenter const* centres, unsigned count,
                               int& score) const;
    bool CalcBlankInSameParity(DataDotGrid& grid, DotCenter const* centres, unsigned count) const;

private:
    // A centre lies within the rectangle vectors around the point.
    bool IsDotNear(Point const& p, DotCenter const* centres, unsigned count, bool& found, unsigned& index) const;

    Vector rectMin_;
    Vector rectMax_;
};

// x of the line at y, and y at x, truncating; false when the line has no
// such point.
bool LineXAt(Line const& line, long long y, long long& x);
bool LineYAt(Line const& line, long long x, long long& y);

}  // namespace DEC2DIvra
