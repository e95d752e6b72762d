#include "decoder/stacked/linear_bar_direction.h"

#include <cmath>

#include "decoder/core/sampling/bilinear.h"
#include "decoder/core/sampling/line_shift.h"

namespace DEC2DIvra {

namespace {

// The steepest slant of the bars against the region's sides looked for,
// as a tangent (about 25 degrees).
constexpr float kMaxTangent = 0.47f;

}  // namespace

unsigned LinearBarDirection::Sample(GrayImage const& image, float t, float* out) const
{
    float const x0 = ox_ + nx_ * t;
    float const y0 = oy_ + ny_ * t;
    auto at = [&image](int px, int py) { return static_cast<float>(image.AtClamped(px, py)); };
    for (unsigned i = 0; i < count_; ++i) {
        float const s = step_ * static_cast<float>(i);
        out[i] = Bilinear(at, x0 + ux_ * s, y0 + uy_ * s);
    }
    return count_;
}

bool LinearBarDirection::Match(float const* a, float const* b, unsigned count, float from, int reach, float& shift,
                               float& likeness)
{
    LineShift found;
    if (!FindLineShift(a, count, b, count, 0, static_cast<int>(std::lround(from)), reach, found)) {
        return false;
    }
    shift = static_cast<float>(found.shift);
    likeness = static_cast<float>(found.likeness);
    return true;
}

bool LinearBarDirection::Measure(GrayImage const& image, Region const& region, float& x, float& y)
{
    float const tx = static_cast<float>(region[1].x - region[0].x);
    float const ty = static_cast<float>(region[1].y - region[0].y);
    float const length = std::hypot(tx, ty);
    if (!(length >= 16.0f)) {
        return false;
    }
    ux_ = tx / length;
    uy_ = ty / length;
    nx_ = -uy_;
    ny_ = ux_;
    // How far edge 3-2 lies from edge 0-1, at both ends' mean.
    float const sideX = static_cast<float>(region[3].x - region[0].x + region[2].x - region[1].x) / 2;
    float const sideY = static_cast<float>(region[3].y - region[0].y + region[2].y - region[1].y) / 2;
    float depth = sideX * nx_ + sideY * ny_;
    if (depth < 0) {
        nx_ = -nx_;
        ny_ = -ny_;
        depth = -depth;
    }
    if (!(depth >= 6.0f)) {
        return false;
    }
    ox_ = static_cast<float>(region[0].x);
    oy_ = static_cast<float>(region[0].y);
    step_ = length / static_cast<float>(kMaxSamples - 1) > 0.5f ? length / static_cast<float>(kMaxSamples - 1) : 0.5f;
    count_ = static_cast<unsigned>(length / step_) + 1;
    count_ = count_ > kMaxSamples ? kMaxSamples : count_;
    // Lines from a tenth of the depth before edge 0-1 to a tenth beyond 3-2.
    float const spacing = 1.2f * depth / static_cast<float>(kLines - 1);
    auto at = [&](unsigned k) { return -0.1f * depth + spacing * static_cast<float>(k); };
    int const reach = static_cast<int>(kMaxTangent * spacing / step_) + 1;
    float shifts[kLines] = {};
    bool alike[kLines] = {};
    float* previous = first_;
    float* current = second_;
    Sample(image, at(0), previous);
    for (unsigned k = 1; k < kLines; ++k) {
        Sample(image, at(k), current);
        float likeness = 0;
        alike[k] = Match(previous, current, count_, 0, reach, shifts[k], likeness) && likeness >= kMinLikeness;
        float* const swap = previous;
        previous = current;
        current = swap;
    }
    // The longest run of agreeing neighbours (alike[k]: lines k-1 and k).
    unsigned bestFirst = 0;
    unsigned bestLast = 0;
    for (unsigned k = 1; k < kLines; ++k) {
        if (!alike[k]) {
            continue;
        }
        unsigned last = k;
        while (last + 1 < kLines && alike[last + 1]) {
            ++last;
        }
        if (last - (k - 1) > bestLast - bestFirst) {
            bestFirst = k - 1;
            bestLast = last;
        }
        k = last;
    }
    if (bestLast - bestFirst < 2) {
        return false;
    }
    // The run's first line matched with each further one, near where the
    // slant found so far puts its edges: the distance sharpens the slant
    // step by step without a wrong step adding up. It ends at a line that no
    // longer matches the first (the bars' ends fray); one such step at least
    // must hold.
    Sample(image, at(bestFirst), first_);
    float tangent = shifts[bestFirst + 1] * step_ / spacing;
    for (unsigned k = bestFirst + 2; k <= bestLast; ++k) {
        float const apart = at(k) - at(bestFirst);
        Sample(image, at(k), second_);
        float shift = 0;
        float likeness = 0;
        if (!Match(first_, second_, count_, tangent * apart / step_, 2, shift, likeness) || likeness < kMinLikeness) {
            if (k == bestFirst + 2) {
                return false;
            }
            break;
        }
        tangent = shift * step_ / apart;
    }
    // A feature at s on one line lies at s + tangent * t further along the normal.
    float const bx = -(nx_ + tangent * ux_);
    float const by = -(ny_ + tangent * uy_);
    float const norm = std::hypot(bx, by);
    x = bx / norm;
    y = by / norm;
    return true;
}

}  // namespace DEC2DIvra
