#pragma once

#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/aztec/aztec_codeword_placement.h"

namespace DEC2DIvra {

// Module colours of an Aztec symbol from the grey values at the centres of
// its code mesh. The mesh is first widened by one ring of modules, each
// continued straight on from the edge, so that the binarisation can judge
// the outermost modules against neighbours too.
class BinarizationSubroutineForAztec {
public:
    static constexpr unsigned kBlock = 5;

    // Buffers: the widened mesh, its luminance map and the block map, sized
    // for meshes up to maxSide modules a side.
    BinarizationSubroutineForAztec(VirtualArray<Point> const& wide, VirtualArray<unsigned short> const& luminance,
                                   VirtualArray<GapAndThreshold> const& blocks);

    bool IsReady() const { return wide_.GetCount() > 0 && luminance_.GetCount() > 0 && blocks_.GetCount() > 0; }

    // table.cells is written for the mesh's width x height (a square mesh):
    // nonzero for the symbol's dark colour (dark: the symbol is dark on
    // light). False when the buffers are too small for the mesh.
    bool Start(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian, bool dark,
               BinarizationTableForAztec& table);

    bool MakeLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, false);
    }
    bool MakeLapLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, true);
    }

private:
    bool Widen(CommonCodeMesh const& mesh, CommonCodeMesh& wide) const;

    VirtualArray<Point> wide_;
    VirtualArray<unsigned short> luminance_;
    VirtualArray<GapAndThreshold> blocks_;
};

}  // namespace DEC2DIvra
