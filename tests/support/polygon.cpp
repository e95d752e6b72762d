#include "tests/support/polygon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace support {

namespace {

// Keeps the part where a*x + b*y <= c.
Polygon clipHalfPlane(Polygon const& in, double a, double b, double c)
{
    Polygon out;
    if (in.count == 0)
        return out;
    Point previous = in.points[static_cast<size_t>(in.count - 1)];
    double previousSide = a * previous.x + b * previous.y - c;
    for (int i = 0; i < in.count; ++i) {
        Point const current = in.points[static_cast<size_t>(i)];
        double const side = a * current.x + b * current.y - c;
        if ((side <= 0.0) != (previousSide <= 0.0)) {
            double const t = previousSide / (previousSide - side);
            out.add({previous.x + t * (current.x - previous.x), previous.y + t * (current.y - previous.y)});
        }
        if (side <= 0.0)
            out.add(current);
        previous = current;
        previousSide = side;
    }
    return out;
}

double signedArea(Polygon const& polygon)
{
    double sum = 0.0;
    for (int i = 0; i < polygon.count; ++i) {
        Point const a = polygon.points[static_cast<size_t>(i)];
        Point const b = polygon.points[static_cast<size_t>((i + 1) % polygon.count)];
        sum += a.x * b.y - b.x * a.y;
    }
    return 0.5 * sum;
}

} // namespace

double area(Polygon const& polygon)
{
    return std::abs(signedArea(polygon));
}

Polygon clipToBox(Polygon const& subject, double x0, double y0, double x1, double y1)
{
    Polygon p = clipHalfPlane(subject, -1.0, 0.0, -x0);
    p = clipHalfPlane(p, 1.0, 0.0, x1);
    p = clipHalfPlane(p, 0.0, -1.0, -y0);
    return clipHalfPlane(p, 0.0, 1.0, y1);
}

Polygon clipToConvex(Polygon const& subject, Polygon const& clip)
{
    // For counter-clockwise (positive area) clips the inside is left of each edge.
    double const orientation = signedArea(clip) >= 0.0 ? 1.0 : -1.0;
    Polygon p = subject;
    for (int i = 0; i < clip.count && p.count > 0; ++i) {
        Point const a = clip.points[static_cast<size_t>(i)];
        Point const b = clip.points[static_cast<size_t>((i + 1) % clip.count)];
        // Inside: orientation * cross(b - a, p - a) >= 0, written as a*x + b*y <= c.
        double const nx = orientation * (b.y - a.y);
        double const ny = -orientation * (b.x - a.x);
        p = clipHalfPlane(p, nx, ny, nx * a.x + ny * a.y);
    }
    return p;
}

// How many points of `subject` lie outside each edge of the convex `clip`, by
// the same half-plane test the clip makes (inside when a*x + b*y <= c).
template <typename Visit>
void countOutside(Polygon const& clip, Polygon const& subject, Visit visit)
{
    double const orientation = signedArea(clip) >= 0.0 ? 1.0 : -1.0;
    for (int i = 0; i < clip.count; ++i) {
        Point const a = clip.points[static_cast<size_t>(i)];
        Point const b = clip.points[static_cast<size_t>((i + 1) % clip.count)];
        double const nx = orientation * (b.y - a.y);
        double const ny = -orientation * (b.x - a.x);
        double const c = nx * a.x + ny * a.y;
        int outside = 0;
        for (int k = 0; k < subject.count; ++k) {
            Point const p = subject.points[static_cast<size_t>(k)];
            outside += nx * p.x + ny * p.y - c > 0.0 ? 1 : 0;
        }
        if (!visit(outside))
            return;
    }
}

bool containsAll(Polygon const& clip, Polygon const& subject)
{
    if (clip.count < 3)
        return false;
    bool all = true;
    countOutside(clip, subject, [&](int outside) { return all = outside == 0; });
    return all;
}

bool excludesAll(Polygon const& clip, Polygon const& subject)
{
    if (clip.count < 3 || subject.count == 0)
        return false;
    bool none = false;
    countOutside(clip, subject, [&](int outside) { return !(none = outside == subject.count); });
    return none;
}

Polygon circlePolygon(Point centre, double radius, int sides)
{
    sides = std::clamp(sides, 3, Polygon::kCapacity);
    double const step = 2.0 * std::numbers::pi / sides;
    // Inscribed polygons lose area; widen so the grey matches the disc.
    double const r = radius * std::sqrt(step / std::sin(step));
    Polygon polygon;
    for (int i = 0; i < sides; ++i)
        polygon.add({centre.x + r * std::cos(i * step), centre.y + r * std::sin(i * step)});
    return polygon;
}

void fillPolygon(Frame& frame, Polygon const& polygon, int level)
{
    if (!frame.valid() || polygon.count < 3)
        return;
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < polygon.count; ++i) {
        Point const p = polygon.points[static_cast<size_t>(i)];
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    // Clamped as doubles: a shape far off the frame must not overflow an int.
    int const x0 = static_cast<int>(std::clamp(std::floor(minX), 0.0, double(frame.width)));
    int const y0 = static_cast<int>(std::clamp(std::floor(minY), 0.0, double(frame.height)));
    int const x1 = static_cast<int>(std::clamp(std::floor(maxX), -1.0, double(frame.width - 1)));
    int const y1 = static_cast<int>(std::clamp(std::floor(maxY), -1.0, double(frame.height - 1)));
    double const target = std::clamp(level, 0, kMaxLevel);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            double const cover = std::min(1.0, area(clipToBox(polygon, x, y, x + 1.0, y + 1.0)));
            if (cover <= 0.0)
                continue;
            uint16_t& v = frame.at(x, y);
            v = static_cast<uint16_t>(std::lround(v * (1.0 - cover) + target * cover));
        }
    }
}

} // namespace support
