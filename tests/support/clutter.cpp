#include "tests/support/clutter.h"

#include "tests/support/polygon.h"
#include "tests/support/random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace support {

namespace {

constexpr int kTries = 20;

struct Box {
    double x0, y0, x1, y1;
};

Box bounds(std::vector<Polygon> const& parts)
{
    Box b{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (Polygon const& p : parts) {
        for (int i = 0; i < p.count; ++i) {
            Point const q = p.points[static_cast<size_t>(i)];
            b.x0 = std::min(b.x0, q.x);
            b.y0 = std::min(b.y0, q.y);
            b.x1 = std::max(b.x1, q.x);
            b.y1 = std::max(b.y1, q.y);
        }
    }
    return b;
}

bool clear(Box const& item, ClutterOptions const& options)
{
    for (Quad const& quad : options.keepClear) {
        // Boxes are conservative: a turned item's box holds more than the item.
        Box keep{INFINITY, INFINITY, -INFINITY, -INFINITY};
        for (Point const& p : quad) {
            keep.x0 = std::min(keep.x0, p.x - options.margin);
            keep.y0 = std::min(keep.y0, p.y - options.margin);
            keep.x1 = std::max(keep.x1, p.x + options.margin);
            keep.y1 = std::max(keep.y1, p.y + options.margin);
        }
        if (item.x0 < keep.x1 && item.x1 > keep.x0 && item.y0 < keep.y1 && item.y1 > keep.y0)
            return false;
    }
    return true;
}

Polygon rotatedBox(Point origin, double c, double s, double u0, double v0, double u1, double v1)
{
    Polygon p;
    for (Point const uv : {Point{u0, v0}, Point{u1, v0}, Point{u1, v1}, Point{u0, v1}})
        p.add({origin.x + uv.x * c - uv.y * s, origin.y + uv.x * s + uv.y * c});
    return p;
}

// A line of "words": letter blobs of one height, each one to three strokes.
std::vector<Polygon> textLine(Random& random, Frame const& frame)
{
    double const size = random.uniform(6.0, 14.0);
    double const angle = random.integer(0, 3) == 0 ? random.uniform(0.0, 2.0 * std::numbers::pi)
                                                   : random.uniform(-0.15, 0.15);
    double const c = std::cos(angle);
    double const s = std::sin(angle);
    Point const origin{random.uniform(0.0, frame.width), random.uniform(0.0, frame.height)};
    int const letters = random.integer(5, 30);
    std::vector<Polygon> parts;
    double u = 0.0;
    for (int i = 0; i < letters; ++i) {
        if (random.integer(0, 5) == 0) { // word gap
            u += 0.6 * size;
            continue;
        }
        double const letterWidth = size * random.uniform(0.4, 0.8);
        double const stroke = std::max(1.0, 0.15 * size);
        int const strokes = random.integer(1, 3);
        for (int k = 0; k < strokes; ++k) {
            if (random.integer(0, 1) == 0) { // upright stroke
                double const at = u + random.uniform(0.0, letterWidth - stroke);
                parts.push_back(rotatedBox(origin, c, s, at, -size, at + stroke, 0.0));
            } else {                          // crossbar
                double const at = random.uniform(-size, -stroke);
                parts.push_back(rotatedBox(origin, c, s, u, at, u + letterWidth, at + stroke));
            }
        }
        u += letterWidth + 0.25 * size;
    }
    return parts;
}

std::vector<Polygon> stroke(Random& random, Frame const& frame)
{
    double const angle = random.uniform(0.0, std::numbers::pi);
    double const length = random.uniform(30.0, 0.6 * std::max(frame.width, frame.height));
    double const width = random.uniform(1.0, 4.0);
    Point const origin{random.uniform(0.0, frame.width), random.uniform(0.0, frame.height)};
    return {rotatedBox(origin, std::cos(angle), std::sin(angle), 0.0, -0.5 * width, length, 0.5 * width)};
}

} // namespace

int addClutter(Frame& frame, ClutterOptions const& options)
{
    if (!frame.valid())
        return 0;
    Random random(options.seed);
    int drawn = 0;
    int const items = std::max(0, options.textLines) + std::max(0, options.strokes);
    for (int item = 0; item < items; ++item) {
        for (int attempt = 0; attempt < kTries; ++attempt) {
            std::vector<Polygon> const parts =
                item < options.textLines ? textLine(random, frame) : stroke(random, frame);
            if (!clear(bounds(parts), options))
                continue;
            for (Polygon const& part : parts)
                fillPolygon(frame, part, options.level);
            ++drawn;
            break;
        }
    }
    return drawn;
}

} // namespace support
