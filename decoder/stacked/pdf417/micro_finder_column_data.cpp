#include "decoder/stacked/pdf417/micro_finder_column_data.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kCycle = 52;

// Steps between two pattern numbers round the cycle of 52.
unsigned CyclicDistance(int a, int b)
{
    unsigned const d = static_cast<unsigned>(((a - b) % 52 + 52) % 52);
    return d <= kCycle / 2 ? d : kCycle - d;
}

}  // namespace

void MicroFinderColumnData::Push(LineSegment const& segment, unsigned width, unsigned number, int second)
{
    if (capacity_ == 0) {
        return;
    }
    while (count_ >= capacity_) {
        Remove(0);
    }
    ColumnDataElement element;
    element.row = static_cast<signed char>(number % kCycle);
    element.codeword = static_cast<unsigned short>(second < 0 ? 0 : (second > 0xFFFF ? 0xFFFF : second));
    element.contrast = static_cast<unsigned short>(width / 4 > 0xFFFF ? 0xFFFF : width / 4);
    element.score = 1;
    element.segment = reversed ? LineSegment{segment.end, segment.begin} : segment;
    ColumnData::Push(element);
}

void MicroFinderColumnData::SetRowNumbers(MicroPDFVersionTable::FinderPosition position,
                                          MicroPDFVersionTable::Element const& element)
{
    unsigned const start = MicroPDFVersionTable::CalcColumnStart(element, position) % kCycle;
    unsigned kept = 0;
    for (unsigned i = 0; i < count_; ++i) {
        ColumnDataElement e = elements_[i];
        int row = e.row - static_cast<int>(start);
        row = row < 0 ? row + static_cast<int>(kCycle) : (row >= static_cast<int>(kCycle) ? row - static_cast<int>(kCycle) : row);
        if (row >= element.rows) {
            continue;
        }
        e.row = static_cast<signed char>(row);
        elements_[kept++] = e;
    }
    count_ = kept;
}

unsigned MicroFinderColumnData::CountRows() const
{
    unsigned rows = 0;
    for (unsigned i = 0; i < count_; ++i) {
        if (i == 0 || elements_[i].row != elements_[i - 1].row) {
            ++rows;
        }
    }
    return rows;
}

unsigned MicroFinderColumnData::CountSkippedRows() const
{
    unsigned skipped = 0;
    for (unsigned i = 1; i < count_; ++i) {
        int const a = elements_[i - 1].row;
        int const b = elements_[i].row;
        if (a == b || a == 0) {
            continue;
        }
        // Round the cycle: pattern 52 (kept as 0) follows 51.
        skipped += CyclicDistance(a, b) - 1;
    }
    return skipped;
}

bool MicroFinderColumnData::CalcChebyshevDistance(MicroFinderColumnData const& a, MicroFinderColumnData const& b,
                                                  unsigned& distance)
{
    Point ma;
    Point mb;
    Geometry::CalcCenterPoint(a.lineSegment.begin, a.lineSegment.end, ma);
    Geometry::CalcCenterPoint(b.lineSegment.begin, b.lineSegment.end, mb);
    distance = Geometry::CalcChebyshevDistance(ma, mb);
    return true;
}

}  // namespace DEC2DIvra
