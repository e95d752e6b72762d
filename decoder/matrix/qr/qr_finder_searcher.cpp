#include "decoder/matrix/qr/qr_finder_searcher.h"

#include <cmath>

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/matrix/qr/qr_finder_pattern.h"

namespace DEC2DIvra {

namespace {

constexpr int kMinContrast = 64;
constexpr float kPi = 3.14159265f;

unsigned Sample(GrayImage const& image, float x, float y, bool polarity)
{
    Point const p{static_cast<int>(std::lround(x * 256.0f)), static_cast<int>(std::lround(y * 256.0f))};
    unsigned const v = GeometryEx::GetLuminance(image, p, 8);
    return polarity ? GeometryEx::kMaxLuminance - v : v;
}

}  // namespace

int QRFinderSearcher::Start(GrayImage const& image, bool polarity, Point const& begin, Point const& end,
                            QRFinderRegion& found, unsigned blindRays) const
{
    int const dx = end.x - begin.x;
    int const dy = end.y - begin.y;
    int const steps = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
    if (steps < 7 || image.GetPixels() == nullptr) {
        return 0;
    }
    // One sample a pixel along the longer axis, at most kMaxSamples.
    unsigned short samples[kMaxSamples];
    unsigned low = GeometryEx::kMaxLuminance;
    unsigned high = 0;
    float const sx = static_cast<float>(dx) / static_cast<float>(steps);
    float const sy = static_cast<float>(dy) / static_cast<float>(steps);
    int count = steps + 1 < kMaxSamples ? steps + 1 : kMaxSamples;
    for (int i = 0; i < count; ++i) {
        float const x = static_cast<float>(begin.x) + sx * static_cast<float>(i);
        float const y = static_cast<float>(begin.y) + sy * static_cast<float>(i);
        // The segment ends where it leaves the frame.
        if (x < 0.0f || y < 0.0f || !image.IsInside(static_cast<int>(x), static_cast<int>(y))) {
            count = i;
            break;
        }
        samples[i] = static_cast<unsigned short>(Sample(image, x, y, false));
        low = samples[i] < low ? samples[i] : low;
        high = samples[i] > high ? samples[i] : high;
    }
    if (count < 7 || high < low + kMinContrast) {
        return 0;
    }
    unsigned const threshold = (low + high) / 2;
    auto dark = [&](int i) { return polarity ? samples[i] > threshold : samples[i] < threshold; };
    // The edge between samples i - 1 and i where the grey crosses the
    // threshold, in 1/256 of a step.
    auto edgeAt = [&](int i) {
        int const a = samples[i - 1];
        int const b = samples[i];
        int const t = static_cast<int>(threshold);
        int const fraction = a == b ? 128 : ((t - a) * 256) / (b - a);
        return (i - 1) * 256 + (fraction < 0 ? 0 : (fraction > 256 ? 256 : fraction));
    };
    QRFinderPartialScanData runs;
    CalcCenterBlackPointSubroutine const core;
    QRFinderPartialScanData::Run current;
    current.begin = 0;
    bool colour = dark(0);
    for (int i = 1; i <= count; ++i) {
        if (i < count && dark(i) == colour) {
            continue;
        }
        current.end = i < count ? edgeAt(i) : (count - 1) * 256;
        current.pixels = static_cast<unsigned>((current.end - current.begin + 128) / 256);
        // Only a run closed on both sides counts.
        if (current.begin > 0 && i < count) {
            runs.Push(current);
        } else {
            runs = QRFinderPartialScanData();
        }
        // Five runs ending in a dark one, the first dark too.
        if (colour == true && runs.GetCount() == 5 && runs.IsFinderPattern()) {
            int const middle = (runs[2].begin + runs[2].end) / 2;
            float const total = static_cast<float>(runs[4].end - runs[0].begin) / 256.0f;
            float const length = std::sqrt(sx * sx + sy * sy);
            float const module = total * length / 7.0f;
            float const cx = static_cast<float>(begin.x) + sx * static_cast<float>(middle) / 256.0f;
            float const cy = static_cast<float>(begin.y) + sy * static_cast<float>(middle) / 256.0f;
            // The window holds the core and the light ring around it.
            float const reach = module * 2.3f;
            Rectangle const window{static_cast<int>(std::lround(cx - reach)), static_cast<int>(std::lround(cy - reach)),
                                   static_cast<int>(std::lround(cx + reach)), static_cast<int>(std::lround(cy + reach))};
            Point centre;
            QRFinderRegion region;
            if (module >= 1.0f &&
                core.Start(image, window, static_cast<unsigned short>(threshold), polarity, centre) != 0 &&
                MeasureRegion(image, polarity, centre, module, region, blindRays) != 0) {
                found = region;
                return 1;
            }
        }
        if (i < count) {
            current.begin = current.end;
            colour = dark(i);
        }
    }
    return 0;
}

int QRFinderSearcher::MeasureRegion(GrayImage const& image, bool polarity, Point const& centre, float module,
                                    QRFinderRegion& region, unsigned blindRays) const
{
    if (module < 1.0f || image.GetPixels() == nullptr) {
        return 0;
    }
    float const cx = static_cast<float>(centre.x) / 256.0f;
    float const cy = static_cast<float>(centre.y) / 256.0f;
    unsigned const core = Sample(image, cx, cy, polarity);
    // The outer edge along each ray: dark core, light ring, dark ring, then
    // light; the threshold halfway between the core and the light ring.
    constexpr unsigned kRays = 64;
    float reach[kRays];
    float const limit = module * 7.0f;
    float const step = 0.25f;
    unsigned lightest = core;
    for (float t = 0.0f; t < module * 3.0f; t += step) {
        unsigned const v = Sample(image, cx + t, cy, polarity);
        lightest = v > lightest ? v : lightest;
    }
    if (lightest < core + kMinContrast) {
        return 0;
    }
    unsigned const threshold = (core + lightest) / 2;
    for (unsigned r = 0; r < kRays; ++r) {
        float const angle = 2.0f * kPi * static_cast<float>(r) / kRays;
        float const ux = std::cos(angle);
        float const uy = std::sin(angle);
        unsigned changes = 0;
        bool wasDark = true;
        reach[r] = -1.0f;
        for (float t = step; t < limit; t += step) {
            float const x = cx + ux * t;
            float const y = cy + uy * t;
            if (!image.IsInside(static_cast<int>(x), static_cast<int>(y))) {
                break;
            }
            bool const isDark = Sample(image, x, y, polarity) < threshold;
            if (isDark != wasDark) {
                wasDark = isDark;
                if (++changes == 3) {
                    reach[r] = t - step / 2.0f;
                    break;
                }
            }
        }
    }
    // Noise, blur or a speck on a faint finder can hide the outer edge from
    // a few rays: where the caller allows, a gap of at most three blind
    // rays takes the reach interpolated between the seeing rays either side
    // of it.
    constexpr unsigned kMaxGap = 3;
    unsigned blind = 0;
    unsigned seeing = kRays;
    for (unsigned r = 0; r < kRays; ++r) {
        if (reach[r] < 0.0f) {
            ++blind;
        } else {
            seeing = r;
        }
    }
    if (blind > blindRays || seeing == kRays) {
        return 0;
    }
    // From a seeing ray round the circle, each gap filled between its ends.
    for (unsigned i = 1; i <= kRays && blind > 0; ++i) {
        unsigned const r = (seeing + i) % kRays;
        if (reach[r] >= 0.0f) {
            unsigned const gap = i - 1;
            if (gap > kMaxGap) {
                return 0;
            }
            float const a = reach[seeing];
            float const b = reach[r];
            for (unsigned j = 1; j <= gap; ++j) {
                reach[(seeing + j) % kRays] =
                    a + (b - a) * static_cast<float>(j) / static_cast<float>(gap + 1);
            }
            seeing = r;
            i = 0;
            blind = blind > gap ? blind - gap : 0;
        }
    }
    // The outline's reach peaks at the four corners: its fourth harmonic
    // gives the turn.
    float c4 = 0.0f;
    float s4 = 0.0f;
    for (unsigned r = 0; r < kRays; ++r) {
        float const angle = 2.0f * kPi * static_cast<float>(r) / kRays;
        c4 += reach[r] * std::cos(4.0f * angle);
        s4 += reach[r] * std::sin(4.0f * angle);
    }
    float const cornerAngle = std::atan2(s4, c4) / 4.0f;
    // The side normals lie between the corners; their reach is the least.
    float normalX[4];
    float normalY[4];
    float half[4];
    for (unsigned k = 0; k < 4; ++k) {
        float const angle = cornerAngle + kPi / 4.0f + kPi / 2.0f * static_cast<float>(k);
        normalX[k] = std::cos(angle);
        normalY[k] = std::sin(angle);
        int const at = static_cast<int>(std::lround(angle / (2.0f * kPi) * kRays));
        float sum = 0.0f;
        for (int j = -1; j <= 1; ++j) {
            sum += reach[((at + j) % static_cast<int>(kRays) + static_cast<int>(kRays)) % kRays] *
                   std::cos(2.0f * kPi * static_cast<float>(j) / kRays);
        }
        half[k] = sum / 3.0f;
    }
    float const sizeA = (half[0] + half[2]) / 7.0f;
    float const sizeB = (half[1] + half[3]) / 7.0f;
    if (sizeA < 0.7f || sizeB < 0.7f || sizeA > sizeB * 2.0f || sizeB > sizeA * 2.0f) {
        return 0;
    }
    // Corner k' between normals k and k + 1; the corner up and left
    // (least x + y) becomes corner 0.
    Point corners[4];
    unsigned first = 0;
    float least = 0.0f;
    for (unsigned k = 0; k < 4; ++k) {
        unsigned const n = (k + 1) & 3;
        float const ma = (k & 1) == 0 ? sizeA : sizeB;
        float const mb = (n & 1) == 0 ? sizeA : sizeB;
        float const x = cx + normalX[k] * (half[k] - ma / 2.0f) + normalX[n] * (half[n] - mb / 2.0f);
        float const y = cy + normalY[k] * (half[k] - ma / 2.0f) + normalY[n] * (half[n] - mb / 2.0f);
        corners[k] = Point{static_cast<int>(std::lround(x * 256.0f)), static_cast<int>(std::lround(y * 256.0f))};
        if (k == 0 || x + y < least) {
            least = x + y;
            first = k;
        }
    }
    // Clockwise on the screen (y down) is the way the angles grow.
    for (unsigned k = 0; k < 4; ++k) {
        region.corner[k] = corners[(first + k) & 3];
    }
    region.size = static_cast<unsigned>(std::lround((sizeA + sizeB) * 3.0f * 256.0f));
    region.CalcMiddlePoints();
    return 1;
}

}  // namespace DEC2DIvra
