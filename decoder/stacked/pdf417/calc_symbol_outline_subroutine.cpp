#include "decoder/stacked/pdf417/calc_symbol_outline_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

namespace DEC2DIvra {

namespace {

constexpr int kOne = 256;

bool IsInner(GrayImage const& image, Point const& p)
{
    return p.x >= kOne && p.y >= kOne && p.x <= (image.GetWidth() - 2) * kOne && p.y <= (image.GetHeight() - 2) * kOne;
}

bool IsInner(GrayImage const& image, LineSegment const& s)
{
    return IsInner(image, s.begin) && IsInner(image, s.end);
}

// The segment moved by `times` / `den` of the vector.
bool Shift(LineSegment const& s, Vector const& v, int times, int den, LineSegment& out)
{
    long long dx = 0;
    long long dy = 0;
    if (!Geometry::RoundDivide(static_cast<long long>(v.dx) * times, den, dx) ||
        !Geometry::RoundDivide(static_cast<long long>(v.dy) * times, den, dy)) {
        return false;
    }
    long long const bx = s.begin.x + dx;
    long long const by = s.begin.y + dy;
    long long const ex = s.end.x + dx;
    long long const ey = s.end.y + dy;
    constexpr long long kLimit = 1LL << 30;
    if (bx < -kLimit || bx > kLimit || by < -kLimit || by > kLimit || ex < -kLimit || ex > kLimit || ey < -kLimit ||
        ey > kLimit) {
        return false;
    }
    out = LineSegment{Point{static_cast<int>(bx), static_cast<int>(by)}, Point{static_cast<int>(ex), static_cast<int>(ey)}};
    return true;
}

// From the middle of `from` to the middle of `to`.
void CalcStep(LineSegment const& from, LineSegment const& to, Vector& step)
{
    Point a;
    Point b;
    Geometry::CalcCenterPoint(from.begin, from.end, a);
    Geometry::CalcCenterPoint(to.begin, to.end, b);
    Geometry::CalcVector(a, b, step);
}

unsigned Width(LineSegment const& s)
{
    return Geometry::CalcChebyshevDistance(s.begin, s.end);
}

}  // namespace

unsigned CalcSymbolOutlineSubroutine::Score(GrayImage const& image, bool inverted, LineSegment const& segment,
                                            unsigned pattern) const
{
    Array<unsigned short, 15> grey;
    unsigned short high = 0;
    unsigned short low = 0;
    if (!IsInner(image, segment) || !luminance_.Start(image, false, segment, grey, high, low)) {
        return 0;
    }
    unsigned short score = 0;
    score_.Start(grey, inverted, false, static_cast<unsigned short>((high + low) / 2), pattern, score);
    return score;
}

bool CalcSymbolOutlineSubroutine::CalcDividingSegment(int a, LineSegment const& p, int b, LineSegment const& q,
                                                      LineSegment& segment)
{
    LineSegment out;
    if (!Geometry::CalcDividingPoint(a, p.begin, b, q.begin, out.begin) ||
        !Geometry::CalcDividingPoint(a, p.end, b, q.end, out.end)) {
        return false;
    }
    segment = out;
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcCharacterBorder(GrayImage const& image, bool inverted, LineSegment const& upper,
                                                      unsigned upperPattern, LineSegment const& lower,
                                                      unsigned lowerPattern, LineSegment& border) const
{
    unsigned const upperScore = Score(image, inverted, upper, upperPattern);
    unsigned const lowerScore = Score(image, inverted, lower, lowerPattern);
    if (upperScore < kMinScore || lowerScore < kMinScore) {
        return false;
    }
    LineSegment high = upper;
    LineSegment low = lower;
    for (int i = 0; i < 3; ++i) {
        LineSegment middle;
        if (!CalcDividingSegment(1, high, 1, low, middle)) {
            return false;
        }
        unsigned const a = Score(image, inverted, middle, upperPattern);
        unsigned const b = Score(image, inverted, middle, lowerPattern);
        if (a > b && a > upperScore / 2) {
            high = middle;
        } else if (b > a && b > lowerScore / 2) {
            low = middle;
        } else {
            break;
        }
    }
    return CalcDividingSegment(1, high, 1, low, border);
}

bool CalcSymbolOutlineSubroutine::SetIndicatorStackFromData(ColumnData const& column, RowIndicatorStack& stack,
                                                            unsigned& first, unsigned& last) const
{
    unsigned const count = column.GetCount();
    if (count < 2 || stack.rows == 0) {
        return false;
    }
    int low = 127;
    int high = -1;
    for (unsigned i = 0; i < count; ++i) {
        int const row = column[i].row;
        if (row >= 0 && row < static_cast<int>(stack.rows)) {
            low = row < low ? row : low;
            high = row > high ? row : high;
        }
    }
    if (high < 0 || low >= high) {
        return false;
    }
    // Each row's run of elements: the middle one, or the mean of the two
    // middle ones.
    for (int row = low; row <= high; ++row) {
        unsigned n = 0;
        for (unsigned i = 0; i < count; ++i) {
            n += column[i].row == row ? 1 : 0;
        }
        if (n == 0) {
            continue;
        }
        unsigned const wanted = (n - 1) / 2;
        unsigned seen = 0;
        LineSegment picked;
        for (unsigned i = 0; i < count; ++i) {
            if (column[i].row != row) {
                continue;
            }
            if (seen == wanted) {
                picked = column[i].segment;
            } else if (seen == wanted + 1 && n % 2 == 0) {
                CalcDividingSegment(1, picked, 1, column[i].segment, picked);
                break;
            }
            ++seen;
        }
        stack.segment[row] = picked;
        stack.matched[row] = 1;
    }
    first = static_cast<unsigned>(low);
    last = static_cast<unsigned>(high);
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcRowIndicatorOutline(GrayImage const& image, bool inverted,
                                                          ColumnData const& column, RowIndicatorStack& stack) const
{
    unsigned const count = column.GetCount();
    if (count < 2 || column[0].row == column[count - 1].row) {
        return false;
    }
    unsigned first = 0;
    unsigned last = 0;
    if (!SetIndicatorStackFromData(column, stack, first, last)) {
        return false;
    }
    // A column read from its far side holds its segments the other way
    // round: the expected patterns tell which way they read.
    unsigned long long forward = 0;
    unsigned long long backward = 0;
    for (unsigned row = first; row <= last; ++row) {
        if (stack.matched[row] != 0) {
            LineSegment const& s = stack.segment[row];
            forward += Score(image, inverted, s, stack.expectedPattern[row]);
            backward += Score(image, inverted, LineSegment{s.end, s.begin}, stack.expectedPattern[row]);
        }
    }
    if (backward > forward) {
        for (unsigned row = first; row <= last; ++row) {
            LineSegment& s = stack.segment[row];
            s = LineSegment{s.end, s.begin};
        }
    }
    // Rows between measured ones without data of their own: divided
    // between their measured neighbours.
    unsigned above = first;
    for (unsigned row = first + 1; row <= last; ++row) {
        if (stack.matched[row] == 0) {
            continue;
        }
        for (unsigned r = above + 1; r < row; ++r) {
            if (!CalcDividingSegment(static_cast<int>(row - r), stack.segment[above], static_cast<int>(r - above),
                                     stack.segment[row], stack.segment[r])) {
                return false;
            }
        }
        above = row;
    }
    for (unsigned row = first; row < last; ++row) {
        LineSegment& border = stack.Boundary(row + 1);
        if (!CalcCharacterBorder(image, inverted, stack.segment[row], stack.expectedPattern[row],
                                 stack.segment[row + 1], stack.expectedPattern[row + 1], border) &&
            !CalcDividingSegment(1, stack.segment[row], 1, stack.segment[row + 1], border)) {
            return false;
        }
    }
    return CalcOuterSegments(image, inverted, first, last, stack) && CalcQuietBorder(image, inverted, stack);
}

bool CalcSymbolOutlineSubroutine::CalcOuterSegments(GrayImage const& image, bool inverted, unsigned first,
                                                    unsigned last, RowIndicatorStack& stack) const
{
    return CalcOuterSegments(image, inverted, first, true, stack) &&
           CalcOuterSegments(image, inverted, last, false, stack);
}

bool CalcSymbolOutlineSubroutine::CalcOuterSegments(GrayImage const& image, bool inverted, unsigned from,
                                                    bool upward, RowIndicatorStack& stack) const
{
    unsigned const rows = stack.rows;
    unsigned current = from;
    while (upward ? current > 0 : current + 1 < rows) {
        unsigned const inner = upward ? current + 1 : current - 1;
        unsigned const next = upward ? current - 1 : current + 1;
        if (inner >= rows) {
            return false;
        }
        Vector step;
        CalcStep(stack.segment[inner], stack.segment[current], step);
        LineSegment candidates[3];
        LineSegment border;
        if (!CalcOuterSegmentArray(image, stack.segment[current], step, candidates)) {
            return false;
        }
        if (!CalcOuterBorderSegment(image, inverted, stack.segment[current], stack.expectedPattern[current], candidates,
                                    stack.expectedPattern[next], border) &&
            !Shift(stack.segment[current], step, 1, 2, border)) {
            return false;
        }
        // The next row lies as far beyond the border as this one before it.
        if (!CalcDividingSegment(2, border, -1, stack.segment[current], stack.segment[next])) {
            return false;
        }
        stack.Boundary(upward ? current : next) = border;
        current = next;
    }
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcOuterSegmentArray(GrayImage const& image, LineSegment const& current,
                                                        Vector const& rowStep, LineSegment candidates[3]) const
{
    return Shift(current, rowStep, 2, 1, candidates[0]) && IsInner(image, candidates[0]) &&
           Shift(current, rowStep, 1, 1, candidates[1]) && IsInner(image, candidates[1]) &&
           Shift(current, rowStep, 3, 2, candidates[2]) && IsInner(image, candidates[2]);
}

bool CalcSymbolOutlineSubroutine::CalcOuterBorderSegment(GrayImage const& image, bool inverted,
                                                         LineSegment const& current, unsigned pattern,
                                                         LineSegment const candidates[3], unsigned nextPattern,
                                                         LineSegment& border) const
{
    unsigned const own = Score(image, inverted, current, pattern);
    if (own < kMinScore) {
        return false;
    }
    unsigned best = kMinScore - 1;
    int picked = -1;
    for (int i = 0; i < 3; ++i) {
        unsigned const score = Score(image, inverted, candidates[i], nextPattern);
        if (score > best) {
            best = score;
            picked = i;
        }
    }
    if (picked < 0) {
        return false;
    }
    LineSegment high = current;
    LineSegment low = candidates[picked];
    for (int i = 0; i < 3; ++i) {
        LineSegment middle;
        if (!CalcDividingSegment(1, high, 1, low, middle)) {
            return false;
        }
        unsigned const a = Score(image, inverted, middle, pattern);
        unsigned const b = Score(image, inverted, middle, nextPattern);
        if (a > b && a > own / 2) {
            high = middle;
        } else if (b > a && b > best / 2) {
            low = middle;
        } else {
            break;
        }
    }
    return CalcDividingSegment(1, high, 1, low, border);
}

void CalcSymbolOutlineSubroutine::CalcRowIndicatorInner(RowIndicatorStack& stack) const
{
    for (unsigned row = 0; row < stack.rows; ++row) {
        stack.SetRowCenterSegment(row);
    }
}

bool CalcSymbolOutlineSubroutine::CalcNextPoint(Line const& border, Point const& sideBegin, Point const& sideEnd,
                                                Point& point)
{
    Line side;
    return Geometry::CalcLine(sideBegin, sideEnd, side) && Geometry::CalcCrossPoint(border, side, point);
}

bool CalcSymbolOutlineSubroutine::SetInnerSegments(RowIndicatorStack const* left, RowIndicatorStack const* right,
                                                   DataCharacterStack& stack) const
{
    unsigned const rows = stack.GetCount();
    LineSegment const top = stack.Boundary(0);
    LineSegment const bottom = stack.Boundary(rows);
    for (unsigned i = 1; i < rows; ++i) {
        // The row border runs from the left indicator's border to the right
        // one's, or along the one indicator there is.
        Point from;
        Point to;
        if (left != nullptr && right != nullptr) {
            from = left->Boundary(i).end;
            to = right->Boundary(i).begin;
        } else {
            RowIndicatorStack const& one = left != nullptr ? *left : *right;
            from = one.Boundary(i).begin;
            to = one.Boundary(i).end;
        }
        Line border;
        LineSegment segment;
        if (!Geometry::CalcLine(from, to, border) || !CalcNextPoint(border, top.begin, bottom.begin, segment.begin) ||
            !CalcNextPoint(border, top.end, bottom.end, segment.end)) {
            return false;
        }
        stack.Boundary(i) = segment;
    }
    for (unsigned i = 0; i < rows; ++i) {
        stack.SetRowCenterSegment(i);
    }
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcDataArrayInner(RowIndicatorStack const* left, RowIndicatorStack const* right,
                                                     DataStackArray& stacks) const
{
    for (unsigned c = 0; c < stacks.GetColumnCount(); ++c) {
        if (!SetInnerSegments(left, right, stacks[c])) {
            return false;
        }
    }
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcDataArrayOutline(GrayImage const& image, bool inverted, unsigned ratio,
                                                       RowIndicatorStack const* left, RowIndicatorStack const* right,
                                                       DataStackArray& stacks, bool& narrow) const
{
    unsigned const columns = stacks.GetColumnCount();
    if (columns < 2 || (left == nullptr && right == nullptr)) {
        return false;
    }
    bool const fine = stacks.GetRowCount() > CalcDataRegionSubroutine::kFineRows;
    // Two fronts: from the left indicator rightward, from the right one
    // leftward, in turn, until they meet.
    int low = 0;
    int high = static_cast<int>(columns) - 1;
    bool const both = left != nullptr && right != nullptr;
    while (low <= high) {
        // With both fronts, a last column between two derived ones is
        // closed from them.
        if (both && low == high) {
            break;
        }
        if (left != nullptr) {
            CommonCharacterStack const& from = low == 0 ? static_cast<CommonCharacterStack const&>(*left)
                                                        : stacks[static_cast<unsigned>(low - 1)];
            if (!region_.Start(image, from, inverted, fine, false, ratio, stacks[static_cast<unsigned>(low)])) {
                return false;
            }
            ++low;
        }
        if (right != nullptr && low <= high && !(both && low == high)) {
            CommonCharacterStack const& from = high == static_cast<int>(columns) - 1
                                                   ? static_cast<CommonCharacterStack const&>(*right)
                                                   : stacks[static_cast<unsigned>(high + 1)];
            if (!region_.Start(image, from, inverted, fine, true, ratio, stacks[static_cast<unsigned>(high)])) {
                return false;
            }
            --high;
        }
    }
    if (low == high) {
        // The column between the two fronts closes the gap between them.
        DataCharacterStack& middle = stacks[static_cast<unsigned>(low)];
        CommonCharacterStack const& before = low == 0 ? static_cast<CommonCharacterStack const&>(*left)
                                                      : stacks[static_cast<unsigned>(low - 1)];
        CommonCharacterStack const& after = high + 1 == static_cast<int>(columns)
                                                ? static_cast<CommonCharacterStack const&>(*right)
                                                : stacks[static_cast<unsigned>(high + 1)];
        unsigned const rows = before.GetCount();
        middle.Clear(rows);
        middle.Boundary(0) = LineSegment{before.Boundary(0).end, after.Boundary(0).begin};
        middle.Boundary(rows) = LineSegment{before.Boundary(rows).end, after.Boundary(rows).begin};
    }
    narrow = false;
    for (unsigned c = 0; c < columns; ++c) {
        if (!stacks[c].SetVerticalData()) {
            return false;
        }
        narrow = narrow || stacks[c].narrow;
    }
    return true;
}

bool CalcSymbolOutlineSubroutine::Start(GrayImage const& image, bool inverted, ColumnData const* left,
                                        ColumnData const* right, DecodeParameterForPDF const& parameter,
                                        unsigned& ratio, bool& narrow, DataStackArray& stacks) const
{
    unsigned const rows = parameter.rows;
    unsigned const columns = parameter.columns;
    if (columns < 2 || columns > DataStackArray::kMaxColumns || rows < 3 || rows > DataCharacterStack::kMaxRows ||
        stacks.GetColumnCount() != columns || stacks.GetRowCount() != rows) {
        return false;
    }
    RowIndicatorStack* outlined[2] = {nullptr, nullptr};
    ColumnData const* source[2] = {left, right};
    for (unsigned side = 0; side < 2; ++side) {
        if (source[side] == nullptr || source[side]->GetCount() == 0) {
            continue;
        }
        RowIndicatorStack& stack = indicators_[side];
        stack.Initialize(side == 1, parameter);
        if (stack.rows != rows || !CalcRowIndicatorOutline(image, inverted, *source[side], stack)) {
            return false;
        }
        CalcRowIndicatorInner(stack);
        outlined[side] = &stack;
    }
    if (outlined[0] == nullptr && outlined[1] == nullptr) {
        return false;
    }
    // Twice the row height in modules.
    unsigned long long heights = 0;
    unsigned long long widths = 0;
    unsigned long long modules = 34;
    if (outlined[0] != nullptr && outlined[1] != nullptr) {
        RowIndicatorStack const& l = *outlined[0];
        RowIndicatorStack const& r = *outlined[1];
        heights = Geometry::CalcChebyshevDistance(l.Boundary(0).begin, l.Boundary(rows).begin) +
                  Geometry::CalcChebyshevDistance(r.Boundary(0).end, r.Boundary(rows).end);
        widths = Geometry::CalcChebyshevDistance(l.Boundary(0).begin, r.Boundary(0).end) +
                 Geometry::CalcChebyshevDistance(l.Boundary(rows).begin, r.Boundary(rows).end);
        modules = 34ULL * columns + 68;
    } else {
        RowIndicatorStack const& one = outlined[0] != nullptr ? *outlined[0] : *outlined[1];
        heights = Geometry::CalcChebyshevDistance(one.Boundary(0).begin, one.Boundary(rows).begin) +
                  Geometry::CalcChebyshevDistance(one.Boundary(0).end, one.Boundary(rows).end);
        widths = Width(one.Boundary(0)) + Width(one.Boundary(rows));
    }
    if (widths == 0) {
        return false;
    }
    unsigned const measured = static_cast<unsigned>(heights * modules / (rows * widths));
    if (!CalcDataArrayOutline(image, inverted, measured, outlined[0], outlined[1], stacks, narrow) ||
        !CalcDataArrayInner(outlined[0], outlined[1], stacks)) {
        return false;
    }
    ratio = measured;
    return true;
}

}  // namespace DEC2DIvra
