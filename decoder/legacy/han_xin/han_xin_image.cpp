#include "decoder/legacy/han_xin/han_xin_image.h"

#include <cmath>

#include "decoder/core/sampling/bilinear.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

namespace {

// Per-line scratch: the samples and their local minima and maxima.
int gSamples[kHanXinMaxLineSamples];
int gBlockMin[kHanXinMaxLineSamples / 8 + 2];
int gBlockMax[kHanXinMaxLineSamples / 8 + 2];

constexpr int kBlock = 8;

int At(HanXinImage const& image, int x, int y)
{
    x = x < 0 ? 0 : (x >= image.width ? image.width - 1 : x);
    y = y < 0 ? 0 : (y >= image.height ? image.height - 1 : y);
    return image.pixels[static_cast<long>(y) * image.pitch + x];
}

}  // namespace

HanXinImage GetHanXinImage()
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return HanXinImage{info.width, info.height, info.width + info.rowPadding, info.pixels};
}

int HanXinPixel(HanXinImage const& image, int x, int y)
{
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) {
        return 0;
    }
    int const grey = At(image, x, y);
    return image.inverted != 0 ? 1023 - grey : grey;
}

int HanXinGrey(HanXinImage const& image, double x, double y)
{
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) {
        return 0;
    }
    // Pixel centres sit at integer coordinates + 0.5.
    double const value =
        DEC2DIvra::Bilinear([&](int i, int j) { return static_cast<double>(At(image, i, j)); }, x - 0.5, y - 0.5);
    int const grey = static_cast<int>(value + 0.5);
    return image.inverted != 0 ? 1023 - grey : grey;
}

bool HanXinInside(HanXinImage const& image, double x, double y, double margin)
{
    return x >= margin && y >= margin && x <= image.width - margin && y <= image.height - margin;
}

bool HanXinSampleRuns(HanXinImage const& image, double x0, double y0, double x1, double y1, HanXinRuns* runs)
{
    double const length = std::hypot(x1 - x0, y1 - y0);
    int const n = static_cast<int>(length) + 1;
    if (n < 16 || n > kHanXinMaxLineSamples || image.pixels == nullptr) {
        return false;
    }
    runs->x0 = x0;
    runs->y0 = y0;
    runs->dx = (x1 - x0) / length;
    runs->dy = (y1 - y0) / length;
    runs->length = n - 1;
    // Rows and columns through pixel centres read the pixels themselves.
    bool const centred = std::fabs(x0 - std::floor(x0) - 0.5) < 1e-9 && std::fabs(y0 - std::floor(y0) - 0.5) < 1e-9;
    int const stepX = runs->dx == 1 ? 1 : runs->dx == -1 ? -1 : 0;
    int const stepY = runs->dy == 1 ? 1 : runs->dy == -1 ? -1 : 0;
    bool const straight = centred && (stepX == 0) != (stepY == 0);
    int const px = static_cast<int>(std::floor(x0));
    int const py = static_cast<int>(std::floor(y0));
    auto sample = [&](int i) {
        return straight ? HanXinPixel(image, px + stepX * i, py + stepY * i)
                        : HanXinGrey(image, x0 + runs->dx * i, y0 + runs->dy * i);
    };
    // Smoothed 1-2-1 against sensor noise.
    int previous = sample(0);
    int current = previous;
    for (int i = 0; i < n; ++i) {
        int const next = i + 1 < n ? sample(i + 1) : current;
        gSamples[i] = (previous + 2 * current + next + 2) / 4;
        previous = current;
        current = next;
    }
    int const blocks = (n + kBlock - 1) / kBlock;
    for (int b = 0; b < blocks; ++b) {
        int lo = 1 << 30;
        int hi = -1;
        for (int i = b * kBlock; i < n && i < (b + 1) * kBlock; ++i) {
            lo = gSamples[i] < lo ? gSamples[i] : lo;
            hi = gSamples[i] > hi ? gSamples[i] : hi;
        }
        gBlockMin[b] = lo;
        gBlockMax[b] = hi;
    }
    // Each sample is cut at the mid-range of the five blocks about it (about
    // 40 pixels); a plain stretch counts as light.
    runs->count = 0;
    bool dark = false;
    for (int i = 0; i < n; ++i) {
        int const b = i / kBlock;
        int lo = 1 << 30;
        int hi = -1;
        for (int j = b - 2; j <= b + 2; ++j) {
            if (j >= 0 && j < blocks) {
                lo = gBlockMin[j] < lo ? gBlockMin[j] : lo;
                hi = gBlockMax[j] > hi ? gBlockMax[j] : hi;
            }
        }
        int const threshold = (lo + hi + 1) / 2;
        bool const d = hi - lo >= kHanXinMinContrast && gSamples[i] < threshold;
        if (i == 0) {
            runs->dark0 = d;
            dark = d;
            continue;
        }
        if (d != dark) {
            // The edge lies where the line crosses the threshold between the samples.
            int const a = gSamples[i - 1];
            int const c = gSamples[i];
            double const t = a == c ? 0.5 : static_cast<double>(a - threshold) / (a - c);
            double const edge = i - 1 + (t < 0 ? 0 : t > 1 ? 1 : t);
            if (runs->count >= kHanXinMaxLineSamples - 1) {
                break;
            }
            runs->edges[runs->count++] = edge;
            dark = d;
        }
    }
    runs->edges[runs->count++] = runs->length;
    return true;
}
