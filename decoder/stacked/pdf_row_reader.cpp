#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf_character_table.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace DEC2DIvra {

namespace {

constexpr float kSearchSpacing = 2.0f;  // pixels between search lines
constexpr unsigned kBlock = 16;         // samples per threshold block
// The rows are read a little beyond the ends of the columns as found: the
// first and last rows may show their patterns on fewer search lines.
constexpr float kOvershoot = 0.08f;

float Abs(float v) { return v < 0 ? -v : v; }

// The coordinates sampled in 16.16 fixed point stay below this, in pixels.
constexpr float kFixedReach = 16384.0f;

// Search lines apart (and pixels along, in the pair's modules) within which a
// pair of side patterns found again stands for the same rows' ends.
constexpr unsigned kRepeatLines = 3;
constexpr float kRepeatModules = 2.0f;
// Repeated pairs needed before the others are left out (a column is fitted
// through three at least).
constexpr unsigned kMinRepeated = 3;

// Whether another pair of as many columns, found on a line at most
// kRepeatLines away, has both ends near pair i's along the lines (ux, uy).
bool IsRepeated(PDFRowReader::Hit const* left, PDFRowReader::Hit const* right, unsigned short const* lineOf,
                unsigned char const* columns, unsigned count, unsigned i, float ux, float uy)
{
    float const reach = kRepeatModules * left[i].module;
    float const li = left[i].x * ux + left[i].y * uy;
    float const ri = right[i].x * ux + right[i].y * uy;
    for (unsigned k = 0; k < count; ++k) {
        unsigned const apart = lineOf[k] > lineOf[i] ? lineOf[k] - lineOf[i] : lineOf[i] - lineOf[k];
        if (k == i || apart > kRepeatLines || columns[k] != columns[i]) {
            continue;
        }
        float const lk = left[k].x * ux + left[k].y * uy;
        float const rk = right[k].x * ux + right[k].y * uy;
        if (Abs(lk - li) <= reach && Abs(rk - ri) <= reach) {
            return true;
        }
    }
    return false;
}

// Whether hit p lies within kRepeatModules of its modules of the line
// through a and b.
bool OnColumn(PDFRowReader::Hit const& a, PDFRowReader::Hit const& b, PDFRowReader::Hit const& p)
{
    float const dx = b.x - a.x;
    float const dy = b.y - a.y;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f)) {
        return false;
    }
    float const off = (dx * (p.y - a.y) - dy * (p.x - a.x)) / length;
    return Abs(off) <= kRepeatModules * p.module;
}

// floor() for the coordinates met here (well inside the int range).
#if defined(__SSE2__)
// Two neighbouring pixels as one 32-bit value, the first low (the lanes'
// byte order).
int Pair(unsigned short const* p)
{
    unsigned short const two[2] = {p[0], p[1]};
    unsigned value = 0;
    std::memcpy(&value, two, sizeof value);
    return static_cast<int>(value);
}
#endif

int FloorToInt(float v)
{
    int const i = static_cast<int>(v);
    return static_cast<float>(i) > v ? i - 1 : i;
}

// MicroPDF417 widths between the left and right row address columns, in
// modules, and where each data column begins, by the number of columns.
constexpr float kWidths[4] = {17, 34, 61, 78};
constexpr float kOffsets[4][4] = {{0, 0, 0, 0}, {0, 17, 0, 0}, {0, 27, 44, 0}, {0, 17, 44, 61}};

// Side patterns looked at on one search line.
constexpr unsigned kMaxSightings = 32;

// The MicroPDF417 columns whose width is nearest `modules`, within an
// eighth (the module from the side patterns is a tenth off on turned
// frames); 0 when none.
unsigned MicroColumns(float modules)
{
    unsigned columns = 0;
    for (unsigned k = 0; k < 4; ++k) {
        if (Abs(modules - kWidths[k]) <= 0.125f * kWidths[k] &&
            (columns == 0 || Abs(modules - kWidths[k]) < Abs(modules - kWidths[columns - 1]))) {
            columns = k + 1;
        }
    }
    return columns;
}

// The right edge's module width over the left's, within what a readable
// perspective gives.
float Skew(float left, float right)
{
    float const k = left > 0 ? right / left : 1.0f;
    return k < 0.2f ? 0.2f : (k > 5.0f ? 5.0f : k);
}

// The fraction of a row's length at which a point `s` of its modules lies,
// when the modules at its end are `root` squared times those at its start.
float Foreshorten(float s, float root) { return s / (s + root * (1.0f - s)); }

}  // namespace

namespace {

// Least squares s = a + b t over the points whose `use` flag is set.
bool FitLine(float const* t, float const* s, bool const* use, unsigned count, float& a, float& b)
{
    double n = 0, st = 0, ss = 0, stt = 0, sts = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (!use[i]) {
            continue;
        }
        n += 1;
        st += t[i];
        ss += s[i];
        stt += static_cast<double>(t[i]) * t[i];
        sts += static_cast<double>(t[i]) * s[i];
    }
    double const d = n * stt - st * st;
    if (n < 2 || std::fabs(d) < 1e-6) {
        if (n >= 1) {
            a = static_cast<float>(ss / n);
            b = 0;
            return true;
        }
        return false;
    }
    b = static_cast<float>((n * sts - st * ss) / d);
    a = static_cast<float>((ss - b * st) / n);
    return true;
}

// The median of (s[j] - s[i]) / (t[j] - t[i]) over pairs half the list
// apart; `scratch` holds `count` values.
float MedianSlope(float const* t, float const* s, unsigned count, float* scratch)
{
    unsigned const half = count / 2;
    unsigned n = 0;
    for (unsigned i = 0; i + half < count; ++i) {
        float const dt = t[i + half] - t[i];
        if (Abs(dt) < 1.0f) {
            continue;
        }
        float const v = (s[i + half] - s[i]) / dt;
        unsigned j = n++;
        for (; j > 0 && scratch[j - 1] > v; --j) {
            scratch[j] = scratch[j - 1];
        }
        scratch[j] = v;
    }
    return n > 0 ? scratch[n / 2] : 0.0f;
}

// Run widths to whole modules: each rounded within 1..most, then the sum
// brought to `total` at the runs rounded furthest. False when it cannot be.
bool RoundModules(float const* widths, unsigned runs, int total, int most, int* modules)
{
    float sum = 0;
    for (unsigned i = 0; i < runs; ++i) {
        sum += widths[i];
    }
    if (!(sum > 0)) {
        return false;
    }
    float const unit = sum / static_cast<float>(total);
    float error[8];
    int count = 0;
    for (unsigned i = 0; i < runs; ++i) {
        float const m = widths[i] / unit;
        modules[i] = static_cast<int>(std::lround(m));
        modules[i] = modules[i] < 1 ? 1 : (modules[i] > most ? most : modules[i]);
        error[i] = m - static_cast<float>(modules[i]);
        count += modules[i];
    }
    for (unsigned guard = 0; count != total && guard < runs; ++guard) {
        unsigned pick = runs;
        for (unsigned i = 0; i < runs; ++i) {
            bool const can = count < total ? modules[i] < most : modules[i] > 1;
            if (can && (pick == runs || (count < total ? error[i] > error[pick] : error[i] < error[pick]))) {
                pick = i;
            }
        }
        if (pick == runs) {
            return false;
        }
        int const d = count < total ? 1 : -1;
        modules[pick] += d;
        error[pick] -= static_cast<float>(d);
        count += d;
    }
    return count == total;
}

// The symbol character whose modules are `modules` (8 widths summing to 17).
bool LookUp(int const modules[8], unsigned& value, unsigned& cluster)
{
    unsigned pattern = 0;
    unsigned bit = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (modules[i] < 1 || modules[i] > 6) {
            return false;
        }
        for (int m = 0; m < modules[i]; ++m, ++bit) {
            pattern = pattern << 1 | (i % 2 == 0 ? 0u : 1u);
        }
    }
    if (bit != 17) {
        return false;
    }
    unsigned short const v = PDFCharacterTable::PatternToValue(pattern >> 1);
    if (v == 0xFFFF) {
        return false;
    }
    int const bars[4] = {modules[0], modules[2], modules[4], modules[6]};
    cluster = PDFCharacterTable::CalcCluster(bars);
    unsigned expected = 0;
    if (!PDFCharacterTable::ValueAndClusterToPattern(v, cluster, expected) || expected != pattern) {
        return false;
    }
    value = v;
    return true;
}

}  // namespace

bool PDFRowReader::MayBeEdgePattern(float const w[8], float along)
{
    // The margin lies far beyond the rounding between a window's length and
    // its runs' sum, and beyond what the pattern tests let the first pair
    // of runs fall short by (a module of the 17 at most).
    return 17.0f * (w[0] + w[1]) >= 6.5f * along;
}

bool PDFRowReader::IsStartPattern(float const w[8])
{
    float t[8];
    for (unsigned i = 0; i < 8; ++i) {
        t[i] = w[i] + w[(i + 1) % 8];
    }
    float const s = (t[0] + t[2] + t[4] + t[6]) / 17.0f;
    auto within = [s](float v, float low, float high) { return v >= low * s && v <= high * s; };
    if (!within(t[0], 8, 10) || !within(t[6], 3, 5) || !within(t[7], 10, 12)) {
        return false;
    }
    for (unsigned i = 1; i <= 5; ++i) {
        if (!within(t[i], 1, 3)) {
            return false;
        }
    }
    return true;
}

bool PDFRowReader::IsStopPattern(float const w[8])
{
    float t[8];
    for (unsigned i = 0; i < 8; ++i) {
        t[i] = w[i] + w[(i + 1) % 8];
    }
    float const s = (t[0] + t[2] + t[4] + t[6]) / 17.0f;
    auto within = [s](float v, float low, float high) { return v >= low * s && v <= high * s; };
    return within(t[0], 7, 9) && within(t[1], 1, 3) && within(t[2], 3, 5) && within(t[3], 3, 5) &&
           within(t[4], 1, 3) && within(t[5], 1, 3) && within(t[6], 2, 4) && within(t[7], 8, 10);
}

bool PDFRowReader::DecodeCharacter(float const widths[8], unsigned& value, unsigned& cluster)
{
    float total = 0;
    for (unsigned i = 0; i < 8; ++i) {
        total += widths[i];
    }
    if (total <= 0) {
        return false;
    }
    float const unit = total / 17.0f;
    int modules[8];
    if (!RoundModules(widths, 8, 17, 6, modules)) {
        return false;
    }
    if (LookUp(modules, value, cluster)) {
        return true;
    }
    // Blur moves edges but keeps the distances from a bar's edge to the next
    // bar's like edge: rebuild the runs from those pairs.
    int pairs[7];
    for (unsigned i = 0; i < 7; ++i) {
        pairs[i] = static_cast<int>(std::lround((widths[i] + widths[i + 1]) / unit));
    }
    float bestError = 1e9f;
    bool found = false;
    for (int first = 1; first <= 6; ++first) {
        int m[8];
        m[0] = first;
        int s = first;
        bool ok = true;
        for (unsigned i = 0; i < 7 && ok; ++i) {
            m[i + 1] = pairs[i] - m[i];
            ok = m[i + 1] >= 1 && m[i + 1] <= 6;
            s += m[i + 1];
        }
        if (!ok || s != 17) {
            continue;
        }
        float e = 0;
        for (unsigned i = 0; i < 8; ++i) {
            e += Abs(widths[i] / unit - static_cast<float>(m[i]));
        }
        unsigned v = 0;
        unsigned c = 0;
        if (e < bestError && LookUp(m, v, c)) {
            bestError = e;
            value = v;
            cluster = c;
            found = true;
        }
    }
    return found;
}

unsigned PDFRowReader::SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted)
{
    return SampleLine(image, x0, y0, x1, y1, inverted, b_->samples);
}

unsigned PDFRowReader::SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted,
                                  float* out)
{
    float const dx = x1 - x0;
    float const dy = y1 - y0;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (!(length >= 2.0f)) {
        return 0;
    }
    unsigned count = static_cast<unsigned>(length * 2.0f) + 1;
    count = count > kMaxSamples ? kMaxSamples : count;
    float const sx = dx / static_cast<float>(count - 1);
    float const sy = dy / static_cast<float>(count - 1);
    int const width = image.GetWidth();
    int const height = image.GetHeight();
    int const pitch = image.GetPitch();
    unsigned short const* const pixels = image.GetPixels();
    // The samples step in 16.16 fixed point (finer than a float's position
    // across the frame); those with their four neighbours inside the frame
    // read them straight from the rows, the others clamped to the border.
    bool const fixed = pixels != nullptr && Abs(x0) < kFixedReach && Abs(y0) < kFixedReach &&
                       Abs(x1) < kFixedReach && Abs(y1) < kFixedReach;
    if (fixed) {
        int fx = static_cast<int>(std::lround(x0 * 65536.0f));
        int fy = static_cast<int>(std::lround(y0 * 65536.0f));
        int const fsx = static_cast<int>(std::lround(sx * 65536.0f));
        int const fsy = static_cast<int>(std::lround(sy * 65536.0f));
        unsigned const innerWidth = width > 1 ? static_cast<unsigned>(width - 1) : 0u;
        unsigned const innerHeight = height > 1 ? static_cast<unsigned>(height - 1) : 0u;
        auto const sampleAt = [&](int at, int x, int y) {
            int const ix = x >> 16;
            int const iy = y >> 16;
            float const ax = static_cast<float>(x & 0xFFFF) * (1.0f / 65536.0f);
            float const ay = static_cast<float>(y & 0xFFFF) * (1.0f / 65536.0f);
            float p00, p10, p01, p11;
            if (static_cast<unsigned>(ix) < innerWidth && static_cast<unsigned>(iy) < innerHeight) {
                unsigned short const* const p = pixels + static_cast<long long>(iy) * pitch + ix;
                p00 = p[0];
                p10 = p[1];
                p01 = p[pitch];
                p11 = p[pitch + 1];
            } else {
                p00 = image.AtClamped(ix, iy);
                p10 = image.AtClamped(ix + 1, iy);
                p01 = image.AtClamped(ix, iy + 1);
                p11 = image.AtClamped(ix + 1, iy + 1);
            }
            float const top = p00 * (1 - ax) + p10 * ax;
            float const bottom = p01 * (1 - ax) + p11 * ax;
            float const v = top * (1 - ay) + bottom * ay;
            out[at] = inverted ? 1023.0f - v : v;
        };
        // Four samples at a time where all their neighbours lie inside the
        // frame: the same products and sums in float lanes, so each value
        // is the one-by-one blend's exactly. A pixel's offset is its row
        // times the pitch plus its column from one multiply-add of 16-bit
        // halves (a frame and pitch below 2^15).
        unsigned i = 0;
#if defined(__SSE2__)
        if (pitch < 32768 && width < 32768 && height < 32768) {
            __m128i const mask = _mm_set1_epi32(0xFFFF);
            __m128i const none = _mm_set1_epi32(-1);
            __m128i const lastX = _mm_set1_epi32(static_cast<int>(innerWidth));
            __m128i const lastY = _mm_set1_epi32(static_cast<int>(innerHeight));
            __m128i const rowStep = _mm_set1_epi32(1 | (pitch << 16));
            __m128 const one = _mm_set1_ps(1.0f);
            __m128 const unit = _mm_set1_ps(1.0f / 65536.0f);
            __m128 const white = _mm_set1_ps(1023.0f);
            __m128i vx = _mm_setr_epi32(fx, fx + fsx, fx + 2 * fsx, fx + 3 * fsx);
            __m128i vy = _mm_setr_epi32(fy, fy + fsy, fy + 2 * fsy, fy + 3 * fsy);
            __m128i const stepX = _mm_set1_epi32(4 * fsx);
            __m128i const stepY = _mm_set1_epi32(4 * fsy);
            for (; i + 4 <= count; i += 4) {
                __m128i const ix = _mm_srai_epi32(vx, 16);
                __m128i const iy = _mm_srai_epi32(vy, 16);
                __m128i const inside =
                    _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(ix, none), _mm_cmplt_epi32(ix, lastX)),
                                  _mm_and_si128(_mm_cmpgt_epi32(iy, none), _mm_cmplt_epi32(iy, lastY)));
                if (_mm_movemask_epi8(inside) != 0xFFFF) {
                    for (int k = 0; k < 4; ++k) {
                        sampleAt(static_cast<int>(i) + k, fx + k * fsx, fy + k * fsy);
                    }
                } else {
                    alignas(16) int at[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(at),
                                    _mm_madd_epi16(_mm_or_si128(ix, _mm_slli_epi32(iy, 16)), rowStep));
                    unsigned short const* const a = pixels + at[0];
                    unsigned short const* const b = pixels + at[1];
                    unsigned short const* const c = pixels + at[2];
                    unsigned short const* const d = pixels + at[3];
                    // A pixel and its right neighbour in one 32-bit read.
                    __m128i const upper = _mm_setr_epi32(Pair(a), Pair(b), Pair(c), Pair(d));
                    __m128i const lower = _mm_setr_epi32(Pair(a + pitch), Pair(b + pitch), Pair(c + pitch), Pair(d + pitch));
                    __m128 const p00 = _mm_cvtepi32_ps(_mm_and_si128(upper, mask));
                    __m128 const p10 = _mm_cvtepi32_ps(_mm_srli_epi32(upper, 16));
                    __m128 const p01 = _mm_cvtepi32_ps(_mm_and_si128(lower, mask));
                    __m128 const p11 = _mm_cvtepi32_ps(_mm_srli_epi32(lower, 16));
                    __m128 const ax = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(vx, mask)), unit);
                    __m128 const ay = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(vy, mask)), unit);
                    __m128 const bx = _mm_sub_ps(one, ax);
                    __m128 const top = _mm_add_ps(_mm_mul_ps(p00, bx), _mm_mul_ps(p10, ax));
                    __m128 const bottom = _mm_add_ps(_mm_mul_ps(p01, bx), _mm_mul_ps(p11, ax));
                    __m128 v = _mm_add_ps(_mm_mul_ps(top, _mm_sub_ps(one, ay)), _mm_mul_ps(bottom, ay));
                    v = inverted ? _mm_sub_ps(white, v) : v;
                    _mm_storeu_ps(out + i, v);
                }
                fx += 4 * fsx;
                fy += 4 * fsy;
                vx = _mm_add_epi32(vx, stepX);
                vy = _mm_add_epi32(vy, stepY);
            }
        }
#endif
        for (; i < count; ++i, fx += fsx, fy += fsy) {
            sampleAt(static_cast<int>(i), fx, fy);
        }
    }
    for (unsigned i = 0; i < count && !fixed; ++i) {
        float const x = x0 + sx * static_cast<float>(i);
        float const y = y0 + sy * static_cast<float>(i);
        int const ix = FloorToInt(x);
        int const iy = FloorToInt(y);
        float const fx = x - static_cast<float>(ix);
        float const fy = y - static_cast<float>(iy);
        float const top = image.AtClamped(ix, iy) * (1 - fx) + image.AtClamped(ix + 1, iy) * fx;
        float const bottom = image.AtClamped(ix, iy + 1) * (1 - fx) + image.AtClamped(ix + 1, iy + 1) * fx;
        float const v = top * (1 - fy) + bottom * fy;
        out[i] = inverted ? 1023.0f - v : v;
    }
    // A light smoothing over about a pixel keeps sensor noise from splitting runs.
    float* const s = out;
    float previous = s[0];
    unsigned i = 1;
#if defined(__SSE2__)
    // Four at a time from the values before smoothing: the one before the
    // four kept aside, the one after them still unchanged.
    // A quarter is a power of two: the product is the quotient by four to the bit.
    __m128 const two = _mm_set1_ps(2.0f);
    __m128 const quarter = _mm_set1_ps(0.25f);
    for (; i + 4 < count; i += 4) {
        __m128 const here = _mm_loadu_ps(s + i);
        __m128 const next = _mm_loadu_ps(s + i + 1);
        __m128 const before = _mm_move_ss(_mm_shuffle_ps(here, here, _MM_SHUFFLE(2, 1, 0, 0)), _mm_set_ss(previous));
        previous = s[i + 3];
        _mm_storeu_ps(s + i, _mm_mul_ps(_mm_add_ps(_mm_add_ps(before, _mm_mul_ps(two, here)), next), quarter));
    }
#endif
    for (; i + 1 < count; ++i) {
        float const here = s[i];
        s[i] = (previous + 2.0f * here + s[i + 1]) * 0.25f;
        previous = here;
    }
    return count;
}

unsigned PDFRowReader::FindEdges(unsigned count, bool& firstDark)
{
    return FindEdges(b_->samples, count, b_->edges, firstDark);
}

unsigned PDFRowReader::FindEdges(float const* s, unsigned count, float* out, bool& firstDark)
{
    unsigned const blocks = (count + kBlock - 1) / kBlock;
    float low[kMaxSamples / kBlock + 1];
    float high[kMaxSamples / kBlock + 1];
    float globalLow = 1e9f;
    float globalHigh = -1e9f;
    static_assert(kBlock == 16, "a block is four float lanes of four");
    for (unsigned k = 0; k < blocks; ++k) {
        low[k] = 1e9f;
        high[k] = -1e9f;
        bool const whole = (k + 1) * kBlock <= count;
#if defined(__SSE2__)
        if (whole) {
            // A whole block: the lanes' extremes, then the four lanes'.
            float const* const b = s + k * kBlock;
            __m128 const v0 = _mm_loadu_ps(b);
            __m128 const v1 = _mm_loadu_ps(b + 4);
            __m128 const v2 = _mm_loadu_ps(b + 8);
            __m128 const v3 = _mm_loadu_ps(b + 12);
            alignas(16) float lo[4];
            alignas(16) float hi[4];
            _mm_store_ps(lo, _mm_min_ps(_mm_min_ps(v0, v1), _mm_min_ps(v2, v3)));
            _mm_store_ps(hi, _mm_max_ps(_mm_max_ps(v0, v1), _mm_max_ps(v2, v3)));
            for (unsigned n = 0; n < 4; ++n) {
                low[k] = lo[n] < low[k] ? lo[n] : low[k];
                high[k] = hi[n] > high[k] ? hi[n] : high[k];
            }
        }
        bool const lanes = true;
#else
        bool const lanes = false;
#endif
        for (unsigned i = k * kBlock; i < count && i < (k + 1) * kBlock && !(whole && lanes); ++i) {
            low[k] = s[i] < low[k] ? s[i] : low[k];
            high[k] = s[i] > high[k] ? s[i] : high[k];
        }
        globalLow = low[k] < globalLow ? low[k] : globalLow;
        globalHigh = high[k] > globalHigh ? high[k] : globalHigh;
    }
    float const floor = (globalHigh - globalLow) / 5.0f > 20.0f ? (globalHigh - globalLow) / 5.0f : 20.0f;
    float threshold[kMaxSamples / kBlock + 1];
    float last = (globalHigh + globalLow) / 2;
    for (unsigned k = 0; k < blocks; ++k) {
        float lo = 1e9f;
        float hi = -1e9f;
        unsigned const from = k >= 2 ? k - 2 : 0;
        for (unsigned j = from; j < blocks && j <= k + 2; ++j) {
            lo = low[j] < lo ? low[j] : lo;
            hi = high[j] > hi ? high[j] : hi;
        }
        if (hi - lo >= floor) {
            last = (hi + lo) / 2;
        }
        threshold[k] = last;
    }
    unsigned edges = 0;
    firstDark = false;
    // Block by block, the samples below the block's threshold as a mask of
    // bits; an edge lies wherever a bit differs from the one before it.
    unsigned previous = s[0] < threshold[0] ? 1u : 0u;
    for (unsigned k = 0; k < blocks && edges < kMaxEdges; ++k) {
        unsigned const first = k * kBlock;
        unsigned const n = count - first < kBlock ? count - first : kBlock;
        float const t = threshold[k];
        unsigned dark = 0;
#if defined(__SSE2__)
        bool const lanes = n == kBlock;
        if (lanes) {
            __m128 const vt = _mm_set1_ps(t);
            float const* const b = s + first;
            dark = static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b), vt))) |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 4), vt))) << 4 |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 8), vt))) << 8 |
                   static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(b + 12), vt))) << 12;
        }
#else
        bool const lanes = false;
#endif
        for (unsigned i = 0; i < n && !lanes; ++i) {
            dark |= (s[first + i] < t ? 1u : 0u) << i;
        }
        unsigned changes = (dark ^ ((dark << 1) | previous)) & ((1u << n) - 1u);
        previous = (dark >> (n - 1)) & 1u;
        for (; changes != 0 && edges < kMaxEdges; changes &= changes - 1) {
            unsigned const i = first + static_cast<unsigned>(__builtin_ctz(changes));
            float const d = s[i] - s[i - 1];
            float const at = d != 0 ? static_cast<float>(i - 1) + (t - s[i - 1]) / d : static_cast<float>(i);
            if (edges == 0) {
                firstDark = ((dark >> (i - first)) & 1u) != 0;
            }
            out[edges++] = at;
        }
    }
    return edges;
}

unsigned PDFRowReader::CountSearchLines(Area const& area)
{
    unsigned const lines = static_cast<unsigned>(2.0f * area.halfHeight / kSearchSpacing) + 1;
    return lines > kMaxLines ? kMaxLines : lines;
}

unsigned PDFRowReader::ScanSearchLine(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                      unsigned j, float& x0, float& y0, float& step, bool& firstDark, bool* cut)
{
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    float const off = -area.halfHeight + kSearchSpacing * static_cast<float>(j);
    float const mx = area.cx - off * area.uy;
    float const my = area.cy + off * area.ux;
    // The line's reach within the frame: samples beyond it would repeat the border.
    float from = -area.halfLength;
    float to = area.halfLength;
    float const bounds[2][3] = {{mx, ux, static_cast<float>(image.GetWidth() - 1)},
                                {my, uy, static_cast<float>(image.GetHeight() - 1)}};
    for (auto const& b : bounds) {
        if (Abs(b[1]) < 1e-6f) {
            if (b[0] < 0 || b[0] > b[2]) {
                return 0;
            }
            continue;
        }
        float const t0 = (0 - b[0]) / b[1];
        float const t1 = (b[2] - b[0]) / b[1];
        from = t0 < t1 ? (t0 > from ? t0 : from) : (t1 > from ? t1 : from);
        to = t0 < t1 ? (t1 < to ? t1 : to) : (t0 < to ? t0 : to);
    }
    if (cut != nullptr) {
        *cut = from > -area.halfLength && to < area.halfLength;
    }
    if (!(to - from >= 2.0f)) {
        return 0;
    }
    x0 = mx + from * ux;
    y0 = my + from * uy;
    unsigned const count = SampleLine(image, x0, y0, mx + to * ux, my + to * uy, inverted);
    if (count < 2) {
        return 0;
    }
    step = (to - from) / static_cast<float>(count - 1);
    return FindEdges(count, firstDark);
}

void PDFRowReader::CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward,
                               unsigned& leftCount, unsigned& rightCount)
{
    CollectHits(image, area, inverted, backward, b_->left, leftCount, b_->right, rightCount);
}

void PDFRowReader::CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward, Hit* left,
                               unsigned& leftCount, Hit* right, unsigned& rightCount, unsigned first,
                               unsigned stride, unsigned short* leftLines, unsigned short* rightLines)
{
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    unsigned const lines = CountSearchLines(area);
    for (unsigned j = first; j < lines; j += stride) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        unsigned const edges = ScanSearchLine(image, area, inverted, backward, j, x0, y0, step, firstDark);
        if (edges == 0) {
            continue;
        }
        float const* e = b_->edges;
        bool haveStart = false;
        bool haveStop = false;
        Hit stop{};
        for (unsigned k = firstDark ? 0 : 1; k + 8 < edges; k += 2) {
            // The first two runs tell most windows out; the others are
            // measured for those left.
            float w[8];
            w[0] = e[k + 1] - e[k];
            w[1] = e[k + 2] - e[k + 1];
            float const along = e[k + 8] - e[k];
            if (!MayBeEdgePattern(w, along)) {
                continue;
            }
            for (unsigned i = 2; i < 8; ++i) {
                w[i] = e[k + i + 1] - e[k + i];
            }
            if (!haveStart && leftCount < kMaxLines && IsStartPattern(w)) {
                float const p = e[k + 8] * step;
                if (leftLines != nullptr) {
                    leftLines[leftCount] = static_cast<unsigned short>(j);
                }
                left[leftCount++] = Hit{x0 + ux * p, y0 + uy * p, along * step / 17.0f};
                haveStart = true;
            } else if (IsStopPattern(w)) {
                float const p = e[k] * step;
                stop = Hit{x0 + ux * p, y0 + uy * p, along * step / 17.0f};
                haveStop = true;
            }
        }
        if (haveStop && rightCount < kMaxLines) {
            if (rightLines != nullptr) {
                rightLines[rightCount] = static_cast<unsigned short>(j);
            }
            right[rightCount++] = stop;
        }
    }
}

namespace {

// Puts a sighting met on `line` among those of a list kept in line order.
void InsertSighting(PDFRowReader::Hit* hits, unsigned short* lines, unsigned& count, PDFRowReader::Hit const& hit,
                    unsigned line)
{
    if (count >= PDFRowReader::kMaxLines) {
        return;
    }
    unsigned i = count++;
    for (; i > 0 && lines[i - 1] > line; --i) {
        hits[i] = hits[i - 1];
        lines[i] = lines[i - 1];
    }
    hits[i] = hit;
    lines[i] = static_cast<unsigned short>(line);
}

}  // namespace

void PDFRowReader::FindLineSightings(float const* e, unsigned edges, bool firstDark, float x0, float y0, float step,
                                     float ux, float uy, LineHits& hits) const
{
    hits.haveStart = hits.haveStop = 0;
    // Read backward the edges come in the other order, as negated distances
    // from the line's start: the runs keep their widths. The first dark run
    // met backward is the one before the last edge.
    float reversed[kMaxEdges];
    for (unsigned i = 0; i < edges; ++i) {
        reversed[i] = -e[edges - 1 - i];
    }
    bool const backFirstDark = firstDark != (edges % 2 == 1);
    for (unsigned inverted = 0; inverted < 2; ++inverted) {
        if (!polarities_[inverted]) {
            continue;
        }
        for (unsigned backward = 0; backward < 2; ++backward) {
            float const* run = backward != 0 ? reversed : e;
            float const sign = backward != 0 ? -1.0f : 1.0f;
            // Light on dark, the dark runs of the frame are the symbol's spaces.
            bool const dark = (backward != 0 ? backFirstDark : firstDark) != (inverted != 0);
            unsigned const list = inverted * 2 + backward;
            bool haveStart = false;
            for (unsigned k = dark ? 0 : 1; k + 8 < edges; k += 2) {
                float w[8];
                w[0] = run[k + 1] - run[k];
                w[1] = run[k + 2] - run[k + 1];
                float const along = run[k + 8] - run[k];
                if (!MayBeEdgePattern(w, along)) {
                    continue;
                }
                for (unsigned i = 2; i < 8; ++i) {
                    w[i] = run[k + i + 1] - run[k + i];
                }
                float const module = along * step / 17.0f;
                if (!haveStart && IsStartPattern(w)) {
                    float const p = sign * run[k + 8] * step;
                    hits.start[list] = Hit{x0 + ux * p, y0 + uy * p, module};
                    haveStart = true;
                    hits.haveStart |= static_cast<unsigned char>(1u << list);
                } else if (IsStopPattern(w)) {
                    float const p = sign * run[k] * step;
                    hits.stop[list] = Hit{x0 + ux * p, y0 + uy * p, module};
                    hits.haveStop |= static_cast<unsigned char>(1u << list);
                }
            }
        }
    }
}

void PDFRowReader::AddLineSightings(LineHits const& hits, unsigned line)
{
    for (unsigned list = 0; list < 4; ++list) {
        Sightings& s = b_->sightings[list];
        if ((hits.haveStart >> list & 1u) != 0) {
            InsertSighting(s.left, s.leftLine, s.leftCount, hits.start[list], line);
        }
        if ((hits.haveStop >> list & 1u) != 0) {
            InsertSighting(s.right, s.rightLine, s.rightCount, hits.stop[list], line);
        }
    }
}

unsigned PDFRowReader::CountSightings() const
{
    unsigned count = 0;
    for (Sightings const& s : b_->sightings) {
        count += s.leftCount + s.rightCount;
    }
    return count;
}

bool PDFRowReader::AddSearchLine(GrayImage const& image, Area const& area, unsigned j)
{
    unsigned const before = CountSightings();
    CutLines& cut = cutLines_;
    // A line the frame cut on lines this long is cut on longer ones too.
    CutLines const asked{true,
                         image.GetPixels(),
                         image.GetWidth(),
                         image.GetHeight(),
                         image.GetPitch(),
                         area.cx,
                         area.cy,
                         area.ux,
                         area.uy,
                         area.halfHeight,
                         area.halfLength,
                         {polarities_[0], polarities_[1]}};
    if (!cut.set || cut.pixels != asked.pixels || cut.width != asked.width || cut.height != asked.height ||
        cut.pitch != asked.pitch || cut.cx != asked.cx || cut.cy != asked.cy || cut.ux != asked.ux ||
        cut.uy != asked.uy || cut.halfHeight != asked.halfHeight || !(asked.halfLength >= cut.halfLength) ||
        cut.polarities[0] != asked.polarities[0] || cut.polarities[1] != asked.polarities[1]) {
        cut = asked;
        std::memset(b_->lineState, 0, sizeof b_->lineState);
    }
    cut.halfLength = area.halfLength;
    LineHits& hits = b_->lineHits[j];
    if (b_->lineState[j] != kCutLine) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        bool cutEnds = false;
        unsigned const edges = ScanSearchLine(image, area, false, false, j, x0, y0, step, firstDark, &cutEnds);
        hits.haveStart = hits.haveStop = 0;
        if (edges != 0) {
            FindLineSightings(b_->edges, edges, firstDark, x0, y0, step, area.ux, area.uy, hits);
        }
        b_->lineState[j] = cutEnds ? kCutLine : 0;
    }
    AddLineSightings(hits, j);
    return CountSightings() != before;
}

void PDFRowReader::CollectSightings(GrayImage const& image, Area const& area, unsigned first, unsigned stride)
{
    unsigned const lines = CountSearchLines(area);
    if (first != 0) {
        // The lines between those read, within their reach.
        for (unsigned j = first; j < lines && j <= sampledHigh_ + 1; j += stride) {
            if (j + 1 >= sampledLow_) {
                AddSearchLine(image, area, j);
            }
        }
        return;
    }
    // From the middle line outward, both ways: the search area is often many
    // times as tall as the symbol (its height follows the located region's
    // length).
    unsigned const middle = (lines - 1) / 2 / stride * stride;
    walk_ = Walk{};
    walk_.middle = middle;
    walk_.stride = stride;
    walk_.lines = lines;
    walk_.step[0] = walk_.step[1] = stride;
    walk_.open[0] = walk_.open[1] = true;
    walk_.any = AddSearchLine(image, area, middle);
    sampledLow_ = sampledHigh_ = middle;
}

void PDFRowReader::WalkOutward(GrayImage const& image, Area const& area, unsigned gapLimit)
{
    // Once sightings were met, a way pauses after gapLimit lines without
    // one (the symbol's edge columns most likely lie behind) and ends after
    // kSightingGap; a paused way goes on from where it stopped. The lines
    // without one count from the first sighting on either way: a way that
    // met none yet may be about to reach the symbol.
    Walk& w = walk_;
    for (bool moved = true; moved;) {
        moved = false;
        for (unsigned way = 0; way < 2; ++way) {
            if (!w.open[way] || (w.any && w.gap[way] >= gapLimit)) {
                continue;
            }
            unsigned const k = w.step[way];
            if (way == 0 ? k > w.middle : w.middle + k >= w.lines) {
                w.open[way] = false;
                continue;
            }
            unsigned const j = way == 0 ? w.middle - k : w.middle + k;
            bool const seen = AddSearchLine(image, area, j);
            sampledLow_ = j < sampledLow_ ? j : sampledLow_;
            sampledHigh_ = j > sampledHigh_ ? j : sampledHigh_;
            if (seen && !w.any) {
                w.any = true;
                w.gap[0] = w.gap[1] = 0;
            }
            w.gap[way] = seen ? 0 : w.gap[way] + 1;
            w.step[way] = k + w.stride;
            w.open[way] = !(w.any && w.gap[way] >= kSightingGap);
            moved = true;
        }
    }
}

bool PDFRowReader::Glance(GrayImage const& image, Area const& area, unsigned wanted, bool normal, bool inverted)
{
    for (Sightings& s : b_->sightings) {
        s.leftCount = s.rightCount = 0;
    }
    // Every sighting list is filled here: a later Read samples its own.
    sightingsReach_ = -1.0f;
    linesRead_ = 0;
    bool const polarities[2] = {polarities_[0], polarities_[1]};
    polarities_[0] = normal;
    polarities_[1] = inverted;
    unsigned const lines = CountSearchLines(area);
    unsigned const stride = lines > kGlanceLines ? lines / kGlanceLines : 1;
    // The patterns of one kind, polarity and reading way that `wanted`
    // lines met (one column's).
    auto const most = [&] {
        unsigned n = 0;
        for (Sightings const& s : b_->sightings) {
            n = s.leftCount > n ? s.leftCount : n;
            n = s.rightCount > n ? s.rightCount : n;
        }
        return n;
    };
    for (unsigned j = stride / 2; j < lines && most() < wanted; j += stride) {
        AddSearchLine(image, area, j);
    }
    polarities_[0] = polarities[0];
    polarities_[1] = polarities[1];
    return most() >= wanted;
}

void PDFRowReader::UpdateSightings(GrayImage const& image, Area const& lines)
{
    if (lines.halfLength != sightingsReach_) {
        for (Sightings& s : b_->sightings) {
            s.leftCount = s.rightCount = 0;
        }
        sightingsReach_ = lines.halfLength;
        linesRead_ = 0;
        linesWanted_ = 1;
        gapWanted_ = kFirstSightingGap;
        unchanged_[0] = unchanged_[1] = false;
    }
    if (linesRead_ == 0) {
        CollectSightings(image, lines, 0, 2);
        linesRead_ = 1;
        gapWalked_ = 0;
    }
    if (gapWalked_ < gapWanted_) {
        bool const again = gapWalked_ != 0;
        unsigned before[2] = {};
        for (unsigned i = 0; i < 4; ++i) {
            before[i / 2] += b_->sightings[i].leftCount + b_->sightings[i].rightCount;
        }
        WalkOutward(image, lines, gapWanted_);
        gapWalked_ = gapWanted_;
        for (unsigned i = 0; i < 4; ++i) {
            before[i / 2] -= b_->sightings[i].leftCount + b_->sightings[i].rightCount;
        }
        // A polarity whose sightings the walk on left as they were reads
        // as it read before.
        unchanged_[0] = again && before[0] == 0;
        unchanged_[1] = again && before[1] == 0;
    }
    if (linesWanted_ == 2 && linesRead_ == 1) {
        CollectSightings(image, lines, 1, 2);
        linesRead_ = 2;
        unchanged_[0] = unchanged_[1] = false;
    }
}

bool PDFRowReader::ReadAllLines()
{
    if (!shared_ || linesRead_ == 0) {
        return false;
    }
    // First the outward walk's paused ways go on to their full gap.
    if (gapWalked_ < kSightingGap && (walk_.open[0] || walk_.open[1])) {
        gapWanted_ = kSightingGap;
        return true;
    }
    gapWanted_ = kSightingGap;
    // More to read: the lines between, or the rows on more lines when a
    // reading got as far as them.
    if (linesRead_ == 2 && (denseRows_ || !sparseRowsRead_)) {
        return false;
    }
    linesWanted_ = 2;
    denseRows_ = true;
    for (Sightings const& s : b_->sightings) {
        if (s.leftCount > 0 && s.rightCount > 0) {
            return true;
        }
    }
    return false;
}

namespace {

// Lines at `turn` from the area's direction, `length` long from (cx, cy)
// on the side `way` points to, across `halfHeight` either side of it.
PDFRowReader::Area TurnedLines(PDFRowReader::Area const& area, float cx, float cy, float way, float turn,
                               float length, float halfHeight)
{
    PDFRowReader::Area lines = area;
    lines.ux = area.ux * std::cos(turn) - area.uy * std::sin(turn);
    lines.uy = area.ux * std::sin(turn) + area.uy * std::cos(turn);
    lines.halfLength = length / 2;
    lines.halfHeight = halfHeight;
    lines.nearHalfLength = 0;
    lines.cx = cx + way * lines.ux * length / 2;
    lines.cy = cy + way * lines.uy * length / 2;
    return lines;
}

}  // namespace

bool PDFRowReader::FanForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                bool leftSeen, float cx, float cy, float way, bool bundles, float& turn,
                                float& farthest)
{
    Fan const asked{true,  area.ux, area.uy, area.halfLength, cx, cy, way, inverted, backward, leftSeen,
                    false, 0,       0,       bundles};
    if (fan_.set && fan_.ux == asked.ux && fan_.uy == asked.uy && fan_.halfLength == asked.halfLength &&
        Abs(fan_.cx - cx) <= kFanMiddleMoved && Abs(fan_.cy - cy) <= kFanMiddleMoved && fan_.way == way &&
        fan_.inverted == inverted && fan_.backward == backward && fan_.leftSeen == leftSeen &&
        (fan_.found || fan_.bundled || !bundles)) {
        turn = fan_.turn;
        farthest = fan_.farthest;
        return fan_.found;
    }
    fan_ = asked;
    // From the located direction outward, both ways in turn: the rays that
    // meet the far column form a run of near turns on one side (the located
    // direction counts to both), now and then a ray missing among them where
    // the far modules are narrow; a run of one is taken for a chance pattern
    // among the codewords. The fan stops where a run ends.
    struct Run {
        unsigned count;
        int first;
        int last;
        float farthest;
    };
    // Rays at every other step are cast first; a ray between two of them
    // is cast only where one of the two met the far pattern (the far
    // column spans more than a step where it reads at all). Each ray's
    // outcome: unknown, met nothing, or met the far pattern that far.
    static constexpr float kUnknown = -2.0f;
    static constexpr float kMissed = -1.0f;
    // The fan is cast with one line a ray, then (where that finds no run)
    // with kFanShifts lines side by side, a far column of narrow modules
    // reading on one line in several: the first line of each ray as the
    // first cast found it.
    float single[2][kFanRays + 1];
    for (auto& side : single) {
        for (float& m : side) {
            m = kUnknown;
        }
    }
    for (unsigned const shifts : {1u, kFanShifts}) {
        if (shifts > 1 && !bundles) {
            break;
        }
        Run runs[2] = {};
        int chosen = -1;
        float met[2][kFanRays + 1];
        for (auto& side : met) {
            for (float& m : side) {
                m = kUnknown;
            }
        }
        auto const cast = [&](int side, int k) {
            float& m = met[side][k];
            if (m == kUnknown) {
                float const rayTurn = static_cast<float>(side == 0 ? k : -k) * kFanStep;
                if (single[side][k] >= 0) {
                    m = single[side][k];
                    return m;
                }
                unsigned left = 0;
                unsigned right = 0;
                Area line = TurnedLines(area, cx, cy, way, rayTurn, area.halfLength, 0.0f);
                float const x0 = line.cx;
                float const y0 = line.cy;
                for (unsigned shift = single[side][k] == kMissed ? 1 : 0;
                     shift < shifts && (leftSeen ? right : left) == 0; ++shift) {
                    // 0, +1, -1, +2, -2, ... quarters of the search line spacing.
                    float const quarter = kSearchSpacing / 4 * static_cast<float>((shift + 1) / 2);
                    float const off = shift % 2 == 1 ? quarter : -quarter;
                    line.cx = x0 - off * line.uy;
                    line.cy = y0 + off * line.ux;
                    left = right = 0;
                    CollectHits(image, line, inverted, backward, b_->spareLeft, left, b_->spareRight, right);
                }
                Hit const& far = leftSeen ? b_->spareRight[0] : b_->spareLeft[0];
                m = (leftSeen ? right : left) == 0 ? kMissed : std::hypot(far.x - cx, far.y - cy);
            }
            return m;
        };
        auto const ray = [&](int side, int k) {
            if (k % 2 == 0) {
                return cast(side, k);
            }
            bool const besideMet = cast(side, k - 1) >= 0 || (k < kFanRays && cast(side, k + 1) >= 0);
            return besideMet ? cast(side, k) : kMissed;
        };
        for (int k = 0; k <= kFanRays && chosen < 0; ++k) {
            for (int side = 0; side < 2 && chosen < 0; ++side) {
                if (k == 0 && side == 1) {
                    runs[1] = runs[0];
                    continue;
                }
                float const distance = ray(side, k);
                Run& run = runs[side];
                if (distance < 0) {
                    if (run.count > 0 && k - run.last >= kFanGap) {
                        if (run.count >= 2) {
                            chosen = side;
                        } else {
                            run = Run{};
                        }
                    }
                    continue;
                }
                run.first = run.count == 0 ? k : run.first;
                run.last = k;
                run.farthest = distance > run.farthest ? distance : run.farthest;
                ++run.count;
            }
        }
        if (chosen < 0) {
            chosen = runs[0].count >= runs[1].count ? 0 : 1;
        }
        Run const& run = runs[chosen];
        if (run.count < 2) {
            for (int side = 0; side < 2; ++side) {
                for (int k = 0; k <= kFanRays; ++k) {
                    single[side][k] = met[side][k];
                }
            }
            continue;
        }
        // The middle of the run.
        float const middle = static_cast<float>(run.first + run.last) * kFanStep / 2;
        turn = chosen == 0 ? middle : -middle;
        farthest = run.farthest;
        fan_.found = true;
        fan_.turn = turn;
        fan_.farthest = farthest;
        return true;
    }
    return false;
}

void PDFRowReader::SweepForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                  unsigned& leftCount, unsigned& rightCount, bool fixedTurns)
{
    if ((leftCount < 3) == (rightCount < 3)) {
        return;
    }
    // One edge column seen, the other not: under perspective the rows turn
    // away from the located direction, and lines along it pass by the far
    // column. A fan of rays from the seen column's middle finds the turn at
    // which the far column lies (its patterns read at any slant); lines at
    // that turn over the seen column's extent, as far as the rays met the
    // far column, collect its sightings. Where the far modules are so narrow
    // that few rays read them, lines turned about the seen column by fixed
    // steps sweep for it.
    bool const leftSeen = leftCount >= 3;
    Hit* const hits = leftSeen ? b_->left : b_->right;
    unsigned const n = leftSeen ? leftCount : rightCount;
    // Read fails unless the seen sightings fit a column, and the sweep adds
    // none to them: chance patterns scattered over other symbols' modules
    // (Data Matrix data, DataBar characters) cost no sweep.
    float top[2];
    float bottom[2];
    float seenModule = 0;
    if (!FitColumn(hits, n, area, backward, top[0], top[1], bottom[0], bottom[1], seenModule)) {
        return;
    }
    // Beside a PDF417 edge column stand its row indicators, whose rows use
    // the three clusters in turn; a column of chance patterns among other
    // bars (a DataBar Expanded Stacked symbol's characters above all) shows
    // no two clusters beside it on lines at any turn, and costs no sweep.
    if (!SweepsBeside(image, top, bottom, seenModule, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy,
                      leftSeen, inverted)) {
        return;
    }
    float cx = 0;
    float cy = 0;
    float module = 0;
    for (unsigned i = 0; i < n; ++i) {
        cx += hits[i].x;
        cy += hits[i].y;
        module += hits[i].module;
    }
    cx /= static_cast<float>(n);
    cy /= static_cast<float>(n);
    module /= static_cast<float>(n);
    float across = 0;
    for (unsigned i = 0; i < n; ++i) {
        float const t = Abs((hits[i].x - cx) * area.uy - (hits[i].y - cy) * area.ux);
        across = t > across ? t : across;
    }
    // The far column lies ahead of a start column and behind a stop column
    // in the reading way: the lines run from the seen column that way only.
    float const way = (backward ? -1.0f : 1.0f) * (leftSeen ? 1.0f : -1.0f);
    unsigned& missing = leftSeen ? rightCount : leftCount;
    // The seen side's hits on the turned lines are dropped.
    unsigned const kept = leftSeen ? leftCount : rightCount;
    Hit* farHits = leftSeen ? b_->right : b_->left;
    // The turned lines cross the far column's bars at a slant and find its
    // modules wider by the slant's secant: the sightings from `before` on
    // are narrowed to what lines square to the column find. The column
    // count taken from the width then comes out nearer the symbol's, and
    // fewer readings are made at a wrong one.
    auto const narrow = [&](Area const& lines, unsigned before) {
        float tx = 0;
        float ty = 0;
        float bx = 0;
        float by = 0;
        float ignored = 0;
        if (missing >= before + 3 &&
            FitColumn(farHits + before, missing - before, lines, backward, tx, ty, bx, by, ignored)) {
            float const length = std::hypot(bx - tx, by - ty);
            float const cosine = Abs((by - ty) * lines.ux - (bx - tx) * lines.uy) / length;
            for (unsigned i = before; i < missing; ++i) {
                farHits[i].module *= cosine;
            }
        }
    };
    // The far column's sightings are narrowed to lines square to it.
    farSwept_ = leftSeen ? 2 : 1;
    auto const sweep = [&](Area const& lines, float turn) {
        unsigned const before = missing;
        CollectHits(image, lines, inverted, backward, leftCount, rightCount);
        (leftSeen ? leftCount : rightCount) = kept;
        narrow(lines, before);
        farTurn_ = before == 0 && missing > 0 ? turn : farTurn_;
    };
    float turn = 0;
    float farthest = 0;
    if (FanForColumn(image, area, inverted, backward, leftSeen, cx, cy, way, fixedTurns, turn, farthest)) {
        // The far pattern and the quiet zone past it: the far modules may be
        // wider than the seen ones (a stop column seen small).
        float const length = farthest + 50.0f * module;
        float const halfHeight = 1.25f * across + 8.0f;
        sweep(TurnedLines(area, cx, cy, way, turn, length < area.halfLength ? length : area.halfLength,
                          halfHeight < area.halfHeight ? halfHeight : area.halfHeight),
              turn);
    }
    static constexpr float kTurns[] = {0.2f, -0.2f, 0.4f, -0.4f};  // radians
    for (float const fixed : kTurns) {
        if (missing >= 3 || !fixedTurns) {
            return;
        }
        Area const lines = TurnedLines(area, cx, cy, way, fixed, area.halfLength, area.halfHeight);
        unsigned const count = CountSearchLines(lines);
        if (kept + count >= kMaxLines || missing + count >= kMaxLines) {
            sweep(lines, fixed);
            continue;
        }
        // Every other line first: a turn none of them meets the far pattern
        // on is given up (a far column read on the lines between only would
        // be read on too few of them). Otherwise the lines between follow,
        // and their sightings join those in line order: the very sightings
        // of one pass over all lines (no list fills up on either way).
        Hit* const spareFar = leftSeen ? b_->spareRight : b_->spareLeft;
        unsigned short farLines[kMaxLines];
        unsigned seenCount = 0;
        unsigned farCount = 0;
        auto const collect = [&](unsigned first) {
            if (leftSeen) {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, seenCount, b_->spareRight, farCount,
                            first, 2, nullptr, farLines);
            } else {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, farCount, b_->spareRight, seenCount,
                            first, 2, farLines, nullptr);
            }
        };
        collect(0);
        unsigned const even = farCount;
        if (even == 0) {
            continue;
        }
        collect(1);
        unsigned const before = missing;
        for (unsigned a = 0, b = even; a < even || b < farCount;) {
            bool const takeEven = b >= farCount || (a < even && farLines[a] < farLines[b]);
            farHits[missing++] = spareFar[takeEven ? a++ : b++];
        }
        narrow(lines, before);
        farTurn_ = before == 0 && missing > 0 ? fixed : farTurn_;
    }
}

bool PDFRowReader::AimAtSightings(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                  bool leftSeen, float const top[2], float const bottom[2], float seenModule,
                                  Hit const* sightings, unsigned sightingCount, Hit* far, unsigned& farCount,
                                  float farTop[2], float farBottom[2], float& farModule)
{
    // The sightings aimed at are copied first: `far` may be their list.
    Hit aims[kMaxAims];
    unsigned aimCount = 0;
    for (unsigned i = 0; i < sightingCount && aimCount < kMaxAims; ++i) {
        aims[aimCount++] = sightings[i];
    }
    float const cx = (top[0] + bottom[0]) / 2;
    float const cy = (top[1] + bottom[1]) / 2;
    float const across = std::hypot(bottom[0] - top[0], bottom[1] - top[1]) / 2;
    float const way = (backward ? -1.0f : 1.0f) * (leftSeen ? 1.0f : -1.0f);
    float const wx = way * area.ux;
    float const wy = way * area.uy;
    for (unsigned a = 0; a < aimCount * 2; ++a) {
        // The lines that met the far column's sightings first, then the
        // area's own lines.
        float const turn = a < aimCount ? farTurn_ : 0.0f;
        if (a >= aimCount && farTurn_ == 0.0f) {
            break;
        }
        Hit const& aim = aims[a % aimCount];
        float const dx = aim.x - cx;
        float const dy = aim.y - cy;
        float const distance = std::hypot(dx, dy);
        float const ahead = dx * wx + dy * wy;
        // A far column lies at least a few characters ahead of the seen one.
        if (!(distance > 3.0f * 17.0f * seenModule) || !(ahead > 0.0f)) {
            continue;
        }
        // Lines along the area's, a quarter of their spacing apart, over the
        // seen column's extent about the sighting: the far column's narrow
        // modules read on a few of them only.
        Area lines = area;
        lines.ux = area.ux * std::cos(turn) - area.uy * std::sin(turn);
        lines.uy = area.ux * std::sin(turn) + area.uy * std::cos(turn);
        lines.halfLength = 40.0f * (aim.module > seenModule ? aim.module : seenModule);
        lines.halfHeight = 1.25f * across + 8.0f < area.halfHeight ? 1.25f * across + 8.0f : area.halfHeight;
        lines.nearHalfLength = 0;
        unsigned seenCount = 0;
        farCount = 0;
        for (unsigned shift = 0; shift < kAimShifts; ++shift) {
            float const off = kSearchSpacing * static_cast<float>(shift) / static_cast<float>(kAimShifts);
            lines.cx = aim.x - off * lines.uy;
            lines.cy = aim.y + off * lines.ux;
            if (leftSeen) {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, seenCount, far, farCount);
            } else {
                CollectHits(image, lines, inverted, backward, far, farCount, b_->spareRight, seenCount);
            }
            seenCount = 0;
        }
        lines.cx = aim.x;
        lines.cy = aim.y;
        float tx = 0;
        float ty = 0;
        float bx = 0;
        float by = 0;
        float module = 0;
        if (farCount < kMinColumnSightings || !FitColumn(far, farCount, lines, backward, tx, ty, bx, by, module)) {
            continue;
        }
        // The far column's ends in the order of the seen one's; its module as
        // lines square to it find it.
        float const length2 = std::hypot(bx - tx, by - ty);
        float const cosine = Abs((by - ty) * lines.ux - (bx - tx) * lines.uy) / length2;
        if (!(cosine > 0.3f)) {
            continue;
        }
        bool const flip = (bx - tx) * (bottom[0] - top[0]) + (by - ty) * (bottom[1] - top[1]) < 0;
        farTop[0] = flip ? bx : tx;
        farTop[1] = flip ? by : ty;
        farBottom[0] = flip ? tx : bx;
        farBottom[1] = flip ? ty : by;
        farModule = module * cosine;
        return true;
    }
    farCount = 0;
    return false;
}

bool PDFRowReader::FitColumn(Hit* hits, unsigned count, Area const& area, bool backward, float& topX, float& topY,
                             float& bottomX, float& bottomY, float& module) const
{
    if (count < 3) {
        return false;
    }
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    float const vx = -area.uy;
    float const vy = area.ux;
    float t[kMaxLines];
    float s[kMaxLines];
    bool use[kMaxLines];
    for (unsigned i = 0; i < count; ++i) {
        float const dx = hits[i].x - area.cx;
        float const dy = hits[i].y - area.cy;
        s[i] = dx * ux + dy * uy;
        t[i] = dx * vx + dy * vy;
        use[i] = true;
    }
    // The median module, then two rounds that drop points off the line.
    float sorted[kMaxLines];
    for (unsigned i = 0; i < count; ++i) {
        float const m = hits[i].module;
        unsigned j = i;
        for (; j > 0 && sorted[j - 1] > m; --j) {
            sorted[j] = sorted[j - 1];
        }
        sorted[j] = m;
    }
    module = sorted[count / 2];
    // A first line that strays points do not pull: the median slope of
    // pairs half the list apart and the median offset; then least squares
    // over the points near it.
    float b = MedianSlope(t, s, count, sorted);
    for (unsigned i = 0; i < count; ++i) {
        float const v = s[i] - b * t[i];
        unsigned j = i;
        for (; j > 0 && sorted[j - 1] > v; --j) {
            sorted[j] = sorted[j - 1];
        }
        sorted[j] = v;
    }
    float a = sorted[count / 2];
    for (int round = 0; round < 2; ++round) {
        for (unsigned i = 0; i < count; ++i) {
            use[i] = Abs(s[i] - (a + b * t[i])) <= 1.5f * module && Abs(hits[i].module - module) <= 0.35f * module;
        }
        if (!FitLine(t, s, use, count, a, b)) {
            return false;
        }
    }
    for (unsigned i = 0; i < count; ++i) {
        use[i] = Abs(s[i] - (a + b * t[i])) <= 1.5f * module && Abs(hits[i].module - module) <= 0.35f * module;
    }
    float tMin = 1e9f;
    float tMax = -1e9f;
    unsigned used = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (use[i]) {
            ++used;
            tMin = t[i] < tMin ? t[i] : tMin;
            tMax = t[i] > tMax ? t[i] : tMax;
        }
    }
    if (used < 3 || tMax - tMin < 2.0f) {
        return false;
    }
    float const s0 = a + b * tMin;
    float const s1 = a + b * tMax;
    topX = area.cx + s0 * ux + tMin * vx;
    topY = area.cy + s0 * uy + tMin * vy;
    bottomX = area.cx + s1 * ux + tMax * vx;
    bottomY = area.cy + s1 * uy + tMax * vy;
    return true;
}

void PDFRowReader::SetCorners(float const lt[2], float const lb[2], float const rt[2], float const rb[2], float ux,
                              float uy, float outward, float corners[8])
{
    corners[0] = lt[0] - ux * outward;
    corners[1] = lt[1] - uy * outward;
    corners[2] = rt[0] + ux * outward;
    corners[3] = rt[1] + uy * outward;
    corners[4] = rb[0] + ux * outward;
    corners[5] = rb[1] + uy * outward;
    corners[6] = lb[0] - ux * outward;
    corners[7] = lb[1] - uy * outward;
}

void PDFRowReader::JoinExtents(float left[4], float right[4])
{
    // Both columns span the symbol's height: each takes the ends that reach
    // further, moved along its own line.
    float const lx = left[2] - left[0];
    float const ly = left[3] - left[1];
    float const rx = right[2] - right[0];
    float const ry = right[3] - right[1];
    float const ll = lx * lx + ly * ly;
    float const rl = rx * rx + ry * ry;
    if (!(ll > 0) || !(rl > 0)) {
        return;
    }
    // Ends of each column projected onto the other's line, as fractions.
    float const rTop = ((right[0] - left[0]) * lx + (right[1] - left[1]) * ly) / ll;
    float const rBottom = ((right[2] - left[0]) * lx + (right[3] - left[1]) * ly) / ll;
    float const lTop = ((left[0] - right[0]) * rx + (left[1] - right[1]) * ry) / rl;
    float const lBottom = ((left[2] - right[0]) * rx + (left[3] - right[1]) * ry) / rl;
    float const leftFrom = rTop < 0 ? rTop : 0;
    float const leftTo = rBottom > 1 ? rBottom : 1;
    float const rightFrom = lTop < 0 ? lTop : 0;
    float const rightTo = lBottom > 1 ? lBottom : 1;
    float const l0[2] = {left[0], left[1]};
    float const r0[2] = {right[0], right[1]};
    left[0] = l0[0] + lx * leftFrom;
    left[1] = l0[1] + ly * leftFrom;
    left[2] = l0[0] + lx * leftTo;
    left[3] = l0[1] + ly * leftTo;
    right[0] = r0[0] + rx * rightFrom;
    right[1] = r0[1] + ry * rightFrom;
    right[2] = r0[0] + rx * rightTo;
    right[3] = r0[1] + ry * rightTo;
}

unsigned PDFRowReader::SampleRow(GrayImage const& image, float const p[2], float const q[2], float width, float margin,
                                 bool inverted, float& perSample, bool& firstDark)
{
    float const ex = (q[0] - p[0]) / width;
    float const ey = (q[1] - p[1]) / width;
    unsigned const count = SampleLine(image, p[0] - ex * margin, p[1] - ey * margin, q[0] + ex * margin,
                                      q[1] + ey * margin, inverted);
    if (count < 2) {
        return 0;
    }
    perSample = (width + 2 * margin) / static_cast<float>(count - 1);
    return FindEdges(count, firstDark);
}

bool PDFRowReader::ReadPdfLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns,
                               float skew, bool inverted, LineRead& line)
{
    for (unsigned k = 0; k < columns; ++k) {
        line.value[k] = 0xFFFF;
    }
    float const width = std::hypot(q[0] - p[0], q[1] - p[1]);
    if (!(width > 1.0f)) {
        return false;
    }
    float const cw = width / static_cast<float>(columns);
    float const margin = cw * 0.25f;
    float perSample = 0;
    bool firstDark = false;
    unsigned const edges = SampleRow(image, p, q, width, margin, inverted, perSample, firstDark);
    float const* e = b_->edges;
    float const root = std::sqrt(skew);
    // Where column k begins, in samples, under the perspective the edge
    // columns' module widths tell.
    auto columnAt = [&](unsigned k) {
        return (margin + width * Foreshorten(static_cast<float>(k) / static_cast<float>(columns), root)) / perSample;
    };
    // Each character is looked for where the last one read ended, at its
    // width; after a miss, where the perspective puts its column.
    unsigned next = firstDark ? 0 : 1;
    float expected = columnAt(0);
    float along = columnAt(1) - expected;
    bool anyRead = false;
    for (unsigned k = 0; k < columns; ++k) {
        unsigned best = edges;
        float bestDistance = along * 0.3f;
        for (unsigned j = next; j + 8 < edges; j += 2) {
            float const d = Abs(e[j] - expected);
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
            if (e[j] > expected + along * 0.3f) {
                break;
            }
        }
        float span = 0;
        if (best < edges) {
            span = e[best + 8] - e[best];
        }
        unsigned value = 0;
        unsigned cluster = 0;
        float w[8];
        bool read = best < edges && Abs(span - along) <= 0.25f * along;
        if (read) {
            for (unsigned n = 0; n < 8; ++n) {
                w[n] = e[best + n + 1] - e[best + n];
            }
            read = DecodeCharacter(w, value, cluster);
        }
        if (read) {
            line.value[k] = static_cast<unsigned short>(value);
            line.cluster[k] = static_cast<unsigned char>(cluster);
            next = best;
            expected = e[best + 8];
            along = span;
            anyRead = true;
        } else {
            expected = columnAt(k + 1);
            along = columnAt(k + 2) - expected;
        }
    }
    return anyRead;
}

namespace {

// How many more reads two clusters of the three need to be read twice each.
unsigned ReadsShortOfTwoClusters(unsigned const lines[3])
{
    unsigned first = 0;
    unsigned second = 0;
    for (unsigned c = 0; c < 3; ++c) {
        if (lines[c] > first) {
            second = first;
            first = lines[c];
        } else if (lines[c] > second) {
            second = lines[c];
        }
    }
    return (first < 2 ? 2 - first : 0) + (second < 2 ? 2 - second : 0);
}

// The column from `top` to `bottom` (`along`), the unit normal to it that
// points the reading way (ux, uy), and the cosine between the two; false
// for a column of no length.
bool ColumnNormal(float const top[2], float const bottom[2], float ux, float uy, float along[2], float normal[2],
                  float& cosine)
{
    along[0] = bottom[0] - top[0];
    along[1] = bottom[1] - top[1];
    float const length = std::hypot(along[0], along[1]);
    if (!(length > 0.0f)) {
        return false;
    }
    normal[0] = -along[1] / length;
    normal[1] = along[0] / length;
    cosine = normal[0] * ux + normal[1] * uy;
    if (cosine < 0) {
        normal[0] = -normal[0];
        normal[1] = -normal[1];
        cosine = -cosine;
    }
    return true;
}

}  // namespace

void PDFRowReader::ProbeRowIndicators(GrayImage const& image, float const top[2], float const along[2],
                                      float const way[2], float reach, bool start, bool inverted,
                                      unsigned probesAfter, unsigned lines[3])
{
    LineRead& line = b_->rowLine;
    float const signedReach = start ? reach : -reach;
    for (unsigned i = 0; i < kIndicatorProbes; ++i) {
        // Two clusters of two reads are out of reach of the lines left.
        if (ReadsShortOfTwoClusters(lines) > kIndicatorProbes - i + probesAfter) {
            return;
        }
        float const f = (static_cast<float>(i) + 0.5f) / static_cast<float>(kIndicatorProbes);
        float const at[2] = {top[0] + f * along[0], top[1] + f * along[1]};
        float const other[2] = {at[0] + signedReach * way[0], at[1] + signedReach * way[1]};
        bool const read = start ? ReadPdfLine(image, at, other, 1, 1.0f, inverted, line)
                                : ReadPdfLine(image, other, at, 1, 1.0f, inverted, line);
        if (read && line.cluster[0] / 3 < 3) {
            ++lines[line.cluster[0] / 3];
        }
    }
}

bool PDFRowReader::ShowsRowIndicators(GrayImage const& image, float const top[2], float const bottom[2], float module,
                                      float ux, float uy, bool start, bool inverted)
{
    // The row indicators beside the column, read on lines across it spread
    // over its length: consecutive rows use the three clusters in turn, the
    // bars of a linear symbol give one character (or none) on every line.
    // The lines run along the search lines and square to the column (the
    // rows' way when the search lines cross them at a slant).
    float along[2];
    float square[2];
    float cosine = 0;
    if (!ColumnNormal(top, bottom, ux, uy, along, square, cosine)) {
        return false;
    }
    unsigned lines[3] = {0, 0, 0};
    float const search[2] = {ux, uy};
    ProbeRowIndicators(image, top, along, search, 17.0f * module, start, inverted, kIndicatorProbes, lines);
    ProbeRowIndicators(image, top, along, square, 17.0f * module * cosine, start, inverted, 0, lines);
    return ReadsShortOfTwoClusters(lines) == 0;
}

bool PDFRowReader::ColumnProbe::SameAs(ColumnProbe const& other) const
{
    return ux == other.ux && uy == other.uy && start == other.start && inverted == other.inverted &&
           Abs(top[0] - other.top[0]) <= kColumnMoved && Abs(top[1] - other.top[1]) <= kColumnMoved &&
           Abs(bottom[0] - other.bottom[0]) <= kColumnMoved && Abs(bottom[1] - other.bottom[1]) <= kColumnMoved &&
           17.0f * Abs(module - other.module) <= kColumnMoved;
}

bool PDFRowReader::SweepsBeside(GrayImage const& image, float const top[2], float const bottom[2], float module,
                                float ux, float uy, bool start, bool inverted)
{
    ColumnProbe const asked{{top[0], top[1]}, {bottom[0], bottom[1]}, module, ux, uy, start, inverted};
    RowCheck& last = rowCheck_;
    if (last.set && last.column.SameAs(asked)) {
        return last.shown;
    }
    last.set = true;
    last.column = asked;
    last.shown = ShowsTurnedRowIndicators(image, top, bottom, module, ux, uy, start, inverted);
    return last.shown;
}

bool PDFRowReader::ShowsTurnedRowIndicators(GrayImage const& image, float const top[2], float const bottom[2],
                                            float module, float ux, float uy, bool start, bool inverted)
{
    float along[2];
    float normal[2];
    float cosine = 0;
    if (!ColumnNormal(top, bottom, ux, uy, along, normal, cosine)) {
        return false;
    }
    // A character's width square to the column (the seen module is along
    // the search lines, at a slant to the bars), and wider by the secant on
    // a line turned off square.
    float const square = 17.0f * module * cosine;
    for (float const turn : kRowTurns) {
        float const c = std::cos(turn);
        float const sn = std::sin(turn);
        float const way[2] = {normal[0] * c - normal[1] * sn, normal[0] * sn + normal[1] * c};
        unsigned lines[3] = {0, 0, 0};
        ProbeRowIndicators(image, top, along, way, square / c, start, inverted, 0, lines);
        if (ReadsShortOfTwoClusters(lines) == 0) {
            return true;
        }
    }
    return false;
}

bool PDFRowReader::RowPositions(unsigned lines, unsigned side, unsigned rows, float* at) const
{
    // Each row at the median fraction of the lines whose indicator on this
    // side names it; rows far off a straight fit over the others are taken
    // for misreads; the missing ones are interpolated between known rows.
    float fractions[kMaxLines];
    bool known[kMaxRows];
    float r[kMaxRows];
    float f[kMaxRows];
    bool use[kMaxRows];
    unsigned count = 0;
    for (unsigned row = 0; row < rows; ++row) {
        unsigned n = 0;
        for (unsigned i = 0; i < lines; ++i) {
            if (b_->lines[i].row[side] == static_cast<short>(row)) {
                float const v = b_->lines[i].fraction;
                unsigned j = n++;
                for (; j > 0 && fractions[j - 1] > v; --j) {
                    fractions[j] = fractions[j - 1];
                }
                fractions[j] = v;
            }
        }
        known[row] = n > 0;
        if (n > 0) {
            at[row] = fractions[n / 2];
            r[count] = static_cast<float>(row);
            f[count] = at[row];
            use[count] = true;
            ++count;
        }
    }
    if (count < 3) {
        return false;
    }
    float a = 0;
    float b = 0;
    // Rows run down the column or, read from the other end, up it.
    if (!FitLine(r, f, use, count, a, b) || !(Abs(b) > 0)) {
        return false;
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (Abs(f[i] - (a + b * r[i])) > 2.0f * Abs(b)) {
            known[static_cast<unsigned>(r[i])] = false;
        } else {
            ++kept;
        }
    }
    if (kept < 3) {
        return false;
    }
    for (unsigned row = 0; row < rows; ++row) {
        if (known[row]) {
            continue;
        }
        int before = -1;
        int after = -1;
        for (int k = static_cast<int>(row) - 1; k >= 0 && before < 0; --k) {
            before = known[k] ? k : -1;
        }
        for (unsigned k = row + 1; k < rows && after < 0; ++k) {
            after = known[k] ? static_cast<int>(k) : -1;
        }
        if (before >= 0 && after >= 0) {
            float const t = static_cast<float>(static_cast<int>(row) - before) / static_cast<float>(after - before);
            at[row] = at[before] + t * (at[after] - at[before]);
        } else {
            at[row] = a + b * static_cast<float>(row);
        }
    }
    return true;
}

void PDFRowReader::VoteRows(GrayImage const& image, bool inverted, bool micro, unsigned columns, unsigned rows,
                            unsigned dataColumns, unsigned firstColumn, int clusterShift, float const lt[2],
                            float const lb[2], float const rt[2], float const rb[2], float skew, unsigned lines)
{
    // Under perspective a row meets the two edge columns at different
    // fractions of their lengths: each row is read along the line joining
    // where the indicators on either side put it.
    float* at[2] = {b_->rowAt[0], b_->rowAt[1]};
    bool const have[2] = {RowPositions(lines, 0, rows, at[0]), RowPositions(lines, 1, rows, at[1])};
    if (!have[0] && !have[1]) {
        return;
    }
    for (unsigned side = 0; side < 2; ++side) {
        if (!have[side]) {
            for (unsigned row = 0; row < rows; ++row) {
                at[side][row] = at[1 - side][row];
            }
        }
    }
    static constexpr float kWithin[3] = {-0.3f, 0.0f, 0.3f};
    LineRead& line = b_->rowLine;
    for (unsigned row = 0; row < rows; ++row) {
        for (float const within : kWithin) {
            float fraction[2];
            for (unsigned side = 0; side < 2; ++side) {
                float const* a = at[side];
                float const pitch = rows < 2 ? 0.0f
                                    : row == 0 ? a[1] - a[0]
                                    : row + 1 == rows ? a[row] - a[row - 1]
                                                      : (a[row + 1] - a[row - 1]) / 2;
                fraction[side] = a[row] + within * pitch;
            }
            float const p[2] = {lt[0] + fraction[0] * (lb[0] - lt[0]), lt[1] + fraction[0] * (lb[1] - lt[1])};
            float const q[2] = {rt[0] + fraction[1] * (rb[0] - rt[0]), rt[1] + fraction[1] * (rb[1] - rt[1])};
            bool const read = micro ? ReadMicroLine(image, p, q, columns, skew, inverted, line)
                                    : ReadPdfLine(image, p, q, columns, skew, inverted, line);
            if (!read) {
                continue;
            }
            for (unsigned c = 0; c < dataColumns; ++c) {
                unsigned const value = line.value[c + firstColumn];
                if (value != 0xFFFF &&
                    ((static_cast<int>(row) + clusterShift) % 3 + 3) % 3 * 3 == line.cluster[c + firstColumn]) {
                    Vote(row * dataColumns + c, value);
                }
            }
        }
    }
}

void PDFRowReader::Vote(unsigned cell, unsigned value)
{
    Cell& target = b_->cells[cell];
    unsigned s = 0;
    for (; s < kSlots && target.count[s] != 0 && target.value[s] != value; ++s) {
    }
    if (s < kSlots) {
        target.value[s] = static_cast<unsigned short>(value);
        ++target.count[s];
    }
}

bool PDFRowReader::VoteCells(unsigned lines, unsigned rows, unsigned dataColumns, unsigned firstColumn,
                            int clusterShift, float const* across, unsigned stride)
{
    // The rows on each side as straight lines over the fraction; a line laid
    // slightly across the rows meets a row between the two at a column.
    float fraction[kMaxLines];
    float rowOf[kMaxLines];
    bool use[kMaxLines];
    float a[2] = {0, 0};
    float b[2] = {0, 0};
    bool fitted[2] = {false, false};
    for (unsigned side = 0; side < 2; ++side) {
        for (unsigned i = 0; i < lines; ++i) {
            bool const read = i % stride == 0;
            fraction[i] = read ? b_->lines[i].fraction : 0.0f;
            short const r = read ? b_->lines[i].row[side] : static_cast<short>(-1);
            rowOf[i] = static_cast<float>(r);
            use[i] = r >= 0 && r < static_cast<short>(rows);
        }
        bool ok = true;
        for (int round = 0; round < 3 && ok; ++round) {
            ok = FitLine(fraction, rowOf, use, lines, a[side], b[side]);
            float const limit = round == 0 ? 4.0f : 1.0f;
            for (unsigned i = 0; i < lines && ok; ++i) {
                use[i] = rowOf[i] >= 0 && Abs(rowOf[i] - (a[side] + b[side] * fraction[i])) <= limit;
            }
        }
        unsigned used = 0;
        for (unsigned i = 0; i < lines; ++i) {
            used += use[i] ? 1u : 0u;
        }
        fitted[side] = ok && used >= 3;
    }
    if (!fitted[0] && !fitted[1]) {
        return false;
    }
    for (unsigned side = 0; side < 2; ++side) {
        if (!fitted[side]) {
            a[side] = a[1 - side];
            b[side] = b[1 - side];
        }
    }
    for (unsigned c = 0; c < rows * dataColumns; ++c) {
        for (unsigned s = 0; s < kSlots; ++s) {
            b_->cells[c].count[s] = 0;
        }
    }
    for (unsigned i = 0; i < lines; i += stride) {
        LineRead const& line = b_->lines[i];
        float const left = a[0] + b[0] * line.fraction;
        float const right = a[1] + b[1] * line.fraction;
        for (unsigned c = 0; c < dataColumns; ++c) {
            unsigned const value = line.value[c + firstColumn];
            if (value == 0xFFFF) {
                continue;
            }
            float const estimate = left + (right - left) * across[c];
            int const cluster = line.cluster[c + firstColumn];
            // The row of the character's cluster nearest to the estimate.
            int const nearest = static_cast<int>(std::lround(estimate));
            int r = -1;
            for (int d = -1; d <= 1; ++d) {
                int const candidate = nearest + d;
                if (((candidate + clusterShift) % 3 + 3) % 3 * 3 == cluster &&
                    Abs(static_cast<float>(candidate) - estimate) < 1.2f) {
                    r = candidate;
                }
            }
            if (r < 0 || r >= static_cast<int>(rows)) {
                continue;
            }
            Vote(static_cast<unsigned>(r) * dataColumns + c, value);
        }
    }
    return true;
}

void PDFRowReader::TallyCells(unsigned cells, unsigned short* codewords, unsigned short* erasures,
                              unsigned& erasureCount) const
{
    erasureCount = 0;
    for (unsigned c = 0; c < cells; ++c) {
        Cell const& cell = b_->cells[c];
        unsigned best = 0;
        unsigned second = 0;
        unsigned short value = 0;
        for (unsigned s = 0; s < kSlots; ++s) {
            if (cell.count[s] > best) {
                second = best;
                best = cell.count[s];
                value = cell.value[s];
            } else if (cell.count[s] > second) {
                second = cell.count[s];
            }
        }
        if (best == 0 || best == second) {
            codewords[c] = 0;
            erasures[erasureCount++] = static_cast<unsigned short>(c);
        } else {
            codewords[c] = value;
        }
    }
}

bool PDFRowReader::Read(GrayImage const& image, Area const& area, bool inverted, Parameters& parameters,
                        unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount, bool& seen,
                        float corners[8])
{
    seen = false;
    pending_.set = false;
    farSwept_ = 0;
    farTurn_ = 0;
    unsigned leftCount = 0;
    unsigned rightCount = 0;
    bool backward = false;
    bool const near = area.nearHalfLength > 0 && area.nearHalfLength < area.halfLength;
    Hit* leftHits = b_->left;
    Hit* rightHits = b_->right;
    if (shared_) {
        // The sightings of one sampling of the lines serve both ways.
        Area lines = area;
        lines.halfLength = near ? area.nearHalfLength : area.halfLength;
        UpdateSightings(image, lines);
        if (unchanged_[inverted ? 1 : 0]) {
            return false;
        }
        Sightings& forward = b_->sightings[inverted ? 2 : 0];
        Sightings& back = b_->sightings[inverted ? 3 : 1];
        bool const forwardSeen = forward.leftCount >= 3 && forward.rightCount >= 3;
        Sightings* taken = &forward;
        // On the short lines a way that shows both columns, else one that
        // shows one where the other shows none.
        bool const forwardNone = forward.leftCount < 3 && forward.rightCount < 3;
        if (!forwardSeen &&
            (near ? (back.leftCount >= 3 && back.rightCount >= 3) ||
                        (forwardNone && (back.leftCount >= 3 || back.rightCount >= 3))
                  : back.leftCount + back.rightCount > forward.leftCount + forward.rightCount)) {
            taken = &back;
            backward = true;
        }
        leftCount = taken->leftCount;
        rightCount = taken->rightCount;
        if (near && (leftCount < 3) == (rightCount < 3)) {
            // The short lines only: both columns or nothing.
            if (leftCount < 3) {
                return false;
            }
            leftHits = taken->left;
            rightHits = taken->right;
        } else if (near) {
            // One column on the short lines: the fan of rays from it looks
            // for the other (the fixed turns wait for the long lines).
            for (unsigned i = 0; i < leftCount; ++i) {
                b_->left[i] = taken->left[i];
            }
            for (unsigned i = 0; i < rightCount; ++i) {
                b_->right[i] = taken->right[i];
            }
            SweepForColumn(image, area, inverted, backward, leftCount, rightCount, false);
            if (leftCount < 3 || rightCount < 3) {
                return false;
            }
        } else {
            for (unsigned i = 0; i < leftCount; ++i) {
                b_->left[i] = taken->left[i];
            }
            for (unsigned i = 0; i < rightCount; ++i) {
                b_->right[i] = taken->right[i];
            }
            SweepForColumn(image, area, inverted, backward, leftCount, rightCount);
        }
    } else if (near) {
        // The short lines only, both ways.
        Area lines = area;
        lines.halfLength = area.nearHalfLength;
        for (bool const way : {false, true}) {
            leftCount = rightCount = 0;
            CollectHits(image, lines, inverted, way, leftCount, rightCount);
            if (leftCount >= 3 && rightCount >= 3) {
                backward = way;
                break;
            }
        }
        if (leftCount < 3 || rightCount < 3) {
            return false;
        }
    } else {
        CollectHits(image, area, inverted, false, leftCount, rightCount);
        if (leftCount < 3 || rightCount < 3) {
            // Read the other way into the spare lists; kept when they hold more.
            unsigned backLeft = 0;
            unsigned backRight = 0;
            CollectHits(image, area, inverted, true, b_->spareLeft, backLeft, b_->spareRight, backRight);
            if (backLeft + backRight > leftCount + rightCount) {
                for (unsigned i = 0; i < backLeft; ++i) {
                    b_->left[i] = b_->spareLeft[i];
                }
                for (unsigned i = 0; i < backRight; ++i) {
                    b_->right[i] = b_->spareRight[i];
                }
                leftCount = backLeft;
                rightCount = backRight;
                backward = true;
            }
        }
        SweepForColumn(image, area, inverted, backward, leftCount, rightCount);
    }
    float lt[2], lb[2], rt[2], rb[2];
    float leftModule = 0;
    float rightModule = 0;
    // Both columns are fitted: one alone tells a symbol stands here.
    bool leftFitted = FitColumn(leftHits, leftCount, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule);
    bool rightFitted =
        FitColumn(rightHits, rightCount, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule);
    if (leftFitted != rightFitted && (leftFitted ? rightCount : leftCount) > 0) {
        bool const leftSeen = leftFitted;
        Hit* const far = leftSeen ? b_->right : b_->left;
        float* const fitted = leftSeen ? rt : lt;
        float* const fittedEnd = leftSeen ? rb : lb;
        float& farModule = leftSeen ? rightModule : leftModule;
        unsigned farCount = 0;
        if (AimAtSightings(image, area, inverted, backward, leftSeen, leftSeen ? lt : rt, leftSeen ? lb : rb,
                           leftSeen ? leftModule : rightModule, leftSeen ? rightHits : leftHits,
                           leftSeen ? rightCount : leftCount, far, farCount, fitted, fittedEnd, farModule)) {
            (leftSeen ? rightHits : leftHits) = far;
            (leftSeen ? rightCount : leftCount) = farCount;
            (leftSeen ? rightFitted : leftFitted) = true;
            farSwept_ = leftSeen ? 2 : 1;
        }
    }
    // A compact symbol has no stop pattern (a single bar ends its rows):
    // with the start column alone, its row indicators name the columns,
    // and the rows are read up to where the stop pattern would stand.
    if (leftFitted && !rightFitted && leftCount >= kMinColumnSightings &&
        PlaceMissingStop(image, inverted, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy, lt, lb,
                         leftModule, rt, rb)) {
        rightFitted = true;
        rightModule = leftModule;
    }
    if (!leftFitted || !rightFitted) {
        float const ux = backward ? -area.ux : area.ux;
        float const uy = backward ? -area.uy : area.uy;
        columnSeen_ = columnSeen_ ||
                      (leftFitted && leftCount >= kMinColumnSightings &&
                       ShowsRowIndicators(image, lt, lb, leftModule, ux, uy, true, inverted)) ||
                      (rightFitted && rightCount >= kMinColumnSightings &&
                       ShowsRowIndicators(image, rt, rb, rightModule, ux, uy, false, inverted));
        return false;
    }
    seen = true;
    Join(lt, lb, rt, rb);
    float const module = (leftModule + rightModule) / 2;
    float const skew = Skew(leftModule, rightModule);
    float const lengthLeft = std::hypot(lb[0] - lt[0], lb[1] - lt[1]);
    float const lengthRight = std::hypot(rb[0] - rt[0], rb[1] - rt[1]);
    float const midWidth = std::hypot((rt[0] + rb[0] - lt[0] - lb[0]) / 2, (rt[1] + rb[1] - lt[1] - lb[1]) / 2);
    // Under perspective a row spans as many modules as the geometric mean of
    // its ends' module widths gives.
    // The modules a column shows on lines at a slant to its rows are wider
    // by the slant's secant: a column seen on the area's lines is taken at
    // its width square to it (one swept for is so already), else the guess
    // comes out low by as much and the reading tries wrong counts first.
    auto const square = [&](float const top[2], float const bottom[2], float seenModule) {
        float const length = std::hypot(bottom[0] - top[0], bottom[1] - top[1]);
        float const cosine = Abs((bottom[1] - top[1]) * area.ux - (bottom[0] - top[0]) * area.uy) / length;
        return length > 0 && cosine > 0.5f && cosine <= 1.0f ? seenModule * cosine : seenModule;
    };
    float const leftSquare = farSwept_ == 1 ? leftModule : square(lt, lb, leftModule);
    float const rightSquare = farSwept_ == 2 ? rightModule : square(rt, rb, rightModule);
    unsigned columns = static_cast<unsigned>(std::lround(midWidth / (17.0f * std::sqrt(leftSquare * rightSquare))));
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    // The rows are read on 1.5 lines a pixel of the columns' length; with
    // the sightings shared, on half as many until the first reading fails.
    float const along = (lengthLeft > lengthRight ? lengthLeft : lengthRight) * (!shared_ || denseRows_ ? 1.5f : 0.75f);
    sparseRowsRead_ = sparseRowsRead_ || (shared_ && !denseRows_);
    unsigned lines = static_cast<unsigned>(along) + 2;
    lines = lines > kMaxLines ? kMaxLines : lines;
    // The count from the width is a guess under strong perspective: when the
    // row indicators name nothing at it, the counts beside it are tried; when
    // they name another count, that one is read once.
    unsigned const guess = columns;
    static constexpr int kNextGuess[6] = {0, 1, -1, 2, -2, 3};
    unsigned guessIndex = 0;
    bool followedVote = false;
    bool probeFollowed = false;
    bool quick = false;
    float const ends[8] = {lt[0], lt[1], lb[0], lb[1], rt[0], rt[1], rb[0], rb[1]};
    float across[kMaxColumns];
    for (;;) {
        if (columns < 3 || columns > kMaxColumns) {
            if (followedVote || ++guessIndex >= 6) {
                return false;
            }
            columns = static_cast<unsigned>(static_cast<int>(guess) + kNextGuess[guessIndex]);
            continue;
        }
        // Every kProbeStride-th line first: when the row indicators on them
        // name another count clearly, the rest are read at that count only.
        // Those lines in two halves: when the first half's indicators name
        // another count already, the second half is not read at this one.
        for (unsigned i = 0; i < lines; i += 2 * kProbeStride) {
            ReadRowLine(image, inverted, columns, skew, ends, i, lines);
        }
        if (!followedVote && !probeFollowed) {
            Votes const half = VoteParameters(lines, 2 * kProbeStride, columns);
            if (half.columns >= 0 && static_cast<unsigned>(half.columns) + 3 != columns &&
                half.columnVotes >= kHalfProbeVotes) {
                probeFollowed = true;
                columns = static_cast<unsigned>(half.columns) + 3;
                continue;
            }
        }
        for (unsigned i = kProbeStride; i < lines; i += 2 * kProbeStride) {
            ReadRowLine(image, inverted, columns, skew, ends, i, lines);
        }
        Votes votes = VoteParameters(lines, kProbeStride, columns);
        if (!followedVote && !probeFollowed && votes.columns >= 0 &&
            static_cast<unsigned>(votes.columns) + 3 != columns && votes.columnVotes >= kProbeVotes) {
            // Once only; the whole reading's vote may still name another.
            probeFollowed = true;
            columns = static_cast<unsigned>(votes.columns) + 3;
            continue;
        }
        // With the row votes deferred, the votes of these lines are tallied
        // alone first when they name every parameter, at this count: most
        // symbols read from them, and AddLines reads the rest when not.
        if (deferRowVotes_ && votes.Named() && static_cast<unsigned>(votes.columns) + 3 == columns &&
            SetParameters(votes, parameters) && VoteCells(lines, parameters.rows, parameters.columns, 1, 0,
                                                          EvenAcross(parameters.columns, across), kProbeStride)) {
            quick = true;
            break;
        }
        for (unsigned i = 0; i < lines; ++i) {
            if (i % kProbeStride != 0) {
                ReadRowLine(image, inverted, columns, skew, ends, i, lines);
            }
        }
        votes = VoteParameters(lines, 1, columns);
        if (!votes.Named()) {
            if (followedVote || ++guessIndex >= 6) {
                return false;
            }
            columns = static_cast<unsigned>(static_cast<int>(guess) + kNextGuess[guessIndex]);
            continue;
        }
        unsigned const voted = static_cast<unsigned>(votes.columns) + 3;
        if (voted != columns) {
            if (followedVote) {
                return false;
            }
            followedVote = true;
            columns = voted;
            continue;
        }
        if (!SetParameters(votes, parameters) ||
            !VoteCells(lines, parameters.rows, parameters.columns, 1, 0, EvenAcross(parameters.columns, across))) {
            return false;
        }
        break;
    }
    unsigned const rows = parameters.rows;
    unsigned const dataColumns = parameters.columns;
    SetCorners(lt, lb, rt, rb, ux, uy, 17.0f * module, corners);
    if (deferRowVotes_) {
        // The votes of the lines across are tallied alone; AddLines reads
        // the lines left out, and AddRowVotes along the rows, when they give
        // no label.
        pending_ = Pending{true, &image, inverted, columns, rows, dataColumns, lines, skew,
                           {lt[0], lt[1], lb[0], lb[1], rt[0], rt[1], rb[0], rb[1]}, quick ? kProbeStride : 1u,
                           followedVote};
        TallyCells(rows * dataColumns, codewords, erasures, erasureCount);
        return true;
    }
    VoteRows(image, inverted, false, columns, rows, dataColumns, 1, 0, lt, lb, rt, rb, skew, lines);
    TallyCells(rows * dataColumns, codewords, erasures, erasureCount);
    return true;
}

void PDFRowReader::ReadRowLine(GrayImage const& image, bool inverted, unsigned columns, float skew,
                               float const ends[8], unsigned i, unsigned lines)
{
    LineRead& line = b_->lines[i];
    line.fraction =
        -kOvershoot + (1.0f + 2.0f * kOvershoot) * (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
    line.row[0] = line.row[1] = -1;
    float const f = line.fraction;
    float const p[2] = {ends[0] + f * (ends[2] - ends[0]), ends[1] + f * (ends[3] - ends[1])};
    float const q[2] = {ends[4] + f * (ends[6] - ends[4]), ends[5] + f * (ends[7] - ends[5])};
    ReadPdfLine(image, p, q, columns, skew, inverted, line);
    int rowLeft = -1;
    int rowRight = -1;
    if (line.value[0] != 0xFFFF) {
        rowLeft = static_cast<int>(3 * (line.value[0] / 30) + line.cluster[0] / 3);
    }
    if (line.value[columns - 1] != 0xFFFF) {
        rowRight = static_cast<int>(3 * (line.value[columns - 1] / 30) + line.cluster[columns - 1] / 3);
    }
    line.row[0] = static_cast<short>(rowLeft < 90 ? rowLeft : -1);
    line.row[1] = static_cast<short>(rowRight < 90 ? rowRight : -1);
}

PDFRowReader::Votes PDFRowReader::VoteParameters(unsigned lines, unsigned stride, unsigned columns) const
{
    unsigned rowsDiv3[30] = {};
    unsigned rowsMod3[3] = {};
    unsigned levels[9] = {};
    unsigned cols[30] = {};
    // A left row indicator of cluster 0 tells the rows over three, of
    // cluster 3 the level and the rows' remainder, of cluster 6 the data
    // columns; a right one tells them in the clusters after.
    auto const vote = [&](unsigned v, unsigned c) {
        unsigned const x = v % 30;
        if (c == 0) {
            ++rowsDiv3[x];
        } else if (c == 3) {
            if (x / 3 < 9) {
                ++levels[x / 3];
            }
            ++rowsMod3[x % 3];
        } else {
            ++cols[x];
        }
    };
    for (unsigned i = 0; i < lines; i += stride) {
        LineRead const& line = b_->lines[i];
        // A row indicator is read with the row's characters beside it, of
        // its cluster; a line that runs off the symbol over other bars reads
        // chance characters of any cluster, the same ones on many such lines
        // alike, and its indicators do not vote when the character read
        // nearest them is of another cluster.
        auto const alongRow = [&](unsigned k) {
            for (unsigned step = 1; step < columns; ++step) {
                unsigned const n = k == 0 ? step : columns - 1 - step;
                if (line.value[n] != 0xFFFF) {
                    return line.cluster[n] == line.cluster[k];
                }
            }
            return true;
        };
        if (line.value[0] != 0xFFFF && alongRow(0)) {
            vote(line.value[0], line.cluster[0]);
        }
        if (line.value[columns - 1] != 0xFFFF && alongRow(columns - 1)) {
            unsigned const c = line.cluster[columns - 1];
            vote(line.value[columns - 1], c == 0 ? 6 : (c == 3 ? 0 : 3));
        }
    }
    auto const argmax = [](unsigned const* v, unsigned n) {
        unsigned best = 0;
        for (unsigned i = 1; i < n; ++i) {
            best = v[i] > v[best] ? i : best;
        }
        return v[best] > 0 ? static_cast<int>(best) : -1;
    };
    Votes votes{argmax(rowsDiv3, 30), argmax(rowsMod3, 3), argmax(levels, 9), argmax(cols, 30), 0};
    votes.columnVotes = votes.columns >= 0 ? cols[votes.columns] : 0;
    return votes;
}

float const* PDFRowReader::EvenAcross(unsigned dataColumns, float* across)
{
    for (unsigned c = 0; c < dataColumns && c < kMaxColumns; ++c) {
        across[c] = static_cast<float>(c + 1) / static_cast<float>(dataColumns + 1);
    }
    return across;
}

bool PDFRowReader::SetParameters(Votes const& votes, Parameters& parameters)
{
    parameters.rows = static_cast<unsigned>(votes.rowsDiv3 * 3 + votes.rowsMod3 + 1);
    parameters.columns = static_cast<unsigned>(votes.columns + 1);
    parameters.level = static_cast<unsigned>(votes.level);
    return parameters.rows >= 3 && parameters.rows <= 90 && parameters.rows * parameters.columns <= kMaxCells;
}

bool PDFRowReader::AddLines(Parameters& parameters, unsigned short* codewords, unsigned short* erasures,
                            unsigned& erasureCount)
{
    if (!pending_.set || pending_.stride == 1) {
        return false;
    }
    Pending& p = pending_;
    static_assert(kProbeStride % 2 == 0, "the lines halfway between those read first");
    if (p.stride == kProbeStride) {
        // The lines halfway between first: every other line's votes read
        // most symbols the quarter's left unread, at half the cost of all.
        for (unsigned i = kProbeStride / 2; i < p.lines; i += kProbeStride) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
        p.stride = kProbeStride / 2;
        Votes const votes = VoteParameters(p.lines, p.stride, p.columns);
        Parameters half{};
        float across[kMaxColumns];
        if (votes.Named() && static_cast<unsigned>(votes.columns) + 3 == p.columns && SetParameters(votes, half) &&
            VoteCells(p.lines, half.rows, half.columns, 1, 0, EvenAcross(half.columns, across), p.stride)) {
            parameters = half;
            p.rows = half.rows;
            p.dataColumns = half.columns;
            TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
            return true;
        }
    }
    for (unsigned i = 0; i < p.lines; ++i) {
        if (i % p.stride != 0) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
    }
    p.stride = 1;
    // All lines may name other parameters than the first ones did; another
    // column count (chance votes of codewords taken for the right row
    // indicators can agree with a wrong count on a few lines) is read at
    // once, as Read does, unless Read followed a vote already.
    Votes votes = VoteParameters(p.lines, 1, p.columns);
    unsigned const firstColumns = p.columns;
    if (votes.Named() && static_cast<unsigned>(votes.columns) + 3 != p.columns && !p.followed &&
        static_cast<unsigned>(votes.columns) + 3 <= kMaxColumns) {
        p.followed = true;
        p.columns = static_cast<unsigned>(votes.columns) + 3;
        for (unsigned i = 0; i < p.lines; ++i) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
        votes = VoteParameters(p.lines, 1, p.columns);
    }
    Parameters all{};
    float across[kMaxColumns];
    if (!votes.Named() || static_cast<unsigned>(votes.columns) + 3 != p.columns || !SetParameters(votes, all) ||
        !VoteCells(p.lines, all.rows, all.columns, 1, 0, EvenAcross(all.columns, across))) {
        if (p.columns != firstColumns) {
            // The other count read nothing whole: the lines are read again
            // at the first one, whose rows and cells the row votes go on
            // with; lines of one count and cells of the other would mix.
            p.columns = firstColumns;
            for (unsigned i = 0; i < p.lines; ++i) {
                ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
            }
        }
        return false;
    }
    parameters = all;
    p.rows = all.rows;
    p.dataColumns = all.columns;
    TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
    return true;
}

bool PDFRowReader::AddRowVotes(unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount)
{
    if (!pending_.set) {
        return false;
    }
    pending_.set = false;
    Pending const& p = pending_;
    // The rows are placed from every line across.
    for (unsigned i = 0; p.stride > 1 && i < p.lines; ++i) {
        if (i % p.stride != 0) {
            ReadRowLine(*p.image, p.inverted, p.columns, p.skew, p.ends, i, p.lines);
        }
    }
    float const lt[2] = {p.ends[0], p.ends[1]};
    float const lb[2] = {p.ends[2], p.ends[3]};
    float const rt[2] = {p.ends[4], p.ends[5]};
    float const rb[2] = {p.ends[6], p.ends[7]};
    VoteRows(*p.image, p.inverted, false, p.columns, p.rows, p.dataColumns, 1, 0, lt, lb, rt, rb, p.skew, p.lines);
    TallyCells(p.rows * p.dataColumns, codewords, erasures, erasureCount);
    return true;
}

}  // namespace DEC2DIvra

namespace DEC2DIvra {

unsigned PDFRowReader::DecodeRowAddress(float const widths[6])
{
    int modules[6];
    if (!RoundModules(widths, 6, 10, 5, modules)) {
        return 255;
    }
    unsigned pattern = 0;
    for (unsigned i = 0; i < 6; ++i) {
        for (int m = 0; m < modules[i]; ++m) {
            pattern = pattern << 1 | (i % 2 == 0 ? 0u : 1u);
        }
    }
    // The tenth module is always a space.
    if ((pattern & 1u) == 0) {
        return 255;
    }
    return MicroPDFCharacterTable::Lookup(pattern >> 1);
}

namespace {

// The pairs of one width that make the symbol's columns, from those found
// on the search lines (`lineOf`, `columns` wide); their count, kept first.
unsigned KeepMicroColumn(PDFRowReader::Hit* left, PDFRowReader::Hit* right, unsigned short const* lineOf,
                         unsigned char const* columns, unsigned leftCount, bool besideBars, float ux, float uy,
                         unsigned& keptColumns)
{
    // A symbol's rows are crossed by several lines in a row, each finding
    // its pair where the last one did; a pair that no near line repeats is
    // chance (noise over a plain background makes runs of any width, and now
    // and then a pair that fits) and has no vote. Where too few are repeated
    // to fit a column (a small symbol met at a slant, whose rows few lines
    // cross whole), every pair votes.
    unsigned repeatedCount = 0;
    bool repeated[PDFRowReader::kMaxLines];
    for (unsigned i = 0; i < leftCount; ++i) {
        repeated[i] = IsRepeated(left, right, lineOf, columns, leftCount, i, ux, uy);
        repeatedCount += repeated[i] ? 1u : 0u;
    }
    bool const filter = repeatedCount >= kMinRepeated;
    unsigned votes[5] = {};
    for (unsigned i = 0; i < leftCount; ++i) {
        votes[columns[i]] += !filter || repeated[i] ? 1u : 0u;
    }
    // Pairs found in other symbols' bars scatter over the widths, mostly the
    // narrow ones; the symbol's own agree on one: the one most found or,
    // beside a linear symbol's bars, the widest that enough lines found.
    unsigned best = 1;
    for (unsigned k = 2; k <= 4; ++k) {
        best = votes[k] > votes[best] ? k : best;
    }
    for (unsigned k = 4; besideBars && k > best; --k) {
        if (votes[k] >= 3) {
            best = k;
            break;
        }
    }
    // A pair of that width found once stays when both its ends lie on the
    // columns through the first and the last repeated pair: a lone line
    // across the symbol's far rows still lengthens its columns.
    unsigned first = leftCount;
    unsigned last = leftCount;
    for (unsigned i = 0; filter && i < leftCount; ++i) {
        if (repeated[i] && columns[i] == best) {
            first = first < leftCount ? first : i;
            last = i;
        }
    }
    keptColumns = best;
    unsigned kept = 0;
    for (unsigned i = 0; i < leftCount; ++i) {
        bool const keep = !filter || repeated[i] ||
                          (first < last && OnColumn(left[first], left[last], left[i]) &&
                           OnColumn(right[first], right[last], right[i]));
        if (columns[i] == best && keep) {
            left[kept] = left[i];
            right[kept] = right[i];
            ++kept;
        }
    }
    return kept;
}

}  // namespace

unsigned PDFRowReader::CollectMicroHits(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                        float maxRatio, bool besideBars, unsigned& farPairs, unsigned& looseCount,
                                        unsigned& looseFarPairs, unsigned keptColumns[2])
{
    // One sampling of the lines serves both kinds of pair: [0] strict ones
    // into left and right, [1] loose ones into spareLeft and spareRight.
    unsigned char columns[2][kMaxLines];
    unsigned short lineOf[2][kMaxLines];
    Hit* const lefts[2] = {b_->left, b_->spareLeft};
    Hit* const rights[2] = {b_->right, b_->spareRight};
    unsigned counts[2] = {0, 0};
    unsigned far[2] = {0, 0};
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    unsigned const lines = CountSearchLines(area);
    for (unsigned j = 0; j < lines; ++j) {
        float x0 = 0;
        float y0 = 0;
        float step = 0;
        bool firstDark = false;
        unsigned const edges = ScanSearchLine(image, area, inverted, backward, j, x0, y0, step, firstDark);
        if (edges == 0) {
            continue;
        }
        float const* e = b_->edges;
        // Side patterns on the line; a left and a right one make a pair when
        // the data between them is as wide as 1 to 4 columns.
        struct Sighting {
            float begin;
            float end;
            float module;
            bool quiet;
            bool stop;
            bool dataAfter;   // a symbol character follows
            bool dataBefore;  // a symbol character precedes
            bool center;      // a center pattern
            float before;     // where the character before it begins
        };
        // Other symbols' characters pass for row address patterns (Code 128's
        // six runs above all): a pair counts beside data only.
        auto character = [e](unsigned from) {
            float w[8];
            for (unsigned i = 0; i < 8; ++i) {
                w[i] = e[from + i + 1] - e[from + i];
            }
            unsigned value = 0;
            unsigned cluster = 0;
            return DecodeCharacter(w, value, cluster);
        };
        Sighting seen[kMaxSightings];
        unsigned seenCount = 0;
        for (unsigned k = firstDark ? 0 : 1; k + 6 < edges && seenCount < kMaxSightings; k += 2) {
            float w[6];
            for (unsigned i = 0; i < 6; ++i) {
                w[i] = e[k + i + 1] - e[k + i];
            }
            unsigned const number = DecodeRowAddress(w);
            // A three-column CC-A has no left pattern: its center one stands in.
            bool const center = besideBars && number > 64 && number != 255;
            if (number != 255 && (number <= 52 || center)) {
                float const module = (e[k + 6] - e[k]) / 10.0f;
                // A left pattern has light before it; a right one the stop bar after it.
                bool const quiet = k == 0 || e[k] - e[k - 1] >= 1.5f * module;
                bool const stop = k + 7 < edges && Abs(e[k + 7] - e[k + 6] - module) <= 0.6f * module &&
                                  (k + 8 >= edges || e[k + 8] - e[k + 7] >= 1.5f * module);
                bool const after = k + 14 < edges && character(k + 6);
                bool const before = k >= 8 && character(k - 8);
                seen[seenCount++] =
                    Sighting{e[k], e[k + 6], module, quiet, stop, after, before, center, before ? e[k - 8] : 0.0f};
            }
        }
        bool have[2] = {false, false};
        Hit left[2] = {};
        Hit right[2] = {};
        // The widest such pair: patterns inside the data may pass for narrower ones.
        float widest[2] = {0, 0};
        unsigned widestColumns[2] = {0, 0};
        for (unsigned i = 0; i < seenCount; ++i) {
            for (unsigned j = i + 1; j < seenCount; ++j) {
                // Under perspective the two ends' modules differ; the span
                // between them is measured in their geometric mean.
                float const ratio = seen[i].module / seen[j].module;
                bool const center = seen[i].center;
                if ((!center && !seen[i].quiet) || seen[j].center || !seen[j].stop ||
                    (center && !seen[i].dataBefore) || !(seen[i].dataAfter || seen[j].dataBefore)) {
                    continue;
                }
                // Strict pairs have data read beside both patterns; every
                // pair here is a loose one.
                bool const strict = seen[i].dataAfter && seen[j].dataBefore;
                bool const apart = ratio > maxRatio || ratio < 1 / maxRatio;
                bool const perspective = ratio <= kSideModuleRatios[1] && ratio >= 1 / kSideModuleRatios[1];
                float const module = std::sqrt(seen[i].module * seen[j].module);
                // From a center pattern the row's data starts one character
                // before it, where a left pattern would end.
                float const end = center ? seen[i].begin - 17 * module : seen[i].end;
                float const between = (seen[j].begin - end) / module;
                unsigned const fits = center ? (Abs(between - 61) < 4 ? 3 : 0)
                                    : Abs(between - 17) < 3 ? 1 : Abs(between - 34) < 3 ? 2
                                    : Abs(between - 61) < 4 ? 3 : Abs(between - 78) < 4 ? 4 : 0;
                for (unsigned kind = strict ? 0u : 1u; kind < 2 && fits != 0; ++kind) {
                    if (apart) {
                        far[kind] += perspective ? 1u : 0u;
                    } else if (between > widest[kind]) {
                        widest[kind] = between;
                        widestColumns[kind] = fits;
                        // Under perspective the mean module misplaces the
                        // row's start: the center pattern's own module
                        // measures the character before it.
                        float start = end;
                        if (center) {
                            float const wide = (seen[i].begin - seen[i].before) / (17 * seen[i].module);
                            start = wide > 0.75f && wide < 1.6f ? seen[i].before
                                                                 : seen[i].begin - 17 * seen[i].module;
                        }
                        float const p = start * step;
                        float const q = seen[j].begin * step;
                        left[kind] = Hit{x0 + ux * p, y0 + uy * p, seen[i].module * step};
                        right[kind] = Hit{x0 + ux * q, y0 + uy * q, seen[j].module * step};
                        have[kind] = true;
                    }
                }
            }
        }
        for (unsigned kind = 0; kind < 2; ++kind) {
            if (have[kind]) {
                columns[kind][counts[kind]] = static_cast<unsigned char>(widestColumns[kind]);
                lineOf[kind][counts[kind]] = static_cast<unsigned short>(j);
                lefts[kind][counts[kind]] = left[kind];
                rights[kind][counts[kind]++] = right[kind];
            }
        }
    }
    farPairs += far[0];
    looseFarPairs = far[1];
    looseCount =
        KeepMicroColumn(lefts[1], rights[1], lineOf[1], columns[1], counts[1], besideBars, ux, uy, keptColumns[1]);
    return KeepMicroColumn(lefts[0], rights[0], lineOf[0], columns[0], counts[0], besideBars, ux, uy, keptColumns[0]);
}

bool PDFRowReader::ReadMicroLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns,
                                 float skew, bool inverted, LineRead& line)
{
    line.address[0] = line.address[1] = line.address[2] = 0;
    for (unsigned k = 0; k < columns; ++k) {
        line.value[k] = 0xFFFF;
    }
    float const width = std::hypot(q[0] - p[0], q[1] - p[1]);
    if (!(width > 1.0f)) {
        return false;
    }
    float const total = kWidths[columns - 1];
    float const centerAt = columns == 3 ? 17.0f : 34.0f;
    float const m = width / total;
    float const root = std::sqrt(skew);
    // Room for the side patterns at the larger of the two ends' modules.
    float const margin = 12.0f * m * (root > 1 ? root : 1 / root);
    float perSample = 0;
    bool firstDark = false;
    unsigned const edges = SampleRow(image, p, q, width, margin, inverted, perSample, firstDark);
    float const* e = b_->edges;
    // `at` modules from P in samples, under the perspective the edge columns tell.
    auto position = [&](float at) { return (margin + width * Foreshorten(at / total, root)) / perSample; };
    // The window of `runs` runs whose first bar begins nearest to `at` modules from P.
    auto window = [&](float at, unsigned runs, float modules, float* w) {
        float const expected = position(at);
        float const span = position(at + modules) - expected;
        unsigned best = edges;
        float bestDistance = 0.3f * span;
        for (unsigned j = firstDark ? 0 : 1; j + runs < edges; j += 2) {
            float const d = Abs(e[j] - expected);
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
        }
        if (best >= edges || Abs(e[best + runs] - e[best] - span) > 0.2f * span) {
            return false;
        }
        for (unsigned n = 0; n < runs; ++n) {
            w[n] = e[best + n + 1] - e[best + n];
        }
        return true;
    };
    float w[8];
    if (window(-10.0f, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[0] = static_cast<unsigned char>(n <= 52 ? n : 0);
    }
    if (window(total, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[2] = static_cast<unsigned char>(n <= 52 ? n : 0);
    }
    if (columns >= 3 && window(centerAt, 6, 10.0f, w)) {
        unsigned const n = DecodeRowAddress(w);
        line.address[1] = static_cast<unsigned char>(n > 64 && n != 255 ? n - 64 : 0);
    }
    bool anyRead = false;
    for (unsigned k = 0; k < columns; ++k) {
        unsigned value = 0;
        unsigned cluster = 0;
        if (window(kOffsets[columns - 1][k], 8, 17.0f, w) && DecodeCharacter(w, value, cluster)) {
            line.value[k] = static_cast<unsigned short>(value);
            line.cluster[k] = static_cast<unsigned char>(cluster);
            anyRead = true;
        }
    }
    return anyRead;
}

unsigned PDFRowReader::PickMicroVersion(unsigned lines, unsigned columns, bool componentSizes)
{
    // The version whose columns take the most of the pattern numbers seen,
    // counting first the lines whose left (or center) and right numbers name
    // the same row (sizes that share numbers differ in where the right column
    // starts; a tall size takes nearly every number, a misread one too).
    unsigned bestPairs = 0;
    unsigned bestVotes = 0;
    unsigned best = MicroPDFVersionTable::kCount;
    // Three columns and no left pattern read on any line: a CC-A, whose
    // numbers a tall MicroPDF417 size would take as well, sheared rows
    // pairing on few lines.
    bool leftSeen = false;
    for (unsigned i = 0; i < lines && !leftSeen; ++i) {
        leftSeen = b_->lines[i].address[0] != 0;
    }
    bool const ccAOnly = componentSizes && columns == 3 && !leftSeen;
    for (unsigned v = 0; v < MicroPDFVersionTable::kCount; ++v) {
        MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[v];
        if (element.columns != columns || (element.ccA != 0 && !componentSizes) || (element.ccA == 0 && ccAOnly)) {
            continue;
        }
        unsigned votes = 0;
        unsigned pairs = 0;
        for (unsigned i = 0; i < lines; ++i) {
            int row[3] = {-1, -1, -1};
            for (unsigned p = 0; p < 3; ++p) {
                unsigned const n = b_->lines[i].address[p];
                if (n == 0) {
                    continue;
                }
                unsigned const start = MicroPDFVersionTable::CalcColumnStart(
                    element, static_cast<MicroPDFVersionTable::FinderPosition>(p));
                unsigned const r = (n + 52 - start) % 52;
                if (r < element.rows) {
                    row[p] = static_cast<int>(r);
                    ++votes;
                }
            }
            // A three-column CC-A has no left column: its center one is
            // paired with the right.
            int const other = row[0] >= 0 ? row[0] : row[1];
            if (other >= 0 && row[2] >= 0 && (other - row[2] <= 2 && row[2] - other <= 2)) {
                ++pairs;
            }
        }
        bool const better =
            best >= MicroPDFVersionTable::kCount || pairs > bestPairs ||
            (pairs == bestPairs && (votes > bestVotes ||
                                    (votes == bestVotes && element.rows < MicroPDFVersionTable::table[best].rows)));
        if (better && (pairs > 0 || votes > 0)) {
            bestPairs = pairs;
            bestVotes = votes;
            best = v;
        }
    }
    if (best >= MicroPDFVersionTable::kCount) {
        return best;
    }
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    // A three-column CC-A has no left column: its rows are told on the left
    // from its center column.
    bool const noLeft = element.ccA != 0 && element.columns == 3;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = b_->lines[i];
        for (unsigned side = 0; side < 2; ++side) {
            unsigned const p = side == 1 ? 2 : noLeft ? 1 : 0;
            unsigned const n = line.address[p];
            unsigned const start =
                MicroPDFVersionTable::CalcColumnStart(element, static_cast<MicroPDFVersionTable::FinderPosition>(p));
            unsigned const r = (n + 52 - start) % 52;
            line.row[side] = static_cast<short>(n != 0 && r < element.rows ? static_cast<int>(r) : -1);
        }
    }
    return best;
}

bool PDFRowReader::CarryRowsToEnds(unsigned lines, unsigned rows)
{
    // Under perspective a line laid between the columns crosses the rows at
    // a slant: the row at its left end is not the one at the center column
    // but lies on past it, half as far again as the right column's row
    // (the center pattern's middle is 22 modules from the row's start, the
    // right one's 44 further on). The rows on either side as straight lines
    // over the lines' fractions, misreads left out.
    float fraction[kMaxLines];
    float rowOf[kMaxLines];
    bool use[kMaxLines];
    float a[2] = {0, 0};
    float b[2] = {0, 0};
    for (unsigned side = 0; side < 2; ++side) {
        unsigned used = 0;
        for (unsigned i = 0; i < lines; ++i) {
            fraction[i] = b_->lines[i].fraction;
            rowOf[i] = static_cast<float>(b_->lines[i].row[side]);
            use[i] = b_->lines[i].row[side] >= 0;
        }
        bool ok = true;
        for (int round = 0; round < 3 && ok; ++round) {
            ok = FitLine(fraction, rowOf, use, lines, a[side], b[side]);
            float const limit = round == 0 ? 2.0f : 1.0f;
            used = 0;
            for (unsigned i = 0; i < lines && ok; ++i) {
                use[i] = rowOf[i] >= 0 && Abs(rowOf[i] - (a[side] + b[side] * fraction[i])) <= limit;
                used += use[i] ? 1u : 0u;
            }
        }
        if (!ok || used < 3) {
            return false;
        }
    }
    for (unsigned i = 0; i < lines; ++i) {
        float const f = b_->lines[i].fraction;
        float const center = a[0] + b[0] * f;
        float const right = a[1] + b[1] * f;
        float const at[2] = {center - (right - center) * 0.5f, center + (right - center) * (39.0f / 44.0f)};
        for (unsigned side = 0; side < 2; ++side) {
            long const r = std::lround(at[side]);
            b_->lines[i].row[side] = static_cast<short>(r >= 0 && r < static_cast<long>(rows) ? r : -1);
        }
    }
    return true;
}

bool PDFRowReader::ReadMicro(GrayImage const& image, Area const& area, bool inverted, bool backward,
                             bool componentSizes, float maxRatio, unsigned& farPairs, unsigned& version,
                             unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount,
                             float corners[8])
{
    float lt[2], lb[2], rt[2], rb[2];
    float leftModule = 0;
    float rightModule = 0;
    // Pairs with data read on both sides first; when those give no columns
    // (blur), pairs with data on one side.
    unsigned looseCount = 0;
    unsigned looseFarPairs = 0;
    unsigned hitColumns[2] = {0, 0};
    unsigned const count = CollectMicroHits(image, area, inverted, backward, maxRatio, componentSizes, farPairs,
                                            looseCount, looseFarPairs, hitColumns);
    unsigned pairedColumns = hitColumns[0];
    if (!FitColumn(b_->left, count, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule) ||
        !FitColumn(b_->right, count, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule)) {
        pairedColumns = hitColumns[1];
        farPairs += looseFarPairs;
        if (!FitColumn(b_->spareLeft, looseCount, area, backward, lt[0], lt[1], lb[0], lb[1], leftModule) ||
            !FitColumn(b_->spareRight, looseCount, area, backward, rt[0], rt[1], rb[0], rb[1], rightModule)) {
            return false;
        }
    }
    Join(lt, lb, rt, rb);
    float const module = (leftModule + rightModule) / 2;
    float const skew = Skew(leftModule, rightModule);
    float const midWidth =
        std::hypot((rt[0] + rb[0] - lt[0] - lb[0]) / 2, (rt[1] + rb[1] - lt[1] - lb[1]) / 2) /
        std::sqrt(leftModule * rightModule);
    // A CC-A's three columns are told by its center pattern: its span to the
    // right one, read in their mean module, runs long under perspective
    // (the row's first character, where the module is largest, lies
    // beyond it).
    unsigned const columns = componentSizes && pairedColumns == 3 ? 3 : MicroColumns(midWidth);
    if (columns == 0) {
        return false;
    }
    float const total = kWidths[columns - 1];
    float const lengthLeft = std::hypot(lb[0] - lt[0], lb[1] - lt[1]);
    float const lengthRight = std::hypot(rb[0] - rt[0], rb[1] - rt[1]);
    unsigned lines = static_cast<unsigned>((lengthLeft > lengthRight ? lengthLeft : lengthRight) * 1.5f) + 2;
    lines = lines > kMaxLines ? kMaxLines : lines;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = b_->lines[i];
        line.fraction =
        -kOvershoot + (1.0f + 2.0f * kOvershoot) * (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
        line.row[0] = line.row[1] = -1;
        float const f = line.fraction;
        float const p[2] = {lt[0] + f * (lb[0] - lt[0]), lt[1] + f * (lb[1] - lt[1])};
        float const q[2] = {rt[0] + f * (rb[0] - rt[0]), rt[1] + f * (rb[1] - rt[1])};
        ReadMicroLine(image, p, q, columns, skew, inverted, line);
    }
    unsigned const best = PickMicroVersion(lines, columns, componentSizes);
    if (best >= MicroPDFVersionTable::kCount) {
        return false;
    }
    version = best;
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    float across[4];
    for (unsigned k = 0; k < columns; ++k) {
        across[k] = (kOffsets[columns - 1][k] + 8.5f + 5.0f) / (total + 10.0f);
    }
    int const clusterShift = (element.start - 1) % 3;
    // A CC-A without a left column, its rows carried to the lines' ends, is
    // read along its rows alone: the lines laid between its columns cross
    // them at a slant under perspective, each character read there takes
    // in two rows and now and then passes for one of them, a vote that
    // outweighs the rows' own.
    bool const carried = element.ccA != 0 && columns == 3 && CarryRowsToEnds(lines, element.rows);
    if (carried) {
        for (unsigned c = 0; c < static_cast<unsigned>(element.rows) * columns; ++c) {
            for (unsigned slot = 0; slot < kSlots; ++slot) {
                b_->cells[c].count[slot] = 0;
            }
        }
    } else if (!VoteCells(lines, element.rows, columns, 0, clusterShift, across)) {
        return false;
    }
    // The modules of a CC-A without a left column were measured on its
    // center and right patterns, 22 and 66 modules from a row's start, and
    // its rows are read from 0 to 61: under perspective the root of a
    // module's reciprocal runs straight along a row, to the ends.
    float rowSkew = skew;
    if (carried && leftModule > 0 && rightModule > 0) {
        float const center = 1 / std::sqrt(leftModule);
        float const right = 1 / std::sqrt(rightModule);
        float const start = center - (right - center) * 0.5f;
        float const end = center + (right - center) * (39.0f / 44.0f);
        rowSkew = start > 0 && end > 0 ? Skew(1 / (start * start), 1 / (end * end)) : skew;
    }
    VoteRows(image, inverted, true, columns, element.rows, columns, 0, clusterShift, lt, lb, rt, rb, rowSkew, lines);
    TallyCells(static_cast<unsigned>(element.rows) * columns, codewords, erasures, erasureCount);
    SetCorners(lt, lb, rt, rb, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy, 10.0f * module, corners);
    return true;
}

}  // namespace DEC2DIvra

namespace DEC2DIvra {

bool PDFRowReader::LayMicroLines(GrayImage const& image, QuadMap const& map, unsigned columns, bool inverted,
                                 unsigned lines, bool score, unsigned& reads, unsigned* characters)
{
    float const total = kWidths[columns - 1];
    // The ink runs from the left pattern's first bar to the stop bar's end.
    float const width = total + 21.0f;
    float const from = 10.0f / width;
    float const to = (10.0f + total) / width;
    reads = 0;
    for (unsigned i = 0; i < lines; ++i) {
        LineRead& line = score ? b_->rowLine : b_->lines[i];
        float const v = (static_cast<float>(i) + 0.5f) / static_cast<float>(lines);
        line.fraction = v;
        line.row[0] = line.row[1] = -1;
        float p[2];
        float q[2];
        map.At(from, v, p);
        map.At(to, v, q);
        float const near = map.ScaleAlong(from, v);
        float const skew = Skew(near, map.ScaleAlong(to, v));
        ReadMicroLine(image, p, q, columns, skew, inverted, line);
        reads += (line.address[0] != 0 ? 1u : 0u) + (line.address[2] != 0 ? 1u : 0u) +
                 (line.address[1] != 0 ? 1u : 0u);
        for (unsigned k = 0; characters != nullptr && k < columns; ++k) {
            *characters += line.value[k] != 0xFFFF ? 1u : 0u;
        }
    }
    return reads > 0;
}

void PDFRowReader::RankOutlineChoices(GrayImage const& image, bool inverted)
{
    // Which sides are the row address columns, and which way the rows read,
    // the outline does not tell; nor how many columns lie between: the turn
    // and count whose lines read the most row address patterns. A few lines
    // tell them apart.
    Outline& o = outline_;
    float ink[8];
    MicroPdfOutline::Offset(o.ink, kOutlineOffsets[0], ink);
    for (unsigned turn = 0; turn < 4; ++turn) {
        float turned[8];
        for (unsigned c = 0; c < 8; ++c) {
            turned[c] = ink[(2 * turn + c) % 8];
        }
        QuadMap map;
        if (!map.Set(turned)) {
            continue;
        }
        for (unsigned columns = 1; columns <= 4; ++columns) {
            unsigned reads = 0;
            unsigned characters = 0;
            LayMicroLines(image, map, columns, inverted, kOutlineScoreLines, true, reads, &characters);
            // Characters read where a count places them tell the counts apart
            // (the side patterns read at nearly any).
            unsigned const score = reads + characters;
            unsigned at = o.choiceCount++;
            for (; at > 0 && o.choices[at - 1].score < score; --at) {
                o.choices[at] = o.choices[at - 1];
            }
            o.choices[at] = Outline::Choice{turn, columns, reads, score};
        }
    }
}

bool PDFRowReader::ReadMicroOutline(GrayImage const& image, Area const& area, bool inverted, unsigned attempt,
                                    unsigned& version, unsigned short* codewords, unsigned short* erasures,
                                    unsigned& erasureCount, float corners[8])
{
    // The outline and the ranking serve every rank of one area and polarity.
    Outline& o = outline_;
    if (!o.set || o.inverted != inverted || o.image != image.GetPixels() || o.cx != area.cx || o.cy != area.cy ||
        o.ux != area.ux || o.uy != area.uy) {
        o = Outline{};
        o.set = true;
        o.inverted = inverted;
        o.image = image.GetPixels();
        o.cx = area.cx, o.cy = area.cy, o.ux = area.ux, o.uy = area.uy;
        float const reach = area.nearHalfLength > 0 ? area.nearHalfLength : area.halfLength;
        bool found =
            MicroPdfOutline::Find(image, area.cx, area.cy, area.ux, area.uy, reach, area.halfHeight * kOutlineWiden,
                                  inverted, o.ink);
        // The located bars may be a part of the symbol, cut by the area's
        // sides: looked for again around what was found, with room to grow.
        for (unsigned round = 0; found && round < kOutlineRegrowths; ++round) {
            float low[2] = {o.ink[0], o.ink[1]};
            float high[2] = {o.ink[0], o.ink[1]};
            for (unsigned c = 1; c < 4; ++c) {
                for (unsigned k = 0; k < 2; ++k) {
                    low[k] = o.ink[2 * c + k] < low[k] ? o.ink[2 * c + k] : low[k];
                    high[k] = o.ink[2 * c + k] > high[k] ? o.ink[2 * c + k] : high[k];
                }
            }
            float const room = 0.3f * (high[0] - low[0] > high[1] - low[1] ? high[0] - low[0] : high[1] - low[1]);
            float grown[8];
            if (!MicroPdfOutline::Find(image, (low[0] + high[0]) / 2, (low[1] + high[1]) / 2, 1.0f, 0.0f,
                                       (high[0] - low[0]) / 2 + room, (high[1] - low[1]) / 2 + room, inverted,
                                       grown)) {
                break;
            }
            float moved = 0;
            for (unsigned c = 0; c < 8; ++c) {
                moved = Abs(grown[c] - o.ink[c]) > moved ? Abs(grown[c] - o.ink[c]) : moved;
                o.ink[c] = grown[c];
            }
            if (moved < 1.0f) {
                break;
            }
        }
        if (found) {
            RankOutlineChoices(image, inverted);
        }
    }
    unsigned const rank = attempt / kOutlineOffsetCount;
    if (rank >= o.choiceCount || o.choices[rank].reads < kOutlineMinReads) {
        return false;
    }
    float ink[8];
    MicroPdfOutline::Offset(o.ink, kOutlineOffsets[attempt % kOutlineOffsetCount], ink);
    Outline::Choice const* const choices = o.choices;
    unsigned const turn = choices[rank].turn;
    unsigned const columns = choices[rank].columns;
    float turned[8];
    for (unsigned c = 0; c < 8; ++c) {
        turned[c] = ink[(2 * turn + c) % 8];
    }
    QuadMap map;
    if (!map.Set(turned)) {
        return false;
    }
    float const tall = std::hypot(turned[6] - turned[0], turned[7] - turned[1]);
    float const tallRight = std::hypot(turned[4] - turned[2], turned[5] - turned[3]);
    unsigned lines = static_cast<unsigned>((tall > tallRight ? tall : tallRight) * 2.0f) + 2;
    lines = lines > kMaxLines ? kMaxLines : (lines < 16 ? 16 : lines);
    unsigned reads = 0;
    if (!LayMicroLines(image, map, columns, inverted, lines, false, reads)) {
        return false;
    }
    unsigned const best = PickMicroVersion(lines, columns, false);
    if (best >= MicroPDFVersionTable::kCount) {
        return false;
    }
    version = best;
    MicroPDFVersionTable::Element const& element = MicroPDFVersionTable::table[best];
    float const total = kWidths[columns - 1];
    float across[4];
    for (unsigned k = 0; k < columns; ++k) {
        across[k] = (kOffsets[columns - 1][k] + 8.5f + 5.0f) / (total + 10.0f);
    }
    int const clusterShift = (element.start - 1) % 3;
    if (!VoteCells(lines, element.rows, columns, 0, clusterShift, across)) {
        return false;
    }
    // Each row read again along its own line, as the map places it.
    float const width = total + 21.0f;
    float const from = 10.0f / width;
    float const to = (10.0f + total) / width;
    static constexpr float kWithin[3] = {-0.25f, 0.0f, 0.25f};
    LineRead& line = b_->rowLine;
    for (unsigned row = 0; row < element.rows; ++row) {
        for (float const within : kWithin) {
            float const v = (static_cast<float>(row) + 0.5f + within) / static_cast<float>(element.rows);
            float p[2];
            float q[2];
            map.At(from, v, p);
            map.At(to, v, q);
            float const skew = Skew(map.ScaleAlong(from, v), map.ScaleAlong(to, v));
            if (!ReadMicroLine(image, p, q, columns, skew, inverted, line)) {
                continue;
            }
            for (unsigned c = 0; c < columns; ++c) {
                unsigned const value = line.value[c];
                if (value != 0xFFFF &&
                    ((static_cast<int>(row) + clusterShift) % 3 + 3) % 3 * 3 == line.cluster[c]) {
                    Vote(row * columns + c, value);
                }
            }
        }
    }
    TallyCells(static_cast<unsigned>(element.rows) * columns, codewords, erasures, erasureCount);
    for (unsigned c = 0; c < 8; ++c) {
        corners[c] = turned[c];
    }
    return true;
}

}  // namespace DEC2DIvra
