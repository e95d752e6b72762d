#pragma once

#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Refits the module mesh of a QR symbol to its two timing patterns. The mesh
// holds the symbol of side S and a ring of one module around it ((S + 2)^2
// points). Along module row 6 and module column 6 (row 0 and column 0 for
// Micro QR) the modules run: the finder's edge (7 dark), the separator
// (light), the alternating timing modules from module 8, then a separator
// and the far finder's edge (7 dark) where there is one, and the light quiet
// zone. The boundaries between those runs are found
// (CalcEdgePointSubroutine between neighbouring mesh points), every module
// centre of a run is placed evenly between the run's two boundaries, and
// the shift this gives a module is applied to its whole mesh column (row).
// Modules whose boundaries were not found take the shift interpolated from
// their neighbours.
class AdjustToTimingPatternSubroutine {
public:
    // polarity set: light modules on dark. True when the mesh was refitted;
    // false, mesh untouched, for a mesh that is no QR (Micro QR) symbol with
    // its ring, or when fewer than half of either pattern's timing modules
    // could be measured.
    bool Start(GrayImage const& image, bool polarity, bool micro, CommonCodeMesh& mesh) const;
};

}  // namespace DEC2DIvra
