#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix/data_matrix_version.h"

namespace DEC2DIvra {

// The module decision of a Data Matrix symbol: the grey value at every mesh
// point (plain or sharpened), each inner module judged against its
// neighbours and its 4 x 4-module block, then the data regions put together
// into the mapping matrix without their finder and timing lines. The block
// map and the work table of the inner modules are the caller's buffers.
class BinarizationSubroutineForDataMatrix {
public:
    static constexpr unsigned kBlockSide = 4;

    BinarizationSubroutineForDataMatrix(CommonGapAndThresholdMap& blocks, VariableSizeVirtualTable<bool>& decided)
        : blocks_(&blocks), decided_(&decided)
    {
    }

    // The mesh covers the symbol's modules exactly, one point a module.
    // polarity: a set matrix entry is a dark module (a light one when
    // clear, for a symbol light on dark). Nonzero when done; 0 when the mesh
    // does not match the size, a point cannot be sampled or a buffer is
    // short.
    int Start(GrayImage const& image, CommonCodeMesh const& mesh, DataMatrixVersion const& version, bool polarity,
              bool laplacian, CommonLuminanceMap& map, VariableSizeVirtualTable<bool>& matrix) const;

    // One grey value per mesh point, plain or sharpened, at the mesh's
    // sampling size; false when the map cannot hold the mesh.
    bool MakeLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, false);
    }
    bool MakeLapLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, true);
    }

private:
    CommonGapAndThresholdMap* blocks_;
    VariableSizeVirtualTable<bool>* decided_;
};

}  // namespace DEC2DIvra
