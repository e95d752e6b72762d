#include "decoder/matrix/qr/qr_sampler.h"

namespace DEC2DIvra {

namespace {

// Steps out from the centre until the third colour change (core, light
// ring, dark ring, outside); the distance of the last change, interpolated
// between samples. Changes shorter than a third of a module are ignored.
bool OuterEdge(QRSampler const& sampler, QRPoint const& centre, QRPoint const& step, float stepLength, float module,
               int threshold, float& distance)
{
    int const limit = static_cast<int>(6.0f * module / stepLength) + 2;
    int changes = 0;
    bool dark = true;
    float pending = -1.0f;
    int previous = sampler.At(centre.x, centre.y);
    if (previous >= threshold) {
        return false;
    }
    for (int i = 1; i <= limit; ++i) {
        float const position = static_cast<float>(i) * stepLength;
        int const v = sampler.At(centre.x + step.x * static_cast<float>(i), centre.y + step.y * static_cast<float>(i));
        bool const isDark = v < threshold;
        if (pending < 0.0f) {
            if (isDark != dark) {
                float const t = static_cast<float>(previous - threshold) / static_cast<float>(previous - v);
                pending = position - stepLength + t * stepLength;
            }
        } else if (isDark == dark) {
            pending = -1.0f;  // a glitch shorter than a third of a module
        } else if (position - pending >= module / 3.0f) {
            dark = isDark;
            if (++changes == 3) {
                distance = pending;
                return true;
            }
            pending = -1.0f;
        }
        previous = v;
    }
    return false;
}

}  // namespace

bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        float& backward, float& forward)
{
    // The threshold halfway between the darkest and the brightest sample
    // along the chord: core and quiet zone, which blur dims least.
    int dark = 1023;
    int light = 0;
    for (float t = -5.0f * module; t <= 5.0f * module; t += 0.5f) {
        int const v = sampler.At(centre.x + direction.x * t, centre.y + direction.y * t);
        dark = v < dark ? v : dark;
        light = v > light ? v : light;
    }
    if (light - dark < 40) {
        return false;
    }
    return MeasureFinderChord(sampler, centre, direction, module, (light + dark) / 2, backward, forward);
}

bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        int threshold, float& backward, float& forward)
{
    float const stepLength = module > 4.0f ? 0.5f : 0.25f;
    QRPoint const ahead{direction.x * stepLength, direction.y * stepLength};
    QRPoint const back{-ahead.x, -ahead.y};
    return OuterEdge(sampler, centre, ahead, stepLength, module, threshold, forward) &&
           OuterEdge(sampler, centre, back, stepLength, module, threshold, backward);
}

}  // namespace DEC2DIvra
