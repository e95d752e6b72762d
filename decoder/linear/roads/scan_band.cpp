#include "decoder/linear/roads/scan_band.h"

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle_border.h"

namespace DEC2DIvra {

namespace {

Point Add(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }
Point Sub(Point const& p, Vector const& v) { return Point{p.x - v.dx, p.y - v.dy}; }
Vector Diff(Point const& from, Point const& to) { return Vector{to.x - from.x, to.y - from.y}; }

// A point of the trimmed segment may not leave the untrimmed one's bounds.
bool IsWithin(LineSegment const& trimmed, LineSegment const& whole)
{
    Rectangle bounds;
    Geometry::CalcRectangle(whole, bounds);
    return Geometry::IsIncluding(bounds, trimmed);
}

bool CrossPoint(Line const& a, Line const& b, Point& p) { return Geometry::CalcCrossPoint(a, b, p); }

// Coordinates this far out cannot come from a real frame; refusing them keeps
// every sum below in range.
constexpr int kCoordinateLimit = 1 << 24;

bool IsSane(Point const& p) { return p.x > -kCoordinateLimit && p.x < kCoordinateLimit && p.y > -kCoordinateLimit && p.y < kCoordinateLimit; }

}  // namespace

bool BarCodeScanRegion::Set(GrayImage const& image, Region const& region)
{
    lines_ = 0;
    Point const& c1 = region.corner[0];
    Point const& c2 = region.corner[1];
    Point const& c3 = region.corner[2];
    Point const& c4 = region.corner[3];
    for (Point const& c : region.corner) {
        if (!IsSane(c)) {
            return false;
        }
    }
    located_ = region;
    RectangleBorder const border(image);
    if (border.IsEmpty()) {
        return false;
    }

    LineSegment startSide;
    LineSegment endSide;
    if (!Geometry::TrimLineSegment(LineSegment{c1, c4}, border, startSide) ||
        !Geometry::TrimLineSegment(LineSegment{c2, c3}, border, endSide)) {
        return false;
    }
    Point a;
    Point b;
    Geometry::CalcCenterPoint(startSide.begin, startSide.end, a);
    Geometry::CalcCenterPoint(endSide.begin, endSide.end, b);

    // The step between scan lines: a principal direction near the region's
    // across vector, the nearer half step of its 4-bit angle value. That
    // rounds twice and may lie up to a third of a right angle off; across a
    // region longer than its lines (a tall stacked symbol) the far lines
    // would walk off it, and the nearest of the eight is taken there.
    Vector const v = Diff(c1, c4);
    Vector const along = Diff(c1, c2);
    unsigned a4 = 0;
    Vector step;
    if (!CommonAngle::CalcAngleValue(v.dx, v.dy, 4, a4) ||
        !CommonAngle::CalcAngleVector(((a4 % 16) + 1) / 2, 3, step)) {
        return false;
    }
    long long const across2 = static_cast<long long>(v.dx) * v.dx + static_cast<long long>(v.dy) * v.dy;
    long long const along2 =
        static_cast<long long>(along.dx) * along.dx + static_cast<long long>(along.dy) * along.dy;
    unsigned a3 = 0;
    if (across2 > along2 &&
        (!CommonAngle::CalcAngleValue(v.dx, v.dy, 3, a3) || !CommonAngle::CalcAngleVector(a3, 3, step))) {
        return false;
    }

    // The quantised sides through A and B, cut by the region's first and
    // last line.
    Line l1;
    Line l2;
    Line p12;
    Line p43;
    if (!Geometry::CalcLine(a, Add(a, step), l1) || !Geometry::CalcLine(b, Add(b, step), l2) ||
        !Geometry::CalcLine(c1, c2, p12) || !Geometry::CalcLine(c4, c3, p43)) {
        return false;
    }
    Point x1;
    Point x2;
    Point x3;
    Point x4;
    if (!CrossPoint(l1, p12, x1) || !CrossPoint(l1, p43, x4) || !CrossPoint(l2, p12, x2) ||
        !CrossPoint(l2, p43, x3)) {
        return false;
    }
    LineSegment const s1{x1, x4};
    LineSegment const s2{x2, x3};
    LineSegment s1t;
    LineSegment s2t;
    if (!Geometry::TrimLineSegment(s1, border, s1t) || !Geometry::TrimLineSegment(s2, border, s2t) ||
        !IsWithin(s1t, s1) || !IsWithin(s2t, s2)) {
        return false;
    }

    Vector const w = Diff(a, b);
    unsigned const len1 = Geometry::CalcChebyshevDistance(s1t);
    unsigned const len2 = Geometry::CalcChebyshevDistance(s2t);
    LineSegment e;
    if (len1 < len2) {
        lines_ = len1 + 1;
        e = s1t;
    } else {
        lines_ = len2 + 1;
        e = LineSegment{Sub(s2t.begin, w), Sub(s2t.end, w)};
    }

    if (lines_ >= kMinLines) {
        LineSegment ft;
        LineSegment gt;
        if (!Geometry::TrimLineSegment(LineSegment{e.begin, Add(e.begin, w)}, border, ft) ||
            !Geometry::TrimLineSegment(LineSegment{e.end, Add(e.end, w)}, border, gt)) {
            lines_ = 0;
            return false;
        }
        Vector const y = Diff(e.begin, e.end);
        // The shorter trimmed line is carried across to the other end.
        if (Geometry::CalcChebyshevDistance(ft) < Geometry::CalcChebyshevDistance(gt)) {
            corner_[0] = ft.begin;
            corner_[1] = ft.end;
            corner_[2] = Add(ft.end, y);
            corner_[3] = Add(ft.begin, y);
        } else {
            corner_[0] = Sub(gt.begin, y);
            corner_[1] = Sub(gt.end, y);
            corner_[2] = gt.end;
            corner_[3] = gt.begin;
        }
    } else {
        for (Point const& c : region.corner) {
            if (!border.IsInside(c)) {
                lines_ = 0;
                return false;
            }
        }
        lines_ = (len1 > len2 ? len1 : len2) + 1;
        if (lines_ < kMinLines) {
            lines_ = 0;
            return false;
        }
        for (unsigned i = 0; i < 4; ++i) {
            corner_[i] = region.corner[i];
        }
    }

    stepVector_ = step;
    step_ = step.dx + step.dy * image.GetPitch();

    // Walk 4-connected where the lines run near a diagonal, so that no pixel
    // between neighbouring lines is skipped.
    unsigned a6v = 0;
    unsigned a6w = 0;
    if (!CommonAngle::CalcAngleValue(v.dx, v.dy, 6, a6v) || !CommonAngle::CalcAngleValue(w.dx, w.dy, 6, a6w)) {
        lines_ = 0;
        return false;
    }
    unsigned const qv = a6v % 16;
    unsigned const qw = a6w % 16;
    if (qv == 0 || qv == 15) {
        fourConnected_ = 0;
    } else if (qv == 7 || qv == 8) {
        fourConnected_ = 1;
    } else {
        fourConnected_ = (qw == 0 || qw == 1 || qw == 14 || qw == 15) ? 0 : 1;
    }
    unsigned const side = (a6v / 2) % 4;
    skew_ = side == 1 ? 1 : (side == 2 ? -1 : 0);
    return true;
}

}  // namespace DEC2DIvra
