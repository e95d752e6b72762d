#include "decoder/matrix/aztec/aztec_finder_searcher.h"

#include "decoder/core/processor_lanes.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_AZTEC_FINDER_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = 0.5;       // pixels between samples along a ray
constexpr unsigned kMaxSamples = 256;
constexpr unsigned kNearRounds = 3;
// Samples kept of each ray's inner part (its first 4 modules at 0.5 pixel
// steps): all of them for modules up to 7.75 pixels.
constexpr unsigned kInnerKept = 64;
// What looks like the centre module differs from all around it by this
// share of the grey range, or with the strict test the larger one: grey
// ring edges at two pixels a module let a light point between them pass the
// first, blur lets the true centre fail the second.
constexpr int kGapShare = 6;
constexpr int kStrictGapShare = 4;

constexpr int kMaxSide = 32;
constexpr int kMaxLattice = kMaxSide * kMaxSide;

// The rays' directions, 2 pi r / kRays, and those of four times their angles
// (the corner harmonic), worked out once rather than at every search: the
// same functions of the same angles, so the same values.
struct RayAngles {
    double dx[AztecFinderSearcher::kRays];
    double dy[AztecFinderSearcher::kRays];
    double harmonicX[AztecFinderSearcher::kRays];
    double harmonicY[AztecFinderSearcher::kRays];
};

RayAngles MakeRayAngles()
{
    RayAngles angles{};
    for (unsigned r = 0; r < AztecFinderSearcher::kRays; ++r) {
        double const a = 2 * kPi * r / AztecFinderSearcher::kRays;
        angles.dx[r] = std::cos(a);
        angles.dy[r] = std::sin(a);
        angles.harmonicX[r] = std::cos(4 * a);
        angles.harmonicY[r] = std::sin(4 * a);
    }
    return angles;
}

RayAngles const& TheRayAngles()
{
    static RayAngles const angles = MakeRayAngles();
    return angles;
}

// |SampleBilinear(a) - SampleBilinear(b)|: where all eight pixels lie on
// the image, the two blends side by side in double lanes, the same
// operations on the same numbers as SampleBilinear's; else one by one.
inline int SampleDifference(GrayImage const& image, double ax, double ay, double bx, double by)
{
#if defined(__SSE2__)
    unsigned short const* const pixels = image.GetPixels();
    __m128d const fx = _mm_sub_pd(_mm_set_pd(bx, ax), _mm_set1_pd(0.5));
    __m128d const fy = _mm_sub_pd(_mm_set_pd(by, ay), _mm_set1_pd(0.5));
    __m128d const zero = _mm_setzero_pd();
    __m128d const inside =
        _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(fx, zero), _mm_cmpge_pd(fy, zero)),
                   _mm_and_pd(_mm_cmplt_pd(fx, _mm_set1_pd(static_cast<double>(image.GetWidth() - 1))),
                              _mm_cmplt_pd(fy, _mm_set1_pd(static_cast<double>(image.GetHeight() - 1)))));
    if (_mm_movemask_pd(inside) == 3 && pixels != nullptr) {
        // Non-negative: truncation is the floor.
        __m128i const i = _mm_cvttpd_epi32(fx);
        __m128i const j = _mm_cvttpd_epi32(fy);
        int const i0 = _mm_cvtsi128_si32(i);
        int const i1 = _mm_cvtsi128_si32(_mm_srli_si128(i, 4));
        int const j0 = _mm_cvtsi128_si32(j);
        int const j1 = _mm_cvtsi128_si32(_mm_srli_si128(j, 4));
        long long const pitch = image.GetPitch();
        unsigned short const* const p0 = pixels + j0 * pitch + i0;
        unsigned short const* const p1 = pixels + j1 * pitch + i1;
        __m128d const wx = _mm_sub_pd(fx, _mm_cvtepi32_pd(i));
        __m128d const wy = _mm_sub_pd(fy, _mm_cvtepi32_pd(j));
        __m128d const one = _mm_set1_pd(1.0);
        __m128d const top = _mm_add_pd(_mm_mul_pd(_mm_set_pd(p1[0], p0[0]), _mm_sub_pd(one, wx)),
                                       _mm_mul_pd(_mm_set_pd(p1[1], p0[1]), wx));
        __m128d const bottom = _mm_add_pd(_mm_mul_pd(_mm_set_pd(p1[pitch], p0[pitch]), _mm_sub_pd(one, wx)),
                                          _mm_mul_pd(_mm_set_pd(p1[pitch + 1], p0[pitch + 1]), wx));
        __m128i const g = _mm_cvttpd_epi32(
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(top, _mm_sub_pd(one, wy)), _mm_mul_pd(bottom, wy)), _mm_set1_pd(0.5)));
        int const d = _mm_cvtsi128_si32(g) - _mm_cvtsi128_si32(_mm_srli_si128(g, 4));
        return d < 0 ? -d : d;
    }
#endif
    int const g1 = SampleBilinear(image, ax, ay);
    int const g2 = SampleBilinear(image, bx, by);
    return g1 > g2 ? g1 - g2 : g2 - g1;
}

#if defined(SCANNER_AZTEC_FINDER_AVX2)
// The four blends at (px + offX[k], py + offY[k]) in double lanes with the
// operations of SampleBilinear in its order (no fused multiply-add): the
// pixel and its right neighbour gathered as one word per row. False, with
// nothing read, unless all four positions lie where the four pixels do.
__attribute__((target("avx2"))) inline bool BlendFour(unsigned short const* pixels, int pitch, __m256d limitX,
                                                      __m256d limitY, __m256d x, __m256d y, __m128i& grey)
{
    __m256d const half = _mm256_set1_pd(0.5);
    __m256d const zero = _mm256_setzero_pd();
    __m256d const one = _mm256_set1_pd(1.0);
    __m256d const fx = _mm256_sub_pd(x, half);
    __m256d const fy = _mm256_sub_pd(y, half);
    __m256d const inside =
        _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(fx, zero, _CMP_GE_OQ), _mm256_cmp_pd(fy, zero, _CMP_GE_OQ)),
                      _mm256_and_pd(_mm256_cmp_pd(fx, limitX, _CMP_LT_OQ), _mm256_cmp_pd(fy, limitY, _CMP_LT_OQ)));
    if (_mm256_movemask_pd(inside) != 15) {
        return false;
    }
    // Non-negative: truncation is the floor.
    __m128i const i = _mm256_cvttpd_epi32(fx);
    __m128i const j = _mm256_cvttpd_epi32(fy);
    __m128i const index = _mm_add_epi32(_mm_mullo_epi32(j, _mm_set1_epi32(pitch)), i);
    __m128i const upper = _mm_i32gather_epi32(reinterpret_cast<int const*>(pixels), index, 2);
    __m128i const lower = _mm_i32gather_epi32(reinterpret_cast<int const*>(pixels + pitch), index, 2);
    __m128i const low = _mm_set1_epi32(0xFFFF);
    __m256d const wx = _mm256_sub_pd(fx, _mm256_cvtepi32_pd(i));
    __m256d const wy = _mm256_sub_pd(fy, _mm256_cvtepi32_pd(j));
    __m256d const vx = _mm256_sub_pd(one, wx);
    __m256d const top = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_and_si128(upper, low)), vx),
                                      _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(upper, 16)), wx));
    __m256d const bottom = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_and_si128(lower, low)), vx),
                                         _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(lower, 16)), wx));
    grey = _mm256_cvttpd_epi32(_mm256_add_pd(
        _mm256_add_pd(_mm256_mul_pd(top, _mm256_sub_pd(one, wy)), _mm256_mul_pd(bottom, wy)), half));
    return true;
}

// The sum of |SampleBilinear(p + o) - SampleBilinear(p - o)| over four
// offsets o, in four lanes where all eight blends lie on the image; false
// if any does not.
__attribute__((target("avx2"))) bool FourDifferencesInLanes(GrayImage const& image, double px, double py,
                                                            double const* offX, double const* offY, int& sum)
{
    int const pitch = static_cast<int>(image.GetPitch());
    __m256d const limitX = _mm256_set1_pd(static_cast<double>(image.GetWidth() - 1));
    __m256d const limitY = _mm256_set1_pd(static_cast<double>(image.GetHeight() - 1));
    __m256d const ox = _mm256_loadu_pd(offX);
    __m256d const oy = _mm256_loadu_pd(offY);
    __m256d const x = _mm256_set1_pd(px);
    __m256d const y = _mm256_set1_pd(py);
    __m128i ahead;
    __m128i behind;
    if (!BlendFour(image.GetPixels(), pitch, limitX, limitY, _mm256_add_pd(x, ox), _mm256_add_pd(y, oy), ahead) ||
        !BlendFour(image.GetPixels(), pitch, limitX, limitY, _mm256_sub_pd(x, ox), _mm256_sub_pd(y, oy), behind)) {
        return false;
    }
    __m128i const d = _mm_abs_epi32(_mm_sub_epi32(ahead, behind));
    __m128i const pairs = _mm_add_epi32(d, _mm_shuffle_epi32(d, 0x4E));
    sum = _mm_cvtsi128_si32(_mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, 0xB1)));
    return true;
}

#endif

// The differences of the four opposite sample pairs at offX[k], offY[k]
// from (px, py), summed; in lanes where the processor and the frame allow.
inline int FourDifferences(GrayImage const& image, bool lanes, double px, double py, double const* offX,
                           double const* offY)
{
#if defined(SCANNER_AZTEC_FINDER_AVX2)
    int sum = 0;
    if (lanes && FourDifferencesInLanes(image, px, py, offX, offY, sum)) {
        return sum;
    }
#else
    (void)lanes;
#endif
    int total = 0;
    for (unsigned k = 0; k < 4; ++k) {
        total += SampleDifference(image, px + offX[k], py + offY[k], px - offX[k], py - offY[k]);
    }
    return total;
}

// Whether the point looks like the centre module: the samples 0.9 modules
// away in the eight directions all lighter, or all darker, by the gap.
bool LooksLikeCentre(GrayImage const& image, double px, double py, double module, double const* aroundX,
                     double const* aroundY, int gap)
{
    int const centre = SampleBilinear(image, px, py);
    bool above = true;
    bool below = true;
    // Most points fail on the first sample or two around them.
    for (unsigned d = 0; d < 8 && (above || below); ++d) {
        int const g = SampleBilinear(image, px + aroundX[d] * module * 0.9, py + aroundY[d] * module * 0.9);
        above = above && g >= centre + gap;
        below = below && g <= centre - gap;
    }
    return above || below;
}

// The square ring of the lattice point (kx, ky) about the middle of a
// lattice whose last index is last: 0 for the middle point or four.
inline int LatticeRing(int kx, int ky, int last)
{
    int const dx2 = 2 * kx - last < 0 ? last - 2 * kx : 2 * kx - last;
    int const dy2 = 2 * ky - last < 0 ? last - 2 * ky : 2 * ky - last;
    return (dx2 > dy2 ? dx2 : dy2) / 2;
}

// The point within range of (x, y), on a lattice of the given step, about
// which the bull's-eye out to its sixth ring is most nearly symmetric (the
// whole of a full-range one, whose rings would let a centre two modules off
// pass too). Only points that look like the centre module count while any
// does: the samples a module away all around differ from it in one sense,
// which a point on a ring's side never shows along that side.
void FindSymmetryCentre(GrayImage const& image, double module, double range, double step, unsigned directions,
                        double radialStep, int gapShare, double& x, double& y)
{
    double const reach = module * 6.5;
    // The eight directions around a point, and the given number of
    // directions over half a turn for the opposite pairs.
    constexpr unsigned kMaxDirections = 16;
    directions = directions > kMaxDirections ? kMaxDirections : directions;
    double aroundX[8];
    double aroundY[8];
    for (unsigned d = 0; d < 8; ++d) {
        double const a = kPi * d / 4;
        aroundX[d] = std::cos(a);
        aroundY[d] = std::sin(a);
    }
    // The offsets of the opposite sample pairs, direction by direction out
    // from the point, padded to a whole number of fours with pairs at the
    // point itself, which differ by nothing. The steps are at least a third
    // of a module, some twenty to a ray; more rays than room are not searched.
    constexpr unsigned kMaxRadii = 24;
    constexpr unsigned kMaxPairs = kMaxDirections * kMaxRadii;
    double offX[kMaxPairs + 3];
    double offY[kMaxPairs + 3];
    unsigned pairs = 0;
    for (unsigned d = 0; d < directions; ++d) {
        double const a = kPi * d / directions;
        double const dx = std::cos(a);
        double const dy = std::sin(a);
        for (double r = 1; r <= reach; r += radialStep) {
            if (pairs == kMaxPairs) {
                return;
            }
            offX[pairs] = dx * r;
            offY[pairs] = dy * r;
            ++pairs;
        }
    }
    while (pairs % 4 != 0) {
        offX[pairs] = 0;
        offY[pairs] = 0;
        ++pairs;
    }
#if defined(SCANNER_AZTEC_FINDER_AVX2)
    // The lanes index the frame by int offsets from its first pixel.
    bool const lanes = ProcessorHasAvx2() && image.GetPitch() > 0 &&
                       static_cast<long long>(image.GetPitch()) * image.GetHeight() <= 0x7FFFFFFFll;
#else
    bool const lanes = false;
#endif
    int low = 1 << 30;
    int high = -1;
    for (unsigned d = 0; d < 8; ++d) {
        for (double r = 0; r <= reach; r += radialStep) {
            int const g = SampleBilinear(image, x + aroundX[d] * r, y + aroundY[d] * r);
            low = g < low ? g : low;
            high = g > high ? g : high;
        }
    }
    int const gap = (high - low) / gapShare;
    // The lattice ring by ring from the guess outward: a near point found
    // first lets the sums of the far ones stop early. Which points look like
    // the centre module is settled for all of them first: once one does, no
    // other can win, and their sums are not taken at all.
    int const last = static_cast<int>(2 * range / step + 1e-9);
    int const side = last + 1;
    // The searches ask for at most 22 points a side (the ranges and steps
    // in Start); a larger lattice is not searched.
    if (side > kMaxSide) {
        return;
    }
    int order[kMaxLattice];
    bool centreLike[kMaxLattice];
    // Each point's ring counted, then the points placed ring by ring, in
    // rows within a ring: one pass over the lattice instead of one a ring.
    // The largest ring is last / 2, below kMaxSide.
    unsigned ringStart[kMaxSide + 1] = {};
    for (int ky = 0; ky <= last; ++ky) {
        for (int kx = 0; kx <= last; ++kx) {
            ++ringStart[LatticeRing(kx, ky, last) + 1];
        }
    }
    for (int ring = 0; ring < kMaxSide; ++ring) {
        ringStart[ring + 1] += ringStart[ring];
    }
    for (int ky = 0; ky <= last; ++ky) {
        for (int kx = 0; kx <= last; ++kx) {
            order[ringStart[LatticeRing(kx, ky, last)]++] = ky * side + kx;
        }
    }
    unsigned const points = static_cast<unsigned>(side * side);
    bool anyCentre = false;
    for (unsigned k = 0; k < points; ++k) {
        double const px = x - range + (order[k] % side) * step;
        double const py = y - range + (order[k] / side) * step;
        bool const looksCentre = LooksLikeCentre(image, px, py, module, aroundX, aroundY, gap);
        centreLike[k] = looksCentre;
        anyCentre = anyCentre || looksCentre;
    }
    double bestScore = -1;
    bool bestCentre = false;
    double bx = x;
    double by = y;
    for (unsigned k = 0; k < points; ++k) {
        bool const looksCentre = centreLike[k];
        if (anyCentre && !looksCentre) {
            continue;
        }
        double const px = x - range + (order[k] % side) * step;
        double const py = y - range + (order[k] / side) * step;
        // A point that can only win on a lower score is dropped as soon as
        // its sum reaches the best.
        bool const bounded = bestScore >= 0 && !(looksCentre && !bestCentre);
        // The sum only grows, so stopping at the first four that reach the
        // best decides as stopping at the first pair would.
        double score = 0;
        for (unsigned k = 0; k < pairs && !(bounded && score >= bestScore); k += 4) {
            score += FourDifferences(image, lanes, px, py, offX + k, offY + k);
        }
        if (bounded && score >= bestScore) {
            continue;
        }
        if (bestScore < 0 || score < bestScore || (looksCentre && !bestCentre)) {
            bestScore = score;
            bestCentre = looksCentre;
            bx = px;
            by = py;
        }
    }
    x = bx;
    y = by;
}

}  // namespace

bool AztecFinderSearcher::Start(GrayImage const& image, double x, double y, double module, bool wide, bool strict)
{
    if (module < 1.0 || image.GetPixels() == nullptr) {
        return false;
    }
    // The locator's centre may sit a pixel or two off, or a module or more
    // (a row across a turned bull's-eye away from its centre looks much like
    // one through it): the bull's-eye is point-symmetric about its true
    // centre, so take the point whose opposite samples agree best, out to
    // its edge in eight directions. Rings repeat every two modules, so a
    // wide search can settle on a false centre that the near one avoids.
    // Steps in proportion to the module keep the work the same at any scale.
    double const radial = module / 3 > 1 ? module / 3 : 1;
    if (wide) {
        int const gapShare = strict ? kStrictGapShare : kGapShare;
        FindSymmetryCentre(image, module, module * 3.5, radial, 8, radial, gapShare, x, y);
        FindSymmetryCentre(image, module, radial, radial / 4, 8, radial, gapShare, x, y);
    } else {
        // A best point on the edge of the range may have the centre beyond
        // it (a guess off by more under perspective): search on from there.
        double const range = module * 1.5;
        for (unsigned round = 0; round < kNearRounds; ++round) {
            double const fromX = x;
            double const fromY = y;
            FindSymmetryCentre(image, module, range, radial / 2, 8, radial, strict ? kStrictGapShare : kGapShare, x, y);
            if (std::fabs(x - fromX) < range - radial / 4 && std::fabs(y - fromY) < range - radial / 4) {
                break;
            }
        }
    }
    cx_ = x;
    cy_ = y;
    // Out to the sixth edge along a diagonal, with room for a wrong guess.
    double const reach = module * 6.5 * 1.5 * 1.42;
    unsigned samples = static_cast<unsigned>(reach / kStep);
    samples = samples > kMaxSamples ? kMaxSamples : samples;
    // One threshold for the bull's-eye: the middle of the grey range inside
    // the fourth edge on every ray.
    // The samples are kept, as far as room allows, for the edge search
    // along the same rays, which reads them again.
    int low = 1 << 30;
    int high = -1;
    unsigned const inner = static_cast<unsigned>(module * 4.0 / kStep);
    unsigned short innerGrey[kRays][kInnerKept];
    RayAngles const& angles = TheRayAngles();
    for (unsigned r = 0; r < kRays; ++r) {
        double const dx = angles.dx[r];
        double const dy = angles.dy[r];
        for (unsigned s = 0; s <= inner && s < samples; ++s) {
            int const g = SampleBilinear(image, x + dx * s * kStep, y + dy * s * kStep);
            if (s < kInnerKept) {
                innerGrey[r][s] = static_cast<unsigned short>(g);
            }
            low = g < low ? g : low;
            high = g > high ? g : high;
        }
    }
    unsigned const kept = inner + 1 < kInnerKept ? inner + 1 : kInnerKept;
    contrast_ = high - low;
    if (contrast_ < 40) {
        return false;
    }
    threshold_ = (low + high) / 2;
    int const centre = SampleBilinear(image, x, y);
    darkCentre_ = centre < threshold_;
    // Edges along each ray: crossings of the threshold, a pair closer than
    // a third of a module taken for noise.
    double const minGap = module / 3.0;
    for (unsigned r = 0; r < kRays; ++r) {
        double const dx = angles.dx[r];
        double const dy = angles.dy[r];
        found_[r] = 0;
        int previous = centre - threshold_;
        double const hysteresis = contrast_ / 8.0;
        bool dark = darkCentre_;
        double lastCross = 0;
        int lastValue = centre;
        // The ray's samples so far, for the walk back from a crossing.
        int grey[kMaxSamples];
        grey[0] = innerGrey[r][0];
        for (unsigned s = 1; s < samples && found_[r] < kMaxEdges; ++s) {
            int const g = s < kept ? innerGrey[r][s] : SampleBilinear(image, x + dx * s * kStep, y + dy * s * kStep);
            grey[s] = g;
            bool const crossed = dark ? g > threshold_ + hysteresis : g < threshold_ - hysteresis;
            (void)previous;
            if (crossed) {
                // The crossing of the threshold itself, between the last
                // sample on the old side and this one.
                double t = s * kStep;
                double back = t;
                int before = lastValue;
                for (unsigned k = s; k > 0; --k) {
                    int const gk = grey[k - 1];
                    bool const oldSide = dark ? gk <= threshold_ : gk >= threshold_;
                    if (oldSide) {
                        int const gn = grey[k];
                        double const frac = (gn == gk) ? 0.5 : static_cast<double>(threshold_ - gk) / (gn - gk);
                        back = ((k - 1) + frac) * kStep;
                        break;
                    }
                }
                (void)before;
                if (found_[r] > 0 && back - lastCross < minGap) {
                    --found_[r];  // a noise pair
                    lastCross = found_[r] > 0 ? radius_[r][found_[r] - 1] : 0;
                } else {
                    radius_[r][found_[r]++] = back;
                    lastCross = back;
                }
                dark = !dark;
            }
            lastValue = g;
        }
    }
    // The corner directions: the fourth harmonic of the frames' radii peaks
    // at the corners of a square.
    double re = 0;
    double im = 0;
    for (unsigned r = 0; r < kRays; ++r) {
        for (unsigned e = 1; e < 4 && e < found_[r]; ++e) {
            double const w = radius_[r][e] / (e + 0.5);
            re += w * angles.harmonicX[r];
            im += w * angles.harmonicY[r];
        }
    }
    cornerAngle_ = std::atan2(im, re) / 4;
    return true;
}

void AztecFinderSearcher::SortRays(RaySides& rays) const
{
    double const quarter = kPi / 2;
    double const margin = kPi / 12;
    for (unsigned r = 0; r < kRays; ++r) {
        double const a = 2 * kPi * r / kRays;
        double rel = std::fmod(a - cornerAngle_ + 8 * kPi, 2 * kPi);
        unsigned const side = static_cast<unsigned>(rel / quarter) & 3u;
        double const within = rel - side * quarter;
        // Rays near a corner meet the frame on either side of it.
        rays.side[r] = within < margin || within > quarter - margin ? kNoSide : static_cast<unsigned char>(side);
        rays.dx[r] = TheRayAngles().dx[r];
        rays.dy[r] = TheRayAngles().dy[r];
    }
}

bool AztecFinderSearcher::FitFrame(unsigned edge, RaySides const& rays, double corners[4][2]) const
{
    // Per side: sums for a total-least-squares line.
    double sx[4] = {};
    double sy[4] = {};
    double sxx[4] = {};
    double syy[4] = {};
    double sxy[4] = {};
    unsigned n[4] = {};
    for (unsigned r = 0; r < kRays; ++r) {
        if (found_[r] <= edge || rays.side[r] == kNoSide) {
            continue;
        }
        unsigned const side = rays.side[r];
        double const px = cx_ + rays.dx[r] * radius_[r][edge];
        double const py = cy_ + rays.dy[r] * radius_[r][edge];
        sx[side] += px;
        sy[side] += py;
        sxx[side] += px * px;
        syy[side] += py * py;
        sxy[side] += px * py;
        ++n[side];
    }
    // Line s: a point (mx, my) and a direction (ux, uy).
    double mx[4];
    double my[4];
    double ux[4];
    double uy[4];
    for (unsigned s = 0; s < 4; ++s) {
        if (n[s] < 2) {
            return false;
        }
        mx[s] = sx[s] / n[s];
        my[s] = sy[s] / n[s];
        double const cxx = sxx[s] / n[s] - mx[s] * mx[s];
        double const cyy = syy[s] / n[s] - my[s] * my[s];
        double const cxy = sxy[s] / n[s] - mx[s] * my[s];
        double const angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);
        ux[s] = std::cos(angle);
        uy[s] = std::sin(angle);
    }
    // Corner k lies between side k - 1 and side k.
    for (unsigned k = 0; k < 4; ++k) {
        unsigned const a = (k + 3) & 3u;
        unsigned const b = k;
        double const det = ux[a] * (-uy[b]) - uy[a] * (-ux[b]);
        if (std::fabs(det) < 0.2) {
            return false;
        }
        double const rx = mx[b] - mx[a];
        double const ry = my[b] - my[a];
        double const t = (rx * (-uy[b]) - ry * (-ux[b])) / det;
        corners[k][0] = mx[a] + ux[a] * t;
        corners[k][1] = my[a] + uy[a] * t;
    }
    return true;
}

bool AztecFinderSearcher::CalcGrid(unsigned edges, AztecModuleGrid& grid) const
{
    grid.Clear();
    edges = edges > kMaxEdges ? kMaxEdges : edges;
    // Corner k of a frame runs clockwise from the reader's top-left.
    static constexpr double kSignX[4] = {-1, 1, 1, -1};
    static constexpr double kSignY[4] = {-1, -1, 1, 1};
    RaySides rays;
    SortRays(rays);
    unsigned fitted = 0;
    for (unsigned e = 0; e < edges; ++e) {
        double corners[4][2];
        if (!FitFrame(e, rays, corners)) {
            if (e == 0) {
                continue;  // the centre module alone is small; the others suffice
            }
            return false;
        }
        double const half = e + 0.5;
        for (unsigned k = 0; k < 4; ++k) {
            grid.Add(kSignX[k] * half, kSignY[k] * half, corners[k][0], corners[k][1]);
        }
        ++fitted;
    }
    return fitted >= 2 && grid.Fit();
}

}  // namespace DEC2DIvra
