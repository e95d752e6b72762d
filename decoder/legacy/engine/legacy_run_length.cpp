#include "decoder/legacy/engine/legacy_run_length.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

namespace {

constexpr int kWhite = 1023;

int Clamp1023(int v) { return v < 0 ? 0 : (v > kWhite ? kWhite : v); }

int PowerOfTwo(int exponent) { return exponent >= 32 || exponent < 0 ? 0 : (exponent >= 31 ? 0 : 1 << exponent); }

// Shared results for records in reuse modes 1 and 2.
unsigned short shared_runs[2][kLegacyRunCapacity];
int shared_count[2];
int shared_colour[2];

// Scratch for a channel 1 filter.
unsigned short filter_scratch[2 * kLegacyLineSamples];

bool IsOnBorder(int x, int y)
{
    return x == 0 || y == 0 || x == decode_image_info.sampleWidth - 1 || y == decode_image_info.sampleHeight - 1;
}

void EndRuns(unsigned short* runs, int count, unsigned short marker)
{
    runs[count] = kLegacyRunEnd;
    runs[count + 1] = kLegacyRunEnd;
    runs[count + 2] = marker;
}

// Lengthens (delta > 0) or shortens the end of a run sequence by delta runs
// of 32, so that it covers the caller's line again.
void CorrectRunEnd(RUNLEN_OUT* out, int delta)
{
    if (out == nullptr || out->runs == nullptr || out->count <= 0) {
        return;
    }
    unsigned short* runs = out->runs;
    int const marker = runs[out->count + 2];
    if (delta > 0) {
        long const v = runs[out->count - 1] + 32L * delta;
        runs[out->count - 1] = static_cast<unsigned short>(v > 65534 ? 65534 : v);
        return;
    }
    long take = -32L * delta;
    while (take > 0 && out->count > 0) {
        int const last = out->count - 1;
        if (runs[last] > take) {
            runs[last] = static_cast<unsigned short>(runs[last] - take);
            take = 0;
        } else {
            take -= runs[last];
            runs[last] = kLegacyRunEnd;
            --out->count;
        }
    }
    EndRuns(runs, out->count, static_cast<unsigned short>(marker));
}

}  // namespace

void set_PicLineInfo_param(PICLINE_INFO* line, int mode, int sample, int maxmin, int x0, int y0, int x1, int y1)
{
    line->mode = mode;
    line->sampleFlag = sample;
    line->maxMinFlag = maxmin;
    line->x0 = x0;
    line->y0 = y0;
    line->x1 = x1;
    line->y1 = y1;
    line->imageBase = decode_image_info.samplePixels;
    line->rowStride = decode_image_info.sampleWidth + decode_image_info.sampleRowPadding;
    line->imageHeight = decode_image_info.sampleHeight;
    line->type3Flag = 0;
    line->greyCopyFlag = 0;
    line->error = 0;
}

void set_Filter_param(FILTER_INFO* filter, int type, int mode, int scale)
{
    filter->type = type;
    filter->mode = mode;
    filter->scale = scale;
}

void conv_lapmode(FILTER_INFO* filter, int code)
{
    int const low = code & 15;
    filter->type = code == 0 ? 0 : (code == 4 ? 3 : 1);
    filter->mode = low == 1 ? 2 : (low == 2 ? 0 : 1);
    filter->scale = (code >> 4) & 15;
}

void set_RunlenInfo_param(RUNLEN_INFO* info, int a, int source, int offset, int start_mode, int noise_limit, int b)
{
    info->a = a;
    info->source = source;
    info->offset = offset;
    info->startMode = start_mode;
    info->noiseLimit = noise_limit > 255 ? 255 : noise_limit;
    info->b = b;
    info->reuseMode = 0;
    info->cleared = 0;
}

void set_runlength_pointer(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b, RUNLEN_OUT* oa,
                           RUNLEN_OUT* ob, unsigned short* thresholds, unsigned short* lineBuffer,
                           unsigned short* grey, unsigned short* filteredA, unsigned short* filteredB,
                           unsigned short* runsA, unsigned short* runsB)
{
    th->thresholds = thresholds;
    line->lineBuffer = lineBuffer;
    line->greyBuffer = grey;
    a->buffer = filteredA;
    b->buffer = filteredB;
    oa->runs = runsA;
    ob->runs = runsB;
}

int calc_line_dot_count(int mode, int x0, int y0, int x1, int y1)
{
    int const dx = std::abs(x1 - x0);
    int const dy = std::abs(y1 - y0);
    return mode == 1 ? dx + dy + 1 : (dx > dy ? dx : dy) + 1;
}

int is_valid_PB_smooth_window_size(int n, int window, int exponent)
{
    int const d = n - ((window + 1) & 0x17E);
    int const w = PowerOfTwo(exponent);
    if (d < w) {
        return 0;
    }
    return d + 1 - w > 2 ? 1 : 0;
}

int check_peak_bottom_error(MAKETH_INFO* th, int n)
{
    int const w = PowerOfTwo(th->smoothExponent);
    int const d = n - ((th->windowSize + 1) & 0x17E);
    if (w >= d + 1) {
        return d < 1 ? 2560 : (d < 3 ? 2048 : 0);
    }
    return d + 1 - w < 3 ? 2048 : 0;
}

int check_valid_runlength_param(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b,
                                RUNLEN_INFO* ra, RUNLEN_INFO* rb)
{
    int const n = calc_line_dot_count(line->mode == 1 ? 1 : 0, line->x0, line->y0, line->x1, line->y1);
    line->count = n;
    int errors = 0;
    th->windowSize = (th->windowSize + 1) & 0x17E;
    int w = PowerOfTwo(th->smoothExponent);
    if (th->mode == 0) {
        if (w >= n - th->windowSize + 1) {
            th->smoothExponent = 0;
            w = 1;
        }
        th->windowSize = th->windowSize < 6 ? 6 : (th->windowSize > 128 ? 128 : th->windowSize);
        if (th->windowSize + 3 >= n) {
            th->windowSize = n - 4;
        }
        if (w >= n - th->windowSize + 1) {
            errors |= 512;
        }
    } else if (th->mode == 1 && w >= n) {
        errors |= 512;
    }
    if (n < 5) {
        errors |= 128;
    }
    if (line->sampleFlag == 1 && line->x0 == line->x1 && line->y0 == line->y1) {
        errors |= 64;
    }
    static int const kLapShortest[4] = {4, 7, 13, 25};
    auto tooWide = [n](RUNLEN_INFO const* r, FILTER_INFO const* f) {
        if (r == nullptr || f == nullptr || r->source != 3) {
            return false;
        }
        if (f->type == 1 && f->scale >= 0 && f->scale <= 3) {
            return n <= kLapShortest[f->scale];
        }
        return f->type == 2 && f->mode >= 0 && f->mode < 31 && n <= (1 << f->mode);
    };
    if (tooWide(ra, a) || tooWide(rb, b)) {
        errors |= 16;
    }
    return errors;
}

int ex_DS_threshold(PICLINE_INFO* line, MAKETH_INFO* th)
{
    int const n = line->count;
    unsigned short const* g = line->greyBuffer;
    unsigned short* t = th->thresholds;
    if (n <= 0 || n > kLegacyLineSamples || g == nullptr || t == nullptr) {
        return -1;
    }
    int lo = kWhite;
    int hi = 0;
    for (int i = 0; i < n; ++i) {
        lo = g[i] < lo ? g[i] : lo;
        hi = g[i] > hi ? g[i] : hi;
    }
    int const middle = (hi + lo) / 2;
    if (th->mode == 4) {
        for (int i = 0; i < n; ++i) {
            t[i] = static_cast<unsigned short>(middle);
        }
        return 0;
    }
    if (th->mode == 1) {
        int w = PowerOfTwo(th->smoothExponent);
        w = w < 1 ? 1 : (w > n ? n : w);
        long sum = 0;
        for (int i = 0; i < w; ++i) {
            sum += g[i];
        }
        int const head = w > 3 ? w / 2 : 0;
        for (int i = 0; i < head; ++i) {
            t[i] = static_cast<unsigned short>(sum / w);
        }
        int pos = head;
        for (int s = 0; s + w <= n && pos < n; ++s, ++pos) {
            t[pos] = static_cast<unsigned short>(sum / w);
            if (s + w < n) {
                sum += g[s + w] - g[s];
            }
        }
        unsigned short const last = pos > 0 ? t[pos - 1] : static_cast<unsigned short>(middle);
        for (; pos < n; ++pos) {
            t[pos] = last;
        }
        return 0;
    }
    // Envelope: the mid-range of a sliding window, smoothed.
    int const window = th->windowSize < 128 ? th->windowSize : 128;
    if (window < 1 || window > n) {
        return -1;
    }
    int const step = window <= 29 ? 1 : (window <= 62 ? 2 : 4);
    int const starts = n - window + 1;
    static int level[kLegacyLineSamples];
    for (int s = 0; s < starts; s += step) {
        int wlo = kWhite;
        int whi = 0;
        for (int i = s; i < s + window; ++i) {
            wlo = g[i] < wlo ? g[i] : wlo;
            whi = g[i] > whi ? g[i] : whi;
        }
        int const v = whi - wlo < th->minContrast ? 0 : (whi + wlo) / 2;
        for (int k = s; k < s + step && k < starts; ++k) {
            level[k] = v == 0 ? middle : v;
        }
    }
    int exponent = th->smoothExponent;
    exponent = exponent < 0 ? 0 : (exponent > 8 ? 5 : exponent);
    int const w = 1 << exponent;
    int const smoothed = starts - w + 1;
    if (smoothed < 1) {
        return -1;
    }
    int const lead = (n - smoothed) / 2;
    long sum = 0;
    for (int i = 0; i < w; ++i) {
        sum += level[i];
    }
    for (int s = 0; s < smoothed; ++s) {
        t[lead + s] = static_cast<unsigned short>(sum / w);
        if (s + w < starts) {
            sum += level[s + w] - level[s];
        }
    }
    for (int i = 0; i < lead; ++i) {
        t[i] = t[lead];
    }
    for (int i = lead + smoothed; i < n; ++i) {
        t[i] = t[lead + smoothed - 1];
    }
    return 0;
}

int LegacyMakeRuns(unsigned short* runs, unsigned short* runThresholds, int* colour, int n, unsigned short const* x,
                   unsigned short const* t, int offset, int start_mode, int t_stride, int x_stride,
                   LegacyCrossing rule)
{
    n = n < 0 ? 0 : (n > kLegacyLineSamples ? kLegacyLineSamples : n);
    int count = 0;
    long run = 0;
    auto close = [&](long length, int threshold) {
        runs[count] = static_cast<unsigned short>(length > 65534 ? 65534 : length);
        if (runThresholds != nullptr) {
            runThresholds[count] = static_cast<unsigned short>(threshold);
        }
        ++count;
    };
    bool dark = false;
    int previous = kWhite;
    int first = 0;
    if (start_mode == 3) {
        dark = true;
        previous = 0;
    } else if ((start_mode == 0 || start_mode == 1) && n > 0) {
        dark = x[0] <= Clamp1023(t[0] + offset);
        previous = x[0];
        run = start_mode == 1 ? 32 : 0;
        first = 1;
    }
    if (colour != nullptr) {
        *colour = dark ? 1 : 0;
    }
    for (int i = first; i < n; ++i) {
        int const c = x[i * x_stride];
        int const level = Clamp1023(t[i * t_stride] + offset);
        bool const nowDark = c <= level;
        if (nowDark == dark) {
            run += 32;
            previous = c;
            continue;
        }
        int d = nowDark ? previous - level : level - previous;
        int e = nowDark ? previous - c : c - previous;
        int fraction;
        if (rule == LegacyCrossing::kTrace) {
            int const numerator = d < 1 ? 32 : d << 5;
            if (d < 1 && e < 1) {
                e = 1;
            }
            fraction = e < 1 ? 32 : numerator / e;
            fraction = fraction > 32 ? 32 : fraction;
        } else {
            d = d < 1 ? 1 : d;
            e = e < 1 ? 1 : e;
            fraction = (d << 5) / e;
            fraction = fraction >= 32 ? 31 : fraction;
        }
        close(run + fraction, level);
        run = 32 - fraction;
        dark = nowDark;
        previous = c;
    }
    if (n > 0 || start_mode != 0) {
        close(n == 0 && start_mode != 0 ? 32 : run, previous);
    } else {
        close(0, previous);
    }
    runs[count] = kLegacyRunEnd;
    runs[count + 1] = kLegacyRunEnd;
    return count;
}

void make_runlength32(int* count, unsigned short* runs, int* colour, int n, unsigned short const* samples,
                      unsigned short const* thresholds, int offset, int start_mode, int threshold_stride,
                      int sample_stride, unsigned short* runThresholds)
{
    int const c = LegacyMakeRuns(runs, runThresholds, colour, n, samples, thresholds, offset, start_mode,
                                 threshold_stride, sample_stride, LegacyCrossing::kClamped);
    if (count != nullptr) {
        *count = c;
    }
}

int ex_cut_noize(unsigned short* runs, unsigned short* thresholds, int limit, int automatic)
{
    if (runs == nullptr) {
        return 0;
    }
    int n = 0;
    // Room for the two end values and the marker after the runs.
    while (n < kLegacyRunCapacity - 3 && runs[n] != kLegacyRunEnd) {
        ++n;
    }
    unsigned short const marker = runs[n + 2];
    if (automatic != 0 && n > 0) {
        int classes[8] = {};
        for (int i = 0; i < n; ++i) {
            int const k = runs[i] >> 7;
            ++classes[k > 7 ? 7 : k];
        }
        int seen = 0;
        int scaled = 0;
        for (int k = 7; k >= 0; --k) {
            seen += classes[k];
            if (2 * seen > n) {
                scaled = limit * (k + 1) / 8;
                break;
            }
        }
        limit = scaled;
    }
    if (n == 0) {
        return 0;
    }
    int w = 0;
    for (int i = 1; i < n; ++i) {
        if (runs[i] < limit) {
            // A thin element and the two runs beside it become one run.
            long merged = runs[w] + static_cast<long>(runs[i]);
            int lastMerged = i;
            if (i + 1 < n) {
                merged += runs[i + 1];
                lastMerged = i + 1;
            }
            runs[w] = static_cast<unsigned short>(merged > 65534 ? 65534 : merged);
            if (thresholds != nullptr) {
                thresholds[w] = thresholds[lastMerged];
            }
            i = lastMerged;
        } else {
            ++w;
            runs[w] = runs[i];
            if (thresholds != nullptr) {
                thresholds[w] = thresholds[i];
            }
        }
    }
    int const kept = w + 1;
    EndRuns(runs, kept, marker);
    return kept;
}

void extract_gray_data(int, unsigned short* grey, unsigned short const* line, int n)
{
    for (int i = 0; i < n; ++i) {
        grey[i] = line[2 * i];
    }
}

int BC_make_runlength4(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b, RUNLEN_INFO* ra,
                       RUNLEN_INFO* rb, RUNLEN_OUT* oa, RUNLEN_OUT* ob)
{
    if (th == nullptr || line == nullptr || a == nullptr || b == nullptr || ra == nullptr || rb == nullptr ||
        line->lineBuffer == nullptr || line->greyBuffer == nullptr || th->thresholds == nullptr) {
        return -1;
    }
    int const walkMode = line->mode == 1 ? 1 : 0;
    if (line->sampleFlag == 1) {
        int const n = calc_line_dot_count(walkMode, line->x0, line->y0, line->x1, line->y1);
        for (FILTER_INFO const* f : {a, b}) {
            if (f->type == 2 && (f->mode < 0 || f->mode >= 31 || n < (1 << f->mode))) {
                return -1;
            }
        }
        if (a->type == 3 || b->type == 3) {
            line->type3Flag = 1;
        }
    }
    int const errors = check_valid_runlength_param(th, line, a, b, ra, rb);
    if (errors != 0) {
        line->error = errors;
        return -1;
    }
    if (line->count > kLegacyLineSamples) {
        line->error = 128;
        return -1;
    }
    int const callerCount = line->count;
    int const cx1 = line->x1;
    int const cy1 = line->y1;
    // Lines of a multiple of 4 samples starting 2 modulo 4 are moved one
    // pixel at their end, as the sampling hardware once needed.
    int x1 = line->x1;
    int y1 = line->y1;
    int n = callerCount;
    if (n % 4 == 0 && ((line->x0 < line->x1 ? line->x0 : line->x1) & 3) == 2) {
        int const dx = line->x1 - line->x0;
        int const dy = line->y1 - line->y0;
        int const d = IsOnBorder(line->x1, line->y1) ? -1 : 1;
        if (std::abs(dx) >= std::abs(dy) && dx != 0) {
            x1 = line->x1 + d * (dx > 0 ? 1 : -1);
            y1 = line->y0 + dy * (x1 - line->x0) / dx;
        } else if (dy != 0) {
            y1 = line->y1 + d * (dy > 0 ? 1 : -1);
            x1 = line->x0 + dx * (y1 - line->y0) / dy;
        }
        n = calc_line_dot_count(walkMode, line->x0, line->y0, x1, y1);
        if (n > kLegacyLineSamples) {
            x1 = cx1, y1 = cy1, n = callerCount;
        }
    }
    if (line->sampleFlag == 1 && line->mode != 16) {
        int sampled = 0;
        if (pic_line_unified2(nullptr, b, line->mode, &sampled, nullptr, line->lineBuffer, line->x0, line->y0, x1,
                              y1) != 0) {
            line->error = 64;
            return -1;
        }
        n = sampled;
        extract_gray_data(0, line->greyBuffer, line->lineBuffer, n);
        if (line->maxMinFlag == 1) {
            get_max_min_byte_array(&line->maxValue, &line->minValue, line->greyBuffer, n);
        }
        if (a->type != 0) {
            int again = 0;
            if (pic_line_unified2(nullptr, a, line->mode, &again, nullptr, filter_scratch, line->x0, line->y0, x1,
                                  y1) != 0) {
                line->error = 64;
                return -1;
            }
            for (int i = 0; i < n && i < again; ++i) {
                line->lineBuffer[2 * i] = filter_scratch[2 * i + 1];
            }
        }
    }
    line->count = n;
    if (!(ra->reuseMode == 2 && rb->reuseMode == 2) && ex_DS_threshold(line, th) != 0) {
        line->count = callerCount;
        line->error = 512;
        return -1;
    }
    int const tStride = th->mode == 4 ? 0 : 1;
    RUNLEN_INFO* infos[2] = {ra, rb};
    RUNLEN_OUT* outs[2] = {oa, ob};
    for (int k = 0; k < 2; ++k) {
        RUNLEN_INFO const* info = infos[k];
        RUNLEN_OUT* out = outs[k];
        if (info->source == 0 || out == nullptr || out->runs == nullptr) {
            continue;
        }
        if (info->reuseMode == 2) {
            for (int i = 0; i < shared_count[k] + 3; ++i) {
                out->runs[i] = shared_runs[k][i];
            }
            out->count = shared_count[k];
            out->firstColour = shared_colour[k];
            continue;
        }
        out->count = LegacyMakeRuns(out->runs, out->thresholds, &out->firstColour, n, line->lineBuffer + k,
                                    th->thresholds, info->offset, info->startMode, tStride, 2,
                                    LegacyCrossing::kClamped);
        out->runs[out->count + 2] = static_cast<unsigned short>(k);
        if (info->noiseLimit != 0) {
            out->count = ex_cut_noize(out->runs, nullptr, info->noiseLimit, 0);
        }
        if (info->reuseMode == 1) {
            for (int i = 0; i < out->count + 3; ++i) {
                shared_runs[k][i] = out->runs[i];
            }
            shared_count[k] = out->count;
            shared_colour[k] = out->firstColour;
        }
    }
    // The caller's line again; the runs cover it.
    line->x1 = cx1;
    line->y1 = cy1;
    if (n != callerCount) {
        for (int k = 0; k < 2; ++k) {
            if (infos[k]->source != 0 && infos[k]->reuseMode != 1) {
                CorrectRunEnd(outs[k], callerCount - n);
            }
        }
        line->count = callerCount;
    }
    return 0;
}
