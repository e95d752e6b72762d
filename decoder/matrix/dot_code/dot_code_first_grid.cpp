#include "decoder/matrix/dot_code/dot_code_first_grid.h"

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/binary_heap.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

Point At(DotCenter const& c) { return Point{c.x, c.y}; }

int CompareDistance(DotCenter const& a, DotCenter const& b)
{
    return b.contrast > a.contrast ? 1 : (b.contrast < a.contrast ? -1 : 0);
}

}  // namespace

bool LineXAt(Line const& line, long long y, long long& x)
{
    if (line.a == 0) {
        return false;
    }
    x = -(static_cast<long long>(line.b) * y + line.c + line.a / 2) / line.a;
    return true;
}

bool LineYAt(Line const& line, long long x, long long& y)
{
    if (line.b == 0) {
        return false;
    }
    y = -(static_cast<long long>(line.a) * x + line.c + line.b / 2) / line.b;
    return true;
}

bool CalcFirstDataDotGridSubroutine::CalcTempEdgeLineArray(DotCenter const* centres, unsigned count, Vector const& w,
                                                           Vector const& u, Line lines[4])
{
    if (count == 0) {
        return false;
    }
    Point const first = At(centres[0]);
    if (!Geometry::CalcLine(first, Point{first.x + w.dx, first.y + w.dy}, lines[0]) ||
        !Geometry::CalcLine(first, Point{first.x + u.dx, first.y + u.dy}, lines[1])) {
        return false;
    }
    lines[2] = lines[0];
    lines[3] = lines[1];
    for (unsigned i = 1; i < count; ++i) {
        Point const p = At(centres[i]);
        long long at = 0;
        // A line along w that is horizontal, or one along u that is
        // vertical, bounds nothing: it stays where it is.
        if (LineYAt(lines[1], p.x, at) && p.y < at) {
            lines[1].MoveTo(p);
        }
        if (LineYAt(lines[3], p.x, at) && p.y > at) {
            lines[3].MoveTo(p);
        }
        if (LineXAt(lines[0], p.y, at) && p.x < at) {
            lines[0].MoveTo(p);
        }
        if (LineXAt(lines[2], p.y, at) && p.x > at) {
            lines[2].MoveTo(p);
        }
    }
    return true;
}

void CalcFirstDataDotGridSubroutine::SortDotCenterStack(Line const& line, DotCenter const* centres, unsigned count,
                                                        DotCenter* sorted)
{
    long long const scale = Abs(line.a) > Abs(line.b) ? Abs(line.a) : Abs(line.b);
    for (unsigned i = 0; i < count; ++i) {
        sorted[i] = centres[i];
        long long const distance = scale == 0 ? 0 : Abs(line.Evaluate(At(centres[i]))) / scale;
        sorted[i].contrast = distance > 0x3fffffff ? 0x3fffffff : static_cast<int>(distance);
    }
    BinaryHeap<DotCenter> heap(sorted, count, &CompareDistance);
    for (unsigned i = 0; i < count; ++i) {
        heap.Push();
    }
    for (unsigned i = 0; i < count; ++i) {
        heap.Pop();
    }
}

bool CalcFirstDataDotGridSubroutine::CalcBorderLines(Line const& working, Point const& centre, Vector const& r1,
                                                     Vector const& r2, Line& border1, Line& border2)
{
    Line through = working;
    if (!through.MoveTo(centre)) {
        return false;
    }
    border1 = through;
    border2 = through;
    return border1.Move(r1) && border2.Move(r2);
}

bool CalcFirstDataDotGridSubroutine::IsInnerBorder(Point const& p, Line const& border1, Line const& border2, bool byX)
{
    long long a = 0;
    long long b = 0;
    if (byX ? !LineXAt(border1, p.y, a) || !LineXAt(border2, p.y, b)
            : !LineYAt(border1, p.x, a) || !LineYAt(border2, p.x, b)) {
        return false;
    }
    long long const low = a < b ? a : b;
    long long const high = a < b ? b : a;
    long long const v = byX ? p.x : p.y;
    return v >= low && v < high;
}

bool CalcFirstDataDotGridSubroutine::CalcSegmentStack(DotCenter const* centres, unsigned count, Vector const& r1,
                                                      Vector const& r2, Line const& edgeLine,
                                                      LineSegment const& referenceSegment, Line const& cut1,
                                                      Line const& cut2, bool byX,
                                                      StackInterface<LineSegment>& segments)
{
    Line working = edgeLine;
    bool pushed = false;
    long long p1 = 0;
    long long p2 = 0;
    LineSegment lastSegment = referenceSegment;
    unsigned i = 0;
    auto countMembers = [&](Line const& line, unsigned from) {
        Line border1;
        Line border2;
        unsigned m = 0;
        if (!CalcBorderLines(line, At(centres[from]), r1, r2, border1, border2)) {
            return m;
        }
        while (from + 1 + m < count && IsInnerBorder(At(centres[from + 1 + m]), border1, border2, byX)) {
            ++m;
        }
        return m;
    };
    while (i < count) {
        Point const centre = At(centres[i]);
        unsigned m = countMembers(working, i);
        if (m == 0 || i + 1 == count) {
            working.MoveTo(centre);
        } else if (m == 1) {
            unsigned const d = Geometry::CalcChebyshevDistance(centre, At(centres[i + 1]));
            unsigned const reference = Geometry::CalcChebyshevDistance(lastSegment);
            if (d < reference / 4) {
                working.MoveTo(centre);
            } else if (!Geometry::CalcLine(centre, At(centres[i + 1]), working)) {
                working.MoveTo(centre);
            }
        } else {
            unsigned const n = 1 + (m < 4 ? m : 4);
            Line fitted;
            if (Geometry::CalcLine(ArrayIterator<DotCenter const>(centres + i, n), fitted, -1)) {
                working = fitted;
            } else {
                working.MoveTo(centre);
            }
        }
        if (m >= 1) {
            m = countMembers(working, i);
        }
        if (segments.IsFull()) {
            return false;
        }
        LineSegment segment;
        if (!Geometry::CalcCrossPoint(working, cut1, segment.begin) ||
            !Geometry::CalcCrossPoint(working, cut2, segment.end)) {
            return false;
        }
        long long const q1 = byX ? segment.begin.x : segment.begin.y;
        long long const q2 = byX ? segment.end.x : segment.end.y;
        if (pushed && (p1 + 128 >= q1 || p2 + 128 >= q2)) {
            lastSegment.CalcLine(working);
        } else {
            segments.Push(segment);
            lastSegment = segment;
            pushed = true;
            p1 = q1;
            p2 = q2;
        }
        i += 1 + m;
    }
    return true;
}

void CalcFirstDataDotGridSubroutine::CalcTempSize(Point const corners[4], DotStepVectors const& steps,
                                                  unsigned& columns, unsigned& rows)
{
    unsigned const pu = Geometry::CalcChebyshevDistance(steps.v[0]);
    unsigned const pw = Geometry::CalcChebyshevDistance(steps.v[1]);
    unsigned long long const alongU = static_cast<unsigned long long>(Geometry::CalcChebyshevDistance(corners[0], corners[1])) +
                                      Geometry::CalcChebyshevDistance(corners[3], corners[2]);
    unsigned long long const alongW = static_cast<unsigned long long>(Geometry::CalcChebyshevDistance(corners[0], corners[3])) +
                                      Geometry::CalcChebyshevDistance(corners[1], corners[2]);
    columns = pu == 0 ? 0 : static_cast<unsigned>((alongU + 2ull * pu - 1) / (2ull * pu));
    rows = pw == 0 ? 0 : static_cast<unsigned>((alongW + 2ull * pw - 1) / (2ull * pw));
}

bool CalcFirstDataDotGridSubroutine::IsDotNear(Point const& p, DotCenter const* centres, unsigned count, bool& found,
                                               unsigned& index) const
{
    for (unsigned i = 0; i < count; ++i) {
        long long const dx = static_cast<long long>(centres[i].x) - p.x;
        long long const dy = static_cast<long long>(centres[i].y) - p.y;
        if (dx >= rectMin_.dx && dx <= rectMax_.dx && dy >= rectMin_.dy && dy <= rectMax_.dy) {
            found = true;
            index = i;
            return true;
        }
    }
    return false;
}

bool CalcFirstDataDotGridSubroutine::CalcOddScoreOnSegment(StackInterface<LineSegment> const& crossing, unsigned line,
                                                           StackInterface<LineSegment> const& own,
                                                           DotCenter const* centres, unsigned count, int& score) const
{
    LineSegment const& segment = own[line];
    unsigned const n = crossing.GetCount();
    Line ownLine;
    if (n == 0 || !segment.CalcLine(ownLine)) {
        return false;
    }
    score = 0;
    bool any = false;
    unsigned lastAt = 0;
    for (unsigned k = 0; k < n; ++k) {
        Point p = k == 0 ? segment.begin : segment.end;
        if (k != 0 && k + 1 != n) {
            Line other;
            if (!crossing[k].CalcLine(other) || !Geometry::CalcCrossPoint(ownLine, other, p)) {
                continue;
            }
        }
        bool found = false;
        unsigned index = 0;
        if (IsDotNear(p, centres, count, found, index)) {
            score += (k & 1u) != 0 ? 1 : -1;
            any = true;
            lastAt = k;
        }
    }
    if (!any) {
        return false;
    }
    if (score == 0) {
        score = (lastAt & 1u) == 0 ? 1 : -1;
    }
    return true;
}

bool CalcFirstDataDotGridSubroutine::InsertSegmentStack(StackInterface<LineSegment>& segments,
                                                        StackInterface<LineSegment> const& crossing,
                                                        DotCenter const* centres, unsigned count,
                                                        unsigned limit) const
{
    auto gap = [&](unsigned k) {
        Point a;
        Point b;
        Geometry::CalcCenterPoint(segments[k].begin, segments[k].end, a);
        Geometry::CalcCenterPoint(segments[k + 1].begin, segments[k + 1].end, b);
        return Geometry::CalcChebyshevDistance(a, b);
    };
    if (segments.GetCount() < 2) {
        return true;
    }
    unsigned smallest = ~0u;
    for (unsigned k = 0; k + 1 < segments.GetCount(); ++k) {
        unsigned const g = gap(k);
        smallest = g < smallest ? g : smallest;
    }
    unsigned long long const s = smallest;
    for (;;) {
        unsigned largest = 0;
        unsigned at = 0;
        for (unsigned k = 0; k + 1 < segments.GetCount(); ++k) {
            unsigned const g = gap(k);
            if (g > largest) {
                largest = g;
                at = k;
            }
        }
        unsigned long long const g = largest;
        if (3 * s > 2 * g) {
            return true;
        }
        int a = 0;
        int b = 0;
        if (!CalcOddScoreOnSegment(crossing, at, segments, centres, count, a) ||
            !CalcOddScoreOnSegment(crossing, at + 1, segments, centres, count, b)) {
            return true;
        }
        unsigned lines = 0;
        if ((a > 0) != (b > 0)) {
            if (2 * s > g) {
                return true;
            }
            lines = g < 4 * s ? 2 : 4;
        } else {
            lines = g < 4 * s ? 1 : 3;
        }
        unsigned const count0 = segments.GetCount();
        if (lines > limit) {
            return true;
        }
        limit -= lines;
        if (count0 + lines > segments.GetCapacity() || !segments.SetCount(count0 + lines)) {
            return false;
        }
        for (unsigned k = count0; k-- > at + 1;) {
            segments[k + lines] = segments[k];
        }
        LineSegment const from = segments[at];
        LineSegment const to = segments[at + 1 + lines];
        for (unsigned t = 1; t <= lines; ++t) {
            int const d = static_cast<int>(lines + 1);
            int const n = static_cast<int>(t);
            segments[at + t] = LineSegment{
                Point{from.begin.x + (to.begin.x - from.begin.x) * n / d, from.begin.y + (to.begin.y - from.begin.y) * n / d},
                Point{from.end.x + (to.end.x - from.end.x) * n / d, from.end.y + (to.end.y - from.end.y) * n / d}};
        }
    }
}

bool CalcFirstDataDotGridSubroutine::CalcBlankInSameParity(DataDotGrid& grid, DotCenter const* centres,
                                                           unsigned count) const
{
    StackInterface<LineSegment>& columns = grid.GetSegments(true);
    StackInterface<LineSegment>& rows = grid.GetSegments(false);
    int a = 0;
    int b = 0;
    if (columns.GetCount() == 0 || rows.GetCount() == 0 ||
        !CalcOddScoreOnSegment(rows, 0, columns, centres, count, a) ||
        !CalcOddScoreOnSegment(columns, 0, rows, centres, count, b) || a + b == 0) {
        return false;
    }
    grid.SetParity(a + b > 0);
    grid.SetRanges(columns.GetCount() - 1, rows.GetCount() - 1);
    return true;
}

bool CalcFirstDataDotGridSubroutine::Start(DotStepVectors const& steps, Vector const& rectMin, Vector const& rectMax,
                                           DotCenter const* centres, unsigned count, DotCenter* sorted,
                                           DataDotGrid& grid)
{
    rectMin_ = rectMin;
    rectMax_ = rectMax;
    grid.Clear();
    Vector const& u = steps.v[0];
    Vector const& w = steps.v[1];
    Line lines[4];
    Point corners[4];
    if (count < 2 || !CalcTempEdgeLineArray(centres, count, w, u, lines)) {
        return false;
    }
    for (unsigned k = 0; k < 4; ++k) {
        if (!Geometry::CalcCrossPoint(lines[k], lines[(k + 1) % 4], corners[k])) {
            return false;
        }
    }
    Vector const hu{u.dx / 2, u.dy / 2};
    Vector const hw{w.dx / 2, w.dy / 2};
    StackInterface<LineSegment>& columns = grid.GetSegments(true);
    StackInterface<LineSegment>& rows = grid.GetSegments(false);
    SortDotCenterStack(lines[0], centres, count, sorted);
    if (!CalcSegmentStack(sorted, count, Vector{-hu.dx, -hu.dy}, hu, lines[0], LineSegment{corners[0], corners[3]},
                          lines[1], lines[3], true, columns) ||
        columns.GetCount() < 2 || !columns[0].CalcLine(lines[0]) ||
        !columns[columns.GetCount() - 1].CalcLine(lines[2])) {
        return false;
    }
    SortDotCenterStack(lines[1], centres, count, sorted);
    if (!CalcSegmentStack(sorted, count, Vector{-hw.dx, -hw.dy}, hw, lines[1], LineSegment{corners[0], corners[1]},
                          lines[0], lines[2], false, rows) ||
        rows.GetCount() < 2 || !rows[0].CalcLine(lines[1]) || !rows[rows.GetCount() - 1].CalcLine(lines[3])) {
        return false;
    }
    for (unsigned k = 1; k < 4; ++k) {
        if (!Geometry::CalcCrossPoint(lines[k], lines[(k + 1) % 4], corners[k])) {
            return false;
        }
    }
    if (!grid.ResetOutline(corners)) {
        return false;
    }
    unsigned estimateA = 0;
    unsigned estimateB = 0;
    CalcTempSize(corners, steps, estimateA, estimateB);
    long long const dA = static_cast<long long>(estimateA) - (columns.GetCount() - 1);
    long long const dB = static_cast<long long>(estimateB) - (rows.GetCount() - 1);
    bool intoColumns = false;
    if (dA > 0 && dA < dB) {
        intoColumns = false;
    } else if (dA > 0 || (dA == 0 && dB == 0 && estimateA > estimateB)) {
        intoColumns = true;
    }
    // Dots scattered as no symbol's are (texture, noise) leave gaps
    // everywhere: no more lines than the outline has room for, and a few.
    long long const room = (intoColumns ? dA : dB) + 3;
    unsigned const limit = room < 0 ? 0u : static_cast<unsigned>(room);
    if (intoColumns ? !InsertSegmentStack(columns, rows, centres, count, limit)
                    : !InsertSegmentStack(rows, columns, centres, count, limit)) {
        return false;
    }
    return CalcBlankInSameParity(grid, centres, count);
}

}  // namespace DEC2DIvra
