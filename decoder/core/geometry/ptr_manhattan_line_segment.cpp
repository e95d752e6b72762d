#include "decoder/core/geometry/ptr_manhattan_line_segment.h"

namespace DEC2DIvra {

unsigned PtrManhattanLineSegment::GetLength() const
{
    if (line_.GetLength() == 0) {
        return 0;
    }
    LineSegment const& s = line_.GetSegment();
    long long const dx = static_cast<long long>(s.end.x) - s.begin.x;
    long long const dy = static_cast<long long>(s.end.y) - s.begin.y;
    return static_cast<unsigned>((dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) + 1);
}

bool PtrManhattanLineSegment::CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const
{
    if (line_.GetLength() == 0) {
        return false;
    }
    // Floor division, also for coordinates before the begin point.
    int const k = coordinate >= 0 ? coordinate / 2 : -((1 - coordinate) / 2);
    Point p = line_.CalcWalkPoint(k);
    if (coordinate - 2 * k == 1) {
        // The inserted pixel: the next major position, still on this minor one.
        Point const next = line_.CalcWalkPoint(static_cast<long long>(k) + 1);
        if (line_.IsXMajor()) {
            p.x = next.x;
        } else {
            p.y = next.y;
        }
    }
    if (!image.IsInside(p.x, p.y)) {
        return false;
    }
    point = p;
    return true;
}

bool PtrManhattanLineSegment::CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits,
                                                     Point& point) const
{
    // Half steps with f fraction bits are whole steps with f + 1 bits.
    Point fine;
    if (fractionBits > 14 || !line_.CalcRealLineCoordPoint(image, coordinate, fractionBits + 1, fine)) {
        return false;
    }
    point.x = (fine.x + 1) >> 1;
    point.y = (fine.y + 1) >> 1;
    return true;
}

bool PtrManhattanLineSegment::CalcLineCoord(GrayImage const& image, Point const& point, int& coordinate) const
{
    return CalcRealLineCoord(image, 0, point, coordinate);
}

bool PtrManhattanLineSegment::CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point,
                                                int& coordinate) const
{
    int whole = 0;
    if (!line_.CalcRealLineCoord(image, fractionBits, point, whole)) {
        return false;
    }
    long long const doubled = 2LL * whole;
    if (doubled > 2147483647LL || doubled < -2147483647LL - 1) {
        return false;
    }
    coordinate = static_cast<int>(doubled);
    return true;
}

}  // namespace DEC2DIvra
