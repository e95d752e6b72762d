#include "decoder/stacked/pdf417/column_data.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"

namespace DEC2DIvra {

namespace {

enum class FitAxis { kAny, kY };

// Fits a line through the elements seen through View. The views are copied
// into a stack buffer of one column's capacity; a longer list is thinned
// evenly (and then no element can be left out).
template <class View>
bool FitElements(ColumnDataElement const* elements, unsigned count, int skip, FitAxis axis, Line& line)
{
    View views[ColumnData::kCapacity];
    unsigned const stride = (count + ColumnData::kCapacity - 1) / ColumnData::kCapacity;
    if (elements == nullptr || stride == 0) {
        return false;
    }
    if (stride > 1) {
        skip = -1;
    }
    unsigned used = 0;
    for (unsigned i = 0; i < count && used < ColumnData::kCapacity; i += stride) {
        views[used++] = View::From(elements[i]);
    }
    ArrayIterator<View const> const run(views, used);
    return axis == FitAxis::kY ? Geometry::CalcLineY(run, line, skip) : Geometry::CalcLine(run, line, skip);
}

long long Abs(long long v) { return v < 0 ? -v : v; }

// (a wb + b wa) / (wa + wb): each value weighted by the other's distance.
long long Interpolate(long long a, long long wa, long long b, long long wb)
{
    long long const sum = wa + wb;
    long long value = 0;
    if (sum == 0 || !Geometry::RoundDivide(a * wb + b * wa, sum, value)) {
        return (a + b) / 2;
    }
    return value;
}

int CompareSortKeyX(ColumnDataElement const& a, ColumnDataElement const& b)
{
    // The heap keeps the largest on top, so the sort ascends.
    return a.segment.begin.x < b.segment.begin.x ? 1 : (a.segment.begin.x > b.segment.begin.x ? -1 : 0);
}

int CompareSortKeyY(ColumnDataElement const& a, ColumnDataElement const& b)
{
    return a.segment.begin.y < b.segment.begin.y ? 1 : (a.segment.begin.y > b.segment.begin.y ? -1 : 0);
}

int CompareLength(unsigned const& a, unsigned const& b) { return a < b ? 1 : (a > b ? -1 : 0); }

bool RoundPixel(Point const& p, Point& pixel)
{
    long long x = 0;
    long long y = 0;
    if (!Geometry::RoundDivide(p.x, 256, x) || !Geometry::RoundDivide(p.y, 256, y)) {
        return false;
    }
    pixel = Point{static_cast<int>(x), static_cast<int>(y)};
    return true;
}

}  // namespace

void ColumnData::Remove(unsigned i)
{
    if (i >= count_) {
        return;
    }
    for (unsigned k = i + 1; k < count_; ++k) {
        elements_[k - 1] = elements_[k];
    }
    --count_;
}

Point ColumnData::CalcCenter(ColumnDataElement const& element)
{
    Point centre;
    Geometry::CalcCenterPoint(element.segment.begin, element.segment.end, centre);
    return centre;
}

void ColumnData::Sort()
{
    if (orientation_ == 0) {
        DecMath::HeapSort(elements_, count_, &CompareSortKeyX);
    } else if (orientation_ == 1) {
        DecMath::HeapSort(elements_, count_, &CompareSortKeyY);
    }
}

void ColumnData::DeleteOne()
{
    if (count_ < 2) {
        return;
    }
    unsigned nearest = 1;
    unsigned best = ~0u;
    for (unsigned i = 1; i < count_; ++i) {
        unsigned const d = Geometry::CalcChebyshevDistance(elements_[i - 1].segment.begin, elements_[i].segment.begin);
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    ColumnDataElement& keep = elements_[nearest - 1];
    ColumnDataElement const& gone = elements_[nearest];
    Geometry::CalcCenterPoint(keep.segment.begin, gone.segment.begin, keep.segment.begin);
    Geometry::CalcCenterPoint(keep.segment.end, gone.segment.end, keep.segment.end);
    keep.row = static_cast<signed char>((keep.row + gone.row) / 2);
    Remove(nearest);
}

bool ColumnData::CheckRowNumbers() const
{
    if (count_ < 2) {
        return false;
    }
    bool const rising = elements_[0].row <= elements_[count_ - 1].row;
    for (unsigned i = 1; i < count_; ++i) {
        if (rising ? elements_[i].row < elements_[i - 1].row : elements_[i].row > elements_[i - 1].row) {
            return false;
        }
    }
    return true;
}

bool ColumnData::CalcRowNumberPoint(int row, Point& point) const
{
    long long sx = 0;
    long long sy = 0;
    long long n = 0;
    for (unsigned i = 0; i < count_; ++i) {
        if (elements_[i].row == row) {
            sx += static_cast<long long>(elements_[i].segment.begin.x) + elements_[i].segment.end.x;
            sy += static_cast<long long>(elements_[i].segment.begin.y) + elements_[i].segment.end.y;
            ++n;
        }
    }
    long long x = 0;
    long long y = 0;
    if (n == 0 || !Geometry::RoundDivide(sx, 2 * n, x) || !Geometry::RoundDivide(sy, 2 * n, y)) {
        return false;
    }
    point = Point{static_cast<int>(x), static_cast<int>(y)};
    return true;
}

bool ColumnData::CalcLineSegment(unsigned rows, LineSegment& segment) const
{
    int low = 90;
    int high = -1;
    for (unsigned i = 0; i < count_; ++i) {
        int const row = elements_[i].row;
        if (row < 0) {
            continue;
        }
        low = row < low ? row : low;
        high = row > high ? row : high;
    }
    if (high < 0 || low >= high || rows == 0 || rows > 90) {
        return false;
    }
    Point pm;
    Point pM;
    if (!CalcRowNumberPoint(low, pm) || !CalcRowNumberPoint(high, pM)) {
        return false;
    }
    int const r = static_cast<int>(rows);
    LineSegment out;
    if (!Geometry::CalcDividingPoint(high, pm, -low, pM, out.begin) ||
        !Geometry::CalcDividingPoint(high + 1 - r, pm, r - 1 - low, pM, out.end)) {
        return false;
    }
    segment = out;
    return true;
}

bool ColumnData::CalcChebyshevWidth(unsigned& width) const
{
    if (count_ == 0) {
        return false;
    }
    unsigned long long sum = 0;
    for (unsigned i = 0; i < count_; ++i) {
        LineSegment const& s = elements_[i].segment;
        long long const dx = Abs(static_cast<long long>(s.end.x) - s.begin.x);
        long long const dy = Abs(static_cast<long long>(s.end.y) - s.begin.y);
        sum += static_cast<unsigned long long>(orientation_ == 0 ? dy : (orientation_ == 1 ? dx : (dx > dy ? dx : dy)));
    }
    width = static_cast<unsigned>(sum / count_);
    return true;
}

bool ColumnData::CalcChebyshevHeight(unsigned& height) const
{
    if (count_ < 2) {
        return false;
    }
    Point const first = CalcCenter(elements_[0]);
    Point const last = CalcCenter(elements_[count_ - 1]);
    long long const dx = Abs(static_cast<long long>(last.x) - first.x);
    long long const dy = Abs(static_cast<long long>(last.y) - first.y);
    height = static_cast<unsigned>(orientation_ == 0 ? dx : (orientation_ == 1 ? dy : (dx > dy ? dx : dy)));
    return true;
}

namespace {
struct ColumnDataElementForCenter {
    int x = 0;
    int y = 0;
    static ColumnDataElementForCenter From(ColumnDataElement const& e)
    {
        Point const c = ColumnData::CalcCenter(e);
        return {c.x, c.y};
    }
};
}  // namespace

bool ColumnData::CalcCenterLine()
{
    Line line;
    if (!FitElements<ColumnDataElementForCenter>(elements_, count_, -1, FitAxis::kAny, line)) {
        return false;
    }
    centerLine_ = line;
    return true;
}

bool ColumnData::CalcStartLine(Line& line) const
{
    return FitElements<ColumnDataElementForStart>(elements_, count_, -1, FitAxis::kAny, line);
}

bool ColumnData::CalcEndLine(Line& line) const
{
    return FitElements<ColumnDataElementForEnd>(elements_, count_, -1, FitAxis::kAny, line);
}

namespace {

// Removes, while the row numbers are not monotonic, the element whose row
// number lies farthest from what the other elements predict at its place.
template <class View>
void AdjustRows(ColumnData& column)
{
    while (!column.CheckRowNumbers() && column.GetCount() > 1) {
        unsigned const count = column.GetCount();
        long long worst = -1;
        unsigned worstIndex = 0;
        for (unsigned i = 0; i < count; ++i) {
            Line line;
            if (!FitElements<View>(column.GetElements(), count, static_cast<int>(i), FitAxis::kY, line) ||
                line.b == 0) {
                continue;
            }
            View const view = View::From(column[i]);
            long long predicted = 0;
            if (!Geometry::RoundDivide(-(static_cast<long long>(line.a) * view.x + line.c), line.b, predicted)) {
                continue;
            }
            long long const difference = Abs(static_cast<long long>(view.y) - predicted);
            if (difference > worst) {
                worst = difference;
                worstIndex = i;
            }
        }
        if (worst < 0) {
            return;  // no prediction anywhere: nothing sound to remove
        }
        column.Remove(worstIndex);
    }
}

}  // namespace

void ColumnData::AdjustX() { AdjustRows<ColumnDataElementForSortX>(*this); }

void ColumnData::AdjustY() { AdjustRows<ColumnDataElementForSortY>(*this); }

void ColumnData::DeleteIrregularWidth()
{
    if (count_ < 2 || count_ > kCapacity) {
        Sort();
        return;
    }
    // The lengths in order; the cut is found on them and applied to the
    // elements in place, so that a column that is never sorted keeps its
    // order.
    unsigned lengths[kCapacity];
    for (unsigned i = 0; i < count_; ++i) {
        lengths[i] = Geometry::CalcChebyshevDistance(elements_[i].segment);
    }
    DecMath::HeapSort(lengths, count_, &CompareLength);
    unsigned const middle = count_ / 2;
    unsigned long long shortest = 0;
    unsigned long long longest = ~0ULL;
    // Towards the shorter end: each at least 17/19 of the one before it.
    for (unsigned i = middle; i-- > 0;) {
        if (static_cast<unsigned long long>(lengths[i]) * 19 < static_cast<unsigned long long>(lengths[i + 1]) * 17) {
            shortest = lengths[i + 1];
            break;
        }
    }
    // Towards the longer end: each at most 19/17 of the one before it.
    for (unsigned i = middle + 1; i < count_; ++i) {
        if (static_cast<unsigned long long>(lengths[i]) * 17 > static_cast<unsigned long long>(lengths[i - 1]) * 19) {
            longest = lengths[i - 1];
            break;
        }
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < count_; ++i) {
        unsigned long long const length = Geometry::CalcChebyshevDistance(elements_[i].segment);
        if (length >= shortest && length <= longest) {
            elements_[kept++] = elements_[i];
        }
    }
    count_ = kept;
    Sort();
}

int ColumnData::CalcAxisPosition(Point const& point) const
{
    if (orientation_ == 0) {
        return point.x;
    }
    if (orientation_ == 1) {
        return point.y;
    }
    if (count_ == 0) {
        return point.x;
    }
    Point const first = CalcCenter(elements_[0]);
    Point const last = CalcCenter(elements_[count_ - 1]);
    return Abs(static_cast<long long>(last.x) - first.x) >= Abs(static_cast<long long>(last.y) - first.y) ? point.x
                                                                                                           : point.y;
}

bool ColumnData::CalcNearlyIndex(Line const& line, unsigned& lo, int& loDistance, unsigned& hi,
                                 int& hiDistance) const
{
    if (count_ < 2) {
        return false;
    }
    Point cross;
    if (!Geometry::CalcCrossPoint(line, centerLine_, cross)) {
        return false;
    }
    // Positions rise along the list; a column sorted the other way is seen
    // mirrored.
    long long const sign =
        CalcAxisPosition(CalcCenter(elements_[0])) <= CalcAxisPosition(CalcCenter(elements_[count_ - 1])) ? 1 : -1;
    auto key = [&](unsigned i) { return sign * CalcAxisPosition(CalcCenter(elements_[i])); };
    long long const target = sign * CalcAxisPosition(cross);
    bool const numbered = static_cast<unsigned char>(elements_[0].row) <= 89;
    auto rowGap = [&](unsigned a, unsigned b) { return Abs(static_cast<long long>(elements_[a].row) - elements_[b].row); };

    unsigned low = 0;
    unsigned high = count_ - 1;
    if (target <= key(0)) {
        high = 1;
    } else if (target >= key(count_ - 1)) {
        low = count_ - 2;
    } else {
        // Bisection from the middle; it may stop as soon as the bracket
        // spans less than two rows.
        unsigned index = count_ / 2;
        unsigned step = count_ / 4 > 0 ? count_ / 4 : 1;
        while (high - low > 1 && !(numbered && rowGap(low, high) < 2)) {
            if (key(index) <= target) {
                low = index;
            } else {
                high = index;
            }
            unsigned next = key(index) <= target ? index + step : (index > step ? index - step : 0);
            if (next <= low || next >= high) {
                next = low + (high - low) / 2;
            }
            index = next;
            step = step > 1 ? step / 2 : 1;
        }
    }
    if (numbered) {
        bool upward = true;
        while (elements_[low].row == elements_[high].row) {
            if (low == 0 && high + 1 < count_) {
                ++high;
            } else if (high + 1 == count_ && low > 0) {
                --low;
            } else if (low > 0 && high + 1 < count_) {
                upward ? ++high : --low;
                upward = !upward;
            } else {
                return false;  // the whole list has one row number
            }
        }
    }
    long long const dLow = target - key(low);
    long long const dHigh = key(high) - target;
    if (dLow > 0x7FFFFFFF || dLow < -0x7FFFFFFF || dHigh > 0x7FFFFFFF || dHigh < -0x7FFFFFFF) {
        return false;
    }
    lo = low;
    hi = high;
    loDistance = static_cast<int>(dLow);
    hiDistance = static_cast<int>(dHigh);
    return true;
}

bool ColumnData::CalcPickParameter(GrayImage const& image, Line const& line, unsigned& contrast, int& row,
                                   bool& outside) const
{
    (void)image;
    unsigned lo = 0;
    unsigned hi = 0;
    int dLo = 0;
    int dHi = 0;
    if (!CalcNearlyIndex(line, lo, dLo, hi, dHi)) {
        return false;
    }
    long long const c = Interpolate(elements_[lo].contrast, dLo, elements_[hi].contrast, dHi);
    long long const r = Interpolate(256LL * elements_[lo].row, dLo, 256LL * elements_[hi].row, dHi);
    long long rounded = 0;
    Geometry::RoundDivide(r, 256, rounded);
    contrast = static_cast<unsigned>(c < 0 ? 0 : c * 4);
    row = static_cast<int>(rounded);
    outside = (lo == 0 || hi + 1 == count_) && (dLo < 0 || dHi < 0);
    return true;
}

bool ColumnData::CalcPickParameter(GrayImage const& image, Line const& line, int& row) const
{
    unsigned contrast = 0;
    bool outside = false;
    return CalcPickParameter(image, line, contrast, row, outside);
}

bool ColumnData::CalcScanParameter(GrayImage const& image, Line const& line, ScanParameter& parameter, bool side,
                                   bool narrow) const
{
    unsigned lo = 0;
    unsigned hi = 0;
    int dLo = 0;
    int dHi = 0;
    if (!CalcNearlyIndex(line, lo, dLo, hi, dHi)) {
        return false;
    }
    LineSegment const& a = elements_[lo].segment;
    LineSegment const& b = elements_[hi].segment;
    Line startLine;
    Line endLine;
    Point p;
    Point q;
    if (!Geometry::CalcLine(side ? a.end : a.begin, side ? b.end : b.begin, startLine) ||
        !Geometry::CalcLine(side ? a.begin : a.end, side ? b.begin : b.end, endLine) ||
        !Geometry::CalcCrossPoint(line, startLine, p) || !Geometry::CalcCrossPoint(line, endLine, q)) {
        return false;
    }
    // Two modules before Q, over 23 modules (or 25.5 when laid loose).
    Point from;
    Point to;
    if (!Geometry::CalcDividingPoint(2, p, 15, q, from)) {
        return false;
    }
    Vector const across{q.x - p.x, q.y - p.y};
    long long ex = 0;
    long long ey = 0;
    if (!Geometry::RoundDivide(static_cast<long long>(across.dx) * (narrow ? 23 : 3), narrow ? 17 : 2, ex) ||
        !Geometry::RoundDivide(static_cast<long long>(across.dy) * (narrow ? 23 : 3), narrow ? 17 : 2, ey)) {
        return false;
    }
    to = Point{static_cast<int>(from.x + ex), static_cast<int>(from.y + ey)};
    LineSegment pixels;
    if (!RoundPixel(from, pixels.begin) || !RoundPixel(to, pixels.end)) {
        return false;
    }
    ScanParameter out;
    if (!out.line.Set(image, pixels, 1)) {
        return false;
    }
    long long const c = Interpolate(elements_[lo].contrast, dLo, elements_[hi].contrast, dHi);
    long long const r = Interpolate(256LL * elements_[lo].row, dLo, 256LL * elements_[hi].row, dHi);
    long long rounded = 0;
    Geometry::RoundDivide(r, 256, rounded);
    out.contrast = static_cast<unsigned>(c < 0 ? 0 : c * 4);
    out.row = static_cast<int>(rounded);
    out.outside = (lo == 0 || hi + 1 == count_) && (dLo < 0 || dHi < 0);
    out.loose = !narrow;
    // The reference codeword's extent along the line, in line coordinates
    // with 8 fraction bits.
    out.line.SetExpected(Geometry::CalcChebyshevDistance(across), out.contrast);
    parameter = out;
    return true;
}

}  // namespace DEC2DIvra
