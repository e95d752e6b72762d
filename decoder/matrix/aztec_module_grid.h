#pragma once

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
    // has no finite image.
    bool Map(double u, double v, double& x, double& y) const;

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
class GrayImage;
int SampleBilinear(GrayImage const& image, double x, double y);

}  // namespace DEC2DIvra
