#include "decoder/matrix/aztec/binarization_subroutine_for_aztec.h"

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

static_assert(sizeof(bool) == 1, "the module table reads the binarisation's decisions byte by byte");

BinarizationSubroutineForAztec::BinarizationSubroutineForAztec(VirtualArray<Point> const& wide,
                                                               VirtualArray<unsigned short> const& luminance,
                                                               VirtualArray<GapAndThreshold> const& blocks)
    : wide_(wide), luminance_(luminance), blocks_(blocks)
{
}

bool BinarizationSubroutineForAztec::Widen(CommonCodeMesh const& mesh, CommonCodeMesh& wide) const
{
    unsigned const w = mesh.GetWidth();
    unsigned const h = mesh.GetHeight();
    if (w < 2 || h < 2 || !wide.SetSize(w + 2, h + 2, mesh.GetFractionBits()) ||
        !wide.SetSamplingSize(mesh.GetSamplingSize())) {
        return false;
    }
    // Inner points as they are (across and along are the point itself); a
    // ring point continues the mesh one step past the edge point, along each
    // axis it lies beyond.
    for (unsigned y = 0; y < h + 2; ++y) {
        for (unsigned x = 0; x < w + 2; ++x) {
            int const cx = x == 0 ? 0 : (x == w + 1 ? static_cast<int>(w) - 1 : static_cast<int>(x) - 1);
            int const cy = y == 0 ? 0 : (y == h + 1 ? static_cast<int>(h) - 1 : static_cast<int>(y) - 1);
            int const ix = x == 0 ? 1 : (x == w + 1 ? static_cast<int>(w) - 2 : cx);
            int const iy = y == 0 ? 1 : (y == h + 1 ? static_cast<int>(h) - 2 : cy);
            Point const& edge = mesh.At(static_cast<unsigned>(cx), static_cast<unsigned>(cy));
            Point const& across = mesh.At(static_cast<unsigned>(ix), static_cast<unsigned>(cy));
            Point const& along = mesh.At(static_cast<unsigned>(cx), static_cast<unsigned>(iy));
            // edge + (edge - across) + (edge - along): each axis continued.
            wide.At(x, y) = Point{3 * edge.x - across.x - along.x, 3 * edge.y - across.y - along.y};
        }
    }
    return true;
}

bool BinarizationSubroutineForAztec::Start(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian,
                                           bool dark, BinarizationTableForAztec& table)
{
    CommonCodeMesh wide(wide_);
    CommonLuminanceMap map(luminance_);
    if (table.cells == nullptr || !Widen(mesh, wide) ||
        !(laplacian ? MakeLapLuminanceMap(image, wide, map) : MakeLuminanceMap(image, wide, map))) {
        return false;
    }
    unsigned const w = mesh.GetWidth();
    CommonGapAndThresholdMap blocks(blocks_);
    VariableSizeVirtualTable<bool> out(reinterpret_cast<bool*>(table.cells), w * mesh.GetHeight());
    Rectangle const area{1, 1, static_cast<int>(w), static_cast<int>(mesh.GetHeight())};
    // Entries are light XOR polarity: polarity set marks dark modules.
    if (BinarizationSubroutine().Start(image, map, area, blocks,
                                       Vector{static_cast<int>(kBlock), static_cast<int>(kBlock)}, dark, out) == 0) {
        return false;
    }
    table.size = w;
    return true;
}

}  // namespace DEC2DIvra
