#include "decoder/matrix/aztec/aztec_module_grid.h"

#include "decoder/core/processor_lanes.h"

#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/bilinear.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_AZTEC_LINE_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

bool AztecModuleGrid::Add(double u, double v, double x, double y)
{
    if (count_ >= kMaxPoints) {
        return false;
    }
    pu_[count_] = u;
    pv_[count_] = v;
    px_[count_] = x;
    py_[count_] = y;
    ++count_;
    return true;
}

bool AztecModuleGrid::Fit()
{
    if (count_ < 4) {
        return false;
    }
    // Normalise the pixel side around its centroid for a well-conditioned
    // system; the module side is already small numbers.
    double cx = 0;
    double cy = 0;
    for (unsigned i = 0; i < count_; ++i) {
        cx += px_[i];
        cy += py_[i];
    }
    cx /= count_;
    cy /= count_;
    double spread = 0;
    for (unsigned i = 0; i < count_; ++i) {
        spread += std::fabs(px_[i] - cx) + std::fabs(py_[i] - cy);
    }
    double const scale = spread > 0 ? 2.0 * count_ / spread : 1.0;
    // x' = (h0 u + h1 v + h2) / (h6 u + h7 v + 1), likewise y' with h3..h5:
    // linear in the eight unknowns once multiplied out.
    // The normal equations: the sum over both rows of each point of the
    // products of their entries. A row is zero in three of its first six
    // entries, and a zero product adds nothing; the matrix is symmetric.
    // Only the upper triangle of the nonzero products is summed, in the
    // order the full sum takes them, then mirrored: the same sums exactly.
    double a[8][9] = {};
    for (unsigned i = 0; i < count_; ++i) {
        double const u = pu_[i];
        double const v = pv_[i];
        double const x = (px_[i] - cx) * scale;
        double const y = (py_[i] - cy) * scale;
        // The rows are {u, v, 1, 0, 0, 0, -u x, -v x, x} and
        // {0, 0, 0, u, v, 1, -u y, -v y, y}; a product with an entry 1 is
        // the other entry itself.
        double const ux = -u * x;
        double const vx = -v * x;
        double const uy = -u * y;
        double const vy = -v * y;
        for (int k = 0; k < 2; ++k) {
            double* const block0 = a[3 * k];
            double* const block1 = a[3 * k + 1];
            double* const block2 = a[3 * k + 2];
            int const b = 3 * k;
            double const r6 = k == 0 ? ux : uy;
            double const r7 = k == 0 ? vx : vy;
            double const r8 = k == 0 ? x : y;
            block0[b] += u * u;
            block0[b + 1] += u * v;
            block0[b + 2] += u;
            block0[6] += u * r6;
            block0[7] += u * r7;
            block0[8] += u * r8;
            block1[b + 1] += v * v;
            block1[b + 2] += v;
            block1[6] += v * r6;
            block1[7] += v * r7;
            block1[8] += v * r8;
            block2[b + 2] += 1;
            block2[6] += r6;
            block2[7] += r7;
            block2[8] += r8;
            a[6][6] += r6 * r6;
            a[6][7] += r6 * r7;
            a[6][8] += r6 * r8;
            a[7][7] += r7 * r7;
            a[7][8] += r7 * r8;
        }
    }
    for (int p = 0; p < 8; ++p) {
        for (int q = 0; q < p; ++q) {
            a[p][q] = a[q][p];
        }
    }
    for (int col = 0; col < 8; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 8; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
                pivot = r;
            }
        }
        if (std::fabs(a[pivot][col]) < 1e-12) {
            return false;
        }
        if (pivot != col) {
            for (int q = 0; q < 9; ++q) {
                double const t = a[col][q];
                a[col][q] = a[pivot][q];
                a[pivot][q] = t;
            }
        }
        for (int r = 0; r < 8; ++r) {
            if (r == col) {
                continue;
            }
            double const f = a[r][col] / a[col][col];
            for (int q = col; q < 9; ++q) {
                a[r][q] -= f * a[col][q];
            }
        }
    }
    double g[8];
    for (int p = 0; p < 8; ++p) {
        g[p] = a[p][8] / a[p][p];
    }
    // Undo the normalisation: x = x' / scale + cx.
    double const inv = 1.0 / scale;
    h_[0] = g[0] * inv + cx * g[6];
    h_[1] = g[1] * inv + cx * g[7];
    h_[2] = g[2] * inv + cx;
    h_[3] = g[3] * inv + cy * g[6];
    h_[4] = g[4] * inv + cy * g[7];
    h_[5] = g[5] * inv + cy;
    h_[6] = g[6];
    h_[7] = g[7];
    h_[8] = 1.0;
    bent_ = false;
    return true;
}

namespace {

// 1, u, v, u^2, u v, v^2, u^3, u^2 v, u v^2, v^3.
void BendTerms(double u, double v, double* t)
{
    t[0] = 1;
    t[1] = u;
    t[2] = v;
    t[3] = u * u;
    t[4] = u * v;
    t[5] = v * v;
    t[6] = u * u * u;
    t[7] = u * u * v;
    t[8] = u * v * v;
    t[9] = v * v * v;
}

}  // namespace

void AztecModuleGrid::AddBend(double u, double v, double& x, double& y) const
{
    double t[kBendTerms];
    BendTerms(u * bendScale_, v * bendScale_, t);
    for (unsigned k = 0; k < kBendTerms; ++k) {
        x += bendX_[k] * t[k];
        y += bendY_[k] * t[k];
    }
}

bool AztecModuleGrid::FitBend(BendMeasurement const* measurements, unsigned count, double half)
{
    // As many terms as the measurements carry: a small symbol shows few
    // lone modules and gets the affine or quadratic part only.
    unsigned const terms = count >= 6 * kBendTerms ? kBendTerms : (count >= 18 ? 6u : (count >= 9 ? 3u : 0u));
    if (terms == 0 || half <= 0) {
        return false;
    }
    unsigned const n = 2 * terms;
    double const scale = 1.0 / half;
    // Each measurement: dx * bendX(u, v) + dy * bendY(u, v) = shift.
    double a[2 * kBendTerms][2 * kBendTerms + 1] = {};
    for (unsigned i = 0; i < count; ++i) {
        BendMeasurement const& m = measurements[i];
        double t[kBendTerms];
        BendTerms(m.u * scale, m.v * scale, t);
        double row[2 * kBendTerms + 1];
        for (unsigned k = 0; k < terms; ++k) {
            row[k] = m.dx * t[k];
            row[terms + k] = m.dy * t[k];
        }
        row[n] = m.shift;
        for (unsigned p = 0; p < n; ++p) {
            for (unsigned q = 0; q < n; ++q) {
                a[p][q] += row[p] * row[q];
            }
            a[p][n] += row[p] * row[n];
        }
    }
    // A little damping keeps terms the measurements do not reach at zero.
    for (unsigned p = 0; p < n; ++p) {
        a[p][p] += 1e-3 * count;
    }
    for (unsigned col = 0; col < n; ++col) {
        unsigned pivot = col;
        for (unsigned r = col + 1; r < n; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
                pivot = r;
            }
        }
        if (std::fabs(a[pivot][col]) < 1e-12) {
            return false;
        }
        if (pivot != col) {
            for (unsigned q = 0; q <= n; ++q) {
                double const t = a[col][q];
                a[col][q] = a[pivot][q];
                a[pivot][q] = t;
            }
        }
        for (unsigned r = 0; r < n; ++r) {
            if (r != col) {
                double const f = a[r][col] / a[col][col];
                for (unsigned q = col; q <= n; ++q) {
                    a[r][q] -= f * a[col][q];
                }
            }
        }
    }
    if (!bent_ || bendScale_ != scale) {
        for (unsigned k = 0; k < kBendTerms; ++k) {
            bendX_[k] = 0;
            bendY_[k] = 0;
        }
    }
    for (unsigned k = 0; k < terms; ++k) {
        bendX_[k] += a[k][n] / a[k][k];
        bendY_[k] += a[terms + k][n] / a[terms + k][terms + k];
    }
    bendScale_ = scale;
    bent_ = true;
    return true;
}

namespace {

constexpr double kFixedOne = 65536.0;

// A line's numerators and denominator at its first position and their
// steps, and the largest position less a half that leaves room for the
// other three pixels.
struct LineSteps {
    double x, y, w, dx, dy, dw;
    double lastX, lastY;
};

// Position k of the line in 16.16 fixed point, the pixel centre a half
// below it; false (and 0) where it leaves the image or is no number.
// Non-negative: truncation is the floor, and the low 16 bits the weight of
// the second pixel.
inline bool FixedPosition(LineSteps const& line, unsigned index, int& fixedX, int& fixedY)
{
    double const k = static_cast<double>(index);
    double const w = line.w + k * line.dw;
    double const r = 1.0 / w;
    double const fx = (line.x + k * line.dx) * r - 0.5;
    double const fy = (line.y + k * line.dy) * r - 0.5;
    bool const here = (w > 1e-9) & (fx >= 0) & (fy >= 0) & (fx < line.lastX) & (fy < line.lastY);
    fixedX = static_cast<int>((here ? fx : 0.0) * kFixedOne);
    fixedY = static_cast<int>((here ? fy : 0.0) * kFixedOne);
    return here;
}

// Positions first .. first + n - 1 without a branch: false when any leaves
// the image. Two at a time in double lanes.
bool FixedPositions(LineSteps const& line, unsigned first, unsigned n, int* fixedX, int* fixedY)
{
    bool inside = true;
    unsigned m = 0;
#if defined(__SSE2__)
    __m128d const kTwo = _mm_set1_pd(2.0);
    __m128d const kHalf = _mm_set1_pd(0.5);
    __m128d const kScale = _mm_set1_pd(kFixedOne);
    __m128d const kZero = _mm_setzero_pd();
    __m128d const kLeast = _mm_set1_pd(1e-9);
    __m128d const lastXs = _mm_set1_pd(line.lastX);
    __m128d const lastYs = _mm_set1_pd(line.lastY);
    __m128d k = _mm_set_pd(first + 1.0, first + 0.0);
    for (; m + 1 < n; m += 2, k = _mm_add_pd(k, kTwo)) {
        __m128d const w = _mm_add_pd(_mm_set1_pd(line.w), _mm_mul_pd(k, _mm_set1_pd(line.dw)));
        __m128d const r = _mm_div_pd(_mm_set1_pd(1.0), w);
        __m128d const nx = _mm_add_pd(_mm_set1_pd(line.x), _mm_mul_pd(k, _mm_set1_pd(line.dx)));
        __m128d const ny = _mm_add_pd(_mm_set1_pd(line.y), _mm_mul_pd(k, _mm_set1_pd(line.dy)));
        __m128d const fx = _mm_sub_pd(_mm_mul_pd(nx, r), kHalf);
        __m128d const fy = _mm_sub_pd(_mm_mul_pd(ny, r), kHalf);
        // Every comparison is false for a position that is no number.
        __m128d const here = _mm_and_pd(
            _mm_and_pd(_mm_cmpgt_pd(w, kLeast), _mm_and_pd(_mm_cmpge_pd(fx, kZero), _mm_cmpge_pd(fy, kZero))),
            _mm_and_pd(_mm_cmplt_pd(fx, lastXs), _mm_cmplt_pd(fy, lastYs)));
        inside = inside & (_mm_movemask_pd(here) == 3);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(fixedX + m),
                         _mm_cvttpd_epi32(_mm_mul_pd(_mm_and_pd(here, fx), kScale)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(fixedY + m),
                         _mm_cvttpd_epi32(_mm_mul_pd(_mm_and_pd(here, fy), kScale)));
    }
#endif
    for (; m < n; ++m) {
        inside = FixedPosition(line, first + m, fixedX[m], fixedY[m]) & inside;
    }
    return inside;
}

#if defined(SCANNER_AZTEC_LINE_AVX2)
// FixedPositions four at a time, with half the divisions issued, and
// worked out in 1/65536ths of a pixel: 2^16 / w is 2^16 times the rounded
// 1 / w, and every product and difference after it 2^16 times the one
// FixedPosition rounds (a power of two moves no rounding, and a result too
// small for that lies far off the image), so the same positions and the
// same refusals; no fused multiply-add. The lanes' tests are gathered in one
// mask and looked at once; a position that leaves the image is not set to 0
// here, since the caller reads no position of a line that fails.
//
// Where the chunk's first and last positions lie well inside, so do all
// between: w is linear in k and positive at both ends, so positive between,
// and x / w and y / w are then monotonic in k. "Well" is a margin far above
// the rounding of the sums and products, so the rounded positions between
// pass too; such a chunk skips the tests of its lanes.
bool ChunkEndsWellInside(LineSteps const& line, unsigned first, unsigned n)
{
    double const k0 = static_cast<double>(first);
    double const k1 = static_cast<double>(first + n - 1);
    double const w0 = line.w + k0 * line.dw;
    double const w1 = line.w + k1 * line.dw;
    double const lowW = w0 < w1 ? w0 : w1;
    // The sums' rounding is below 1e-15 of their terms' magnitudes.
    double const wSlack = 1e-12 * (std::fabs(line.w) + std::fabs(k1 * line.dw));
    if (!(lowW > 1e-9 + wSlack)) {
        return false;
    }
    // Bounds on |x + k dx| / w and |y + k dy| / w over the chunk, whose
    // rounding in a position is below 1e-15 of them in pixels.
    double const slack =
        1.0 / kFixedOne + 1e-12 * (std::fabs(line.x) + std::fabs(k1 * line.dx) + std::fabs(line.y) +
                                   std::fabs(k1 * line.dy)) / lowW;
    double const x0 = (line.x + k0 * line.dx) / w0 - 0.5;
    double const x1 = (line.x + k1 * line.dx) / w1 - 0.5;
    double const y0 = (line.y + k0 * line.dy) / w0 - 0.5;
    double const y1 = (line.y + k1 * line.dy) / w1 - 0.5;
    double const highX = line.lastX - slack;
    double const highY = line.lastY - slack;
    return x0 > slack && x1 > slack && y0 > slack && y1 > slack && x0 < highX && x1 < highX && y0 < highY &&
           y1 < highY;
}

__attribute__((target("avx2"))) bool FixedPositionsFourLanes(LineSteps const& line, unsigned first, unsigned n,
                                                             int* fixedX, int* fixedY)
{
    bool inside = true;
    __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    unsigned m = 0;
    __m256d const kFour = _mm256_set1_pd(4.0);
    __m256d const kHalf = _mm256_set1_pd(0.5 * kFixedOne);
    __m256d const kScale = _mm256_set1_pd(kFixedOne);
    __m256d const kZero = _mm256_setzero_pd();
    __m256d const kLeast = _mm256_set1_pd(1e-9);
    __m256d const lastXs = _mm256_set1_pd(line.lastX * kFixedOne);
    __m256d const lastYs = _mm256_set1_pd(line.lastY * kFixedOne);
    // The line's terms in registers for the whole chunk: the stores through
    // vector types may alias anything, so terms read from the line inside a
    // loop would be loaded again at every step.
    __m256d const ws = _mm256_set1_pd(line.w);
    __m256d const dws = _mm256_set1_pd(line.dw);
    __m256d const xs = _mm256_set1_pd(line.x);
    __m256d const dxs = _mm256_set1_pd(line.dx);
    __m256d const ys = _mm256_set1_pd(line.y);
    __m256d const dys = _mm256_set1_pd(line.dy);
    __m256d k = _mm256_set_pd(first + 3.0, first + 2.0, first + 1.0, first + 0.0);
    if (n >= 8 && ChunkEndsWellInside(line, first, n)) {
        for (; m + 4 <= n; m += 4, k = _mm256_add_pd(k, kFour)) {
            __m256d const w = _mm256_add_pd(ws, _mm256_mul_pd(k, dws));
            __m256d const r = _mm256_div_pd(kScale, w);
            __m256d const nx = _mm256_add_pd(xs, _mm256_mul_pd(k, dxs));
            __m256d const ny = _mm256_add_pd(ys, _mm256_mul_pd(k, dys));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(fixedX + m),
                             _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(nx, r), kHalf)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(fixedY + m),
                             _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(ny, r), kHalf)));
        }
    }
    for (; m + 4 <= n; m += 4, k = _mm256_add_pd(k, kFour)) {
        __m256d const w = _mm256_add_pd(ws, _mm256_mul_pd(k, dws));
        __m256d const r = _mm256_div_pd(kScale, w);
        __m256d const nx = _mm256_add_pd(xs, _mm256_mul_pd(k, dxs));
        __m256d const ny = _mm256_add_pd(ys, _mm256_mul_pd(k, dys));
        __m256d const fx = _mm256_sub_pd(_mm256_mul_pd(nx, r), kHalf);
        __m256d const fy = _mm256_sub_pd(_mm256_mul_pd(ny, r), kHalf);
        // Ordered comparisons: false for a position that is no number.
        __m256d const here = _mm256_and_pd(
            _mm256_and_pd(_mm256_cmp_pd(w, kLeast, _CMP_GT_OQ),
                          _mm256_and_pd(_mm256_cmp_pd(fx, kZero, _CMP_GE_OQ), _mm256_cmp_pd(fy, kZero, _CMP_GE_OQ))),
            _mm256_and_pd(_mm256_cmp_pd(fx, lastXs, _CMP_LT_OQ), _mm256_cmp_pd(fy, lastYs, _CMP_LT_OQ)));
        all = _mm256_and_pd(all, here);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(fixedX + m), _mm256_cvttpd_epi32(fx));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(fixedY + m), _mm256_cvttpd_epi32(fy));
    }
    inside = _mm256_movemask_pd(all) == 15;
    for (; m < n; ++m) {
        inside = FixedPosition(line, first + m, fixedX[m], fixedY[m]) & inside;
    }
    return inside;
}

// A pixel and its right neighbour as one 32-bit word, the first in the low half.
inline int PixelPair(unsigned short const* p)
{
    int pair;
    std::memcpy(&pair, p, sizeof pair);
    return pair;
}

// The fixed-point blend of eight positions in 32-bit lanes. Each lane takes
// a pixel and its right neighbour as one word from the row and from the row
// below, read one position at a time: sixteen plain reads cost less than two
// eight-lane gathers on the processors met. A row's blend
// p0 (65536 - ax) + p1 ax is at most 65535 * 65536 and fits an unsigned lane
// exactly; the blend of the two rows, at most 2^48, is formed in 64-bit
// lanes, the even and the odd positions apart: the same integers as one by
// one. Every index below the frame's last row must fit an int (the caller
// checks).
__attribute__((target("avx2"), always_inline)) inline __m256i BlendEight(unsigned short const* upperRow,
                                                                         unsigned short const* lowerRow,
                                                                         __m256i pitches, __m256i xs, __m256i ys)
{
    __m256i const kLow = _mm256_set1_epi32(0xFFFF);
    __m256i const kWhole = _mm256_set1_epi32(65536);
    __m256i const kHalf = _mm256_set1_epi64x(1ll << 31);
    // Unsigned offsets: read from the lanes, they index without a sign
    // extension each.
    alignas(32) unsigned at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at),
                       _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(ys, 16), pitches), _mm256_srli_epi32(xs, 16)));
    __m256i const upperPixels =
        _mm256_setr_epi32(PixelPair(upperRow + at[0]), PixelPair(upperRow + at[1]), PixelPair(upperRow + at[2]),
                          PixelPair(upperRow + at[3]), PixelPair(upperRow + at[4]), PixelPair(upperRow + at[5]),
                          PixelPair(upperRow + at[6]), PixelPair(upperRow + at[7]));
    __m256i const lowerPixels =
        _mm256_setr_epi32(PixelPair(lowerRow + at[0]), PixelPair(lowerRow + at[1]), PixelPair(lowerRow + at[2]),
                          PixelPair(lowerRow + at[3]), PixelPair(lowerRow + at[4]), PixelPair(lowerRow + at[5]),
                          PixelPair(lowerRow + at[6]), PixelPair(lowerRow + at[7]));
    __m256i const ax = _mm256_and_si256(xs, kLow);
    __m256i const ay = _mm256_and_si256(ys, kLow);
    __m256i const bx = _mm256_sub_epi32(kWhole, ax);
    __m256i const by = _mm256_sub_epi32(kWhole, ay);
    __m256i const upper = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(upperPixels, kLow), bx),
                                           _mm256_mullo_epi32(_mm256_srli_epi32(upperPixels, 16), ax));
    __m256i const lower = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(lowerPixels, kLow), bx),
                                           _mm256_mullo_epi32(_mm256_srli_epi32(lowerPixels, 16), ax));
    // The 64-bit products take the low word of each 64-bit lane: the even
    // positions as they lie, the odd ones shifted down.
    __m256i const even =
        _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(upper, by), _mm256_mul_epu32(lower, ay)), kHalf);
    __m256i const odd = _mm256_add_epi64(
        _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(upper, 32), _mm256_srli_epi64(by, 32)),
                         _mm256_mul_epu32(_mm256_srli_epi64(lower, 32), _mm256_srli_epi64(ay, 32))),
        kHalf);
    // Each sum's high word is the value: an even one shifted down, an odd
    // one in place.
    return _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
}

#endif

// Where Line::Sample puts its values: one at a time, two from a pair of
// double lanes, or eight from 32-bit lanes.
struct IntStore {
    int* out;
    void One(unsigned k, int value) const { out[k] = value; }
#if defined(__SSE2__)
    void Two(unsigned k, __m128i values) const { _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), values); }
#endif
#if defined(SCANNER_AZTEC_LINE_AVX2)
    __attribute__((target("avx2"))) void Eight(unsigned k, __m256i values) const
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), values);
    }
#endif
};

struct StridedStore {
    unsigned short* out;
    std::size_t stride;
    void One(unsigned k, int value) const { out[k * stride] = static_cast<unsigned short>(value); }
#if defined(__SSE2__)
    void Two(unsigned k, __m128i values) const
    {
        One(k, _mm_cvtsi128_si32(values));
        One(k + 1, _mm_cvtsi128_si32(_mm_srli_si128(values, 4)));
    }
#endif
#if defined(SCANNER_AZTEC_LINE_AVX2)
    // The values lie in 0 .. 65535: packing them to 16 bits with
    // saturation changes none.
    __attribute__((target("avx2"))) void Eight(unsigned k, __m256i values) const
    {
        __m128i const packed = _mm_packus_epi32(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
        unsigned short* at = out + k * stride;
        if (stride == 1) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), packed);
            return;
        }
        alignas(16) unsigned short lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), packed);
        for (std::size_t i = 0; i < 8; ++i) {
            at[i * stride] = lanes[i];
        }
    }
#endif
};

#if defined(SCANNER_AZTEC_LINE_AVX2)
// The blend of positions 0 .. n - 1 eight at a time, as many as fill whole
// groups of eight, stored as position first + k; their number.
template <class Store>
__attribute__((target("avx2"))) unsigned BlendEightLanes(unsigned short const* pixels, int pitch,
                                                         int const* fixedX, int const* fixedY, unsigned n,
                                                         Store const& store, unsigned first)
{
    __m256i const pitches = _mm256_set1_epi32(pitch);
    unsigned short const* const upperRow = pixels;
    unsigned short const* const lowerRow = pixels + pitch;
    unsigned m = 0;
    for (; m + 8 <= n; m += 8) {
        __m256i const xs = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(fixedX + m));
        __m256i const ys = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(fixedY + m));
        store.Eight(first + m, BlendEight(upperRow, lowerRow, pitches, xs, ys));
    }
    return m;
}

// The positions of a chunk whose ends lie well inside (see
// ChunkEndsWellInside) blended as they are formed, eight at a time, with
// FixedPositionsFourLanes' arithmetic: the same positions and values, never
// stored and loaded again. All n of them (n at least 8).
// The fixed-point positions of the four lanes at k, as FixedPositionsFourLanes
// forms them.
struct FourPositions {
    __m128i x;
    __m128i y;
};

__attribute__((target("avx2"), always_inline)) inline FourPositions FixedFour(__m256d k, __m256d ws, __m256d dws,
                                                                             __m256d xs, __m256d dxs, __m256d ys,
                                                                             __m256d dys)
{
    __m256d const kHalf = _mm256_set1_pd(0.5 * kFixedOne);
    __m256d const kScale = _mm256_set1_pd(kFixedOne);
    __m256d const w = _mm256_add_pd(ws, _mm256_mul_pd(k, dws));
    __m256d const r = _mm256_div_pd(kScale, w);
    __m256d const nx = _mm256_add_pd(xs, _mm256_mul_pd(k, dxs));
    __m256d const ny = _mm256_add_pd(ys, _mm256_mul_pd(k, dys));
    return FourPositions{_mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(nx, r), kHalf)),
                         _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_mul_pd(ny, r), kHalf))};
}

template <class Store>
__attribute__((target("avx2"))) unsigned BlendWellInside(LineSteps const& line, unsigned short const* pixels,
                                                         int pitch, unsigned first, unsigned n, Store const store)
{
    __m256d const kFour = _mm256_set1_pd(4.0);
    __m256d const ws = _mm256_set1_pd(line.w);
    __m256d const dws = _mm256_set1_pd(line.dw);
    __m256d const xs = _mm256_set1_pd(line.x);
    __m256d const dxs = _mm256_set1_pd(line.dx);
    __m256d const ys = _mm256_set1_pd(line.y);
    __m256d const dys = _mm256_set1_pd(line.dy);
    __m256i const pitches = _mm256_set1_epi32(pitch);
    unsigned short const* const upperRow = pixels;
    unsigned short const* const lowerRow = pixels + pitch;
    __m256d k = _mm256_set_pd(first + 3.0, first + 2.0, first + 1.0, first + 0.0);
    unsigned m = 0;
    for (; m + 8 <= n; m += 8) {
        FourPositions const low = FixedFour(k, ws, dws, xs, dxs, ys, dys);
        k = _mm256_add_pd(k, kFour);
        FourPositions const high = FixedFour(k, ws, dws, xs, dxs, ys, dys);
        k = _mm256_add_pd(k, kFour);
        store.Eight(first + m, BlendEight(upperRow, lowerRow, pitches, _mm256_set_m128i(high.x, low.x),
                                          _mm256_set_m128i(high.y, low.y)));
    }
    if (m < n && n >= 8) {
        // The last eight once more, those already blended again with the
        // same values: no position is left for the narrower paths.
        m = n - 8;
        k = _mm256_set_pd(first + m + 3.0, first + m + 2.0, first + m + 1.0, first + m + 0.0);
        FourPositions const low = FixedFour(k, ws, dws, xs, dxs, ys, dys);
        k = _mm256_add_pd(k, kFour);
        FourPositions const high = FixedFour(k, ws, dws, xs, dxs, ys, dys);
        store.Eight(first + m, BlendEight(upperRow, lowerRow, pitches, _mm256_set_m128i(high.x, low.x),
                                          _mm256_set_m128i(high.y, low.y)));
        m = n;
    }
    return m;
}

#endif

}  // namespace

bool AztecModuleGrid::Line::Sample(GrayImage const& image, unsigned count, int* grey) const
{
    return SampleInto(image, count, IntStore{grey});
}

bool AztecModuleGrid::Line::Sample(GrayImage const& image, unsigned count, unsigned short* grey,
                                   unsigned stride) const
{
    return stride != 0 && SampleInto(image, count, StridedStore{grey, std::size_t{stride}});
}

template <class Store>
bool AztecModuleGrid::Line::SampleInto(GrayImage const& image, unsigned count, Store const& store) const
{
    unsigned short const* const pixels = image.GetPixels();
    // A chunk takes a whole line of the module map or of the reference
    // search.
    constexpr unsigned kChunk = 160;
    // Positions in 16.16 fixed point must stay below 2^31.
    if (grid_->bent_ || pixels == nullptr || image.GetWidth() < 2 || image.GetHeight() < 2 ||
        image.GetWidth() > 32767 || image.GetHeight() > 32767) {
        return false;
    }
    // Pixel (i, j) covers [i, i + 1): the floor of a position less a half
    // is the top-left pixel of the four, which must leave room for the
    // other three.
    LineSteps const steps{x_, y_, w_, dx_, dy_, dw_, static_cast<double>(image.GetWidth() - 1),
                          static_cast<double>(image.GetHeight() - 1)};
    long long const pitch = image.GetPitch();
#if defined(SCANNER_AZTEC_LINE_AVX2)
    bool const fourLanes = ProcessorHasAvx2();
    // The eight-lane blend indexes the frame by int offsets from its first
    // pixel, every row's below the last included.
    bool const eightLanes = fourLanes && pitch > 0 && pitch * image.GetHeight() <= 0x7FFFFFFFll;
#endif
    for (unsigned first = 0; first < count; first += kChunk) {
        unsigned const n = count - first < kChunk ? count - first : kChunk;
        // The positions of the chunk first, without a branch: one that
        // leaves the image (or is no number) fails the whole line and reads
        // nothing, the others become fixed point.
        int fixedX[kChunk];
        int fixedY[kChunk];
        unsigned m = 0;
#if defined(SCANNER_AZTEC_LINE_AVX2)
        // A chunk well inside needs no test of its positions: its whole
        // groups of eight are blended straight away, the rest as below.
        if (eightLanes && n >= 8 && ChunkEndsWellInside(steps, first, n)) {
            m = BlendWellInside(steps, pixels, static_cast<int>(pitch), first, n, store);
        }
        bool const inside = fourLanes ? FixedPositionsFourLanes(steps, first + m, n - m, fixedX + m, fixedY + m)
                                      : FixedPositions(steps, first, n, fixedX, fixedY);
#else
        bool const inside = FixedPositions(steps, first, n, fixedX, fixedY);
#endif
        if (!inside) {
            return false;
        }
#if defined(SCANNER_AZTEC_LINE_AVX2)
        if (eightLanes && m == 0) {
            m = BlendEightLanes(pixels, static_cast<int>(pitch), fixedX, fixedY, n, store, first);
        }
#endif
#if defined(__SSE2__)
        // The samples left, two at a time in double lanes (four double
        // lanes blend no faster: their conversions cost more than they
        // save). Every product and sum is a whole number below 2^53, and
        // the scaling by 2^-32 is exact: the same values as the integer
        // blend below.
        __m128d const kWhole = _mm_set1_pd(kFixedOne);
        __m128d const kDown = _mm_set1_pd(1.0 / 4294967296.0);
        __m128d const kRound = _mm_set1_pd(0.5);
        __m128i const kLow = _mm_set1_epi32(0xFFFF);
        for (; m + 2 <= n; m += 2) {
            __m128i const xs = _mm_loadl_epi64(reinterpret_cast<__m128i const*>(fixedX + m));
            __m128i const ys = _mm_loadl_epi64(reinterpret_cast<__m128i const*>(fixedY + m));
            // A pixel and its right neighbour in one 32-bit read, the first
            // in the low half.
            unsigned pairs[4];
            for (unsigned k = 0; k < 2; ++k) {
                auto const ix = static_cast<unsigned>(fixedX[m + k]);
                auto const iy = static_cast<unsigned>(fixedY[m + k]);
                unsigned short const* const p = pixels + static_cast<long long>(iy >> 16) * pitch + (ix >> 16);
                std::memcpy(&pairs[k], p, sizeof(unsigned));
                std::memcpy(&pairs[2 + k], p + pitch, sizeof(unsigned));
            }
            __m128i const upperPixels = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(pairs[0])),
                                                           _mm_cvtsi32_si128(static_cast<int>(pairs[1])));
            __m128i const lowerPixels = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(pairs[2])),
                                                           _mm_cvtsi32_si128(static_cast<int>(pairs[3])));
            __m128d const ax = _mm_cvtepi32_pd(_mm_and_si128(xs, kLow));
            __m128d const ay = _mm_cvtepi32_pd(_mm_and_si128(ys, kLow));
            __m128d const bx = _mm_sub_pd(kWhole, ax);
            __m128d const by = _mm_sub_pd(kWhole, ay);
            __m128d const upper =
                _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_and_si128(upperPixels, kLow)), bx),
                           _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_epi32(upperPixels, 16)), ax));
            __m128d const lower =
                _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_and_si128(lowerPixels, kLow)), bx),
                           _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_epi32(lowerPixels, 16)), ax));
            __m128d const sum = _mm_add_pd(_mm_mul_pd(upper, by), _mm_mul_pd(lower, ay));
            store.Two(first + m, _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(sum, kDown), kRound)));
        }
#endif
        for (; m < n; ++m) {
            auto const ix = static_cast<unsigned>(fixedX[m]);
            auto const iy = static_cast<unsigned>(fixedY[m]);
            unsigned short const* const p = pixels + static_cast<long long>(iy >> 16) * pitch + (ix >> 16);
            unsigned short const* const q = p + pitch;
            unsigned long long const ax = ix & 0xFFFFu;
            unsigned long long const ay = iy & 0xFFFFu;
            unsigned long long const upper = p[0] * (65536u - ax) + p[1] * ax;
            unsigned long long const lower = q[0] * (65536u - ax) + q[1] * ax;
            store.One(first + m, static_cast<int>((upper * (65536u - ay) + lower * ay + (1ull << 31)) >> 32));
        }
    }
    return true;
}

int SampleBilinearAtBorder(GrayImage const& image, double x, double y)
{
    double const fx = x - 0.5;
    double const fy = y - 0.5;
    double const grey = Bilinear([&](int a, int b) { return static_cast<double>(image.AtClamped(a, b)); }, fx, fy);
    return static_cast<int>(grey + 0.5);
}

}  // namespace DEC2DIvra
