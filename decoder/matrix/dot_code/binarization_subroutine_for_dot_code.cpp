#include "decoder/matrix/dot_code/binarization_subroutine_for_dot_code.h"

#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

bool BinarizationSubroutineForDotCode::Start(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian,
                                             bool dark, BinarizationTableForDotCode& table)
{
    unsigned const width = mesh.GetWidth();
    unsigned const height = mesh.GetHeight();
    if (width < 3 || height < 3) {
        return false;
    }
    if (laplacian ? !MakeLapLuminanceMap(image, mesh) : !MakeLuminanceMap(image, mesh)) {
        return false;
    }
    Rectangle const area{1, 1, static_cast<int>(width) - 2, static_cast<int>(height) - 2};
    BinarizationSubroutine const binarization;
    if (binarization.Start(image, map_, area, blocks_, Vector{kBlockSide, kBlockSide}, dark, decided_) == 0 ||
        !table.SetSize(width - 2, height - 2)) {
        return false;
    }
    for (unsigned y = 0; y < height - 2; ++y) {
        for (unsigned x = 0; x < width - 2; ++x) {
            table.At(x, y) = decided_.At(x, y) ? 1 : 0;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
