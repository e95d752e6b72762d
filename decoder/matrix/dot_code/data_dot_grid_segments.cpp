#include <initializer_list>

#include "decoder/core/containers/memory.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/matrix/dot_code/data_dot_grid.h"

namespace DEC2DIvra {

namespace {

bool IsInsideImage(GrayImage const& image, Point const& p)
{
    return p.x >= 256 && p.y >= 256 && p.x <= (image.GetWidth() - 2) * 256 && p.y <= (image.GetHeight() - 2) * 256;
}

}  // namespace

void DataDotGrid::Clear()
{
    columnSegments_.Clear();
    rowSegments_.Clear();
    columnCount_ = 0;
    rowCount_ = 0;
    parity_ = false;
    firstColumn_ = 0;
    firstRow_ = 0;
    lastColumn_ = 0;
    lastRow_ = 0;
}

void DataDotGrid::SetRanges(unsigned lastColumn, unsigned lastRow)
{
    firstColumn_ = 0;
    firstRow_ = 0;
    lastColumn_ = lastColumn;
    lastRow_ = lastRow;
}

bool DataDotGrid::CalcPoint(unsigned i, unsigned j, Point& point) const
{
    unsigned const columns = columnSegments_.GetCount();
    unsigned const rows = rowSegments_.GetCount();
    if (i >= columns || j >= rows) {
        return false;
    }
    if (i == 0 || i + 1 == columns) {
        point = i == 0 ? rowSegments_[j].begin : rowSegments_[j].end;
        return true;
    }
    if (j == 0 || j + 1 == rows) {
        point = j == 0 ? columnSegments_[i].begin : columnSegments_[i].end;
        return true;
    }
    Line column;
    Line row;
    return columnSegments_[i].CalcLine(column) && rowSegments_[j].CalcLine(row) &&
           Geometry::CalcCrossPoint(column, row, point);
}

bool DataDotGrid::ResetOutline(Point const corners[4])
{
    unsigned const columns = columnSegments_.GetCount();
    unsigned const rows = rowSegments_.GetCount();
    if (columns < 2 || rows < 2) {
        return false;
    }
    columnSegments_[0] = LineSegment{corners[0], corners[3]};
    columnSegments_[columns - 1] = LineSegment{corners[1], corners[2]};
    rowSegments_[0] = LineSegment{corners[0], corners[1]};
    rowSegments_[rows - 1] = LineSegment{corners[3], corners[2]};
    return RecutSegments(true) && RecutSegments(false);
}

bool DataDotGrid::RecutEnds()
{
    // Both directions cut at the outer lines as they stand now.
    Line outer[2][2];
    for (unsigned d = 0; d < 2; ++d) {
        StackInterface<LineSegment>& own = GetSegments(d == 0);
        if (own.GetCount() < 2 || !own[0].CalcLine(outer[d][0]) || !own[own.GetCount() - 1].CalcLine(outer[d][1])) {
            return false;
        }
    }
    return RecutSegments(true, outer[1][0], outer[1][1], true) && RecutSegments(false, outer[0][0], outer[0][1], true);
}

bool DataDotGrid::RecutSegments(bool columns)
{
    StackInterface<LineSegment>& other = GetSegments(!columns);
    if (other.GetCount() < 2) {
        return false;
    }
    Line first;
    Line last;
    if (!other[0].CalcLine(first) || !other[other.GetCount() - 1].CalcLine(last)) {
        return false;
    }
    return RecutSegments(columns, first, last, false);
}

bool DataDotGrid::RecutSegments(bool columns, Line const& first, Line const& last, bool outerToo)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    unsigned const skip = outerToo ? 0u : 1u;
    for (unsigned k = skip; k + skip < own.GetCount(); ++k) {
        Line line;
        LineSegment cut;
        if (!own[k].CalcLine(line) || !Geometry::CalcCrossPoint(line, first, cut.begin) ||
            !Geometry::CalcCrossPoint(line, last, cut.end)) {
            return false;
        }
        own[k] = cut;
    }
    return true;
}

bool DataDotGrid::ExpandCrossSegmentStack(Line const& line, bool last, StackInterface<LineSegment>& crossing,
                                          LineSegment& segment)
{
    unsigned const count = crossing.GetCount();
    if (count == 0) {
        return false;
    }
    for (unsigned k = 0; k < count; ++k) {
        Line own;
        Point cross;
        if (!crossing[k].CalcLine(own) || !Geometry::CalcCrossPoint(own, line, cross)) {
            return false;
        }
        (last ? crossing[k].end : crossing[k].begin) = cross;
    }
    segment.begin = last ? crossing[0].end : crossing[0].begin;
    segment.end = last ? crossing[count - 1].end : crossing[count - 1].begin;
    return true;
}

bool DataDotGrid::PushTempOuterSegment(GrayImage const& image, bool last, bool columns)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    unsigned const count = own.GetCount();
    if (count > kSegmentCapacity - 1 || count < 2) {
        return false;
    }
    LineSegment const& b = last ? own[count - 1] : own[0];
    LineSegment const& a = last ? own[count - 2] : own[1];
    unsigned const spacing = Geometry::CalcChebyshevDistance(a.begin, b.begin) <
                                     Geometry::CalcChebyshevDistance(a.end, b.end)
                                 ? Geometry::CalcChebyshevDistance(a.begin, b.begin)
                                 : Geometry::CalcChebyshevDistance(a.end, b.end);
    Line lineA;
    Line lineB;
    Line beyond;
    if (spacing < static_cast<unsigned>(kMinimumLineSpacing) || !a.CalcLine(lineA) || !b.CalcLine(lineB) ||
        !Geometry::CalcDividingLine(-1, lineA, 2, lineB, beyond)) {
        return false;
    }
    LineSegment segment;
    if (!ExpandCrossSegmentStack(beyond, last, GetSegments(!columns), segment) ||
        !IsInsideImage(image, segment.begin) || !IsInsideImage(image, segment.end)) {
        return false;
    }
    if (last) {
        return own.Push(segment);
    }
    if (!own.SetCount(count + 1) ||
        !Memory::Insert(&own[0], (count + 1) * sizeof(LineSegment), sizeof(LineSegment), 0, &segment)) {
        return false;
    }
    if (columns) {
        ++firstColumn_;
        ++lastColumn_;
    } else {
        ++firstRow_;
        ++lastRow_;
    }
    parity_ = !parity_;
    return true;
}

void DataDotGrid::CorrectCrossSegment(Point const& point, bool last, bool probedIsColumn, unsigned k)
{
    bool const columns = !probedIsColumn;  // the direction of line k
    StackInterface<LineSegment>& own = GetSegments(columns);
    if (k >= own.GetCount()) {
        return;
    }
    (last ? own[k].end : own[k].begin) = point;
    if (k == GetFirstIndex(columns) || k == GetLastIndex(columns)) {
        CorrectCrossTempSegments(last, columns, k);
    }
}

void DataDotGrid::CorrectCrossTempSegments(bool last, bool columns, unsigned k)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    LineSegment const& corrected = own[k];
    // The lines beyond it run parallel to it, with its length.
    Vector const along{corrected.end.x - corrected.begin.x, corrected.end.y - corrected.begin.y};
    unsigned from = 0;
    unsigned to = 0;
    if (k == GetFirstIndex(columns)) {
        to = k;
    } else {
        from = k + 1;
        to = own.GetCount();
    }
    for (unsigned i = from; i < to; ++i) {
        if (last) {
            own[i].end = Point{own[i].begin.x + along.dx, own[i].begin.y + along.dy};
        } else {
            own[i].begin = Point{own[i].end.x - along.dx, own[i].end.y - along.dy};
        }
    }
}

unsigned DataDotGrid::CountBeyond(bool last, bool columns) const
{
    StackInterface<LineSegment> const& own = columns ? columnSegments_ : rowSegments_;
    if (own.GetCount() == 0) {
        return 0;
    }
    return last ? own.GetCount() - 1 - GetLastIndex(columns) : GetFirstIndex(columns);
}

bool DataDotGrid::PushOuterSegment(Line const& line, bool last, bool columns)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    unsigned const beyond = CountBeyond(last, columns);
    LineSegment segment;
    if (own.GetCount() == 0 || !ExpandCrossSegmentStack(line, last, GetSegments(!columns), segment)) {
        return false;
    }
    (last ? own[own.GetCount() - 1] : own[0]) = segment;
    if (beyond >= 2 && !CorrectSecondOuterSegment(line, last, columns)) {
        return false;
    }
    if (columns) {
        (last ? lastColumn_ : firstColumn_) = last ? own.GetCount() - 1 : 0;
    } else {
        (last ? lastRow_ : firstRow_) = last ? own.GetCount() - 1 : 0;
    }
    return true;
}

bool DataDotGrid::CorrectSecondOuterSegment(Line const& line, bool last, bool columns)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    StackInterface<LineSegment>& crossing = GetSegments(!columns);
    unsigned const count = own.GetCount();
    if (count < 3 || crossing.GetCount() < 2) {
        return false;
    }
    Line third;
    Line centre;
    Line first;
    Line final;
    LineSegment second;
    if (!own[last ? count - 3 : 2].CalcLine(third) || !Geometry::CalcCenterLine(1, line, 1, third, centre) ||
        !crossing[0].CalcLine(first) || !crossing[crossing.GetCount() - 1].CalcLine(final) ||
        !Geometry::CalcCrossPoint(centre, first, second.begin) ||
        !Geometry::CalcCrossPoint(centre, final, second.end)) {
        return false;
    }
    own[last ? count - 2 : 1] = second;
    return true;
}

bool DataDotGrid::DeleteOuterSegment()
{
    for (bool columns : {true, false}) {
        StackInterface<LineSegment>& own = GetSegments(columns);
        unsigned const count = own.GetCount();
        if (count < 3 || GetFirstIndex(columns) == 0 || GetLastIndex(columns) + 1 >= count) {
            return false;
        }
        if (!RemoveFirstSegment(columns) || !own.SetCount(count - 2)) {
            return false;
        }
    }
    // The remaining lines end on the new outermost lines.
    return RecutEnds();
}

bool DataDotGrid::DropOutermostBeyond(bool last, bool columns)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    unsigned const count = own.GetCount();
    if (CountBeyond(last, columns) == 0) {
        return false;
    }
    if (last) {
        return own.SetCount(count - 1);
    }
    return RemoveFirstSegment(columns);
}

bool DataDotGrid::RemoveFirstSegment(bool columns)
{
    StackInterface<LineSegment>& own = GetSegments(columns);
    unsigned const count = own.GetCount();
    if (count == 0 || GetFirstIndex(columns) == 0 ||
        !Memory::Delete(&own[0], count * sizeof(LineSegment), sizeof(LineSegment), 0) || !own.SetCount(count - 1)) {
        return false;
    }
    if (columns) {
        --firstColumn_;
        --lastColumn_;
    } else {
        --firstRow_;
        --lastRow_;
    }
    parity_ = !parity_;
    return true;
}

bool DataDotGrid::DropLinesBeyond()
{
    for (bool columns : {true, false}) {
        StackInterface<LineSegment>& own = GetSegments(columns);
        unsigned const first = GetFirstIndex(columns);
        unsigned const count = GetLastIndex(columns) + 1 - first;
        for (unsigned i = 0; i < count; ++i) {
            own[i] = own[i + first];
        }
        if (!own.SetCount(count)) {
            return false;
        }
        if ((first & 1u) != 0) {
            parity_ = !parity_;
        }
        if (columns) {
            firstColumn_ = 0;
            lastColumn_ = count - 1;
        } else {
            firstRow_ = 0;
            lastRow_ = count - 1;
        }
    }
    return RecutEnds();
}

}  // namespace DEC2DIvra
