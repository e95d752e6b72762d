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
    QRSampler(GrayImage const& image, bool reversed) : image_(&image), reversed_(reversed) {}

    int At(float x, float y) const;
    bool IsInside(QRPoint const& p) const
    {
        return p.x >= 0.0f && p.y >= 0.0f && p.x <= static_cast<float>(image_->GetWidth() - 1) &&
               p.y <= static_cast<float>(image_->GetHeight() - 1);
    }
    GrayImage const& GetImage() const { return *image_; }

private:
    GrayImage const* image_;
    bool reversed_;
};

// The outer edges of a finder pattern (dark, light, dark core, light, dark)
// along a line through its centre: how far from the centre backwards and
// forwards, in pixels. False when the pattern does not show.
bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        float& backward, float& forward);
// The same against a given threshold.
bool MeasureFinderChord(QRSampler const& sampler, QRPoint const& centre, QRPoint const& direction, float module,
                        int threshold, float& backward, float& forward);

}  // namespace DEC2DIvra
