#pragma once

#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The direction of a linear symbol's bars, measured in the frame: lines
// along the label's reading direction, stepped across its region, see the
// same edges shifted by the bars' slant. A label's region may be cut
// square to a direction a few degrees off the bars (from the scan lines
// that read it), and may reach beyond the bars into a 2D part above them:
// only a run of neighbouring lines whose level changes agree counts.
class LinearBarDirection {
public:
    static constexpr unsigned kMaxSamples = 1024;
    static constexpr unsigned kLines = 13;
    // Neighbouring lines whose likeness (their best match over the geometric
    // mean of each one's match with itself) falls below this see different
    // things.
    static constexpr float kMinLikeness = 0.6f;

    // The bars' direction as a unit vector (x, y), pointing from the
    // region's edge 3-2 toward its edge 0-1. False when the region is too
    // small or no three neighbouring lines agree.
    bool Measure(GrayImage const& image, Region const& region, float& x, float& y);

private:
    // Samples the line `t` pixels from the edge 0-1 along the normal; the
    // count of samples.
    unsigned Sample(GrayImage const& image, float t, float* out) const;
    // The best shift (samples, with a parabola's fraction) of `b` against
    // `a` within `reach` samples of `from`, and the likeness there.
    static bool Match(float const* a, float const* b, unsigned count, float from, int reach, float& shift,
                      float& likeness);

    float first_[kMaxSamples];
    float second_[kMaxSamples];
    float ox_ = 0;
    float oy_ = 0;
    float ux_ = 0;
    float uy_ = 0;
    float nx_ = 0;
    float ny_ = 0;
    float step_ = 0;
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
