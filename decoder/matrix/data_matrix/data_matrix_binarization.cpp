#include "decoder/matrix/data_matrix/data_matrix_binarization.h"

#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

int BinarizationSubroutineForDataMatrix::Start(GrayImage const& image, CommonCodeMesh const& mesh,
                                               DataMatrixVersion const& version, bool polarity, bool laplacian,
                                               CommonLuminanceMap& map, VariableSizeVirtualTable<bool>& matrix) const
{
    unsigned const width = version.symbolWidth;
    unsigned const height = version.symbolHeight;
    if (mesh.GetWidth() != width || mesh.GetHeight() != height || width < 3 || height < 3 ||
        !matrix.Resize(version.GetMappingWidth(), version.GetMappingHeight())) {
        return 0;
    }
    if (!(laplacian ? MakeLapLuminanceMap(image, mesh, map) : MakeLuminanceMap(image, mesh, map))) {
        return 0;
    }
    // The inner modules, without the symbol's L and timing sides.
    Rectangle const area{1, 1, static_cast<int>(width) - 2, static_cast<int>(height) - 2};
    BinarizationSubroutine const binarization;
    if (binarization.Start(image, map, area, *blocks_, Vector{kBlockSide, kBlockSide}, polarity, *decided_) == 0 ||
        decided_->GetWidth() + 2 < width || decided_->GetHeight() + 2 < height) {
        return 0;
    }
    // Rows and columns y with y mod R of 0 or R - 1 (R the region's side
    // plus 2) are the finder and timing lines of the data regions. A row's
    // data modules come in runs, one a region, between the region's finder
    // and timing columns.
    unsigned const regionWidth = version.regionWidth + 2u;
    unsigned const regionHeight = version.regionHeight + 2u;
    unsigned const columns = matrix.GetWidth();
    unsigned my = 0;
    for (unsigned y = 1; y + 1 < height && my < matrix.GetHeight(); ++y) {
        unsigned const ry = y % regionHeight;
        if (ry == 0 || ry == regionHeight - 1) {
            continue;
        }
        bool const* from = decided_->GetRow(y - 1);
        bool* to = matrix.GetRow(my);
        unsigned mx = 0;
        for (unsigned x0 = 0; x0 + 1 < width; x0 += regionWidth) {
            for (unsigned x = x0 + 1; x + 1 < x0 + regionWidth && x + 1 < width && mx < columns; ++x) {
                to[mx++] = from[x - 1];
            }
        }
        ++my;
    }
    return 1;
}

}  // namespace DEC2DIvra
