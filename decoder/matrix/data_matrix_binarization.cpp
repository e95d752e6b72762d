#include "decoder/matrix/data_matrix_binarization.h"

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/binarization_subroutine.h"

namespace DEC2DIvra {

namespace {

// The sharpened pixel of GeometryEx::GetLapPixel at q, its four neighbours
// on the image.
long long LapPixel(unsigned short const* q, int pitch)
{
    long long const v = q[0];
    long long const neighbours = static_cast<long long>(q[-1]) + q[1] + q[-pitch] + q[pitch];
    long long const sharpened = v + (4 * v - neighbours) / 4;
    long long const most = GeometryEx::kMaxLuminance;
    return sharpened < 0 ? 0 : (sharpened > most ? most : sharpened);
}

}  // namespace

bool BinarizationSubroutineForDataMatrix::SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh,
                                                        bool laplacian, CommonLuminanceMap& map)
{
    if (image.GetPixels() == nullptr || image.GetWidth() <= 0 || image.GetHeight() <= 0 ||
        mesh.GetSamplingSize() > static_cast<unsigned>(GeometryEx::kMaxFractionBits) ||
        !map.SetSize(mesh.GetWidth(), mesh.GetHeight())) {
        return false;
    }
    int const bits = static_cast<int>(mesh.GetSamplingSize());
    long long const one = 1LL << bits;
    long long const half = bits == 0 ? 0 : 1LL << (2 * bits - 1);
    int const pitch = image.GetPitch();
    // The pixels a point reads lie within `margin` of its four.
    int const margin = laplacian ? 1 : 0;
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    for (unsigned row = 0; row < map.GetHeight(); ++row) {
        for (unsigned column = 0; column < map.GetWidth(); ++column) {
            Point const& p = mesh.At(column, row);
            int const x0 = p.x >> bits;
            int const y0 = p.y >> bits;
            unsigned value = 0;
            if (x0 >= margin && y0 >= margin && x0 + 1 + margin < width && y0 + 1 + margin < height) {
                long long const fx = p.x - static_cast<long long>(x0) * one;
                long long const fy = p.y - static_cast<long long>(y0) * one;
                unsigned short const* q = image.GetPixels() + static_cast<long long>(y0) * pitch + x0;
                long long a, b, c, d;
                if (laplacian) {
                    a = LapPixel(q, pitch);
                    b = LapPixel(q + 1, pitch);
                    c = LapPixel(q + pitch, pitch);
                    d = LapPixel(q + pitch + 1, pitch);
                } else {
                    a = q[0];
                    b = q[1];
                    c = q[pitch];
                    d = q[pitch + 1];
                }
                long long const sum = a * (one - fx) * (one - fy) + b * fx * (one - fy) + c * (one - fx) * fy + d * fx * fy;
                value = static_cast<unsigned>((sum + half) >> (2 * bits));
            } else if (image.IsInside(x0, y0)) {
                value = laplacian ? GeometryEx::GetLapLuminance(image, p, bits) : GeometryEx::GetLuminance(image, p, bits);
            }
            map.At(column, row) = static_cast<unsigned short>(value);
        }
    }
    return true;
}

int BinarizationSubroutineForDataMatrix::Start(GrayImage const& image, CommonCodeMesh const& mesh,
                                               DataMatrixVersion const& version, bool negative, bool laplacian,
                                               CommonLuminanceMap& map, CommonGapAndThresholdMap& blocks,
                                               VariableSizeVirtualTable<bool>& decided,
                                               VariableSizeVirtualTable<bool>& matrix) const
{
    unsigned const width = version.symbolWidth;
    unsigned const height = version.symbolHeight;
    if (mesh.GetWidth() != width || mesh.GetHeight() != height || !SetLuminance(image, mesh, laplacian, map) ||
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
