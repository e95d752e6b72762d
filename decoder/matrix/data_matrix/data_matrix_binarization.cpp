#include "decoder/matrix/data_matrix/data_matrix_binarization.h"

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

bool BinarizationSubroutineForDataMatrix::SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh,
                                                        bool laplacian, CommonLuminanceMap& map)
{
    if (image.GetPixels() == nullptr || image.GetWidth() <= 0 || image.GetHeight() <= 0 ||
        mesh.GetSamplingSize() > static_cast<unsigned>(GeometryEx::kMaxFractionBits) ||
        !map.SetSize(mesh.GetWidth(), mesh.GetHeight())) {
        return false;
    }
    int const bits = static_cast<int>(mesh.GetSamplingSize());
    for (unsigned row = 0; row < map.GetHeight(); ++row) {
        for (unsigned column = 0; column < map.GetWidth(); ++column) {
            map.At(column, row) = static_cast<unsigned short>(Luminance(image, mesh.At(column, row), bits, laplacian));
        }
    }
    return true;
}

int BinarizationSubroutineForDataMatrix::Decide(GrayImage const& image, DataMatrixVersion const& version,
                                                bool negative, CommonLuminanceMap const& map,
                                                CommonGapAndThresholdMap& blocks,
                                                VariableSizeVirtualTable<bool>& decided,
                                                VariableSizeVirtualTable<bool>& matrix) const
{
    unsigned const width = version.symbolWidth;
    unsigned const height = version.symbolHeight;
    if (map.GetWidth() != width || map.GetHeight() != height ||
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
    // A row's data modules come in runs, one a region, between the
    // region's finder and timing columns.
    unsigned const columns = matrix.GetWidth();
    unsigned my = 0;
    for (unsigned y = 1; y + 1 < height && my < matrix.GetHeight(); ++y) {
        unsigned const ry = y % regionHeight;
        if (ry == 0 || ry == regionHeight - 1) {
            continue;
        }
        bool const* from = decided.GetRow(y - 1);
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
