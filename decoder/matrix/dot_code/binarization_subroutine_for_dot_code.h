#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/dot_code/dot_code_binarization_table.h"

namespace DEC2DIvra {

// Dot or no dot at every point of a code mesh whose outer ring lies one
// position beyond the symbol: the grey values (plain, or Laplacian for a
// second try) sampled into the luminance map and decided over the inner
// points in blocks of 4 x 4.
class BinarizationSubroutineForDotCode {
public:
    static constexpr unsigned kBlockSide = 4;

    BinarizationSubroutineForDotCode(CommonLuminanceMap& map, CommonGapAndThresholdMap& blocks,
                                     VariableSizeVirtualTable<bool>& decided)
        : map_(map), blocks_(blocks), decided_(decided)
    {
    }

    // The table gets the inner (width - 2) x (height - 2) points.
    bool Start(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian, bool dark,
               BinarizationTableForDotCode& table);

    bool MakeLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh)
    {
        return map_.SetLuminance(image, mesh, false);
    }
    bool MakeLapLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh)
    {
        return map_.SetLuminance(image, mesh, true);
    }

private:
    CommonLuminanceMap& map_;
    CommonGapAndThresholdMap& blocks_;
    VariableSizeVirtualTable<bool>& decided_;
};

}  // namespace DEC2DIvra
