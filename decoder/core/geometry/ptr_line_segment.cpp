#include "decoder/core/geometry/ptr_line_segment.h"

#include <climits>

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool PtrLineSegment::Set(GrayImage const& image, LineSegment const& segment)
{
    if (image.GetPixels() == nullptr || !image.IsInside(segment.begin.x, segment.begin.y) ||
        !image.IsInside(segment.end.x, segment.end.y)) {
        return false;
    }
    long long const dx = static_cast<long long>(segment.end.x) - segment.begin.x;
    long long const dy = static_cast<long long>(segment.end.y) - segment.begin.y;
    long long const ax = dx < 0 ? -dx : dx;
    long long const ay = dy < 0 ? -dy : dy;
    segment_ = segment;
    pixels_ = image.GetPixels();
    start_ = image.GetPixels() + static_cast<long long>(segment.begin.y) * image.GetPitch() + segment.begin.x;
    xMajor_ = ax >= ay;
    int const sx = dx < 0 ? -1 : 1;
    int const sy = dy < 0 ? -1 : 1;
    if (xMajor_) {
        majorSign_ = sx;
        minorSign_ = sy;
        majorStep_ = sx;
        minorStep_ = sy * image.GetPitch();
        majorLength_ = ax;
        minorLength_ = ay;
    } else {
        majorSign_ = sy;
        minorSign_ = sx;
        majorStep_ = sy * image.GetPitch();
        minorStep_ = sx;
        majorLength_ = ay;
        minorLength_ = ax;
    }
    length_ = static_cast<unsigned>(majorLength_ + 1);
    return true;
}

Point PtrLineSegment::CalcWalkPoint(long long k) const
{
    // minor offset = round(k |d minor| / |d major|), as the error term walks.
    long long minor = 0;
    if (majorLength_ > 0) {
        Geometry::RoundDivide(k * minorLength_, majorLength_, minor);
    }
    long long const major = k * majorSign_;
    minor *= minorSign_;
    Point p;
    p.x = static_cast<int>(segment_.begin.x + (xMajor_ ? major : minor));
    p.y = static_cast<int>(segment_.begin.y + (xMajor_ ? minor : major));
    return p;
}

bool PtrLineSegment::CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const
{
    if (length_ == 0) {
        return false;
    }
    Point const p = CalcWalkPoint(coordinate);
    if (!image.IsInside(p.x, p.y)) {
        return false;
    }
    point = p;
    return true;
}

bool PtrLineSegment::CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits,
                                            Point& point) const
{
    if (length_ == 0 || fractionBits > 15) {
        return false;
    }
    long long const one = 1LL << fractionBits;
    long long minor = 0;
    if (majorLength_ > 0) {
        Geometry::RoundDivide(static_cast<long long>(coordinate) * minorLength_, majorLength_, minor);
    }
    long long const major = static_cast<long long>(coordinate) * majorSign_;
    minor *= minorSign_;
    long long const x = static_cast<long long>(segment_.begin.x) * one + (xMajor_ ? major : minor);
    long long const y = static_cast<long long>(segment_.begin.y) * one + (xMajor_ ? minor : major);
    if (x < 0 || y < 0 || x > static_cast<long long>(image.GetWidth() - 1) * one ||
        y > static_cast<long long>(image.GetHeight() - 1) * one) {
        return false;
    }
    point.x = static_cast<int>(x);
    point.y = static_cast<int>(y);
    return true;
}

bool PtrLineSegment::CalcLineCoord(GrayImage const& image, Point const& point, int& coordinate) const
{
    return CalcRealLineCoord(image, 0, point, coordinate);
}

bool PtrLineSegment::CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point,
                                       int& coordinate) const
{
    if (length_ == 0 || fractionBits > 15) {
        return false;
    }
    long long const one = 1LL << fractionBits;
    long long const x = point.x;
    long long const y = point.y;
    if (x < 0 || y < 0 || x > static_cast<long long>(image.GetWidth() - 1) * one ||
        y > static_cast<long long>(image.GetHeight() - 1) * one) {
        return false;
    }
    long long const offset = xMajor_ ? x - static_cast<long long>(segment_.begin.x) * one
                                     : y - static_cast<long long>(segment_.begin.y) * one;
    long long const c = offset * majorSign_;
    if (c < INT_MIN || c > INT_MAX) {
        return false;
    }
    coordinate = static_cast<int>(c);
    return true;
}

}  // namespace DEC2DIvra
