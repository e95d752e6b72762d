#pragma once

#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// A position in pixels with a fraction, as the QR stages measure it.
struct QRPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Grey values of a frame seen in one polarity: reversed symbols read as if
// printed dark on light. Bilinear between pixels; outside the frame reads
// the nearest border pixel.
class QRSampler {
public:
    QRSampler(GrayImage const& image, bool reversed)
        : image_(&image),
          reversed_(reversed),
          right_(static_cast<float>(image.GetWidth() - 1)),
          bottom_(static_cast<float>(image.GetHeight() - 1))
    {
    }

    // Inline: a symbol's sampling calls it five times a module.
    int At(float x, float y) const;
    // The same for a point with a whole pixel square to its right and below
    // inside the frame (IsInterior), without the checks for the border.
    int AtInterior(float x, float y) const;
    bool IsInterior(float x, float y) const
    {
        return x >= 0.0f && y >= 0.0f && x < right_ && y < bottom_ && image_->GetPixels() != nullptr;
    }
    bool IsInside(QRPoint const& p) const
    {
        return p.x >= 0.0f && p.y >= 0.0f && p.x <= static_cast<float>(image_->GetWidth() - 1) &&
               p.y <= static_cast<float>(image_->GetHeight() - 1);
    }
    GrayImage const& GetImage() const { return *image_; }
    bool IsReversed() const { return reversed_; }

private:
    GrayImage const* image_;
    bool reversed_;
    float right_;   // the last column and row
    float bottom_;
};

inline int QRSampler::At(float x, float y) const
{
    int const w = image_->GetWidth();
    int const h = image_->GetHeight();
    // A map gone wrong may hand a point that is no number at all.
    if (w < 2 || h < 2 || image_->GetPixels() == nullptr || x != x || y != y) {
        return 0;
    }
    float const cx = x < 0.0f ? 0.0f : (x > static_cast<float>(w - 1) ? static_cast<float>(w - 1) : x);
    float const cy = y < 0.0f ? 0.0f : (y > static_cast<float>(h - 1) ? static_cast<float>(h - 1) : y);
    int x0 = static_cast<int>(cx);
    int y0 = static_cast<int>(cy);
    x0 = x0 >= w - 1 ? w - 2 : x0;
    y0 = y0 >= h - 1 ? h - 2 : y0;
    float const fx = cx - static_cast<float>(x0);
    float const fy = cy - static_cast<float>(y0);
    float const top = image_->At(x0, y0) * (1.0f - fx) + image_->At(x0 + 1, y0) * fx;
    float const bottom = image_->At(x0, y0 + 1) * (1.0f - fx) + image_->At(x0 + 1, y0 + 1) * fx;
    int const v = static_cast<int>(top * (1.0f - fy) + bottom * fy + 0.5f);
    return reversed_ ? 1023 - v : v;
}

inline int QRSampler::AtInterior(float x, float y) const
{
    int const x0 = static_cast<int>(x);
    int const y0 = static_cast<int>(y);
    float const fx = x - static_cast<float>(x0);
    float const fy = y - static_cast<float>(y0);
    unsigned short const* const p = image_->GetPixels() + static_cast<long long>(y0) * image_->GetPitch() + x0;
    unsigned short const* const q = p + image_->GetPitch();
    float const top = p[0] * (1.0f - fx) + p[1] * fx;
    float const bottom = q[0] * (1.0f - fx) + q[1] * fx;
    int const v = static_cast<int>(top * (1.0f - fy) + bottom * fy + 0.5f);
    return reversed_ ? 1023 - v : v;
}

// The outer edges of a finder pattern (dark, light, dark core, light, dark)
// along a line through its centre: how far from the centre backwards and
// forwards, in pixels. False when the pattern does not show.
bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        float& backward, float& forward);
// The same against a given threshold.
bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        int threshold, float& backward, float& forward);

}  // namespace DEC2DIvra
