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

private:
    double h_[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
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
