#include "decoder/stacked/pdf417/calc_code_vector_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"

namespace DEC2DIvra {

namespace {

// Between the start points of the column's first and last patterns.
bool CalcMiddle(StartStopColumnData const& column, Point& middle)
{
    unsigned const count = column.GetCount();
    if (count == 0) {
        return false;
    }
    Geometry::CalcCenterPoint(column[0].segment.begin, column[count - 1].segment.begin, middle);
    return true;
}

}  // namespace

bool CalcCodeVectorSubroutine::Start(StartStopColumnData const* start, StartStopColumnData const* stop,
                                     Vector& vector) const
{
    if (start == nullptr || stop == nullptr) {
        return false;
    }
    unsigned long long const starts = start->GetCount();
    unsigned long long const stops = stop->GetCount();
    if (starts > 2 * stops || stops > 2 * starts) {
        return false;
    }
    Point from;
    Point to;
    if (!CalcMiddle(*start, from) || !CalcMiddle(*stop, to)) {
        return false;
    }
    Vector result;
    Geometry::CalcVector(from, to, result);
    if (result.dx == 0 && result.dy == 0) {
        return false;
    }
    vector = result;
    return true;
}

}  // namespace DEC2DIvra
