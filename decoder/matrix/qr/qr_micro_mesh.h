#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/qr/qr_finder_region.h"

namespace DEC2DIvra {

// The outline of a Micro QR symbol from its finder: the top and left edges
// laid on the timing patterns where they score best, the far corner from
// the two. Points in 1/256 pixel, at the centres of the corner modules.
class CalcMicroQRCodeMeshSubroutine {
public:
    // The mesh of the symbol's module centres with a ring of one module,
    // (S + 2) x (S + 2) points, from the outline that the finder predicts
    // laid on the timing patterns. Nonzero when the mesh is filled.
    int Start(GrayImage const& image, QRFinderRegion const& finder, bool polarity, unsigned version,
              CommonCodeMesh& mesh) const;
    // initial: the corner module centres (0,0), (S-1,0), (S-1,S-1), (0,S-1)
    // as the finder predicts them. 0 when an edge scores nowhere.
    int Adjust(GrayImage const& image, Region const& initial, bool polarity, unsigned version,
               Region& adjusted) const;
    // The edge's far end moved over a 9 x 9 lattice of eighth modules along
    // and across the edge; the best scoring segment (the first of equals).
    int AdjustForTimingPattern(GrayImage const& image, LineSegment const& edge, bool polarity, unsigned version,
                               LineSegment& best) const;
    // Light separator then alternating timing modules from module 7 to the
    // end of the segment: light adds, dark subtracts, per module. 0 when the
    // segment leaves the image less a one-pixel border.
    int CalcScoreForTimingPattern(GrayImage const& image, LineSegment const& edge, bool polarity, unsigned version,
                                  int& score) const;
};

}  // namespace DEC2DIvra
