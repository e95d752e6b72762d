#pragma once

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix/data_matrix_fixed_point.h"
#include "decoder/matrix/data_matrix/data_matrix_version.h"

namespace DEC2DIvra {

// The module decision of a Data Matrix symbol: the grey value at every mesh
// point (plain or sharpened), each inner module judged against its
// neighbours and its 4 x 4-module block, then the data regions put together
// into the mapping matrix without their finder and timing lines.
class BinarizationSubroutineForDataMatrix {
public:
    static constexpr unsigned kBlockSide = 4;

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

#if defined(__SSE2__)
    // The plain (not sharpened) Luminance of four points with 8 fraction
    // bits, x and y in the lanes, where all four points' pixels lie on the
    // image and are below 32768: the same integers in 32-bit and 64-bit
    // lanes. False, nothing written, elsewhere.
    static bool PlainLuminanceFour(GrayImage const& image, __m128i x, __m128i y, unsigned short* out)
    {
        __m128i const x0 = _mm_srai_epi32(x, 8);
        __m128i const y0 = _mm_srai_epi32(y, 8);
        __m128i const zero = _mm_setzero_si128();
        __m128i const off = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi32(x0, zero), _mm_cmpgt_epi32(x0, _mm_set1_epi32(image.GetWidth() - 2))),
            _mm_or_si128(_mm_cmplt_epi32(y0, zero), _mm_cmpgt_epi32(y0, _mm_set1_epi32(image.GetHeight() - 2))));
        if (_mm_movemask_epi8(off) != 0) {
            return false;
        }
        int xi[4];
        int yi[4];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(xi), x0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(yi), y0);
        int const pitch = image.GetPitch();
        // Each point's pixel pairs side by side, each pair read as one
        // 32-bit word (the left pixel in its low half): a b of its upper
        // row, c d of its lower.
        int upper[4];
        int lower[4];
        for (int k = 0; k < 4; ++k) {
            unsigned short const* q = image.GetPixels() + static_cast<long long>(yi[k]) * pitch + xi[k];
            std::memcpy(&upper[k], q, sizeof(int));
            std::memcpy(&lower[k], q + pitch, sizeof(int));
        }
        __m128i const top16 = _mm_loadu_si128(reinterpret_cast<__m128i const*>(upper));
        __m128i const bottom16 = _mm_loadu_si128(reinterpret_cast<__m128i const*>(lower));
        if (_mm_movemask_epi8(_mm_or_si128(top16, bottom16)) & 0xaaaa) {
            return false;  // a pixel of 32768 or above
        }
        // The weights (256 - fx, fx) beside each pair; a row's two products
        // summed in one 32-bit lane.
        __m128i const fx = _mm_and_si128(x, _mm_set1_epi32(255));
        __m128i const fy = _mm_and_si128(y, _mm_set1_epi32(255));
        __m128i const weights = _mm_or_si128(_mm_sub_epi32(_mm_set1_epi32(256), fx), _mm_slli_epi32(fx, 16));
        __m128i const top = _mm_madd_epi16(top16, weights);
        __m128i const bottom = _mm_madd_epi16(bottom16, weights);
        // top (256 - fy) + bottom fy + 2^15, two lanes at a time in 64 bits.
        __m128i const up = _mm_sub_epi32(_mm_set1_epi32(256), fy);
        __m128i const half = _mm_set_epi32(0, 1 << 15, 0, 1 << 15);
        __m128i const even = _mm_srli_epi64(
            _mm_add_epi64(_mm_add_epi64(_mm_mul_epu32(top, up), _mm_mul_epu32(bottom, fy)), half), 16);
        __m128i const odd = _mm_srli_epi64(
            _mm_add_epi64(_mm_add_epi64(_mm_mul_epu32(_mm_srli_epi64(top, 32), _mm_srli_epi64(up, 32)),
                                        _mm_mul_epu32(_mm_srli_epi64(bottom, 32), _mm_srli_epi64(fy, 32))),
                          half),
            16);
        // Each value lies within its four pixels, below 32768: packed to
        // 16 bits without saturating.
        __m128i const values = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(values, values));
        return true;
    }
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
    // PlainLuminanceFour for eight points in 256-bit lanes, the same
    // integers; the two pixel pairs of each point are gathered as 32-bit
    // words by their offsets from the frame's first pixel (and its second
    // row's), which must fit an int. False, nothing written, where the four
    // lanes' would be for any of the eight, or an offset would not fit.
    __attribute__((target("avx2"))) static bool PlainLuminanceEight(GrayImage const& image, __m256i x, __m256i y,
                                                                    unsigned short* out)
    {
        unsigned short const* const pixels = image.GetPixels();
        int const pitch = image.GetPitch();
        if (pixels == nullptr || pitch <= 0 || static_cast<long long>(pitch) * image.GetHeight() > 0x7fffffffll) {
            return false;
        }
        __m256i const x0 = _mm256_srai_epi32(x, 8);
        __m256i const y0 = _mm256_srai_epi32(y, 8);
        __m256i const zero = _mm256_setzero_si256();
        __m256i const off = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(zero, x0), _mm256_cmpgt_epi32(x0, _mm256_set1_epi32(image.GetWidth() - 2))),
            _mm256_or_si256(_mm256_cmpgt_epi32(zero, y0),
                            _mm256_cmpgt_epi32(y0, _mm256_set1_epi32(image.GetHeight() - 2))));
        if (!_mm256_testz_si256(off, off)) {
            return false;
        }
        __m256i const index = _mm256_add_epi32(_mm256_mullo_epi32(y0, _mm256_set1_epi32(pitch)), x0);
        __m256i const top16 = _mm256_i32gather_epi32(reinterpret_cast<int const*>(pixels), index, 2);
        __m256i const bottom16 = _mm256_i32gather_epi32(reinterpret_cast<int const*>(pixels + pitch), index, 2);
        if ((static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(top16, bottom16))) & 0xaaaaaaaau) != 0) {
            return false;  // a pixel of 32768 or above
        }
        __m256i const fractionBits = _mm256_set1_epi32(255);
        __m256i const one = _mm256_set1_epi32(256);
        __m256i const fx = _mm256_and_si256(x, fractionBits);
        __m256i const fy = _mm256_and_si256(y, fractionBits);
        __m256i const weights = _mm256_or_si256(_mm256_sub_epi32(one, fx), _mm256_slli_epi32(fx, 16));
        __m256i const top = _mm256_madd_epi16(top16, weights);
        __m256i const bottom = _mm256_madd_epi16(bottom16, weights);
        __m256i const up = _mm256_sub_epi32(one, fy);
        __m256i const half = _mm256_set1_epi64x(1 << 15);
        __m256i const even = _mm256_srli_epi64(
            _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(top, up), _mm256_mul_epu32(bottom, fy)), half), 16);
        __m256i const odd = _mm256_srli_epi64(
            _mm256_add_epi64(
                _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(top, 32), _mm256_srli_epi64(up, 32)),
                                 _mm256_mul_epu32(_mm256_srli_epi64(bottom, 32), _mm256_srli_epi64(fy, 32))),
                half),
            16);
        // Packed to 16 bits within each 128-bit half, then the halves' low
        // words brought together.
        __m256i const values = _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
        __m256i const packed = _mm256_packs_epi32(values, values);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
        return true;
    }
#endif

    // The module decision over a map that already holds the module values
    // as SetLuminance gives them, one per module of the symbol. negative:
    // the symbol is light on dark. decided is the work table of the inner
    // modules. A set matrix entry is one of the symbol's own dark modules.
    // Nonzero when done; 0 when the map does not match the size or a
    // buffer is short.
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
