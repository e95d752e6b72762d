#include "decoder/legacy/engine/legacy_run_length_utilities.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_run_length_records.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

int get_sum_array(int const* a, int n)
{
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += a[i];
    }
    return sum;
}

int get_average_array(int const* a, int n) { return n < 1 ? -1 : get_sum_array(a, n) / n; }

int get_max_array(int* index, int const* a, int n)
{
    int best = n > 0 ? a[0] : 0;
    int at = 0;
    for (int i = 1; i < n; ++i) {
        if (a[i] > best) {
            best = a[i];
            at = i;
        }
    }
    if (index != nullptr) {
        *index = at;
    }
    return best;
}

int get_min_array(int* index, int const* a, int n)
{
    int best = n > 0 ? a[0] : 0;
    int at = 0;
    for (int i = 1; i < n; ++i) {
        if (a[i] < best) {
            best = a[i];
            at = i;
        }
    }
    if (index != nullptr) {
        *index = at;
    }
    return best;
}

void get_max_min_byte_array(int* max, int* min, unsigned short const* a, int n)
{
    int hi = n > 0 ? a[0] : 0;
    int lo = hi;
    for (int i = 1; i < n; ++i) {
        hi = a[i] > hi ? a[i] : hi;
        lo = a[i] < lo ? a[i] : lo;
    }
    *max = hi;
    *min = lo;
}

int get_median_array(int const* a, int n)
{
    if (n < 1) {
        return -1;
    }
    // Without a work copy: the value with fewer than n / 2 + 1 values below
    // it and at least that many at or below it.
    int const k = n / 2;
    for (int i = 0; i < n; ++i) {
        int below = 0;
        int same = 0;
        for (int j = 0; j < n; ++j) {
            below += a[j] < a[i] ? 1 : 0;
            same += a[j] == a[i] ? 1 : 0;
        }
        if (below <= k && k < below + same) {
            return a[i];
        }
    }
    return a[0];
}

void reverse_buffer(int* a, int n)
{
    for (int i = 0, j = n - 1; i < j; ++i, --j) {
        swap_int_value(a + i, a + j);
    }
}

void swap_int_value(int* a, int* b)
{
    int const t = *a;
    *a = *b;
    *b = t;
}

void memcpy_usho2int(int* out, unsigned short const* in, int n)
{
    for (int i = 0; i < n; ++i) {
        out[i] = in[i];
    }
}

void memcpy_int2usho(unsigned short* out, int const* in, int n)
{
    for (int i = 0; i < n; ++i) {
        out[i] = static_cast<unsigned short>(in[i]);
    }
}

void start_from_black_unified(int colour, int offset, int n, int* count, int* lead, unsigned short const* runs,
                              unsigned short* out)
{
    int w = 0;
    int from = 0;
    if (colour == 1) {
        *lead = 0;
    } else {
        *lead = n > 0 ? runs[0] + offset : offset;
        from = 1;
    }
    for (int i = from; i < n; ++i) {
        int v = runs[i];
        if (colour == 1 && i == 0) {
            v += offset;
        }
        out[w++] = static_cast<unsigned short>(v > 65534 ? 65534 : v);
    }
    out[w] = kLegacyRunEnd;
    out[w + 1] = kLegacyRunEnd;
    *count = w;
}

int transfer_xy2ryo(int x0, int y0, int x1, int y1, int* position)
{
    int const dx = std::abs(x1 - x0);
    int const dy = std::abs(y1 - y0);
    *position = (dx > dy ? dx : dy) * 32;
    return 0;
}

int transfer_ryo2xyB(int* x, int* y, int position, int x0, int y0, int x1, int y1)
{
    int const dx = x1 - x0;
    int const dy = y1 - y0;
    long long const length = 32LL * (std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy));
    if (length == 0) {
        return -1;
    }
    auto move = [&](int extent) {
        long long const v = (static_cast<long long>(position) * std::abs(extent) + length / 2) / length;
        return static_cast<int>(extent < 0 ? -v : v);
    };
    *x = x0 + move(dx);
    *y = y0 + move(dy);
    return 0;
}

int transfer_ryo2xyC(int* x, int* y, int position, int x0, int y0, int x1, int y1)
{
    return transfer_ryo2xyB(x, y, position, x0, y0, x1, y1);
}

int transfer_xy2ryo_high_resolution(int x0, int y0, int x1, int y1, int* position)
{
    long long const dx = std::llabs(static_cast<long long>(x1) - x0);
    long long const dy = std::llabs(static_cast<long long>(y1) - y0);
    long long const major = dx > dy ? dx : dy;
    if (major > 0x7FFFFFFF) {
        return -1;
    }
    *position = static_cast<int>(major);
    return 0;
}

int transfer_ryo2xyC_high_resolution(int* x, int* y, int position, int x0, int y0, int x1, int y1)
{
    long long const dx = static_cast<long long>(x1) - x0;
    long long const dy = static_cast<long long>(y1) - y0;
    long long const length = std::max(std::llabs(dx), std::llabs(dy));
    if (length == 0) {
        return -1;
    }
    __extension__ typedef __int128 Wide;
    auto move = [&](long long from, long long extent) {
        // Rounded half away from zero: positions before the begin point too.
        Wide const num = static_cast<Wide>(position) * (extent < 0 ? -extent : extent);
        Wide const v = (num < 0 ? num - length / 2 : num + length / 2) / length;
        Wide const to = from + (extent < 0 ? -v : v);
        return static_cast<int>(to > 0x7FFFFFFF ? 0x7FFFFFFF : to < -0x7FFFFFFF - 1 ? -0x7FFFFFFF - 1 : to);
    };
    *x = move(x0, dx);
    *y = move(y0, dy);
    return 0;
}

void copy_line_struct(Line_st* out, Line_st const* in) { *out = *in; }

int COM_clip_x(int x)
{
    int const w = decode_image_info.sampleWidth;
    return x < 0 ? 0 : (x > w - 1 ? w - 1 : x);
}

int COM_clip_y(int y)
{
    int const h = decode_image_info.sampleHeight;
    return y < 0 ? 0 : (y > h - 1 ? h - 1 : y);
}

int COM_clip_xy(int* x0, int* y0, int* x1, int* y1)
{
    int const wm = decode_image_info.sampleWidth - 1;
    int const hm = decode_image_info.sampleHeight - 1;
    auto inside = [&](long long x, long long y) { return x >= 0 && y >= 0 && x <= wm && y <= hm; };
    if (inside(*x0, *y0) && inside(*x1, *y1)) {
        return 0;
    }
    // Crossings with the four borders, in 1024 fixed point along the line.
    long long const dx = *x1 - *x0;
    long long const dy = *y1 - *y0;
    long long cx[4];
    long long cy[4];
    int found = 0;
    auto add = [&](long long x, long long y) {
        if (!inside(x, y)) {
            return;
        }
        for (int k = 0; k < found; ++k) {
            if (cx[k] == x && cy[k] == y) {
                return;
            }
        }
        if (found < 4) {
            cx[found] = x;
            cy[found] = y;
            ++found;
        }
    };
    if (dx != 0) {
        for (long long bx : {0LL, static_cast<long long>(wm)}) {
            long long const y = *y0 + ((bx - *x0) * dy * 1024 / dx) / 1024;
            add(bx, y);
        }
    }
    if (dy != 0) {
        for (long long by : {0LL, static_cast<long long>(hm)}) {
            long long const x = *x0 + ((by - *y0) * dx * 1024 / dy) / 1024;
            add(x, by);
        }
    }
    if (found < 2) {
        *x0 = 1, *y0 = 1, *x1 = 2, *y1 = 2;
        return -1;
    }
    // Of more than two crossings, the first and the one farthest from it.
    int far = 1;
    for (int k = 2; k < found; ++k) {
        auto dist = [&](int j) { return (cx[j] - cx[0]) * (cx[j] - cx[0]) + (cy[j] - cy[0]) * (cy[j] - cy[0]); };
        if (dist(k) > dist(far)) {
            far = k;
        }
    }
    auto d2 = [](long long ax, long long ay, long long bx, long long by) {
        return (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
    };
    if (!inside(*x0, *y0)) {
        int const near0 = d2(cx[0], cy[0], *x0, *y0) <= d2(cx[far], cy[far], *x0, *y0) ? 0 : far;
        int const other = near0 == 0 ? far : 0;
        *x0 = static_cast<int>(cx[near0]);
        *y0 = static_cast<int>(cy[near0]);
        if (!inside(*x1, *y1)) {
            *x1 = static_cast<int>(cx[other]);
            *y1 = static_cast<int>(cy[other]);
        }
    } else {
        int const near1 = d2(cx[0], cy[0], *x1, *y1) <= d2(cx[far], cy[far], *x1, *y1) ? 0 : far;
        *x1 = static_cast<int>(cx[near1]);
        *y1 = static_cast<int>(cy[near1]);
    }
    return 0;
}

int get_max_min33(int x0, int y0, int x1, int y1, int* max, int* min)
{
    x0 = COM_clip_x(x0), y0 = COM_clip_y(y0), x1 = COM_clip_x(x1), y1 = COM_clip_y(y1);
    int const dx = x1 - x0;
    int const dy = y1 - y0;
    if (dx == 0 && dy == 0) {
        return -1;
    }
    bool const xMajor = std::abs(dx) >= std::abs(dy);
    int const steps = xMajor ? std::abs(dx) : std::abs(dy);
    long long const sx = (static_cast<long long>(dx) << 16) / steps;
    long long const sy = (static_cast<long long>(dy) << 16) / steps;
    int hi = 0;
    int lo = 1023;
    for (int i = 0; i <= steps; ++i) {
        int const x = static_cast<int>(((static_cast<long long>(x0) << 16) + i * sx) >> 16);
        int const y = static_cast<int>(((static_cast<long long>(y0) << 16) + i * sy) >> 16);
        int const v = ImgGrayValue(x, y);
        hi = v > hi ? v : hi;
        lo = v < lo ? v : lo;
    }
    *max = hi;
    *min = lo;
    return 0;
}

int get_contrast(int x0, int y0, int x1, int y1, int* contrast)
{
    int hi = 0;
    int lo = 0;
    if (get_max_min33(x0, y0, x1, y1, &hi, &lo) != 0) {
        *contrast = 0;
        return -1;
    }
    *contrast = hi - lo;
    return 0;
}

int int_log2(unsigned v)
{
    int bit = 0;
    while (v > 1) {
        v >>= 1;
        ++bit;
    }
    return bit;
}
