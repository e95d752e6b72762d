#include "decoder/legacy/engine/legacy_scan_line.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_run_length.h"

DECODE_IMAGE_INFO_st decode_image_info{};

PICLINE_INFO MULTI_PicLineInfo{};
FILTER_INFO MULTI_FilterA{};
FILTER_INFO MULTI_FilterB{};
RUNLEN_OUT MULTI_RunlenA{};
RUNLEN_OUT MULTI_RunlenB{};
MAKETH_INFO MAKETH_INFO_MULTI{};
unsigned short gry_wwsmpl_work[kLegacyRunCapacity];
unsigned short lap_wwsmpl_work[kLegacyRunCapacity];
unsigned char peak_statis[kLegacyStatisBlocks][kLegacyStatisBins];
unsigned char bottom_statis[kLegacyStatisBlocks][kLegacyStatisBins];
unsigned short block_thresh[kLegacyStatisBlocks];
int num_gry_runlen = 0;
int num_lap_runlen = 0;
int new_decode_laplacian = 1;

namespace {

constexpr int kWhite = 1023;
unsigned short const kWhiteSample = kWhite;

// The driver's buffers: the interleaved line, its grey copy, the threshold
// trace (interleaved like the line) and the thresholds met at each edge.
unsigned short MULTI_line_buffer[2 * kLegacyLineSamples];
unsigned short MULTI_grey_buffer[kLegacyLineSamples];
unsigned short MULTI_filter_a[kLegacyLineSamples];
unsigned short MULTI_filter_b[kLegacyLineSamples];
unsigned short Soft_Thresh_Trace[2 * kLegacyLineSamples];
unsigned short MULTI_thresholds[kLegacyLineSamples];
unsigned short gry_run_thresh[kLegacyRunCapacity];
unsigned short lap_run_thresh[kLegacyRunCapacity];

// Extrema of one line: (value, position) pairs.
int max_loc_min_loc[2 * kLegacyLineSamples + 4];

int Clamp1023(int v) { return v < 0 ? 0 : (v > kWhite ? kWhite : v); }

bool IsInsideImage(int x, int y)
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return info.samplePixels != nullptr && x >= 0 && y >= 0 && x < info.sampleWidth && y < info.sampleHeight &&
           x < kLegacyFrameWidthLimit && y < kLegacyFrameHeightLimit;
}

int RawGray(int x, int y)
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return info.samplePixels[static_cast<long>(y) * (info.sampleWidth + info.sampleRowPadding) + x];
}

bool IsInsideBy(int x, int y, int margin)
{
    return IsInsideImage(x - margin, y - margin) && IsInsideImage(x + margin, y + margin);
}

// The 16.16 walk along the major axis, one sample per step, both ends
// included; with fourConnected the pixel at the old minor coordinate is taken
// before the new one wherever the minor coordinate moves.
template <typename Emit>
void WalkLine(int x0, int y0, int x1, int y1, bool fourConnected, Emit emit)
{
    int const dx = x1 - x0;
    int const dy = y1 - y0;
    bool const xMajor = std::abs(dx) >= std::abs(dy);
    int const major = xMajor ? dx : dy;
    int const minor = xMajor ? dy : dx;
    int const steps = std::abs(major);
    int const majorSign = major < 0 ? -1 : 1;
    long long const minorStep = steps == 0 ? 0 : (static_cast<long long>(minor) << 16) / steps;
    int const majorStart = xMajor ? x0 : y0;
    int const minorStart = xMajor ? y0 : x0;
    int previousMinor = minorStart;
    for (int i = 0; i <= steps; ++i) {
        int const a = majorStart + i * majorSign;
        int const b = static_cast<int>(((static_cast<long long>(minorStart) << 16) + i * minorStep) >> 16);
        if (fourConnected && b != previousMinor) {
            if (xMajor) {
                emit(a, previousMinor);
            } else {
                emit(previousMinor, a);
            }
        }
        previousMinor = b;
        if (xMajor) {
            emit(a, b);
        } else {
            emit(b, a);
        }
    }
}

int PlainCount(int x0, int y0, int x1, int y1) { return std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1; }

int FourConnectedCount(int x0, int y0, int x1, int y1) { return std::abs(x1 - x0) + std::abs(y1 - y0) + 1; }

// Samples into channel 1; -1 when the line holds more samples than the
// buffer.
int SampleLine(unsigned short* buffer, int x0, int y0, int x1, int y1, bool fourConnected)
{
    int const n = fourConnected ? FourConnectedCount(x0, y0, x1, y1) : PlainCount(x0, y0, x1, y1);
    if (n > kLegacyLineSamples) {
        return -1;
    }
    int i = 0;
    WalkLine(x0, y0, x1, y1, fourConnected, [&](int x, int y) {
        if (i < n) {
            buffer[2 * i] = static_cast<unsigned short>(ImgGrayValue(x, y));
        }
        ++i;
    });
    return n;
}

int FallbackThreshold(unsigned short const* x, int n, int stride)
{
    int lo = kWhite;
    int hi = 0;
    for (int i = 0; i < n; ++i) {
        int const v = x[i * stride];
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    // A line of no real contrast is cut at mid-grey, so that a blank line is
    // one run and never noise.
    return hi - lo >= 64 ? (hi + lo) / 2 : 511;
}

// Threshold of one block from the histograms of its peaks and bottoms:
// the bins where the fewest extrema fall on the wrong side.
int BlockThreshold(unsigned char const* peaks, unsigned char const* bottoms, int peakCount, int bottomCount,
                   int previous)
{
    int sums[64];
    int below = 0;
    int above = bottomCount;
    int smallest = peakCount + bottomCount;
    for (int i = 0; i < 64; ++i) {
        below += peaks[i];
        sums[i] = below + above;
        above -= bottoms[i];
        smallest = sums[i] < smallest ? sums[i] : smallest;
    }
    // Half-way between the best cut and the minority count: a clean block
    // (best cut 0) takes the bins of its gap.
    int const level = ((peakCount < bottomCount ? peakCount : bottomCount) + smallest) / 2;
    int indexSum = 0;
    int bins = 0;
    for (int i = 0; i < 64; ++i) {
        if (sums[i] <= level) {
            indexSum += i;
            ++bins;
        }
    }
    return bins == 0 ? previous : 16 * indexSum / bins;
}

}  // namespace

unsigned short const* ImgGrayValuePtr(int x, int y)
{
    if (!IsInsideImage(x, y)) {
        return &kWhiteSample;
    }
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    return info.samplePixels + static_cast<long>(y) * (info.sampleWidth + info.sampleRowPadding) + x;
}

int ImgGrayValue(int x, int y) { return IsInsideImage(x, y) ? RawGray(x, y) : kWhite; }

int ImgLapValue(int x, int y)
{
    if (!IsInsideBy(x, y, 1)) {
        return ImgGrayValue(x, y);
    }
    int const p = RawGray(x, y);
    return Clamp1023(5 * p - RawGray(x - 1, y) - RawGray(x + 1, y) - RawGray(x, y - 1) - RawGray(x, y + 1));
}

void ImgLapGrayValue(int x, int y, unsigned short* out)
{
    out[0] = static_cast<unsigned short>(ImgGrayValue(x, y));
    out[1] = static_cast<unsigned short>(ImgLapValue(x, y));
}

int PicLineGrayLap(unsigned short* buffer, int x0, int y0, int x1, int y1, int fourConnected)
{
    int const n = fourConnected != 0 ? FourConnectedCount(x0, y0, x1, y1) : PlainCount(x0, y0, x1, y1);
    if (buffer == nullptr || n > kLegacyLineSamples) {
        return -1;
    }
    int i = 0;
    WalkLine(x0, y0, x1, y1, fourConnected != 0, [&](int x, int y) {
        if (i < n) {
            ImgLapGrayValue(x, y, buffer + 2 * i);
        }
        ++i;
    });
    return n;
}

int get_gray_dot(int fx, int fy, int x, int y, int lap, int max_mode)
{
    if (!IsInsideBy(x, y, 2)) {
        return 128;
    }
    if (max_mode != 0) {
        int best = 0;
        for (int j = -1; j <= 2; ++j) {
            for (int i = -1; i <= 2; ++i) {
                int const v = ImgLapValue(x + i, y + j);
                best = v > best ? v : best;
            }
        }
        return best;
    }
    auto at = [lap](int px, int py) { return lap == 1 ? ImgLapValue(px, py) : RawGray(px, py); };
    int const p00 = at(x, y);
    int const p10 = at(x + 1, y);
    int const p01 = at(x, y + 1);
    int const p11 = at(x + 1, y + 1);
    return (fy * (fx * p11 + (4 - fx) * p01) + (4 - fy) * (fx * p10 + (4 - fx) * p00)) >> 4;
}

void picdot_laplacian(unsigned short* out, unsigned short const* in, int width, int height, int pitch)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int const p = in[y * pitch + x];
            int neighbours = 0;
            int sum = 0;
            int const offsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
            for (auto const& o : offsets) {
                int const nx = x + o[0];
                int const ny = y + o[1];
                if (nx >= 0 && ny >= 0 && nx < width && ny < height) {
                    sum += in[ny * pitch + nx];
                    ++neighbours;
                }
            }
            out[y * width + x] = static_cast<unsigned short>(Clamp1023((1 + neighbours) * p - sum));
        }
    }
}

int pic_line33_onlyG(PICLINE_INFO* line, unsigned short* buffer, int x0, int y0, int x1, int y1)
{
    if ((x0 == x1 && y0 == y1) || !IsInsideImage(x0, y0) || !IsInsideImage(x1, y1)) {
        return -1;
    }
    // Rows and columns are walked directly on the image.
    int n = -1;
    if (x0 == x1 || y0 == y1) {
        PICLINE_INFO walk{};
        walk.x0 = x0, walk.y0 = y0, walk.x1 = x1, walk.y1 = y1;
        int const walked = y0 == y1 ? pic_line_H33_onlyG(&walk, buffer) : pic_line_V33_onlyG(&walk, buffer);
        n = walked == 0 ? walk.count : -1;
    } else {
        n = SampleLine(buffer, x0, y0, x1, y1, false);
    }
    if (n < 0) {
        return -1;
    }
    if (line != nullptr) {
        line->count = n;
    }
    return 0;
}

int pic_line_unified2(FILTER_INFO*, FILTER_INFO* b, int mode, int* count, PICLINE_INFO* line, unsigned short* buffer,
                      int x0, int y0, int x1, int y1)
{
    if (buffer == nullptr || !IsInsideImage(x0, y0) || !IsInsideImage(x1, y1)) {
        return -1;
    }
    bool fourConnected = select_picline_mode(mode, x0, y0, x1, y1) == 1;
    if (fourConnected && FourConnectedCount(x0, y0, x1, y1) > 1000) {
        fourConnected = false;
    }
    // Filter type 3 takes the sharpened value beside each grey sample.
    int const n = b != nullptr && b->type == 3 ? PicLineGrayLap(buffer, x0, y0, x1, y1, fourConnected ? 1 : 0)
                                                : SampleLine(buffer, x0, y0, x1, y1, fourConnected);
    if (n < 0) {
        return -1;
    }
    int const type = b == nullptr ? 0 : b->type;
    if (type == 1) {
        lineLAP(buffer, n, cnv_filter_mode(b->mode) + b->scale * 16);
    } else if (type == 2) {
        if (lineSMOOTH2_ASIC(2, buffer, n, 1 << (b->mode & 15)) < 0) {
            return -1;
        }
    } else if (type != 3) {
        for (int i = 0; i < n; ++i) {
            buffer[2 * i + 1] = buffer[2 * i];
        }
    }
    if (count != nullptr) {
        *count = n;
    }
    if (line != nullptr) {
        line->count = n;
    }
    return 0;
}

void lineLAP(unsigned short* buffer, int n, int mode)
{
    int const kernel = mode & 15;
    int const scale = (mode >> 4) & 7;
    int const span = 1 << scale;
    int const kept = scale == 0 ? 1 : (3 * span) / 2;
    for (int i = 0; i < n; ++i) {
        int const p = buffer[2 * i];
        if (i < kept || i >= n - kept) {
            buffer[2 * i + 1] = static_cast<unsigned short>(p);
            continue;
        }
        // The neighbours are the means of span samples on either side.
        int left = 0;
        int right = 0;
        for (int k = 1; k <= span; ++k) {
            left += buffer[2 * (i - k)];
            right += buffer[2 * (i + k)];
        }
        left >>= scale;
        right >>= scale;
        int v;
        if (kernel == 2) {
            v = 3 * p - left - right;
        } else if (kernel == 3) {
            v = 5 * p - 2 * left - 2 * right;
        } else {
            v = 2 * p - (left >> 1) - (right >> 1);
        }
        buffer[2 * i + 1] = static_cast<unsigned short>(Clamp1023(v));
    }
}

int lineSMOOTH2_ASIC(int channel, unsigned short* buffer, int n, int width)
{
    if (width <= 0 || width > n) {
        return -1;
    }
    int const out = channel == 2 ? 1 : 0;
    int const half = width / 2;
    // Window sums first, so the channel may be written in place.
    static int means[kLegacyLineSamples];
    int sum = 0;
    for (int i = 0; i < width; ++i) {
        sum += buffer[2 * i];
    }
    int const windows = n - width + 1;
    for (int s = 0; s < windows; ++s) {
        means[s] = sum / width;
        if (s + width < n) {
            sum += buffer[2 * (s + width)] - buffer[2 * s];
        }
    }
    for (int i = 0; i < n; ++i) {
        int s = i - half;
        s = s < 0 ? 0 : (s >= windows ? windows - 1 : s);
        buffer[2 * i + out] = static_cast<unsigned short>(means[s]);
    }
    return 0;
}

void AutoCoefLap(unsigned short const* g, unsigned short* out, unsigned short const* t, int n, int stride)
{
    if (n <= 0) {
        return;
    }
    out[0] = g[0];
    out[(n - 1) * stride] = g[(n - 1) * stride];
    for (int i = 1; i < n - 1; ++i) {
        int const p = g[i * stride];
        int const s = g[(i - 1) * stride] + g[(i + 1) * stride];
        int gain = 7 - (std::abs(p - t[i * stride]) >> 6);
        gain = gain < 1 ? 1 : gain;
        int const v = (2 * p - s) * gain + s;
        out[i * stride] = static_cast<unsigned short>(v < -1 ? 0 : (v < 2048 ? v / 2 : kWhite));
    }
}

int MaxMinLoc(int n, unsigned short const* x, int* out, int h, int stride)
{
    if (n <= 0) {
        return 0;
    }
    int written = 0;
    auto record = [&](int value, int first, int equal) {
        out[written++] = value;
        out[written++] = first + stride * (equal >> 1);
    };
    // 0: direction not known yet; 1: seeking a maximum; -1: seeking a minimum.
    int seeking = 0;
    int maxValue = x[0], maxPos = 0, maxEqual = 1, maxLast = 0;
    int minValue = x[0], minPos = 0, minEqual = 1, minLast = 0;
    for (int i = 1; i < n; ++i) {
        int const v = x[i * stride];
        int const pos = i * stride;
        if (v > maxValue) {
            maxValue = v, maxPos = pos, maxEqual = 1, maxLast = pos;
        } else if (v == maxValue && maxLast == pos - stride) {
            ++maxEqual, maxLast = pos;
        }
        if (v < minValue) {
            minValue = v, minPos = pos, minEqual = 1, minLast = pos;
        } else if (v == minValue && minLast == pos - stride) {
            ++minEqual, minLast = pos;
        }
        if (seeking >= 0 && v <= maxValue - h) {
            record(maxValue, maxPos, maxEqual);
            seeking = -1;
            minValue = v, minPos = pos, minEqual = 1, minLast = pos;
        } else if (seeking <= 0 && v >= minValue + h) {
            record(minValue, minPos, minEqual);
            seeking = 1;
            maxValue = v, maxPos = pos, maxEqual = 1, maxLast = pos;
        }
    }
    if (seeking > 0) {
        record(maxValue, maxPos, maxEqual);
    } else if (seeking < 0) {
        record(minValue, minPos, minEqual);
    }
    return written;
}

void GetGrayStatis(unsigned short const* x, int n, int stride, unsigned short* t)
{
    if (n <= 0) {
        return;
    }
    if (n > kLegacyLineSamples) {
        n = kLegacyLineSamples;
    }
    int const entries = MaxMinLoc(n, x, max_loc_min_loc, 32, stride);
    int const* list = max_loc_min_loc;
    if (entries < 8) {
        int const level = FallbackThreshold(x, n, stride);
        for (int i = 0; i < n; ++i) {
            t[i * stride] = static_cast<unsigned short>(level);
        }
        return;
    }
    int const extrema = entries / 2;
    // The first extremum is a maximum when the next one is lower.
    int first = 0;
    if (extrema >= 2 && list[0] < list[2]) {
        first = 1;
    }
    // Block ends: after every 8th strong pair, at that pair's bottom. A line
    // holds at most n / 2 pairs, so n / 16 + 2 ends always fit.
    static int ends[kLegacyStatisBlocks];
    int blocks = 0;
    int strongSinceEnd = 0;
    for (int k = first; k + 1 < extrema; k += 2) {
        if (list[2 * k] - list[2 * (k + 1)] > 100) {
            ++strongSinceEnd;
            if (strongSinceEnd == 8) {
                ends[blocks++] = list[2 * (k + 1) + 1];
                strongSinceEnd = 0;
            }
        }
    }
    if (blocks > 0 && strongSinceEnd <= 4) {
        --blocks;
    }
    ends[blocks++] = n * stride;

    int e = 0;
    int previous = 511;
    int start = 0;
    for (int b = 0; b < blocks; ++b) {
        unsigned char* peaks = peak_statis[b];
        unsigned char* bottoms = bottom_statis[b];
        std::fill(peaks, peaks + kLegacyStatisBins, static_cast<unsigned char>(0));
        std::fill(bottoms, bottoms + kLegacyStatisBins, static_cast<unsigned char>(0));
        int peakCount = 0;
        int bottomCount = 0;
        for (; e < extrema && list[2 * e + 1] < ends[b]; ++e) {
            if (list[2 * e + 1] < start) {
                continue;
            }
            bool const isMax = ((e - first) & 1) == 0;
            int const bin = (list[2 * e] >> 4) & 63;
            // 8-bit counts: a full bin takes no more, and the block's counts
            // stay the sums of its bins.
            unsigned char* histogram = isMax ? peaks : bottoms;
            if (histogram[bin] < 255) {
                ++histogram[bin];
                ++(isMax ? peakCount : bottomCount);
            }
        }
        peaks[64] = static_cast<unsigned char>(peakCount < 255 ? peakCount : 255);
        bottoms[64] = static_cast<unsigned char>(bottomCount < 255 ? bottomCount : 255);
        block_thresh[b] = static_cast<unsigned short>(BlockThreshold(peaks, bottoms, peakCount, bottomCount, previous));
        previous = block_thresh[b];
        start = ends[b];
    }
    for (int b = 1; b + 1 < blocks; ++b) {
        int const l = block_thresh[b - 1];
        int const r = block_thresh[b + 1];
        int const v = block_thresh[b];
        if ((v > l && v > r) || (v < l && v < r)) {
            block_thresh[b] = static_cast<unsigned short>((l + r) / 2);
        }
    }
    int b = 0;
    for (int i = 0; i < n; ++i) {
        while (b + 1 < blocks && i * stride >= ends[b]) {
            ++b;
        }
        t[i * stride] = block_thresh[b];
    }
}

void make_runlength32Thresh(RUNLEN_OUT* out, int n, unsigned short const* x, unsigned short const* t, int offset,
                            int start_mode, int t_stride, int x_stride)
{
    if (out == nullptr || out->runs == nullptr) {
        return;
    }
    out->count = LegacyMakeRuns(out->runs, out->thresholds, &out->firstColour, n, x, t, offset, start_mode, t_stride,
                                x_stride, LegacyCrossing::kTrace);
}

void reset_MULTI_runlength_param()
{
    MAKETH_INFO_MULTI.thresholds = MULTI_thresholds;
    MULTI_PicLineInfo.lineBuffer = MULTI_line_buffer;
    MULTI_PicLineInfo.greyBuffer = MULTI_grey_buffer;
    MULTI_FilterA.buffer = MULTI_filter_a;
    MULTI_FilterB.buffer = MULTI_filter_b;
    MULTI_RunlenA.runs = gry_wwsmpl_work;
    MULTI_RunlenA.thresholds = gry_run_thresh;
    MULTI_RunlenB.runs = lap_wwsmpl_work;
    MULTI_RunlenB.thresholds = lap_run_thresh;
}

int SoftRunlength(PICLINE_INFO* line, RUNLEN_OUT* grey_runs, RUNLEN_OUT* sharp_runs, int, int, void (*)())
{
    reset_MULTI_runlength_param();
    line->mode = 0;
    line->lineBuffer = MULTI_line_buffer;
    MULTI_FilterA = FILTER_INFO{0, 0, 0, MULTI_filter_a};
    MULTI_FilterB = FILTER_INFO{1, 1, 0, MULTI_filter_b};
    line->imageBase = decode_image_info.samplePixels;
    line->rowStride = decode_image_info.sampleWidth + decode_image_info.sampleRowPadding;
    line->imageHeight = decode_image_info.sampleHeight;
    line->stepA = line->stepB = line->stepC = 1;
    grey_runs->runs = gry_wwsmpl_work;
    grey_runs->thresholds = gry_run_thresh;
    sharp_runs->runs = lap_wwsmpl_work;
    sharp_runs->thresholds = lap_run_thresh;

    int n = 0;
    unsigned short* buffer = MULTI_line_buffer;
    if (pic_line_unified2(&MULTI_FilterA, &MULTI_FilterB, 0, &n, line, buffer, line->x0, line->y0, line->x1,
                          line->y1) != 0) {
        n = 0;
        line->count = 0;
    }
    GetGrayStatis(buffer, n, 2, Soft_Thresh_Trace);
    AutoCoefLap(buffer, buffer + 1, Soft_Thresh_Trace, n, 2);
    make_runlength32Thresh(grey_runs, n, buffer, Soft_Thresh_Trace, 0, 2, 2, 2);
    grey_runs->runs[grey_runs->count + 2] = 0;
    make_runlength32Thresh(sharp_runs, n, buffer + 1, Soft_Thresh_Trace, 0, 2, 2, 2);
    sharp_runs->runs[sharp_runs->count + 2] = 1;
    num_gry_runlen = grey_runs->count;
    num_lap_runlen = sharp_runs->count;
    return 129;
}

int scan_pdf_1D78(int x0, int y0, int x1, int y1, int, int* count)
{
    MULTI_PicLineInfo.x0 = x0;
    MULTI_PicLineInfo.y0 = y0;
    MULTI_PicLineInfo.x1 = x1;
    MULTI_PicLineInfo.y1 = y1;
    SoftRunlength(&MULTI_PicLineInfo, &MULTI_RunlenA, &MULTI_RunlenB, 2, 1, nullptr);
    if (count != nullptr) {
        *count = MULTI_PicLineInfo.count;
    }
    return MULTI_PicLineInfo.count > 0 ? 0 : -1;
}

int get_scan_pdf_1D78_lap_mode() { return new_decode_laplacian == 1 ? 1 : 0; }

int cnv_filter_mode(int mode)
{
    switch (mode) {
    case 0:
        return 2;
    case 1:
        return 3;
    default:
        return 1;
    }
}

int select_picline_mode(int mode, int x0, int y0, int x1, int y1)
{
    int const adx = std::abs(x1 - x0);
    int const ady = std::abs(y1 - y0);
    int const majorExtent = adx > ady ? adx : ady;
    int const minorExtent = adx > ady ? ady : adx;
    return mode == 1 || (mode >= 2 && static_cast<long long>(minorExtent) * 65536 >= 25600LL * majorExtent) ? 1 : 0;
}

int pic_line_unified(FILTER_INFO* b, int mode, int* count, PICLINE_INFO* line, unsigned short* buffer, int x0, int y0,
                     int x1, int y1)
{
    return pic_line_unified2(nullptr, b, mode, count, line, buffer, x0, y0, x1, y1);
}

void Set_gray_ptr(int x, int y, unsigned short const** pointer) { *pointer = ImgGrayValuePtr(x, y); }

unsigned short const* OrigImgGrayValuePtr(int x, int y)
{
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    if (info.pixels == nullptr || x < 0 || y < 0 || x >= info.width || y >= info.height ||
        x >= kLegacyFrameWidthLimit || y >= kLegacyFrameHeightLimit) {
        return &kWhiteSample;
    }
    return info.pixels + static_cast<long>(y) * (info.width + info.rowPadding) + x;
}

int Set_line_ptr33(int channel, unsigned short** pointer, unsigned short* buffer)
{
    if (channel != 1 && channel != 2) {
        return -1;
    }
    *pointer = buffer + (channel - 1);
    return 0;
}

int Set_line_ptr(int channel, unsigned short** pointer) { return Set_line_ptr33(channel, pointer, MULTI_line_buffer); }

int Set_pic_line_gray_IMG_ptr(PICLINE_INFO* line)
{
    if (!IsInsideImage(line->x0, line->y0)) {
        return -1;
    }
    DECODE_IMAGE_INFO_st const& info = decode_image_info;
    line->imageBase = ImgGrayValuePtr(line->x0, line->y0);
    line->rowStride = info.sampleWidth + info.sampleRowPadding;
    line->imageHeight = info.sampleHeight;
    return 0;
}

int calc_pic_line_steps(PICLINE_INFO* line)
{
    if (Set_pic_line_gray_IMG_ptr(line) != 0 || !IsInsideImage(line->x1, line->y1)) {
        return -1;
    }
    int const dx = line->x1 - line->x0;
    int const dy = line->y1 - line->y0;
    bool const xMajor = std::abs(dx) >= std::abs(dy);
    int const major = xMajor ? dx : dy;
    int const minor = xMajor ? dy : dx;
    int const majorUnit = xMajor ? 1 : line->rowStride;
    line->count = std::abs(major) + 1;
    line->stepA = major < 0 ? -majorUnit : majorUnit;
    line->stepB = major == 0 ? 0 : static_cast<int>((static_cast<long long>(minor) << 16) / std::abs(major));
    line->stepC = xMajor ? line->rowStride : 1;
    return 0;
}

int pic_line_H33_onlyG(PICLINE_INFO* line, unsigned short* buffer)
{
    if (line->y0 != line->y1 || line->x0 == line->x1 || calc_pic_line_steps(line) != 0 ||
        line->count > kLegacyLineSamples) {
        return -1;
    }
    for (int i = 0; i < line->count; ++i) {
        buffer[2 * i] = line->imageBase[static_cast<long>(i) * line->stepA];
    }
    return 0;
}

int pic_line_V33_onlyG(PICLINE_INFO* line, unsigned short* buffer)
{
    if (line->x0 != line->x1 || line->y0 == line->y1 || calc_pic_line_steps(line) != 0 ||
        line->count > kLegacyLineSamples) {
        return -1;
    }
    for (int i = 0; i < line->count; ++i) {
        buffer[2 * i] = line->imageBase[static_cast<long>(i) * line->stepA];
    }
    return 0;
}
