#include "tests/support/frame.h"

#include "tests/support/random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace support {

namespace {

uint16_t toLevel(double value)
{
    return static_cast<uint16_t>(std::clamp(std::lround(value), 0L, static_cast<long>(kMaxLevel)));
}

double segmentDistance(Point a, Point b, Point p)
{
    double const dx = b.x - a.x;
    double const dy = b.y - a.y;
    double const lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

} // namespace

Frame makeFrame(int width, int height, int level)
{
    Frame frame;
    if (width <= 0 || height <= 0)
        return frame;
    frame.width = width;
    frame.height = height;
    frame.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), toLevel(level));
    return frame;
}

double distanceOutside(Quad const& quad, Point p)
{
    int positive = 0;
    int negative = 0;
    double nearest = INFINITY;
    for (size_t i = 0; i < quad.size(); ++i) {
        Point const a = quad[i];
        Point const b = quad[(i + 1) % quad.size()];
        double const cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        positive += cross > 0.0;
        negative += cross < 0.0;
        nearest = std::min(nearest, segmentDistance(a, b, p));
    }
    bool const inside = positive == 0 || negative == 0;
    return inside ? -nearest : nearest;
}

void applyLighting(Frame& frame, double amount, double angleDegrees)
{
    if (!frame.valid() || amount == 0.0)
        return;
    double const angle = angleDegrees * std::numbers::pi / 180.0;
    double const c = std::cos(angle);
    double const s = std::sin(angle);
    double const halfExtent = 0.5 * (frame.width * std::abs(c) + frame.height * std::abs(s));
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            double const t = ((x + 0.5 - 0.5 * frame.width) * c + (y + 0.5 - 0.5 * frame.height) * s) / halfExtent;
            frame.at(x, y) = toLevel(frame.at(x, y) * (1.0 + 0.5 * amount * t));
        }
    }
}

void applyBlur(Frame& frame, double sigma)
{
    if (!frame.valid() || !(sigma > 0.0))
        return;
    int const radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<double> kernel(static_cast<size_t>(2 * radius + 1));
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        double const w = std::exp(-0.5 * i * i / (sigma * sigma));
        kernel[static_cast<size_t>(i + radius)] = w;
        sum += w;
    }
    for (double& w : kernel)
        w /= sum;

    int const width = frame.width;
    int const height = frame.height;
    std::vector<double> rows(frame.pixels.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double acc = 0.0;
            for (int i = -radius; i <= radius; ++i)
                acc += kernel[static_cast<size_t>(i + radius)] * frame.at(std::clamp(x + i, 0, width - 1), y);
            rows[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = acc;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double acc = 0.0;
            for (int i = -radius; i <= radius; ++i) {
                int const yy = std::clamp(y + i, 0, height - 1);
                acc += kernel[static_cast<size_t>(i + radius)] * rows[static_cast<size_t>(yy) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            }
            frame.at(x, y) = toLevel(acc);
        }
    }
}

void applyNoise(Frame& frame, double sigma, uint64_t seed)
{
    if (!frame.valid() || !(sigma > 0.0))
        return;
    Random random(seed);
    for (uint16_t& v : frame.pixels)
        v = toLevel(v + sigma * random.gaussian());
}

void invert(Frame& frame)
{
    for (uint16_t& v : frame.pixels)
        v = static_cast<uint16_t>(kMaxLevel - std::min<int>(v, kMaxLevel));
}

} // namespace support
