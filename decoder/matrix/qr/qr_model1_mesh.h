#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/qr/qr_finder_region.h"

namespace DEC2DIvra {

// The module centres of a QR Code Model 1 symbol: the bottom and right edges
// followed along the extension patterns from the finders beside them, the
// far corner where they cross refined on its dark corner block, and the
// mesh spanned between the four corner modules. (S + 2) x (S + 2) points
// (the symbol and a ring of one module), 1/256 pixel. polarity: the symbol
// is light on dark.
class CalcModel1QRCodeMeshSubroutine {
public:
    // Versions 1-14; the top-left finder is required, a missing top-right
    // or bottom-left one (null) is placed from it. Nonzero when the mesh is
    // filled.
    int Start(GrayImage const& image, QRFinderRegion const* topLeft, QRFinderRegion const* topRight,
              QRFinderRegion const* bottomLeft, bool polarity, unsigned version, CommonCodeMesh& mesh) const;
};

}  // namespace DEC2DIvra
