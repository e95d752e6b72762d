#include "decoder/matrix/data_matrix/data_matrix_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/identifiers/matrix_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/matrix/data_matrix/data_matrix_binarization.h"
#include "decoder/matrix/data_matrix/data_matrix_data_stream.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_data.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_header.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_placement.h"
#include "decoder/matrix/data_matrix/data_matrix_fixed_point.h"
#include "decoder/matrix/data_matrix/data_matrix_placement.h"
#include "decoder/matrix/data_matrix/data_matrix_quiet_sides.h"
#include "decoder/matrix/data_matrix/data_matrix_timing_line.h"

#if defined(SCANNER_DATA_MATRIX_AVX2)
#include "decoder/core/processor_lanes.h"
#endif

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxSide = 144;
constexpr unsigned kBlockSide = BinarizationSubroutineForDataMatrix::kBlockSide;

// The ECC 000-140 sizes: odd squares with one data region and no
// Reed-Solomon codewords.
constexpr unsigned kLegacySizes =
    (DataMatrixEcc000To140Size::kLargestSide - DataMatrixEcc000To140Size::kSmallestSide) / 2 + 1;

constexpr DataMatrixVersion LegacyVersion(unsigned i)
{
    unsigned const side = DataMatrixEcc000To140Size::kSmallestSide + 2 * i;
    return DataMatrixVersion{static_cast<unsigned short>(side), static_cast<unsigned short>(side),
                             static_cast<unsigned char>(side - 2), static_cast<unsigned char>(side - 2), 0, 0, 1};
}

template <unsigned... I>
constexpr auto MakeLegacyVersions(std::integer_sequence<unsigned, I...>)
{
    return std::array<DataMatrixVersion, sizeof...(I)>{LegacyVersion(I)...};
}

constexpr auto kLegacyVersions = MakeLegacyVersions(std::make_integer_sequence<unsigned, kLegacySizes>{});

bool IsEcc000To140(DataMatrixVersion const& v) { return v.errorCodewords == 0; }

float Distance(OutlinePoint const& a, OutlinePoint const& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

// The projective map of the unit square onto the quadrilateral p0 (0, 0),
// p1 (1, 0), p2 (1, 1), p3 (0, 1), its coefficients worked out once for all
// the points a reading maps.
class UnitSquareMap {
public:
    UnitSquareMap(OutlinePoint const& p0, OutlinePoint const& p1, OutlinePoint const& p2, OutlinePoint const& p3)
        : x0_(p0.x), y0_(p0.y)
    {
        float const sx = p0.x - p1.x + p2.x - p3.x;
        float const sy = p0.y - p1.y + p2.y - p3.y;
        if (std::fabs(sx) > 1e-4f || std::fabs(sy) > 1e-4f) {
            float const dx1 = p1.x - p2.x;
            float const dx2 = p3.x - p2.x;
            float const dy1 = p1.y - p2.y;
            float const dy2 = p3.y - p2.y;
            float const den = dx1 * dy2 - dx2 * dy1;
            if (std::fabs(den) > 1e-6f) {
                g_ = (sx * dy2 - dx2 * sy) / den;
                h_ = (dx1 * sy - sx * dy1) / den;
            }
        }
        a_ = p1.x - p0.x + g_ * p1.x;
        b_ = p3.x - p0.x + h_ * p3.x;
        d_ = p1.y - p0.y + g_ * p1.y;
        e_ = p3.y - p0.y + h_ * p3.y;
    }

    OutlinePoint At(float u, float v) const
    {
        float const w = g_ * u + h_ * v + 1;
        return OutlinePoint{(a_ * u + b_ * v + x0_) / w, (d_ * u + e_ * v + y0_) / w};
    }

#if defined(__SSE2__)
    // At for four points in vector lanes, the same operations in the same
    // order in each lane.
    void At(__m128 u, __m128 v, __m128& x, __m128& y) const
    {
        __m128 const w =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(g_), u), _mm_mul_ps(_mm_set1_ps(h_), v)), _mm_set1_ps(1.0f));
        x = _mm_div_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(a_), u), _mm_mul_ps(_mm_set1_ps(b_), v)), _mm_set1_ps(x0_)),
            w);
        y = _mm_div_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(d_), u), _mm_mul_ps(_mm_set1_ps(e_), v)), _mm_set1_ps(y0_)),
            w);
    }
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
    // At for eight points in 256-bit lanes, the same operations in the same
    // order in each lane.
    __attribute__((target("avx2"), always_inline)) void At(__m256 u, __m256 v, __m256& x, __m256& y) const
    {
        __m256 const w = _mm256_add_ps(
            _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(g_), u), _mm256_mul_ps(_mm256_set1_ps(h_), v)),
            _mm256_set1_ps(1.0f));
        x = _mm256_div_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(a_), u),
                                                      _mm256_mul_ps(_mm256_set1_ps(b_), v)),
                                        _mm256_set1_ps(x0_)),
                          w);
        y = _mm256_div_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(d_), u),
                                                      _mm256_mul_ps(_mm256_set1_ps(e_), v)),
                                        _mm256_set1_ps(y0_)),
                          w);
    }
#endif

private:
    float x0_, y0_;
    float g_ = 0, h_ = 0;
    float a_ = 0, b_ = 0, d_ = 0, e_ = 0;
};


#if defined(SCANNER_DATA_MATRIX_AVX2)
// The timing score's module centres of steps first on along a pair of
// sides, eight steps at a time in 256-bit lanes while eight fit below `end`,
// each worked out as the four lanes do (`count` the modules along the sides,
// fixed0 and fixed1 the sides' unit coordinate across them): a step's point
// on the first side, then on the second, and beside them the expected
// pattern of two steps over and over. The steps done.
template <class Map>
__attribute__((target("avx2"))) unsigned MapEightSteps(Map const& modules, unsigned first, unsigned end, float count,
                                                       bool across, float fixed0, float fixed1, float const* pattern,
                                                       float* xs, float* ys, float* expected)
{
    __m128 const twoSteps = _mm_loadu_ps(pattern);
    __m256 const repeated = _mm256_insertf128_ps(_mm256_castps128_ps256(twoSteps), twoSteps, 1);
    unsigned done = 0;
    for (; first + done + 8 <= end; done += 8) {
        __m256 const steps = _mm256_div_ps(
            _mm256_add_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(first + done)),
                                                              _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0))),
                          _mm256_set1_ps(0.5f)),
            _mm256_set1_ps(count));
        __m256 x[2];
        __m256 y[2];
        for (int side = 0; side < 2; ++side) {
            __m256 const fixed = _mm256_set1_ps(side == 0 ? fixed0 : fixed1);
            modules.AtUnit(across ? fixed : steps, across ? steps : fixed, x[side], y[side]);
        }
        // Interleaved within each 128-bit half, then the halves put in
        // step order.
        __m256 const xLow = _mm256_unpacklo_ps(x[0], x[1]);
        __m256 const xHigh = _mm256_unpackhi_ps(x[0], x[1]);
        __m256 const yLow = _mm256_unpacklo_ps(y[0], y[1]);
        __m256 const yHigh = _mm256_unpackhi_ps(y[0], y[1]);
        unsigned const at = 2 * done;
        _mm256_storeu_ps(xs + at, _mm256_permute2f128_ps(xLow, xHigh, 0x20));
        _mm256_storeu_ps(xs + at + 8, _mm256_permute2f128_ps(xLow, xHigh, 0x31));
        _mm256_storeu_ps(ys + at, _mm256_permute2f128_ps(yLow, yHigh, 0x20));
        _mm256_storeu_ps(ys + at + 8, _mm256_permute2f128_ps(yLow, yHigh, 0x31));
        _mm256_storeu_ps(expected + at, repeated);
        _mm256_storeu_ps(expected + at + 8, repeated);
    }
    return done;
}
#endif

// An outline seen at a slant: a pair of opposite sides differs in length by
// more than a tenth.
bool IsSlanted(OutlinePoint const* corners)
{
    for (unsigned k = 0; k < 2; ++k) {
        float const near = Distance(corners[0], corners[1 + 2 * k]);
        float const far = Distance(corners[2], corners[3 - 2 * k]);
        if (!(near <= 1.1f * far && far <= 1.1f * near)) {
            return true;
        }
    }
    return false;
}

// Whether the sighted L is a light-on-dark symbol's: its legs light all
// along, well above the mean grey of the inside (which holds dark and light
// modules alike), with a dark quiet zone running outside them and no solid
// dark line beside them inwards. A dark-on-light symbol's light quiet zone
// passes for a light L too, but beside it lies the symbol's dark L or the
// ground, never a dark quiet zone. Only an order to try the polarities in:
// a wrong answer costs time, never a reading.
bool ShowsLightL(GrayImage const& image, Region const& lPattern)
{
    constexpr int kSteps = 8;
    constexpr float kMinLeg = 12;
    constexpr int kFarthestBeside = 10;
    OutlinePoint const corner{static_cast<float>(lPattern.corner[3].x), static_cast<float>(lPattern.corner[3].y)};
    OutlinePoint const legs[2] = {
        {static_cast<float>(lPattern.corner[0].x) - corner.x, static_cast<float>(lPattern.corner[0].y) - corner.y},
        {static_cast<float>(lPattern.corner[2].x) - corner.x, static_cast<float>(lPattern.corner[2].y) - corner.y}};
    float const lengths[2] = {std::sqrt(legs[0].x * legs[0].x + legs[0].y * legs[0].y),
                              std::sqrt(legs[1].x * legs[1].x + legs[1].y * legs[1].y)};
    if (!(lengths[0] >= kMinLeg && lengths[1] >= kMinLeg)) {
        return false;
    }
    auto at = [&](float t, float u) {
        return DataMatrixOutline::Sample(image, corner.x + t * legs[0].x + u * legs[1].x,
                                         corner.y + t * legs[0].y + u * legs[1].y);
    };
    float inside = 0;
    float low = 1e9f;
    float high = -1e9f;
    for (int i = 0; i < kSteps; ++i) {
        for (int j = 0; j < kSteps; ++j) {
            float const v = at(0.2f + 0.6f * static_cast<float>(i) / (kSteps - 1),
                               0.25f + 0.5f * static_cast<float>(j) / (kSteps - 1));
            inside += v;
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
    }
    inside /= kSteps * kSteps;
    float const margin = (high - low) / 4;
    if (!(margin > 8)) {
        return false;
    }
    // Leg k runs along t (k 0) or u (k 1); a line beside it lies d pixels
    // towards the other leg. The sighted leg may run along the edge of
    // the strip rather than its middle: a leg point is light when a point
    // up to kLegReach pixels across is.
    constexpr int kLegReach = 2;
    for (int k = 0; k < 2; ++k) {
        float const across = 1 / lengths[1 - k];
        for (int i = 0; i < kSteps; ++i) {
            float const t = 0.2f + 0.6f * static_cast<float>(i) / (kSteps - 1);
            float lightest = -1;
            for (int d = -kLegReach; d <= kLegReach; ++d) {
                float const off = static_cast<float>(d) * across;
                float const v = k == 0 ? at(t, off) : at(off, t);
                lightest = v > lightest ? v : lightest;
            }
            if (!(lightest > inside + margin)) {
                return false;
            }
        }
        // A line beside the leg that is dark all along: towards the other
        // leg it is the dark L a light quiet zone runs around, outwards it
        // is the dark quiet zone of a light-on-dark symbol.
        bool quietZone = false;
        for (int d = kLegReach + 1; d <= kFarthestBeside; ++d) {
            for (int side = -1; side <= 1; side += 2) {
                float const off = static_cast<float>(side * d) * across;
                bool solidDark = true;
                for (int i = 0; i < kSteps && solidDark; ++i) {
                    float const t = 0.2f + 0.6f * static_cast<float>(i) / (kSteps - 1);
                    solidDark = (k == 0 ? at(t, off) : at(off, t)) < inside - margin;
                }
                if (solidDark && side == 1) {
                    return false;
                }
                quietZone = quietZone || solidDark;
            }
        }
        if (!quietZone) {
            return false;
        }
    }
    return true;
}

// The grey of the sighted L's own modules: at points spread along both legs
// the darkest pixel of the 3 x 3 around each (the lightest for a negative
// symbol), and the middle of those; -1 when too few lie on the frame.
int LegInk(GrayImage const& image, Region const& lPattern, bool negative)
{
    constexpr int kPerLeg = 12;
    int values[2 * kPerLeg];
    int count = 0;
    Point const& corner = lPattern.corner[3];
    for (unsigned leg = 0; leg < 2; ++leg) {
        Point const& end = lPattern.corner[2 * leg];
        for (int i = 1; i <= kPerLeg; ++i) {
            int const x = corner.x + (end.x - corner.x) * i / (kPerLeg + 2);
            int const y = corner.y + (end.y - corner.y) * i / (kPerLeg + 2);
            if (x < 1 || y < 1 || x + 1 >= image.GetWidth() || y + 1 >= image.GetHeight()) {
                continue;
            }
            int extreme = image.At(x, y);
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    int const v = image.At(x + dx, y + dy);
                    extreme = negative ? (v > extreme ? v : extreme) : (v < extreme ? v : extreme);
                }
            }
            values[count++] = extreme;
        }
    }
    if (count < kPerLeg) {
        return -1;
    }
    std::nth_element(values, values + count / 2, values + count);
    return values[count / 2];
}

}  // namespace

DataMatrixDecoder::DataMatrixDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property),
      outline_(memory_.TakeArray<unsigned char>(kMaxImagePixels), memory_.TakeArray<int>(kMaxPatchPixels)),
      mesh_(memory_.TakeArray<Point>(kMaxSide * kMaxSide)),
      luminance_(memory_.TakeArray<unsigned short>(kMaxSide * kMaxSide)),
      blocks_(memory_.TakeArray<GapAndThreshold>((kMaxSide / kBlockSide + 1) * (kMaxSide / kBlockSide + 1))),
      decided_(memory_.TakeArray<bool>(kMaxSide * kMaxSide)),
      mapping_(memory_.TakeArray<bool>(DataMatrixVersionTable::kMaxMappingSide *
                                       DataMatrixVersionTable::kMaxMappingSide)),
      visited_(memory_.TakeArray<unsigned char>(DataMatrixVersionTable::kMaxMappingSide *
                                                DataMatrixVersionTable::kMaxMappingSide)),
      codewords_(memory_.TakeArray<unsigned short>(DataMatrixVersionTable::kMaxCodewords)),
      placement_(memory_.TakeArray<unsigned short>(DataMatrixEcc000To140Placement::kMaxBits)),
      moduleStream_(memory_.TakeArray<unsigned short>(DataMatrixEcc000To140Placement::kMaxBits / 8 + 1)),
      reencoded_(memory_.TakeArray<unsigned short>(DataMatrixEcc000To140Placement::kMaxBits / 8 + 1)),
      timing_(memory_)
{
}

// Module centres of a width x height symbol over the current corners:
// corner 0 the L corner (bottom left), 1 top left, 2 top right, 3 bottom
// right; a mirrored symbol has its legs the other way round.
class DataMatrixDecoder::ModuleMap {
public:
    ModuleMap(OutlinePoint const* corners, unsigned width, unsigned height, bool mirrored)
        : map_(corners[mirrored ? 3 : 1], corners[2], corners[mirrored ? 1 : 3], corners[0]),
          width_(static_cast<float>(width)), height_(static_cast<float>(height))
    {
    }

    OutlinePoint At(unsigned column, unsigned row) const { return map_.At(ToU(column), ToV(row)); }
    // The unit square's coordinates of a module centre, and the point there.
    float ToU(unsigned column) const { return (static_cast<float>(column) + 0.5f) / width_; }
    float ToV(unsigned row) const { return (static_cast<float>(row) + 0.5f) / height_; }
    OutlinePoint AtUnit(float u, float v) const { return map_.At(u, v); }
#if defined(__SSE2__)
    void AtUnit(__m128 u, __m128 v, __m128& x, __m128& y) const { map_.At(u, v, x, y); }
#endif
#if defined(SCANNER_DATA_MATRIX_AVX2)
    __attribute__((target("avx2"), always_inline)) void AtUnit(__m256 u, __m256 v, __m256& x, __m256& y) const
    {
        map_.At(u, v, x, y);
    }
#endif

private:
    UnitSquareMap map_;
    float width_;
    float height_;
};

// How well the L and the two timing sides of a size match the image: the
// correlation of the module centres' grey values with the pattern, 1 best.
float DataMatrixDecoder::ScoreTiming(GrayImage const& image, bool negative, unsigned width, unsigned height,
                                     bool mirrored) const
{
    constexpr unsigned kMost = 2 * (kMaxSide + kMaxSide);
    if (width > kMaxSide || height > kMaxSide) {
        return -1;
    }
    float xs[kMost];
    float ys[kMost];
    float values[kMost];
    float expected[kMost];
    unsigned n = 0;
    ModuleMap const modules(corners_, width, height, mirrored);
    // The module centres first, then their grey values all together. Two
    // modules a step, the first on either side of a pair of sides; with
    // vector lanes four steps at a time, each centre worked out as At does.
    auto take = [&](unsigned column, unsigned row, bool dark) {
        OutlinePoint const p = modules.At(column, row);
        xs[n] = p.x;
        ys[n] = p.y;
        expected[n] = dark ? -1.0f : 1.0f;
        ++n;
    };
    unsigned c = 0;
#if defined(__SSE2__)
    // Four steps along u (the top and bottom rows, across: false) or v.
    auto takeFour = [&](unsigned first, bool across, float fixed0, float fixed1) {
        __m128 const steps = _mm_div_ps(
            _mm_add_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(static_cast<int>(first)), _mm_set_epi32(3, 2, 1, 0))),
                       _mm_set1_ps(0.5f)),
            _mm_set1_ps(static_cast<float>(across ? height : width)));
        __m128 x[2];
        __m128 y[2];
        for (int side = 0; side < 2; ++side) {
            __m128 const fixed = _mm_set1_ps(side == 0 ? fixed0 : fixed1);
            modules.AtUnit(across ? fixed : steps, across ? steps : fixed, x[side], y[side]);
        }
        // The two sides' centres one after the other, step by step.
        _mm_storeu_ps(xs + n, _mm_unpacklo_ps(x[0], x[1]));
        _mm_storeu_ps(xs + n + 4, _mm_unpackhi_ps(x[0], x[1]));
        _mm_storeu_ps(ys + n, _mm_unpacklo_ps(y[0], y[1]));
        _mm_storeu_ps(ys + n + 4, _mm_unpackhi_ps(y[0], y[1]));
        n += 8;
    };
    // The expected pattern of four steps, two vectors alike: the top row
    // alternates from a dark module at an even column beside the solid
    // bottom row; the right side alternates in the same phase from every
    // fourth row beside the solid left side.
    auto pattern = [](float first) { return _mm_set_ps(-1.0f, -first, -1.0f, first); };
    __m128 const across = pattern(-1.0f);
#if defined(SCANNER_DATA_MATRIX_AVX2)
    bool const eightLanes = ProcessorHasAvx2();
    if (eightLanes) {
        float twoSteps[4];
        _mm_storeu_ps(twoSteps, across);
        unsigned const done = MapEightSteps(modules, c, width, static_cast<float>(width), false, modules.ToV(0),
                                            modules.ToV(height - 1), twoSteps, xs + n, ys + n, expected + n);
        c += done;
        n += 2 * done;
    }
#endif
    for (; c + 4 <= width; c += 4) {
        _mm_storeu_ps(expected + n, across);
        _mm_storeu_ps(expected + n + 4, across);
        takeFour(c, false, modules.ToV(0), modules.ToV(height - 1));
    }
#endif
    for (; c < width; ++c) {
        take(c, 0, c % 2 == 0);
        take(c, height - 1, true);
    }
    // The right side alternates up from the solid bottom row.
    unsigned r = 1;
#if defined(__SSE2__)
    __m128 const down = pattern((height - 1 - r) % 2 == 0 ? -1.0f : 1.0f);
#if defined(SCANNER_DATA_MATRIX_AVX2)
    if (eightLanes) {
        float twoSteps[4];
        _mm_storeu_ps(twoSteps, down);
        unsigned const done = MapEightSteps(modules, r, height - 1, static_cast<float>(height), true,
                                            modules.ToU(width - 1), modules.ToU(0), twoSteps, xs + n, ys + n,
                                            expected + n);
        r += done;
        n += 2 * done;
    }
#endif
    for (; r + 4 < height; r += 4) {
        _mm_storeu_ps(expected + n, down);
        _mm_storeu_ps(expected + n + 4, down);
        takeFour(r, true, modules.ToU(width - 1), modules.ToU(0));
    }
#endif
    for (; r + 1 < height; ++r) {
        take(width - 1, r, (height - 1 - r) % 2 == 0);
        take(0, r, true);
    }
    DataMatrixOutline::SampleAll(image, xs, ys, n, values);
    float sum = 0;
    if (negative) {
        for (unsigned i = 0; i < n; ++i) {
            values[i] = 1023 - values[i];
            sum += values[i];
        }
    } else {
        for (unsigned i = 0; i < n; ++i) {
            sum += values[i];
        }
    }
    float const mean = sum / static_cast<float>(n);
    float agree = 0;
    float total = 0;
    for (unsigned i = 0; i < n; ++i) {
        float const d = values[i] - mean;
        agree += expected[i] * d;
        total += std::fabs(d);
    }
    return total > 0 ? agree / total : -1;
}

unsigned DataMatrixDecoder::RankVersions(GrayImage const& image, bool negative, Candidate* best) const
{
    for (unsigned i = 0; i < kCandidates; ++i) {
        best[i] = Candidate{};
    }
    // Leg lengths: from the L corner to the far ends.
    float const legs[2] = {Distance(corners_[0], corners_[1]), Distance(corners_[0], corners_[3])};
    if (!(legs[0] >= 8 && legs[1] >= 8)) {
        return 0;  // too small to hold a symbol, or a degenerate outline
    }
    bool const ecc200 = property_->data_matrix.read.Get();
    bool const ecc000To140 = property_->data_matrix.read_ecc000_140.Get();
    for (unsigned i = 0; i < DataMatrixVersionTable::kCount + kLegacySizes; ++i) {
        bool const legacy = i >= DataMatrixVersionTable::kCount;
        if (!(legacy ? ecc000To140 : ecc200)) {
            continue;
        }
        DataMatrixVersion const& v =
            legacy ? kLegacyVersions[i - DataMatrixVersionTable::kCount] : DataMatrixVersionTable::Get(i);
        for (int m = 0; m < 2; ++m) {
            bool const mirrored = m == 1;
            if (v.symbolWidth == v.symbolHeight && mirrored) {
                continue;  // a mirrored square symbol is tried after the plain one fails
            }
            // The vertical leg is the height: corner 1 plain, corner 3 mirrored.
            float const heightPixels = legs[mirrored ? 1 : 0];
            float const widthPixels = legs[mirrored ? 0 : 1];
            float const ratio = (widthPixels / heightPixels) / (static_cast<float>(v.symbolWidth) / v.symbolHeight);
            if (ratio > 1.6f || ratio < 1 / 1.6f || widthPixels < 1.5f * v.symbolWidth ||
                heightPixels < 1.5f * v.symbolHeight) {
                continue;
            }
            Candidate c{&v, mirrored, ScoreTiming(image, negative, v.symbolWidth, v.symbolHeight, mirrored)};
            for (unsigned k = 0; k < kCandidates; ++k) {
                if (c.score > best[k].score) {
                    Candidate const moved = best[k];
                    best[k] = c;
                    c = moved;
                }
            }
        }
    }
    unsigned count = 0;
    while (count < kCandidates && best[count].version != nullptr && best[count].score > kFits) {
        ++count;
    }
    return count;
}

bool DataMatrixDecoder::ReadMatrix(GrayImage const& image, Candidate const& candidate, bool negative,
                                   bool laplacian)
{
    DataMatrixVersion const& v = *candidate.version;
    unsigned const width = v.symbolWidth;
    unsigned const height = v.symbolHeight;
    if (width > kMaxSide || height > kMaxSide) {
        return false;
    }
    // Each module centre at 1/256 pixel; the module decision samples the
    // grey values at these points.
    constexpr unsigned kBits = 8;
    if (!mesh_.SetSize(width, height, kBits) || !mesh_.SetSamplingSize(kBits)) {
        return false;
    }
    ModuleMap const modules(corners_, width, height, candidate.mirrored);
    for (unsigned r = 0; r < height; ++r) {
        for (unsigned c = 0; c < width; ++c) {
            OutlinePoint const p = modules.At(c, r);
            mesh_.At(c, r) = Point{ToFixed(p.x), ToFixed(p.y)};
        }
    }
    BinarizationSubroutineForDataMatrix const binarization(blocks_, decided_);
    if (binarization.Start(image, mesh_, v, !negative, laplacian, luminance_, mapping_) == 0) {
        return false;
    }
    if (IsEcc000To140(v)) {
        return true;  // its own placement is undone with the stream
    }
    // The placement of the size is laid out when it changes.
    unsigned const count = v.GetTotalCodewords();
    if (count > codewords_.GetCount() ||
        (!placementTable_.IsFor(mapping_.GetWidth(), mapping_.GetHeight(), count) &&
         !placementTable_.Build(mapping_.GetWidth(), mapping_.GetHeight(), count, visited_.GetData(),
                                 visited_.GetCount()))) {
        return false;
    }
    return placementTable_.Read(mapping_, codewords_.GetData());
}

// Codeword p of the whole stream, data and check words alike, belongs to
// block p mod blocks. In the 144 x 144 symbol the last two blocks hold one
// data codeword fewer, so its check words start with those of block 8.
bool DataMatrixDecoder::CorrectBlocks(DataMatrixVersion const& version)
{
    unsigned const blocks = version.blocks;
    unsigned const dataTotal = version.dataCodewords;
    unsigned const checks = version.errorCodewords / blocks;
    unsigned short* cw = codewords_.GetData();
    for (unsigned b = 0; b < blocks; ++b) {
        unsigned k = 0;
        for (unsigned i = b; i < dataTotal; i += blocks) {
            block_[k++] = cw[i];
        }
        unsigned n = k;
        unsigned const first = dataTotal + (b + blocks - dataTotal % blocks) % blocks;
        for (unsigned j = 0; j < checks; ++j) {
            block_[n++] = cw[first + j * blocks];
        }
        unsigned located = 0;
        if (n > RSdecodingOfDataMatrix::kMaxCodewords || rs_.CorrectErrors(block_, n, k, 0, nullptr, &located) == 0) {
            return false;
        }
        k = 0;
        for (unsigned i = b; i < dataTotal; i += blocks) {
            cw[i] = block_[k++];
        }
    }
    return true;
}

void DataMatrixDecoder::SetLabelShape(DataMatrixVersion const& version, bool negative, DecodedLabel& label) const
{
    label.negative = negative ? 1 : 0;
    label.moduleCount = version.symbolWidth;
    SetRegion(label.region);
}

void DataMatrixDecoder::SetRegion(Region& region) const
{
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{ToFixed(corners_[i].x) / 256, ToFixed(corners_[i].y) / 256};
    }
}

// The module stream comes out of its placement and randomising; a protected
// stream then loses its convolutional code, an ECC 000 stream is read as it
// stands after its seven opening bits.
bool DataMatrixDecoder::ConvertEcc000To140(DataMatrixVersion const& version, bool negative, DecodedLabel& label)
{
    label.data.Clear();
    if (!DataMatrixEcc000To140Placement::ReadModuleStream(mapping_, placement_, moduleStream_)) {
        return false;
    }
    unsigned const side = version.symbolWidth;
    unsigned const moduleBits = DataMatrixEcc000To140Size::GetModuleBits(side);
    unsigned short const* stream = moduleStream_.GetData();
    DataStreamForDataMatrix const in{stream, (moduleBits + 7) / 8};
    unsigned const opening = DataMatrixEcc000To140Header::kUnprotectedBits;
    bool read = false;
    if (DataMatrixEcc000To140Header::IsUnprotected(in)) {
        read = DataMatrixEcc000To140Data::Start(stream, opening, moduleBits - opening, label);
    } else {
        DataMatrixEcc000To140Stream::Result result;
        read = ecc000To140_.Start(in, side, codewords_, reencoded_, result) &&
               DataMatrixEcc000To140Data::Start(codewords_.GetData(), 0, result.bits, label);
    }
    if (!read || !property_->data_matrix.fixed_length.Get().Admits(label.data.GetCount())) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(DataMatrixIdentifier(1u << 5));
    label.structuredAppend = tagStructuredAppend{};
    SetLabelShape(version, negative, label);
    return true;
}

bool DataMatrixDecoder::Convert(DataMatrixVersion const& version, bool negative, DecodedLabel& label)
{
    DataMatrixDataStream::Result result;
    bool const suppress = property_->common_2d.suppress_eci_escape.Get();
    if (!DataMatrixDataStream::Start(codewords_.GetData(), version.dataCodewords, suppress, label, result) ||
        label.data.IsEmpty() || !property_->data_matrix.fixed_length.Get().Admits(label.data.GetCount())) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(DataMatrixIdentifier(result.modifier));
    label.structuredAppend = result.append;
    SetLabelShape(version, negative, label);
    return true;
}

void DataMatrixDecoder::OnNewImage()
{
    failedCount_ = 0;
    failedNext_ = 0;
    outline_.ForgetPatches();
}

int DataMatrixDecoder::ReadWithPolarity(GrayImage const& image, Region const& lPattern, bool negative,
                                        DecodedLabel& label)
{
    Point const& corner = lPattern.corner[3];
    // The grey range is taken within about the shorter leg of the corner,
    // where the symbol fills a good part of the square.
    int legs[2];
    for (unsigned i = 0; i < 2; ++i) {
        int const dx = lPattern.corner[2 * i].x - corner.x;
        int const dy = lPattern.corner[2 * i].y - corner.y;
        legs[i] = static_cast<int>(std::sqrt(static_cast<float>(dx * dx + dy * dy)));
    }
    int const shorter = legs[0] < legs[1] ? legs[0] : legs[1];
    int const longer = legs[0] < legs[1] ? legs[1] : legs[0];
    int const reach = shorter > longer / 3 ? shorter : longer / 3;
    // A sighting of an L this polarity's last fill took in is given that
    // patch again without filling.
    bool filled = outline_.Fill(image, corner, reach, negative, true);
    // No patch, or one far smaller than the legs (it cannot hold the L): a
    // ground within reach darker than the symbol (a chessboard, a shadow)
    // set the fill's threshold below a pale symbol's modules. It is filled
    // again at the legs' own grey.
    int const extent = outline_.GetPatchExtent();
    if (extent >= 0 && extent < shorter / 2) {
        int const ink = LegInk(image, lPattern, negative);
        filled = ink >= 0 && outline_.FillAtInk(image, corner, reach, negative, ink);
    }
    if (!filled) {
        return 0;
    }
    // A fill read before on this frame without success fails again.
    unsigned long long fill = 0;
    auto failedBefore = [&]() {
        fill = outline_.GetFillDigest();
        for (unsigned i = 0; i < failedCount_; ++i) {
            if (failed_[i].fill == fill) {
                if (!(failed_[i].unread == Region())) {
                    unread_ = failed_[i].unread;
                }
                return true;
            }
        }
        return false;
    };
    if (failedBefore()) {
        return 0;
    }
    // A patch taken again whose reading did not fail is filled afresh.
    if (outline_.WasRepeat() && (!outline_.Fill(image, corner, reach, negative, false) || failedBefore())) {
        return 0;
    }
    Region unread;
    // The edge scans start a tenth of a side out; when that finds nothing
    // to read they start again nearer the edges, within the quiet zone of
    // a large symbol on a grey ground, and then nearer still, within a
    // quiet zone of a few modules on a cluttered ground. Last, the near
    // scans' outline is taken with its timing sides as the hull put them
    // (a symbol in strong perspective).
    for (int scans = DataMatrixOutline::kFarScans; scans <= DataMatrixOutline::kNearestScans + 1; ++scans) {
        bool const hullSides = scans > DataMatrixOutline::kNearestScans;
        if (!outline_.Fit(image, hullSides ? DataMatrixOutline::kNearScans : scans, !hullSides)) {
            continue;
        }
        // The timing sides' outer edges put the outline's far corners; a
        // large symbol's far corner is then followed along its timing
        // pattern. What this does not read, the outline's own corners and
        // their fit to each size's timing read after it.
        if (FitTimingEdges(image)) {
            Candidate edged[kCandidates];
            unsigned const ranked = RankVersions(image, negative, edged);
            OutlinePoint edges[4];
            for (unsigned k = 0; k < 4; ++k) {
                edges[k] = corners_[k];
            }
            for (unsigned i = 0; i < ranked; ++i) {
                if (ReadCandidate(image, edged[i], negative, 0, 2, label)) {
                    return 1;
                }
                if (FollowTimingPattern(image, edged[i]) && ReadCandidate(image, edged[i], negative, 0, 1, label)) {
                    return 1;
                }
                for (unsigned k = 0; k < 4; ++k) {
                    corners_[k] = edges[k];
                }
            }
        }
        for (unsigned i = 0; i < 4; ++i) {
            corners_[i] = outline_.GetCorner(i);
        }
        Candidate candidates[kCandidates];
        unsigned const count = RankVersions(image, negative, candidates);
        bool const slanted = IsSlanted(corners_);
        for (unsigned i = 0; i < count; ++i) {
            // The outline's corners first; then, when the plain reading
            // does not decode, the corners moved to where the size's L and
            // timing sides fit best (a corner a module off spoils the far
            // side of a large symbol). A blurred or skewed symbol mostly
            // reads plain on the moved corners, so the sharpened and
            // mirrored readings of both come after.
            // A large symbol whose timing fits the outline's corners only
            // loosely mostly reads on the fitted corners alone (blur draws
            // the timing sides' edges in by about half a module): its
            // fitted corners are read first, then the outline's.
            // So, too, does one seen at a slant (opposite sides of the
            // outline unequal) whose timing fits less than closely: its
            // outline's corners lie off the modules' grid near the far side.
            DataMatrixVersion const& v = *candidates[i].version;
            float const looseFit = slanted ? kSlantedLooseFit : kLooseFit;
            bool const fitFirst = candidates[i].score < looseFit && v.symbolHeight >= kLooseFitSide;
            if (!fitFirst && ReadCandidate(image, candidates[i], negative, 0, 1, label)) {
                return 1;
            }
            bool const moved = FitCornersToTiming(image, negative, candidates[i]);
            OutlinePoint fitted[4];
            for (unsigned k = 0; k < 4; ++k) {
                fitted[k] = corners_[k];
            }
            if (moved && ReadCandidate(image, candidates[i], negative, 0, 1, label)) {
                return 1;
            }
            for (unsigned k = 0; k < 4; ++k) {
                corners_[k] = outline_.GetCorner(k);
            }
            if (fitFirst && ReadCandidate(image, candidates[i], negative, 0, 1, label)) {
                return 1;
            }
            if (ReadCandidate(image, candidates[i], negative, 1, kReadings, label)) {
                return 1;
            }
            if (moved) {
                for (unsigned k = 0; k < 4; ++k) {
                    corners_[k] = fitted[k];
                }
                if (ReadCandidate(image, candidates[i], negative, 1, kReadings, label)) {
                    return 1;
                }
                for (unsigned k = 0; k < 4; ++k) {
                    corners_[k] = outline_.GetCorner(k);
                }
            }
        }
        // No size's timing fits the outline's corners; under perspective
        // the timing corners of small modules lie a module or two off, and
        // the far modules' timing may then fit a smaller size better. The
        // best sizes' corners are fitted to their timing, each read when
        // it then fits. Nothing is said found: the other sightings go on.
        for (unsigned i = 0; count == 0 && i < kCandidates; ++i) {
            Candidate const& near = candidates[i];
            if (near.version == nullptr || !(near.score >= kNearFit)) {
                break;
            }
            if (FitCornersToTiming(image, negative, near) &&
                ScoreTiming(image, negative, near.version->symbolWidth, near.version->symbolHeight, near.mirrored) >
                    kFits &&
                ReadCandidate(image, near, negative, 0, kReadings, label)) {
                return 1;
            }
            for (unsigned k = 0; k < 4; ++k) {
                corners_[k] = outline_.GetCorner(k);
            }
        }
        // A symbol is there when some size's L and timing fit the outline;
        // the hull's outline is only read, never said found (under a
        // perspective it does not fit it may span the ground, and the
        // other sightings within it would not be tried).
        if (count > 0 && !hullSides) {
            SetRegion(unread);
            unread_ = unread;
        }
    }
    FailedFill& failed = failed_[failedNext_];
    failedNext_ = (failedNext_ + 1) % kFailedFills;
    failedCount_ = failedCount_ < kFailedFills ? failedCount_ + 1 : kFailedFills;
    failed.fill = fill;
    failed.unread = unread;
    return 0;
}

bool DataMatrixDecoder::ReadCandidate(GrayImage const& image, Candidate const& candidate, bool negative, int first,
                                      int last, DecodedLabel& label)
{
    for (int pass = first; pass < last; ++pass) {
        Candidate c = candidate;
        bool const laplacian = pass % 2 == 1;
        if (pass >= 2) {
            if (c.version->symbolWidth != c.version->symbolHeight) {
                break;
            }
            c.mirrored = true;  // a square symbol seen mirrored
        }
        if (!ReadMatrix(image, c, negative, laplacian)) {
            continue;
        }
        if (IsEcc000To140(*c.version) ? ConvertEcc000To140(*c.version, negative, label)
                                      : CorrectBlocks(*c.version) && Convert(*c.version, negative, label)) {
            return true;
        }
    }
    return false;
}

// Coordinate ascent of the timing score over the three corners the timing
// sides meet, in steps of half and then a quarter pixel; the L corner stays
// where the outline's solid edges put it. The score samples the legs' own
// modules, which stay dark wherever that corner moves along them, so it
// cannot place it: moved with the others it wanders and skews the modules
// near it. False when no move improved it (the reading would be the same).
bool DataMatrixDecoder::FitCornersToTiming(GrayImage const& image, bool negative, Candidate const& candidate)
{
    DataMatrixVersion const& v = *candidate.version;
    float best = ScoreTiming(image, negative, v.symbolWidth, v.symbolHeight, candidate.mirrored);
    bool moved = false;
    for (float step : {0.5f, 0.25f}) {
        // A try is not scored again while no move has been taken since it
        // was turned down (the corners, and so the score, are as they were
        // then), nor is a step straight back to where a corner was before
        // the last move taken (the score it had then, which that move
        // beat). Tries are counted in moves taken at this step, plus one.
        unsigned moves = 1;
        unsigned refused[4][4] = {};
        unsigned backAt[4] = {};
        OutlinePoint back[4];
        for (int round = 0; round < kFitRounds; ++round) {
            bool improved = false;
            for (unsigned k = 1; k < 4; ++k) {
                for (unsigned d = 0; d < 4; ++d) {
                    if (refused[k][d] == moves) {
                        continue;
                    }
                    OutlinePoint const kept = corners_[k];
                    corners_[k].x += d == 0 ? step : (d == 1 ? -step : 0);
                    corners_[k].y += d == 2 ? step : (d == 3 ? -step : 0);
                    if (backAt[k] == moves && corners_[k].x == back[k].x && corners_[k].y == back[k].y) {
                        corners_[k] = kept;
                        continue;
                    }
                    float const score = ScoreTiming(image, negative, v.symbolWidth, v.symbolHeight, candidate.mirrored);
                    if (score > best + 1e-4f) {
                        best = score;
                        improved = true;
                        ++moves;
                        backAt[k] = moves;
                        back[k] = kept;
                    } else {
                        corners_[k] = kept;
                        refused[k][d] = moves;
                    }
                }
            }
            moved = moved || improved;
            if (!improved) {
                break;
            }
        }
    }
    return moved;
}

namespace {

Point ToFixedPoint(OutlinePoint const& p) { return Point{ToFixed(p.x), ToFixed(p.y)}; }

OutlinePoint FromFixed(Point const& p)
{
    return OutlinePoint{static_cast<float>(p.x) / 256.0f, static_cast<float>(p.y) / 256.0f};
}

// Whether `to` lies within `reach` (1/256 pixel) of `from`.
bool IsNear(Point const& from, Point const& to, long long reach)
{
    long long const dx = static_cast<long long>(to.x) - from.x;
    long long const dy = static_cast<long long>(to.y) - from.y;
    return dx * dx + dy * dy <= reach * reach;
}

}  // namespace

// The outline's corners as the outer edges of its timing sides put them:
// the far corner where the two edges cross, each end of a leg where the
// leg meets the other timing side's edge. False, corners as they were,
// when an edge is not found or a corner would move by more than an eighth
// of the shorter side.
bool DataMatrixDecoder::FitTimingEdges(GrayImage const& image)
{
    Point p[4];
    for (unsigned k = 0; k < 4; ++k) {
        p[k] = ToFixedPoint(outline_.GetCorner(k));
    }
    Point const centre{(p[0].x + p[1].x + p[2].x + p[3].x) / 4, (p[0].y + p[1].y + p[2].y + p[3].y) / 4};
    CalcTimingEdgeLineSubroutine const timing(timing_);
    Line edges[2];
    long long shorter = 0;
    for (unsigned k = 0; k < 2; ++k) {
        LineSegment const side{p[1 + 2 * k], p[2]};
        long long const length = Geometry::CalcChebyshevDistance(side);
        shorter = k == 0 || length < shorter ? length : shorter;
        // Away from the centre, across the side.
        Vector outward{side.end.y - side.begin.y, side.begin.x - side.end.x};
        long long const midX = (static_cast<long long>(side.begin.x) + side.end.x) / 2 - centre.x;
        long long const midY = (static_cast<long long>(side.begin.y) + side.end.y) / 2 - centre.y;
        if (outward.dx * midX + outward.dy * midY < 0) {
            outward = Vector{-outward.dx, -outward.dy};
        }
        long long width = length / 4;
        width = width < 12 * 256 ? 12 * 256 : (width > 64 * 256 ? 64 * 256 : width);
        if (timing.Start(image, side, outward, static_cast<unsigned>(width), edges[k], false) == 0) {
            return false;
        }
    }
    Line legs[2];
    Point moved[4] = {p[0]};
    if (!Geometry::CalcLine(p[0], p[1], legs[0]) || !Geometry::CalcLine(p[0], p[3], legs[1]) ||
        !Geometry::CalcCrossPoint(edges[0], edges[1], moved[2]) ||
        !Geometry::CalcCrossPoint(legs[0], edges[0], moved[1]) ||
        !Geometry::CalcCrossPoint(legs[1], edges[1], moved[3])) {
        return false;
    }
    for (unsigned k = 1; k < 4; ++k) {
        if (!IsNear(p[k], moved[k], shorter / 8)) {
            return false;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        corners_[k] = FromFixed(moved[k]);
    }
    return true;
}

// A large symbol's far corner where its timing sides run into it: each
// side followed module by module from its leg's end, the short line
// nearest the far corner of each crossed. False, corners as they were,
// for a smaller symbol, or when the sides cannot be followed or their
// crossing lies more than two modules off.
bool DataMatrixDecoder::FollowTimingPattern(GrayImage const& image, Candidate const& candidate)
{
    DataMatrixVersion const& v = *candidate.version;
    if (v.symbolHeight < kLooseFitSide || v.symbolWidth < kLooseFitSide) {
        return false;
    }
    Point p[4];
    for (unsigned k = 0; k < 4; ++k) {
        p[k] = ToFixedPoint(corners_[k]);
    }
    Point const centre{(p[0].x + p[1].x + p[2].x + p[3].x) / 4, (p[0].y + p[1].y + p[2].y + p[3].y) / 4};
    CalcTimingPatternPolygonalLine const follow(timing_);
    Line nearest[2];
    long long module = 0;
    for (unsigned k = 0; k < 2; ++k) {
        Point const& start = p[1 + 2 * k];
        Vector const side{p[2].x - start.x, p[2].y - start.y};
        // Along the top the modules are the width's, along the right side
        // the height's; a mirrored symbol has its legs the other way round.
        bool const acrossWidth = (k == 0) != candidate.mirrored;
        int const modules = acrossWidth ? v.symbolWidth : v.symbolHeight;
        Vector const step{side.dx / modules, side.dy / modules};
        long long const length = Geometry::CalcChebyshevDistance(step);
        module = k == 0 || length < module ? length : module;
        long long const midX = start.x + side.dx / 2 - centre.x;
        long long const midY = start.y + side.dy / 2 - centre.y;
        bool const outwardLeft = static_cast<long long>(side.dy) * midX - static_cast<long long>(side.dx) * midY > 0;
        constexpr unsigned kMostLines = 160;
        Line lines[kMostLines];
        StackInterface<Line> chain(lines, kMostLines);
        if (follow.Start(image, start, step, side, outwardLeft, chain) == 0 || chain.IsEmpty()) {
            return false;
        }
        nearest[k] = lines[chain.GetCount() - 1];
    }
    Point corner;
    if (!Geometry::CalcCrossPoint(nearest[0], nearest[1], corner) || !IsNear(p[2], corner, 2 * module) ||
        corner == p[2]) {
        return false;
    }
    corners_[2] = FromFixed(corner);
    return true;
}

bool DataMatrixDecoder::IsPromising(GrayImage const& image, Region const& lPattern) const
{
    return DataMatrixQuietSides::Show(image, lPattern);
}

int DataMatrixDecoder::Start(GrayImage const& image, Region const& lPattern, DecodedLabel& label)
{
    if (memory_.HasFailed() ||
        !(property_->data_matrix.read.Get() || property_->data_matrix.read_ecc000_140.Get())) {
        return 0;
    }
    // 0: dark on light only, 1: light on dark only, 2: both.
    unsigned const polarity = property_->data_matrix.positive_and_negative.Get();
    unread_ = Region();
    // With both polarities wanted, light on dark is tried first when the
    // last symbol read was, or else when the legs show it: the labels of
    // one run mostly share their polarity, and the legs a sighting brings
    // are often too short to show it. Only an order: both are tried.
    int const first = polarity == 2 && (lastReadNegative_ || ShowsLightL(image, lPattern)) ? 1 : 0;
    for (int k = 0; k < 2; ++k) {
        int const negative = first ^ k;
        if ((negative == 0 && polarity == 1) || (negative == 1 && polarity != 1 && polarity != 2)) {
            continue;
        }
        if (ReadWithPolarity(image, lPattern, negative == 1, label) != 0) {
            // The next frame's symbol mostly lies where this one did; its
            // patch would be taken again only to be filled afresh.
            outline_.ForgetPatches();
            lastReadNegative_ = negative == 1;
            return 1;
        }
    }
    // The outline of the symbol that was found and not read, for the
    // locator; nothing when no symbol was found here.
    label.Clear();
    label.region = unread_;
    return 0;
}

}  // namespace DEC2DIvra
