#pragma once

#include "decoder/core/gray_image.h"

#include <cmath>

namespace DEC2DIvra {

// Module positions of an Aztec symbol in the image: a plane projective map
// from module coordinates (the centre module at 0, 0; y down the reader's
// view) to pixel positions, fitted to points whose module coordinates are
// known.
class AztecModuleGrid {
public:
    static constexpr unsigned kMaxPoints = 128;

    void Clear() { count_ = 0; }
    // False when the list is full.
    bool Add(double u, double v, double x, double y);
    unsigned GetCount() const { return count_; }

    // Least-squares fit over the points; false with fewer than four or a
    // degenerate set.
    bool Fit();

    // The pixel position of module coordinates (u, v); false where the map
    // has no finite image. Inline: the reader maps every module and every
    // search step through it.
    bool Map(double u, double v, double& x, double& y) const
    {
        double const w = h_[6] * u + h_[7] * v + h_[8];
        if (w <= 1e-9) {
            return false;
        }
        x = (h_[0] * u + h_[1] * v + h_[2]) / w;
        y = (h_[3] * u + h_[4] * v + h_[5]) / w;
        if (bent_) {
            AddBend(u, v, x, y);
        }
        return std::isfinite(x) && std::isfinite(y);
    }

    // The positions of (u + k du, v + k dv) for k = 0, 1, ...: along a line
    // of modules the map's numerators and denominator grow by constant
    // steps, so that each position costs one division. A bent grid maps
    // every position in full.
    class Line {
    public:
        Line(AztecModuleGrid const& grid, double u, double v, double du, double dv)
            : grid_(&grid), u_(u), v_(v), du_(du), dv_(dv)
        {
            double const* h = grid.h_;
            x_ = h[0] * u + h[1] * v + h[2];
            y_ = h[3] * u + h[4] * v + h[5];
            w_ = h[6] * u + h[7] * v + h[8];
            dx_ = h[0] * du + h[1] * dv;
            dy_ = h[3] * du + h[4] * dv;
            dw_ = h[6] * du + h[7] * dv;
        }
        bool At(unsigned k, double& x, double& y) const
        {
            if (grid_->bent_) {
                return grid_->Map(u_ + k * du_, v_ + k * dv_, x, y);
            }
            double const w = w_ + k * dw_;
            if (w <= 1e-9) {
                return false;
            }
            double const r = 1.0 / w;
            x = (x_ + k * dx_) * r;
            y = (y_ + k * dy_) * r;
            return std::isfinite(x) && std::isfinite(y);
        }

        // The grey values at positions 0 .. count - 1 by bilinear
        // interpolation in fixed point, for a straight grid whose positions
        // all have their four pixels on the image; false otherwise (grey
        // then undefined), and the caller samples position by position.
        // Weights are whole 1/65536ths of a pixel: a value differs from
        // SampleBilinear's by at most one level on grey values below 4096,
        // two on the full 16-bit range.
        bool Sample(GrayImage const& image, unsigned count, int* grey) const;
        // The same values written to grey[k * stride] (stride at least 1).
        bool Sample(GrayImage const& image, unsigned count, unsigned short* grey, unsigned stride) const;

    private:
        template <class Store>
        bool SampleInto(GrayImage const& image, unsigned count, Store const& store) const;

        AztecModuleGrid const* grid_;
        double u_, v_, du_, dv_;
        double x_ = 0, y_ = 0, w_ = 0, dx_ = 0, dy_ = 0, dw_ = 0;
    };

    // A bend on top of the projective map (a label on a curved surface):
    // cubic in the module coordinates, fitted to measurements that each
    // give the shift of one module centre along one image direction.
    struct BendMeasurement {
        float u;
        float v;
        float dx;     // unit image direction of the measurement
        float dy;
        float shift;  // pixels along it from where the map put the centre
    };
    static constexpr unsigned kBendTerms = 10;
    // Adds the fitted bend to the present one; false (bend unchanged) with
    // too few or too narrowly spread measurements.
    bool FitBend(BendMeasurement const* measurements, unsigned count, double half);
    void ClearBend() { bent_ = false; }

private:
    void AddBend(double u, double v, double& x, double& y) const;

    double h_[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    bool bent_ = false;
    double bendScale_ = 1;
    double bendX_[kBendTerms] = {};
    double bendY_[kBendTerms] = {};
    double pu_[kMaxPoints] = {};
    double pv_[kMaxPoints] = {};
    double px_[kMaxPoints] = {};
    double py_[kMaxPoints] = {};
    unsigned count_ = 0;
};

// The grey value at a pixel position by bilinear interpolation; positions
// off the image read the nearest border pixel.
int SampleBilinearAtBorder(GrayImage const& image, double x, double y);

inline int SampleBilinear(GrayImage const& image, double x, double y)
{
    // Pixel (i, j) covers [i, i + 1): its centre is at i + 0.5.
    double const fx = x - 0.5;
    double const fy = y - 0.5;
    unsigned short const* const pixels = image.GetPixels();
    // Where the four pixels lie on the image, as nearly always, they are
    // read directly, the floor of a non-negative position taken by
    // truncation: the same weights and the same sum as the clamped reads,
    // which only the border needs. Every comparison fails for no number.
    if (fx >= 0 && fy >= 0 && fx < static_cast<double>(image.GetWidth() - 1) &&
        fy < static_cast<double>(image.GetHeight() - 1) && pixels != nullptr) {
        int const i = static_cast<int>(fx);
        int const j = static_cast<int>(fy);
        unsigned short const* const p = pixels + static_cast<long long>(j) * image.GetPitch() + i;
        unsigned short const* const q = p + image.GetPitch();
        double const ax = fx - i;
        double const ay = fy - j;
        double const top = static_cast<double>(p[0]) * (1 - ax) + static_cast<double>(p[1]) * ax;
        double const bottom = static_cast<double>(q[0]) * (1 - ax) + static_cast<double>(q[1]) * ax;
        return static_cast<int>(top * (1 - ay) + bottom * ay + 0.5);
    }
    if (!(fx > -1e6 && fx < 1e6 && fy > -1e6 && fy < 1e6)) {
        return 0;
    }
    return SampleBilinearAtBorder(image, x, y);
}

}  // namespace DEC2DIvra
