#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"
#include "decoder/matrix/aztec/aztec_finder_grid.h"
#include "decoder/matrix/aztec/aztec_module_grid.h"
#include "decoder/matrix/aztec/calc_finder_region_subroutine.h"

namespace DEC2DIvra {

// The square frames of a bull's-eye: the edges between its rings, found
// along rays from the centre, fitted side by side into quadrilaterals whose
// corners place the module grid around the centre.
class AztecFinderSearcher {
public:
    static constexpr unsigned kRays = 32;
    static constexpr unsigned kMaxEdges = 6;

    // Measures the edges around a centre guess (pixels) for a module size
    // guess, the centre looked for within one and a half modules, or with
    // wide within three and a half; false when it shows no ring structure.
    // With strict, a point must differ more from all around it to pass for
    // the centre module.
    bool Start(GrayImage const& image, double x, double y, double module, bool wide, bool strict = false);

    double GetCentreX() const { return cx_; }
    double GetCentreY() const { return cy_; }

    // The grid from frames 0 .. edges - 1 (4 for a compact, 6 for a
    // full-range bull's-eye); false when a frame cannot be fitted.
    bool CalcGrid(unsigned edges, AztecModuleGrid& grid) const;

    // Walks the bull's-eye's frames outward from the module-centre region
    // of ring `ring` (colour: that ring's, true dark) to ring 3 (compact) or
    // 5 (full range, as the grid's flag says), fitting each frame's edges
    // and confirming the grid ring by ring. False when a frame cannot be
    // fitted, leaves the image or does not hold the frame inside it.
    bool Start(GrayImage const& image, bool colour, Region const& innerRegion, unsigned ring,
               AztecFinderGrid& grid) const;
    // The next frame: extrapolated one ring from the grid, then fitted.
    bool CalcOuterFrameRegion(GrayImage const& image, bool colour, AztecFinderGrid const& grid, unsigned ring,
                              Region const& previous, Region& frame) const;
    // Confirms the grid at ring from the middle of the ring's modules,
    // between the new frame's sides and the previous frame's.
    static bool SetOuterGridAndCenterPoint(Region const& frame, unsigned ring, Point (&middles)[4],
                                           AztecFinderGrid& grid);

    // Whether the centre module is dark (a dark-on-light symbol).
    bool IsDarkCentre() const { return darkCentre_; }
    int GetThreshold() const { return threshold_; }
    int GetContrast() const { return contrast_; }

private:
    // Per ray, the frame side it meets (kNoSide near a corner) and its
    // direction, the same for every frame.
    static constexpr unsigned char kNoSide = 4;
    struct RaySides {
        unsigned char side[kRays];
        double dx[kRays];
        double dy[kRays];
    };
    void SortRays(RaySides& rays) const;
    bool FitFrame(unsigned edge, RaySides const& rays, double corners[4][2]) const;

    double cx_ = 0;
    double cy_ = 0;
    double cornerAngle_ = 0;
    double radius_[kRays][kMaxEdges] = {};
    unsigned found_[kRays] = {};
    bool darkCentre_ = true;
    int threshold_ = 0;
    int contrast_ = 0;
};

}  // namespace DEC2DIvra
