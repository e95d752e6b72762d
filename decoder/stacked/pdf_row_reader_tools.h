#pragma once

// Small routines and figures the row reader's parts share: fitting lines
// through sightings, run widths to modules, the MicroPDF417 column places.
#include <cmath>
#include <cstring>

#include "decoder/stacked/pdf_character_table.h"
#include "decoder/stacked/pdf_row_reader.h"

namespace DEC2DIvra::pdf_rows {
inline constexpr float kSearchSpacing = 2.0f;  // pixels between search lines
inline constexpr unsigned kBlock = 16;         // samples per threshold block
// The rows are read a little beyond the ends of the columns as found: the
// first and last rows may show their patterns on fewer search lines.
inline constexpr float kOvershoot = 0.08f;

inline float Abs(float v) { return v < 0 ? -v : v; }

// The coordinates sampled in 16.16 fixed point stay below this, in pixels.
inline constexpr float kFixedReach = 16384.0f;

// Search lines apart (and pixels along, in the pair's modules) within which a
// pair of side patterns found again stands for the same rows' ends.
inline constexpr unsigned kRepeatLines = 3;
inline constexpr float kRepeatModules = 2.0f;
// Repeated pairs needed before the others are left out (a column is fitted
// through three at least).
inline constexpr unsigned kMinRepeated = 3;

// Whether another pair of as many columns, found on a line at most
// kRepeatLines away, has both ends near pair i's along the lines (ux, uy).
inline bool IsRepeated(PDFRowReader::Hit const* left, PDFRowReader::Hit const* right, unsigned short const* lineOf,
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
inline bool OnColumn(PDFRowReader::Hit const& a, PDFRowReader::Hit const& b, PDFRowReader::Hit const& p)
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
inline int Pair(unsigned short const* p)
{
    unsigned short const two[2] = {p[0], p[1]};
    unsigned value = 0;
    std::memcpy(&value, two, sizeof value);
    return static_cast<int>(value);
}
#endif

inline int FloorToInt(float v)
{
    int const i = static_cast<int>(v);
    return static_cast<float>(i) > v ? i - 1 : i;
}

// MicroPDF417 widths between the left and right row address columns, in
// modules, and where each data column begins, by the number of columns.
inline constexpr float kWidths[4] = {17, 34, 61, 78};
inline constexpr float kOffsets[4][4] = {{0, 0, 0, 0}, {0, 17, 0, 0}, {0, 27, 44, 0}, {0, 17, 44, 61}};

// Side patterns looked at on one search line.
inline constexpr unsigned kMaxSightings = 32;

// The MicroPDF417 columns whose width is nearest `modules`, within an
// eighth (the module from the side patterns is a tenth off on turned
// frames); 0 when none.
inline unsigned MicroColumns(float modules)
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
inline float Skew(float left, float right)
{
    float const k = left > 0 ? right / left : 1.0f;
    return k < 0.2f ? 0.2f : (k > 5.0f ? 5.0f : k);
}

// The fraction of a row's length at which a point `s` of its modules lies,
// when the modules at its end are `root` squared times those at its start.
inline float Foreshorten(float s, float root) { return s / (s + root * (1.0f - s)); }



// Least squares s = a + b t over the points whose `use` flag is set.
inline bool FitLine(float const* t, float const* s, bool const* use, unsigned count, float& a, float& b)
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
inline float MedianSlope(float const* t, float const* s, unsigned count, float* scratch)
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

// The median of s[i] - b t[i] over the `count` points: the offset of the
// line of slope b that strays points do not pull; `scratch` holds `count`
// values.
inline float MedianOffset(float const* t, float const* s, unsigned count, float b, float* scratch)
{
    for (unsigned i = 0; i < count; ++i) {
        float const v = s[i] - b * t[i];
        unsigned j = i;
        for (; j > 0 && scratch[j - 1] > v; --j) {
            scratch[j] = scratch[j - 1];
        }
        scratch[j] = v;
    }
    return scratch[count / 2];
}

// Runs of one character RoundModules takes at most (a PDF417 symbol
// character's eight).
inline constexpr unsigned kMaxCharacterRuns = 8;

// Run widths to whole modules: each rounded within 1..most, then the sum
// brought to `total` at the runs rounded furthest. False when it cannot be,
// or for more than kMaxCharacterRuns runs.
inline bool RoundModules(float const* widths, unsigned runs, int total, int most, int* modules)
{
    if (runs > kMaxCharacterRuns) {
        return false;
    }
    float sum = 0;
    for (unsigned i = 0; i < runs; ++i) {
        sum += widths[i];
    }
    if (!(sum > 0)) {
        return false;
    }
    float const unit = sum / static_cast<float>(total);
    float error[kMaxCharacterRuns];
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
inline bool LookUp(int const modules[8], unsigned& value, unsigned& cluster)
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

}  // namespace DEC2DIvra::pdf_rows
