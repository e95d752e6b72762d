#include "decoder/legacy/maxicode/maxi_finder.h"

#include <cmath>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_finder_check.h"

MaxiFinderState finder_MX;

namespace {

using DEC2DIvra::GrayImage;

constexpr float kPi = 3.14159265f;
constexpr int kMaxSamples = 2048;
constexpr int kMaxRuns = 512;
constexpr float kStep = 0.5f;  // pixels between line samples
// Outer ring radius over ring width: eleven runs span the bull's-eye.
constexpr float kRingsAcross = 11.0f;
constexpr int kMaxTried = 16;
// Outer over inner edge radius of the outermost dark ring.
constexpr float kOuterOverInner = 4.5145f / 3.7274f;
// A whole scan line cut into runs: its threshold window, and how many ring
// patterns on it the check measures at most.
constexpr float kLineWindow = 16.0f;
constexpr int kMaxLineChecks = 8;

GrayImage g_image;

// Where a line is cut into runs: at the mid-range of the grey about each
// sample, or at its mean. Blur leaves a bull's-eye's rings shallow beside
// the data's full swing, which pulls the mid-range off them and squeezes
// the light rings; their mean stays between them.
enum class Cut { kMidRange, kMean };
Cut g_cut = Cut::kMidRange;

// Bull's-eyes already checked in this image: centre and ring width.
struct Tried {
    float x[kMaxTried];
    float y[kMaxTried];
    float ring[kMaxTried];
    int count;
};
Tried g_tried;

// A line cut into runs of one colour (distances from its start, pixels).
struct LineRuns {
    float x0;
    float y0;
    float dx;
    float dy;
    float start[kMaxRuns];
    float end[kMaxRuns];
    bool dark[kMaxRuns];
    int count;
};

LineRuns g_line;

// Samples the line from (x0, y0) in direction (dx, dy) over `length` pixels and
// cuts it at the mid-range of a window of `window` pixels about each sample.
// False when the line has no contrast of at least `contrast`.
bool Scan(float x0, float y0, float dx, float dy, float length, float window, float contrast, LineRuns& line)
{
    static float grey[kMaxSamples];
    static float threshold[kMaxSamples];
    float const longest = (kMaxSamples - 1) * kStep;
    length = length < longest ? length : longest;
    window = window < longest ? window : longest;
    int const n = length > 0 ? static_cast<int>(length / kStep) + 1 : 0;
    line.x0 = x0;
    line.y0 = y0;
    line.dx = dx;
    line.dy = dy;
    line.count = 0;
    if (n < 8) {
        return false;
    }
    float low = 1023;
    float high = 0;
    for (int i = 0; i < n; ++i) {
        grey[i] = MaxiGrey(g_image, x0 + dx * i * kStep, y0 + dy * i * kStep);
        low = grey[i] < low ? grey[i] : low;
        high = grey[i] > high ? grey[i] : high;
    }
    if (high - low < contrast) {
        return false;
    }
    int const half = static_cast<int>(window / kStep / 2) + 1;
    float last = (low + high) / 2;
    for (int i = 0; i < n; ++i) {
        int const from = i - half < 0 ? 0 : i - half;
        int const to = i + half < n ? i + half : n - 1;
        float lo = 1023;
        float hi = 0;
        float sum = 0;
        for (int k = from; k <= to; ++k) {
            lo = grey[k] < lo ? grey[k] : lo;
            hi = grey[k] > hi ? grey[k] : hi;
            sum += grey[k];
        }
        // Where the window is plain, keep the last level.
        float const level = g_cut == Cut::kMean ? sum / static_cast<float>(to - from + 1) : (lo + hi) / 2;
        last = hi - lo >= contrast ? level : last;
        threshold[i] = last;
    }
    bool dark = grey[0] <= threshold[0];
    line.start[0] = 0;
    line.dark[0] = dark;
    for (int i = 1; i < n; ++i) {
        bool const d = grey[i] <= threshold[i];
        if (d == dark) {
            continue;
        }
        float const a = grey[i - 1] - threshold[i];
        float const b = grey[i] - threshold[i];
        // The threshold moves between samples: keep the crossing between them.
        float const raw = a == b ? 0.5f : a / (a - b);
        float const fraction = raw < 0 ? 0 : (raw > 1 ? 1 : raw);
        float const at = (static_cast<float>(i - 1) + fraction) * kStep;
        if (line.count + 1 >= kMaxRuns) {
            break;
        }
        line.end[line.count] = at;
        ++line.count;
        line.start[line.count] = at;
        line.dark[line.count] = d;
        dark = d;
    }
    line.end[line.count] = static_cast<float>(n - 1) * kStep;
    ++line.count;
    return true;
}

// The rings about run k. The centre spot (light, or dark on a light-on-dark
// symbol) is about one and a half ring widths across, blur shrinking it to
// half a ring width (a spot fades faster than a ring); blur may also merge it into
// the first ring, leaving one run of three and a half. Beside the centre lie
// four or three runs of similar widths each way; the outermost ring may run
// into dark modules beyond it, so only its start counts. Answers the mean
// ring width and the outer ends of the rings, 0 when the runs do not fit.
float RingWindow(LineRuns const& line, int k, bool inverted, float& near, float& far)
{
    bool const spot = line.dark[k] == inverted;
    int const side = spot ? 4 : 3;
    if (k < side + 1 || k + side + 1 >= line.count) {
        return 0;
    }
    float const centre = line.end[k] - line.start[k];
    float const mean = (line.end[k + side] - line.start[k - side] - centre) / (2 * side);
    if (mean <= 0.5f) {
        return 0;
    }
    for (int i = k - side; i <= k + side; ++i) {
        float const w = line.end[i] - line.start[i];
        // Blur squeezes the outermost light ring between the outer dark
        // ring and the dark modules beyond it.
        float const least = i == k - side || i == k + side ? 0.25f : 0.5f;
        if (i != k && (w < least * mean || w > 1.6f * mean)) {
            return 0;
        }
    }
    float const outer = 0.5f * mean;
    bool const outerFit = line.end[k - side - 1] - line.start[k - side - 1] > outer &&
                          line.end[k + side + 1] - line.start[k + side + 1] > outer;
    // Through the middle the rings lie alike on both sides of the centre run.
    float const before = line.start[k] - line.start[k - side];
    float const after = line.end[k + side] - line.end[k];
    bool const even = std::fabs(before - after) < 0.6f * mean;
    bool const centreFits = spot ? centre > 0.45f * mean && centre < 2.6f * mean
                                 : centre > 2.5f * mean && centre < 4.6f * mean;
    if (!outerFit || !even || !centreFits) {
        return 0;
    }
    near = line.start[k - side] - mean;
    far = line.end[k + side] + mean;
    return mean;
}

// The ring window whose centre run lies nearest to distance `at` along the
// line (within `reach`): its centre and outer ends, distances along the line.
bool FindRings(LineRuns const& line, float at, float reach, bool inverted, float& centre, float& near, float& far)
{
    float best = reach;
    bool found = false;
    for (int k = 4; k + 4 < line.count; ++k) {
        float const middle = (line.start[k] + line.end[k]) / 2;
        float n;
        float f;
        if (std::fabs(middle - at) < best && RingWindow(line, k, inverted, n, f) > 0) {
            best = std::fabs(middle - at);
            centre = middle;
            near = n;
            far = f;
            found = true;
        }
    }
    return found;
}

// Measures the rings on the line through (x, y) at `angle` degrees: the
// centre moved onto the line's ring centre, and the two half-extents.
bool Measure(float& x, float& y, float angle, float ring, bool inverted, float& minus, float& plus)
{
    float const dx = std::cos(angle * kPi / 180);
    float const dy = std::sin(angle * kPi / 180);
    float const half = 20 * ring;
    float const contrast = 30;
    if (!Scan(x - dx * half, y - dy * half, dx, dy, 2 * half, 6 * ring, contrast, g_line)) {
        return false;
    }
    float centre;
    float near;
    float far;
    if (!FindRings(g_line, half, 3 * ring, inverted, centre, near, far)) {
        return false;
    }
    x = g_line.x0 + dx * centre;
    y = g_line.y0 + dy * centre;
    minus = centre - near;
    plus = far - centre;
    return true;
}

// Expected half-extent of the ring ellipse (axis half-extents a, b) at an angle.
float EllipseRadius(float a, float b, float angle)
{
    float const c = std::cos(angle * kPi / 180);
    float const s = std::sin(angle * kPi / 180);
    return 1 / std::sqrt(c * c / (a * a) + s * s / (b * b));
}

bool TriedBefore(float x, float y)
{
    for (int i = 0; i < g_tried.count; ++i) {
        if (std::fabs(x - g_tried.x[i]) < g_tried.ring[i] && std::fabs(y - g_tried.y[i]) < g_tried.ring[i]) {
            return true;
        }
    }
    return false;
}

void Remember(float x, float y, float ring)
{
    int const slot = g_tried.count < kMaxTried ? g_tried.count++ : kMaxTried - 1;
    g_tried.x[slot] = x;
    g_tried.y[slot] = y;
    g_tried.ring[slot] = ring;
}

// The outer ring edge every 10 degrees; at most four directions may fail,
// and the outline must turn smoothly (no notch).
bool TraceOutline(MaxiFinderState& f)
{
    MaxiBullsEye const& e = f.eye;
    int failures = 0;
    float reference = -1;
    for (int d = 0; d < 36; ++d) {
        float const angle = static_cast<float>(10 * d);
        float const dx = std::cos(angle * kPi / 180);
        float const dy = std::sin(angle * kPi / 180);
        float const expected = EllipseRadius(dx > 0 ? e.right : e.left, dy > 0 ? e.bottom : e.top, angle);
        float radius = -1;
        float const ring = 2 * expected / kRingsAcross;
        if (Scan(e.x, e.y, dx, dy, 1.3f * expected, 6 * ring, 30, g_line) && g_line.count >= 6) {
            // The outer ring's inner edge (its outer edge may touch dark
            // modules), four edges out, or three when the centre spot is
            // blurred into the first ring.
            radius = g_line.end[g_line.dark[0] == e.inverted ? 4 : 3] * kOuterOverInner;
        }
        bool const fits = radius > 0 && radius > 0.8f * expected && radius < 1.2f * expected &&
                          (reference < 0 || (radius > 0.8f * reference && radius < 1.2f * reference));
        if (fits) {
            reference = radius;
        } else {
            radius = -1;
            if (++failures > 4) {
                f.completeOutline = 0;
                return false;
            }
        }
        f.radii[d] = radius;
    }
    // Chords of four consecutive outline points turn by at most 69 degrees.
    for (int d = 0; d < 36; ++d) {
        int const i[4] = {(d + 34) % 36, (d + 35) % 36, d, (d + 1) % 36};
        float px[4];
        float py[4];
        bool valid = true;
        for (int k = 0; k < 4; ++k) {
            float const r = f.radii[i[k]];
            valid = valid && r > 0;
            px[k] = r * std::cos(10.0f * i[k] * kPi / 180);
            py[k] = r * std::sin(10.0f * i[k] * kPi / 180);
        }
        if (!valid) {
            continue;
        }
        float const a1 = std::atan2(py[1] - py[0], px[1] - px[0]);
        float const a2 = std::atan2(py[3] - py[2], px[3] - px[2]);
        float const turn = std::fabs(std::remainder(a2 - a1, 2 * kPi));
        if (turn > 69 * kPi / 180) {
            f.failed = 1;
            f.completeOutline = 0;
            return false;
        }
    }
    f.completeOutline = 1;
    return true;
}

// Measures the bull's-eye of one polarity about a candidate centre: across
// the scan line near the candidate (a line that caught the rings off their
// middle puts its centre run aside), along it, and across once more, each
// pass moving the centre onto the rings' middle; then four turned lines must
// mostly agree with the ellipse so found.
bool MeasureEye(float& x, float& y, float ring, bool inverted, float& left, float& right, float& top, float& bottom)
{
    bool found = false;
    float const step = ring / 2;
    for (int k = 0; k <= 12 && !found; ++k) {
        float const shift = static_cast<float>((k + 1) / 2) * ((k & 1) != 0 ? step : -step);
        float tx = x + shift;
        float ty = y;
        if (Measure(tx, ty, 90, ring, inverted, top, bottom)) {
            x = tx;
            y = ty;
            found = true;
        }
    }
    if (!found) {
        return false;
    }
    ring = (top + bottom) / kRingsAcross;
    if (!Measure(x, y, 0, ring, inverted, left, right)) {
        return false;
    }
    ring = (left + right) / kRingsAcross;
    if (!Measure(x, y, 90, ring, inverted, top, bottom) || !Measure(x, y, 0, ring, inverted, left, right)) {
        return false;
    }
    float const a = (left + right) / 2;
    float const b = (top + bottom) / 2;
    ring = (a + b) / kRingsAcross;
    int passed = 0;
    for (float angle : {15.0f, -15.0f, 30.0f, -30.0f}) {
        float tx = x;
        float ty = y;
        float minus;
        float plus;
        if (Measure(tx, ty, angle, ring, inverted, minus, plus)) {
            float const expected = 2 * EllipseRadius(a, b, angle);
            float const width = minus + plus;
            bool const centred = std::fabs(tx - x) < 1.5f * ring && std::fabs(ty - y) < 1.5f * ring;
            passed += centred && width > 0.8f * expected && width < 1.2f * expected ? 1 : 0;
        }
    }
    return passed >= 3;
}

int CheckAt(float x0, float y0, float estimate);

}  // namespace

GrayImage MaxiFrame()
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return GrayImage(info.sampleWidth, info.sampleHeight, info.sampleWidth + info.sampleRowPadding,
                     info.samplePixels);
}

void ResetMaxiTried()
{
    g_tried.count = 0;
    MX_try_cnt = 0;
    line_try_cnt_MX = 0;
}

void PublishMaxiFinderCheck()
{
    MaxiPattern const& p = MX_pattern;
    MaxiCheckState const& c = finder_check_MX;
    MaxiFinderState& f = finder_MX;
    // Pixel centres at +0.5, as the line samples lie.
    float const x = static_cast<float>(p.x[1] + p.x[2]) / 512 + 0.5f;
    float const y = static_cast<float>(p.y[1] + p.y[2]) / 512 + 0.5f;
    f.eye = {x,
             y,
             static_cast<float>(p.halfLeft) / 256,
             static_cast<float>(p.halfRight) / 256,
             static_cast<float>(p.halfTop) / 256,
             static_cast<float>(p.halfBottom) / 256,
             false};
    f.ringX = static_cast<float>(p.x[3] - p.x[0]) / 256 / kRingsAcross;
    f.ringY = static_cast<float>(p.y[3] - p.y[0]) / 256 / kRingsAcross;
    for (int d = 0; d < 36; ++d) {
        f.radii[d] = c.radii[d] < 0 ? -1.0f : static_cast<float>(c.radii[d]) / 16;
    }
    for (int k = 0; k < 4; ++k) {
        f.cornerX[k] = c.cornerX[k];
        f.cornerY[k] = c.cornerY[k];
    }
    f.completeOutline = c.complete;
    f.failed = c.failed;
    Remember(x, y, (f.ringX + f.ringY) / 2);
}

int CheckBullsEyeByEllipse(int* runs, int count, POINT_st* first, POINT_st* last, int convention)
{
    bool const countFits = convention == 1 ? (count == 3 || count == 5 || count == 7 || count == 9)
                                           : (count == 5 || count == 7 || count == 9 || count == 11);
    g_image = MaxiFrame();
    if (!countFits || runs == nullptr || first == nullptr || last == nullptr || g_image.GetPixels() == nullptr ||
        g_image.GetWidth() <= 0 || g_image.GetHeight() <= 0) {
        return 129;
    }
    int const middle = count / 2;
    long before = 0;
    long total = 0;
    for (int i = 0; i < count; ++i) {
        if (runs[i] <= 0) {
            return 129;
        }
        before += i < middle ? runs[i] : 0;
        total += runs[i];
    }
    // The middle of the centre run, between the line's ends (the search's
    // lines may be slanted).
    float const along = (static_cast<float>(before) + runs[middle] / 2.0f) / static_cast<float>(total);
    float const x0 = static_cast<float>(first->x) + 0.5f + along * static_cast<float>(last->x - first->x);
    float const y0 = static_cast<float>(first->y) + 0.5f + along * static_cast<float>(last->y - first->y);
    float const estimate = static_cast<float>(total) / 32 / static_cast<float>(count);
    if (estimate < 1.0f) {
        return 129;
    }
    return CheckAt(x0, y0, estimate);
}

int MX_check_line(POINT_st const* start, POINT_st const* end)
{
    g_image = MaxiFrame();
    if (start == nullptr || end == nullptr || g_image.GetPixels() == nullptr || g_image.GetWidth() <= 0 ||
        g_image.GetHeight() <= 0) {
        return 129;
    }
    float const x0 = static_cast<float>(start->x) + 0.5f;
    float const y0 = static_cast<float>(start->y) + 0.5f;
    float const dx = static_cast<float>(end->x - start->x);
    float const dy = static_cast<float>(end->y - start->y);
    float const length = std::sqrt(dx * dx + dy * dy);
    if (length < 8) {
        return 129;
    }
    // The check measures its own lines: keep this one's runs apart.
    static LineRuns sweep;
    int checks = 0;
    for (int pass = 0; pass < 4 && checks < kMaxLineChecks; ++pass) {
        bool const inverted = (pass & 1) == 1;
        g_cut = pass < 2 ? Cut::kMidRange : Cut::kMean;
        if (!Scan(x0, y0, dx / length, dy / length, length, kLineWindow, 30, sweep)) {
            continue;
        }
        for (int k = 0; k < sweep.count && checks < kMaxLineChecks; ++k) {
            float near;
            float far;
            float const ring = RingWindow(sweep, k, inverted, near, far);
            if (ring <= 0) {
                continue;
            }
            float const at = (sweep.start[k] + sweep.end[k]) / 2;
            float const x = x0 + dx / length * at;
            float const y = y0 + dy / length * at;
            if (point_in_valid_region(static_cast<int>(x), static_cast<int>(y)) == 0) {
                continue;
            }
            ++checks;
            if (CheckAt(x, y, ring) == 23) {
                return 23;
            }
        }
    }
    return 129;
}

namespace {

int CheckAt(float x0, float y0, float estimate)
{
    // Dark rings on light, else light rings on dark: each polarity measured
    // through to the outline, since the other's rings can pass for rings off
    // their middle; then both again with the lines cut at their mean grey.
    for (int pass = 0; pass < 4; ++pass) {
        bool const inverted = (pass & 1) == 1;
        g_cut = pass < 2 ? Cut::kMidRange : Cut::kMean;
        float x = x0;
        float y = y0;
        float top;
        float bottom;
        float left;
        float right;
        if (!MeasureEye(x, y, estimate, inverted, left, right, top, bottom)) {
            continue;
        }
        float const a = (left + right) / 2;
        float const b = (top + bottom) / 2;
        float const ring = (a + b) / kRingsAcross;
        if (TriedBefore(x, y)) {
            return 129;
        }
        MaxiFinderState& f = finder_MX;
        f.eye = {x, y, left, right, top, bottom, inverted};
        f.ringX = 2 * a / kRingsAcross;
        f.ringY = 2 * b / kRingsAcross;
        f.failed = 0;
        for (int k = 0; k < 4; ++k) {
            // Centre plus three half-extents out: the symbol's corners, roughly.
            f.cornerX[k] = static_cast<int>(x + ((k == 0 || k == 3) ? 3 * right : -3 * left));
            f.cornerY[k] = static_cast<int>(y + (k < 2 ? 3 * bottom : -3 * top));
        }
        if (TraceOutline(f)) {
            Remember(x, y, ring);
            return 23;
        }
    }
    return 129;
}

}  // namespace
