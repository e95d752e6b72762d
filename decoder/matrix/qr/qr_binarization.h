#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"

namespace DEC2DIvra {

// Every module of a QR Code or Micro QR symbol decided dark or light from
// the mesh of its module centres (the symbol and a ring of one module): the
// mesh sampled into a luminance map, then each module judged against its
// neighbours and the grey range of its block of 5 x 5 modules.
class BinarizationSubroutineForQRCode {
public:
    static constexpr unsigned kBlock = 5;

    // blocks: room for the gap and threshold of every block of the largest
    // symbol.
    explicit BinarizationSubroutineForQRCode(VirtualArray<GapAndThreshold> const& blocks) : blocks_(blocks) {}

    // table becomes side x side; an entry is (module light) XOR polarity, so
    // that with polarity set a dark module reads true. Laplacian samples the
    // sharpened grey. Nonzero when every module was decided; 0 for a mesh of
    // another shape than the symbol's with its ring, or buffers too small.
    int Start(GrayImage const& image, CommonCodeMesh const& mesh, bool micro, unsigned version, bool polarity,
              bool laplacian, CommonLuminanceMap& map, VariableSizeVirtualTable<bool>& table) const;

    bool MakeLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, false);
    }
    bool MakeLapLuminanceMap(GrayImage const& image, CommonCodeMesh const& mesh, CommonLuminanceMap& map) const
    {
        return map.SetLuminance(image, mesh, true);
    }

private:
    VirtualArray<GapAndThreshold> blocks_;
};

}  // namespace DEC2DIvra
