#include "decoder/matrix/data_matrix_binarization.h"

#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

int BinarizationSubroutineForDataMatrix::Start(GrayImage const& image, CommonCodeMesh const& mesh,
                                               DataMatrixVersion const& version, bool negative, bool laplacian,
                                               CommonLuminanceMap& map, CommonGapAndThresholdMap& blocks,
                                               VariableSizeVirtualTable<bool>& decided,
                                               VariableSizeVirtualTable<bool>& matrix) const
{
    unsigned const width = version.symbolWidth;
    unsigned const height = version.symbolHeight;
    if (mesh.GetWidth() != width || mesh.GetHeight() != height || !map.SetLuminance(image, mesh, laplacian) ||
        !matrix.Resize(version.GetMappingWidth(), version.GetMappingHeight())) {
        return 0;
    }
    Rectangle const area{1, 1, static_cast<int>(width) - 2, static_cast<int>(height) - 2};
    BinarizationSubroutine const binarization;
    // Inverted so that a set entry is one of the symbol's own dark modules.
    if (binarization.Start(image, map, area, blocks, Vector{kBlockSide, kBlockSide}, !negative, decided) == 0) {
        return 0;
    }
    // Rows and columns y with y mod R of 0 or R - 1 (R the region's side
    // plus 2) are the finder and timing lines of the data regions.
    unsigned const regionWidth = version.regionWidth + 2u;
    unsigned const regionHeight = version.regionHeight + 2u;
    unsigned my = 0;
    for (unsigned y = 1; y + 1 < height; ++y) {
        unsigned const ry = y % regionHeight;
        if (ry == 0 || ry == regionHeight - 1) {
            continue;
        }
        unsigned mx = 0;
        for (unsigned x = 1; x + 1 < width; ++x) {
            unsigned const rx = x % regionWidth;
            if (rx == 0 || rx == regionWidth - 1) {
                continue;
            }
            matrix.At(mx++, my) = decided.At(x - 1, y - 1);
        }
        ++my;
    }
    return 1;
}

}  // namespace DEC2DIvra
