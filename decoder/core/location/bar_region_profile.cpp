#include "decoder/core/location/bar_region_profile.h"

#include "decoder/core/processor_lanes.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_PROFILE_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

namespace {

// Modules from the first bar to the last of the UPC/EAN symbol with about
// this many edges: EAN-13 and UPC-A 60 over 95, EAN-8 44 over 67, UPC-E 34
// over 51; 0 for none. Blur may lose a few edges, a label border add one.
long long CalcUpcEanModules(unsigned edges)
{
    if (edges >= 52 && edges <= 62) {
        return 95;
    }
    if (edges >= 38 && edges <= 46) {
        return 67;
    }
    if (edges >= 28 && edges <= 36) {
        return 51;
    }
    return 0;
}

// Samples are 10-bit: only their low ten bits are read, so that a malformed
// frame cannot overflow the sums (and masking costs the pass nothing).
int Level(unsigned short v) { return v & 1023; }

#if defined(SCANNER_PROFILE_AVX2)
// The pixel box and steps of one line of samples.
struct LineWalk {
    unsigned short const* pixels;
    int pitch;
    int left;
    int top;
    int right;
    int bottom;
    int x;  // 16 fraction bits, of the first sample
    int y;
    int dx;
    int dy;
};

// Adds samples 0 .. 8 k - 1 of a line, eight at a time in 32-bit lanes, to
// `sums`, the largest k with 8 k <= count; returns 8 k. Each lane reads the
// pixel and its right neighbour as one 32-bit word, weighs the two by the
// horizontal fraction in one multiply-add of 16-bit halves, and blends the
// two rows as the one-by-one interpolation does: the same numbers, the same
// sums. The positions fit 32 bits (the caller checks the line's ends), and
// the clamp keeps every read inside the box.
__attribute__((target("avx2"))) unsigned AddLineEights(LineWalk const& line, unsigned count, int* sums)
{
    __m256i const lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i xs = _mm256_add_epi32(_mm256_set1_epi32(line.x), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(line.dx)));
    __m256i ys = _mm256_add_epi32(_mm256_set1_epi32(line.y), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(line.dy)));
    __m256i const stepX = _mm256_set1_epi32(static_cast<int>(8u * static_cast<unsigned>(line.dx)));
    __m256i const stepY = _mm256_set1_epi32(static_cast<int>(8u * static_cast<unsigned>(line.dy)));
    __m256i const left = _mm256_set1_epi32(line.left);
    __m256i const right = _mm256_set1_epi32(line.right);
    __m256i const top = _mm256_set1_epi32(line.top);
    __m256i const bottom = _mm256_set1_epi32(line.bottom);
    __m256i const pitch = _mm256_set1_epi32(line.pitch);
    __m256i const fraction = _mm256_set1_epi32(255);
    __m256i const whole = _mm256_set1_epi32(256);
    __m256i const levels = _mm256_set1_epi32(0x03FF03FF);
    __m256i const half = _mm256_set1_epi32(32768);
    auto const* upperRow = reinterpret_cast<int const*>(line.pixels);
    auto const* lowerRow = reinterpret_cast<int const*>(line.pixels + line.pitch);
    unsigned i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i const ix = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(xs, 16), left), right);
        __m256i const iy = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(ys, 16), top), bottom);
        __m256i const fx = _mm256_and_si256(_mm256_srai_epi32(xs, 8), fraction);
        __m256i const fy = _mm256_and_si256(_mm256_srai_epi32(ys, 8), fraction);
        __m256i const at = _mm256_add_epi32(_mm256_mullo_epi32(iy, pitch), ix);
        __m256i const upperPair = _mm256_and_si256(_mm256_i32gather_epi32(upperRow, at, 2), levels);
        __m256i const lowerPair = _mm256_and_si256(_mm256_i32gather_epi32(lowerRow, at, 2), levels);
        // (256 - fx) for the left pixel in the low half, fx for the right.
        __m256i const weights = _mm256_or_si256(_mm256_sub_epi32(whole, fx), _mm256_slli_epi32(fx, 16));
        __m256i const upper = _mm256_madd_epi16(upperPair, weights);
        __m256i const lower = _mm256_madd_epi16(lowerPair, weights);
        __m256i const blend = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(upper, _mm256_sub_epi32(whole, fy)), _mm256_mullo_epi32(lower, fy)),
            half);
        __m256i* const out = reinterpret_cast<__m256i*>(sums + i);
        _mm256_storeu_si256(out, _mm256_add_epi32(_mm256_loadu_si256(out), _mm256_srai_epi32(blend, 16)));
        xs = _mm256_add_epi32(xs, stepX);
        ys = _mm256_add_epi32(ys, stepY);
    }
    return i;
}

// The lowest and highest of samples 0 .. 8 k - 1 (k as large as fits
// `count`) folded into `lowest` and `highest`; returns 8 k.
__attribute__((target("avx2"))) unsigned FindExtremes(int const* samples, unsigned count, int& lowest, int& highest)
{
    __m256i low = _mm256_set1_epi32(lowest);
    __m256i high = _mm256_set1_epi32(highest);
    unsigned i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i const v = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(samples + i));
        low = _mm256_min_epi32(low, v);
        high = _mm256_max_epi32(high, v);
    }
    alignas(32) int lows[8];
    alignas(32) int highs[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lows), low);
    _mm256_store_si256(reinterpret_cast<__m256i*>(highs), high);
    for (int k = 0; k < 8; ++k) {
        lowest = lows[k] < lowest ? lows[k] : lowest;
        highest = highs[k] > highest ? highs[k] : highest;
    }
    return i;
}

// The sum of the level changes |samples[i + 1] - samples[i]| for i below
// 8 k (k as large as fits `count` - 1 changes), eight at a time; 8 k in
// `done`. The samples are 12-bit sums at most, so that a lane's sum of up to
// 256 changes stays far inside 32 bits; the lanes are added into 64 bits.
__attribute__((target("avx2"))) long long SumChanges(int const* samples, unsigned count, unsigned& done)
{
    long long total = 0;
    unsigned i = 0;
    while (i + 8 < count) {
        __m256i sum = _mm256_setzero_si256();
        unsigned const stop = i + 8 * 256;
        for (; i + 8 < count && i < stop; i += 8) {
            __m256i const a = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(samples + i));
            __m256i const b = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(samples + i + 1));
            sum = _mm256_add_epi32(sum, _mm256_abs_epi32(_mm256_sub_epi32(b, a)));
        }
        alignas(32) int lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum);
        for (int k = 0; k < 8; ++k) {
            total += lanes[k];
        }
    }
    done = i;
    return total;
}

// Whether a position and the one `count` - 1 steps on lie well inside 32
// bits, and with them every one between.
bool FitsLanes(long long x, long long dx, unsigned count)
{
    long long const last = x + dx * (static_cast<long long>(count) - 1);
    long long const limit = 1LL << 30;
    return x > -limit && x < limit && last > -limit && last < limit && dx > -(1LL << 26) && dx < (1LL << 26);
}
#endif

}  // namespace

bool BarRegionProfile::Sample(GrayImage const& image, Rectangle const& area, BarRegionAxis const& axis, int begin,
                              int end, int const* offsets, unsigned lines)
{
    count_ = 0;
    edgeCount_ = 0;
    lines_ = lines;
    coreBegin_ = begin;
    coreEnd_ = end;
    if (lines == 0 || lines > kMaxLines || image.GetPixels() == nullptr || image.GetWidth() < 2 ||
        image.GetHeight() < 2 || end <= begin) {
        return false;
    }
    // The interpolation reads the pixel to the right and the one below.
    int const right = area.right < image.GetWidth() - 2 ? area.right : image.GetWidth() - 2;
    int const bottom = area.bottom < image.GetHeight() - 2 ? area.bottom : image.GetHeight() - 2;
    int const left = area.left > 0 ? area.left : 0;
    int const top = area.top > 0 ? area.top : 0;
    Rectangle const inside{left, top, right, bottom};
    long long low = begin;
    long long high = end;
    for (unsigned k = 0; k < lines; ++k) {
        axis.NarrowAlong(offsets[k], inside, low, high);
    }
    if (high - low < 1) {
        return false;
    }
    long long const length = high - low + 1;
    step_ = static_cast<int>((length + kMaxSamples - 1) / kMaxSamples);
    begin_ = static_cast<int>(low);
    count_ = static_cast<unsigned>((length - 1) / step_ + 1);
    for (unsigned i = 0; i < count_; ++i) {
        samples_[i] = 0;
    }
    int const pitch = image.GetPitch();
    unsigned short const* pixels = image.GetPixels();
#if defined(SCANNER_PROFILE_AVX2)
    // The lanes index a pixel in 32 bits.
    bool const lanes = wideLanes_ && ProcessorHasAvx2() &&
                       static_cast<long long>(pitch) * image.GetHeight() < (1LL << 30) && pitch > 0;
#endif
    for (unsigned k = 0; k < lines; ++k) {
        long long const t = offsets[k];
        long long x = axis.CalcX(low, t);
        long long y = axis.CalcY(low, t);
        long long const dx = static_cast<long long>(axis.ux) * step_;
        long long const dy = static_cast<long long>(axis.uy) * step_;
        unsigned i = 0;
#if defined(SCANNER_PROFILE_AVX2)
        if (count_ >= 8 && lanes && FitsLanes(x, dx, count_) && FitsLanes(y, dy, count_)) {
            LineWalk const line{pixels,
                                pitch,
                                left,
                                top,
                                right,
                                bottom,
                                static_cast<int>(x),
                                static_cast<int>(y),
                                static_cast<int>(dx),
                                static_cast<int>(dy)};
            i = AddLineEights(line, count_, samples_);
            x += dx * i;
            y += dy * i;
        }
#endif
        for (; i < count_; ++i, x += dx, y += dy) {
            // Inside by the narrowing above; the clamp guards the last bit of
            // rounding only.
            int ix = static_cast<int>(x >> 16);
            int iy = static_cast<int>(y >> 16);
            ix = ix < left ? left : (ix > right ? right : ix);
            iy = iy < top ? top : (iy > bottom ? bottom : iy);
            int const fx = static_cast<int>((x >> 8) & 255);
            int const fy = static_cast<int>((y >> 8) & 255);
            unsigned short const* p = pixels + static_cast<long long>(iy) * pitch + ix;
            int const upper = Level(p[0]) * (256 - fx) + Level(p[1]) * fx;
            int const lower = Level(p[pitch]) * (256 - fx) + Level(p[pitch + 1]) * fx;
            samples_[i] += (upper * (256 - fy) + lower * fy + 32768) >> 16;
        }
    }
    return count_ >= 2;
}

unsigned BarRegionProfile::FindEdges(unsigned minimumStep, unsigned contrastShare, unsigned wanted)
{
    edgeCount_ = 0;
    if (count_ < 2) {
        return 0;
    }
    int lowest = samples_[0];
    int highest = samples_[0];
    unsigned i = 1;
#if defined(SCANNER_PROFILE_AVX2)
    if (wideLanes_ && ProcessorHasAvx2()) {
        i = FindExtremes(samples_, count_, lowest, highest);
    }
#endif
    for (; i < count_; ++i) {
        lowest = samples_[i] < lowest ? samples_[i] : lowest;
        highest = samples_[i] > highest ? samples_[i] : highest;
    }
    // 256 times the root of the number of lines.
    static constexpr unsigned kRoot[kMaxLines + 1] = {0, 256, 362, 443, 512};
    int const floor = static_cast<int>(minimumStep * kRoot[lines_] / 256);
    range_ = highest - lowest;
    int const share = contrastShare > 0 ? range_ / static_cast<int>(contrastShare) : 0;
    int threshold = share > floor ? share : floor;
    threshold = threshold < 1 ? 1 : threshold;
    if (wanted > 0) {
        // Each edge lies between two turning points at least the threshold
        // apart, and the level changes between them sum to that at least.
        long long changes = 0;
        unsigned from = 0;
#if defined(SCANNER_PROFILE_AVX2)
        if (wideLanes_ && ProcessorHasAvx2()) {
            changes = SumChanges(samples_, count_, from);
        }
#endif
        for (unsigned k = from; k + 1 < count_; ++k) {
            int const d = samples_[k + 1] - samples_[k];
            changes += d < 0 ? -d : d;
        }
        if (changes < static_cast<long long>(wanted) * threshold) {
            return 0;
        }
    }

    // Turning points: alternate lowest and highest levels, each at least the
    // threshold away from the one before.
    unsigned short turns[kMaxEdges + 1];
    unsigned turnCount = 0;
    unsigned lowAt = 0;
    unsigned highAt = 0;
    int direction = 0;  // +1 following a rise, -1 a fall
    unsigned at = 0;    // the extreme being followed
    for (unsigned i = 1; i < count_ && turnCount < kMaxEdges; ++i) {
        int const v = samples_[i];
        if (direction == 0) {
            lowAt = v < samples_[lowAt] ? i : lowAt;
            highAt = v > samples_[highAt] ? i : highAt;
            if (samples_[highAt] - samples_[lowAt] >= threshold) {
                bool const rising = highAt > lowAt;
                turns[turnCount++] = static_cast<unsigned short>(rising ? lowAt : highAt);
                direction = rising ? 1 : -1;
                at = rising ? highAt : lowAt;
            }
        } else if (direction > 0) {
            if (v > samples_[at]) {
                at = i;
            } else if (samples_[at] - v >= threshold) {
                turns[turnCount++] = static_cast<unsigned short>(at);
                direction = -1;
                at = i;
            }
        } else {
            if (v < samples_[at]) {
                at = i;
            } else if (v - samples_[at] >= threshold) {
                turns[turnCount++] = static_cast<unsigned short>(at);
                direction = 1;
                at = i;
            }
        }
    }
    if (direction != 0 && turnCount < kMaxEdges + 1) {
        turns[turnCount++] = static_cast<unsigned short>(at);
    }
    // One edge between each two turning points, where the level crosses
    // their middle.
    for (unsigned k = 0; k + 1 < turnCount && edgeCount_ < kMaxEdges; ++k) {
        int const a = samples_[turns[k]];
        int const b = samples_[turns[k + 1]];
        int const middle = (a + b) / 2;
        unsigned i = turns[k] + 1u;
        while (i < turns[k + 1] && ((b > a) ? samples_[i] < middle : samples_[i] > middle)) {
            ++i;
        }
        edges_[edgeCount_++] = static_cast<unsigned short>(i);
    }
    return edgeCount_;
}

unsigned BarRegionProfile::CalcMedianSpacing(unsigned first, unsigned last, unsigned every, unsigned offset) const
{
    static constexpr unsigned kBins = 256;
    unsigned short histogram[kBins] = {};
    unsigned n = 0;
    for (unsigned k = first + offset; k < last; k += every) {
        unsigned const d = static_cast<unsigned>(edges_[k + 1] - edges_[k]);
        ++histogram[d < kBins ? d : kBins - 1];
        ++n;
    }
    if (n == 0) {
        return 0;
    }
    unsigned seen = 0;
    for (unsigned d = 0; d < kBins; ++d) {
        seen += histogram[d];
        if (2 * seen >= n) {
            return d;
        }
    }
    return kBins - 1;
}

unsigned BarRegionProfile::CalcGap(unsigned gapFactor, unsigned minimumGap) const
{
    // The spacing of the core's edges: the stretch beyond it may hold
    // clutter with edges of another pitch.
    unsigned first = 0;
    while (first < edgeCount_ && CalcEdgeS(first) < coreBegin_) {
        ++first;
    }
    unsigned last = first;
    while (last + 1 < edgeCount_ && CalcEdgeS(last + 1) <= coreEnd_) {
        ++last;
    }
    if (last <= first) {
        first = 0;
        last = edgeCount_ > 0 ? edgeCount_ - 1 : 0;
    }
    unsigned median = CalcMedianSpacing(first, last);
    // Thin bars far apart (postal symbols) give edges in close pairs: the
    // median then measures the bars, and the spaces between them would
    // split the symbol. The wider of the two kinds of element measures it.
    unsigned const even = CalcMedianSpacing(first, last, 2, 0);
    unsigned const odd = CalcMedianSpacing(first, last, 2, 1);
    unsigned const wider = even > odd ? even : odd;
    median = wider > 2 * median ? wider : median;
    unsigned const gap = median * gapFactor;
    unsigned const minimum = (minimumGap + static_cast<unsigned>(step_) - 1) / static_cast<unsigned>(step_);
    return gap > minimum ? gap : minimum;
}

unsigned BarRegionProfile::CalcLongestTrain(unsigned gapFactor, unsigned minimumGap) const
{
    if (edgeCount_ == 0) {
        return 0;
    }
    unsigned const gap = CalcGap(gapFactor, minimumGap);
    unsigned longest = 0;
    unsigned first = 0;
    for (unsigned k = 1; k <= edgeCount_; ++k) {
        if (k == edgeCount_ || static_cast<unsigned>(edges_[k] - edges_[k - 1]) > gap) {
            longest = k - first > longest ? k - first : longest;
            first = k;
        }
    }
    return longest;
}

bool BarRegionProfile::FitsAsAddon(unsigned mainFirst, unsigned mainLast, unsigned addonFirst,
                                   unsigned addonLast) const
{
    // Edges and modules from the first bar to the last: a 2-digit add-on has
    // 14 over 20 modules, a 5-digit one 32 over 47.
    unsigned const addonEdges = addonLast - addonFirst + 1;
    unsigned const mainEdges = mainLast - mainFirst + 1;
    long long addonModules = 0;
    if (addonEdges >= 10 && addonEdges <= 16) {
        addonModules = 20;
    } else if (addonEdges >= 26 && addonEdges <= 34) {
        addonModules = 47;
    }
    long long const mainModules = CalcUpcEanModules(mainEdges);
    if (addonModules == 0 || mainModules == 0) {
        return false;
    }
    long long const addonExtent = static_cast<long long>(edges_[addonLast]) - edges_[addonFirst];
    long long const mainExtent = static_cast<long long>(edges_[mainLast]) - edges_[mainFirst];
    long long const gap = mainFirst > addonLast ? static_cast<long long>(edges_[mainFirst]) - edges_[addonLast]
                                                : static_cast<long long>(edges_[addonFirst]) - edges_[mainLast];
    // One module size for both, within a fifth; a gap of at most 12 modules
    // and a little.
    long long const mainModule = mainExtent * addonModules;  // both scaled by mainModules * addonModules
    long long const addonModule = addonExtent * mainModules;
    return addonExtent > 0 && gap > 0 && 5 * mainModule <= 6 * addonModule && 6 * mainModule >= 5 * addonModule &&
           2 * gap * addonModules <= 27 * addonExtent;
}

bool BarRegionProfile::IsAddonPair(unsigned mainFirst, unsigned mainLast, unsigned addonFirst,
                                   unsigned addonLast) const
{
    // The edge of the label or of a stroke beside it may have joined either
    // train at its far end: each is also judged without that one edge.
    bool const after = addonFirst > mainLast;
    for (unsigned trimMain = 0; trimMain < 2; ++trimMain) {
        for (unsigned trimAddon = 0; trimAddon < 2; ++trimAddon) {
            unsigned const mf = mainFirst + (after ? trimMain : 0);
            unsigned const ml = mainLast - (after ? 0 : trimMain);
            unsigned const af = addonFirst + (after ? 0 : trimAddon);
            unsigned const al = addonLast - (after ? trimAddon : 0);
            if (mf < ml && af < al && FitsAsAddon(mf, ml, af, al)) {
                return true;
            }
        }
    }
    return false;
}

bool BarRegionProfile::IsUpcEanEdgeCount(unsigned edges) { return CalcUpcEanModules(edges) != 0; }

unsigned BarRegionProfile::SplitTrains(unsigned minimumEdges, unsigned gapFactor, unsigned minimumGap,
                                       Train* trains, unsigned capacity) const
{
    if (edgeCount_ == 0 || capacity == 0) {
        return 0;
    }
    unsigned const gap = CalcGap(gapFactor, minimumGap);
    // One past the last edge of the stretch that starts at `from` and has no
    // gap inside.
    auto stretchEnd = [&](unsigned from) {
        unsigned end = from + 1;
        while (end < edgeCount_ && static_cast<unsigned>(edges_[end] - edges_[end - 1]) <= gap) {
            ++end;
        }
        return end;
    };
    unsigned count = 0;
    unsigned first = 0;
    unsigned end = stretchEnd(0);
    bool addon = false;
    while (true) {
        if (end < edgeCount_) {
            // A stretch too short to be a symbol of its own, less than two
            // gaps from its neighbour, is part of it: a wide element (a GS1
            // DataBar finder's) splits one symbol in two.
            unsigned const distance = static_cast<unsigned>(edges_[end] - edges_[end - 1]);
            unsigned const next = stretchEnd(end);
            if (distance <= 2 * gap && (end - first < minimumEdges || next - end < minimumEdges)) {
                end = next;
                continue;
            }
            // A UPC/EAN add-on lies 7 to 12 modules beside its symbol, often
            // farther: a stretch that fits as the add-on of its neighbour
            // stays joined to it, so that the symbol's region keeps it.
            if (!addon && (next - end <= end - first ? IsAddonPair(first, end - 1, end, next - 1)
                                                     : IsAddonPair(end, next - 1, first, end - 1))) {
                end = next;
                addon = true;
                continue;
            }
        }
        unsigned const last = end - 1;
        if (last - first + 1 >= minimumEdges && count < capacity) {
            Train& train = trains[count++];
            train.first = first;
            train.last = last;
            train.spacing = CalcMedianSpacing(first, last) * static_cast<unsigned>(step_);
            train.addon = addon;
        }
        if (end >= edgeCount_) {
            break;
        }
        first = end;
        end = stretchEnd(end);
        addon = false;
    }
    return count;
}

}  // namespace DEC2DIvra
