#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix_version.h"

namespace DEC2DIvra {

// The module decision of a Data Matrix symbol: the grey value at every mesh
// point (plain or sharpened), each inner module judged against its
// neighbours and its 4 x 4-module block, then the data regions put together
// into the mapping matrix without their finder and timing lines.
class BinarizationSubroutineForDataMatrix {
public:
    static constexpr unsigned kBlockSide = 4;

    // The mesh covers exactly the symbol's modules. negative: the symbol is
    // light on dark. decided is the work table of the inner modules. A set
    // matrix entry is one of the symbol's own dark modules. Nonzero when
    // done; 0 when the mesh does not match the size or a buffer is short.
    int Start(GrayImage const& image, CommonCodeMesh const& mesh, DataMatrixVersion const& version, bool negative,
              bool laplacian, CommonLuminanceMap& map, CommonGapAndThresholdMap& blocks,
              VariableSizeVirtualTable<bool>& decided, VariableSizeVirtualTable<bool>& matrix) const;

    // The map's values exactly as CommonLuminanceMap::SetLuminance gives
    // them, the four pixels around a point (and, sharpened, their four
    // neighbours) read straight from their rows where they all lie on the
    // image. False, map unchanged, where SetLuminance fails.
    static bool SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian,
                             CommonLuminanceMap& map);
};

}  // namespace DEC2DIvra
