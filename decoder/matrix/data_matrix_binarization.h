#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix_version.h"

namespace DEC2DIvra {

// The module decision of a Data Matrix symbol: the grey value at every mesh
// point (plain or sharpened), each inner module judged against its
// neighbours and its 4 x 4-module block, then the data regions put together
// into the mapping matrix without their finder and timing lines.
class BinarizationSubroutineForDataMatrix {
public:
    static constexpr unsigned kBlockSide = 4;

    // The mesh covers exactly the symbol's modules. negative: the symbol is
    // light on dark. decided is the work table of the inner modules. A set
    // matrix entry is one of the symbol's own dark modules. Nonzero when
    // done; 0 when the mesh does not match the size or a buffer is short.
    int Start(GrayImage const& image, CommonCodeMesh const& mesh, DataMatrixVersion const& version, bool negative,
              bool laplacian, CommonLuminanceMap& map, CommonGapAndThresholdMap& blocks,
              VariableSizeVirtualTable<bool>& decided, VariableSizeVirtualTable<bool>& matrix) const;

    // The map's values exactly as CommonLuminanceMap::SetLuminance gives
    // them, the four pixels around a point (and, sharpened, their four
    // neighbours) read straight from their rows where they all lie on the
    // image. False, map unchanged, where SetLuminance fails.
    static bool SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian,
                             CommonLuminanceMap& map);

    // SetLuminance's value at one point p with `bits` fraction bits, 0 to
    // GeometryEx::kMaxFractionBits; the image has pixels.
    static unsigned Luminance(GrayImage const& image, Point const& p, int bits, bool laplacian)
    {
        long long const one = 1LL << bits;
        long long const half = bits == 0 ? 0 : 1LL << (2 * bits - 1);
        // The pixels a point reads lie within `margin` of its four.
        int const margin = laplacian ? 1 : 0;
        int const x0 = p.x >> bits;
        int const y0 = p.y >> bits;
        if (x0 >= margin && y0 >= margin && x0 + 1 + margin < image.GetWidth() &&
            y0 + 1 + margin < image.GetHeight()) {
            long long const fx = p.x - static_cast<long long>(x0) * one;
            long long const fy = p.y - static_cast<long long>(y0) * one;
            int const pitch = image.GetPitch();
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
            // The four weighted pixels summed a row at a time: the same
            // integer as the sum of the four products.
            long long const top = a * (one - fx) + b * fx;
            long long const bottom = c * (one - fx) + d * fx;
            return static_cast<unsigned>((top * (one - fy) + bottom * fy + half) >> (2 * bits));
        }
        if (image.IsInside(x0, y0)) {
            return laplacian ? GeometryEx::GetLapLuminance(image, p, bits) : GeometryEx::GetLuminance(image, p, bits);
        }
        return 0;
    }

    // Start's module decision over a map that already holds the module
    // values as SetLuminance gives them, one per module of the symbol.
    int Decide(GrayImage const& image, DataMatrixVersion const& version, bool negative, CommonLuminanceMap const& map,
               CommonGapAndThresholdMap& blocks, VariableSizeVirtualTable<bool>& decided,
               VariableSizeVirtualTable<bool>& matrix) const;

private:
    // The sharpened pixel of GeometryEx::GetLapPixel at q, its four
    // neighbours on the image.
    static long long LapPixel(unsigned short const* q, int pitch)
    {
        long long const v = q[0];
        long long const neighbours = static_cast<long long>(q[-1]) + q[1] + q[-pitch] + q[pitch];
        long long const sharpened = v + (4 * v - neighbours) / 4;
        long long const most = GeometryEx::kMaxLuminance;
        return sharpened < 0 ? 0 : (sharpened > most ? most : sharpened);
    }
};

}  // namespace DEC2DIvra
