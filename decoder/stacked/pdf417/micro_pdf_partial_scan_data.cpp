#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/stacked/pdf417/magnitude_and_index_for_pdf.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kRuns = 6;
constexpr int kModules = 10;

using Record = MagnitudeAndIndexForPDF;

// The 10-module string b0 s0 b1 s1 b2 s2 (bars 0, first module most
// significant); false when a width is below 1.
bool MakePattern(Array<int, 6> const& widths, unsigned& pattern)
{
    unsigned value = 0;
    for (unsigned i = 0; i < kRuns; ++i) {
        int const w = widths[i];
        if (w < 1 || w > kModules) {
            return false;
        }
        value = i % 2 == 0 ? value << w : (value << w) | ((1u << w) - 1u);
    }
    pattern = value;
    return true;
}

// The same modules read from the other end with bars and spaces exchanged.
unsigned Backward(unsigned pattern)
{
    unsigned value = 0;
    for (int i = 0; i < kModules; ++i) {
        value = value << 1 | ((pattern >> i & 1u) ^ 1u);
    }
    return value;
}

bool IsRowAddress(unsigned pattern) { return MicroPDFCharacterTable::Lookup(pattern >> 1) != 255; }

// Bars measured too narrow: widen them at the spaces' cost; false when a
// space would vanish.
bool Widen(Array<int, 6>& widths)
{
    for (unsigned i = 0; i < kRuns; i += 2) {
        ++widths[i];
        if (--widths[i + 1] < 1) {
            return false;
        }
    }
    return true;
}

void FillSymbol(CommonPartialScanData const& window, unsigned pattern, BarSymbolForPDF& symbol)
{
    symbol.pattern = pattern;
    symbol.cluster = 0;
    symbol.begin = window[0].begin;
    symbol.end = window[kRuns - 1].end;
    long long const span = static_cast<long long>(symbol.end) - symbol.begin;
    symbol.module = span > 0 ? static_cast<unsigned>(span / kModules) : 0u;
    symbol.contrast = window.GetContrast() > 0 ? static_cast<unsigned>(window.GetContrast()) : 0u;
}

}  // namespace

bool MicroPDFPartialScanData::CalcUnitWidth(bool reversed, Array<int, 6>& widths) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    // Pairs b_i + s_i (set E) and s_i + b_(i+1) (set O); each set shares the
    // 10 modules by the pairs' magnitudes, weakest first.
    int modules[2][3] = {};
    for (unsigned set = 0; set < 2; ++set) {
        Record pairs[3];
        for (unsigned i = 0; i < 3; ++i) {
            unsigned const first = 2 * i + set;
            unsigned const second = (first + 1) % kRuns;
            PartialScanElement const& a = (*this)[reversed ? kRuns - 1 - first : first];
            PartialScanElement const& b = (*this)[reversed ? kRuns - 1 - second : second];
            long long const width = static_cast<long long>(a.end) - a.begin + b.end - b.begin;
            long long const magnitude = static_cast<long long>(a.magnitude) + b.magnitude;
            pairs[i].index = static_cast<int>(i);
            pairs[i].width = width > 0x7FFFFFFF ? 0x7FFFFFFF : (width < 0 ? 0 : static_cast<int>(width));
            pairs[i].magnitude = magnitude > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(magnitude);
            pairs[i].count = 0;
        }
        DecMath::HeapSort(pairs, 3, &Record::CompareMagnitude);
        VirtualArray<Record> list(pairs, 3);
        if (!Record::CalcUnitWidth(list, kModules, 2, 6, 0)) {
            return false;
        }
        for (Record const& pair : pairs) {
            modules[set][pair.index] = pair.count;
        }
    }
    int const* e = modules[0];
    int const* o = modules[1];
    int b[3] = {-(o[0] + o[1]), -(e[0] + o[1]), -(e[0] + e[1])};
    int s[3] = {e[0] + o[0] + o[1], e[0] + e[1] + o[1], 0};
    int k = 0;
    for (int v : b) {
        k = 1 - v > k ? 1 - v : k;
    }
    s[0] -= k;
    s[1] -= k;
    s[2] = kModules - k;
    int total = 0;
    for (unsigned i = 0; i < 3; ++i) {
        b[i] += k;
        if (s[i] < 1) {
            return false;
        }
        widths[2 * i] = b[i];
        widths[2 * i + 1] = s[i];
        total += b[i] + s[i];
    }
    return total == kModules;
}

bool MicroPDFPartialScanData::CalcBarSymbol(bool reversed, BarSymbolForPDF& symbol) const
{
    Array<int, 6> widths;
    if (!CalcUnitWidth(reversed, widths)) {
        return false;
    }
    for (;;) {
        unsigned pattern = 0;
        if (!MakePattern(widths, pattern)) {
            return false;
        }
        if (IsRowAddress(pattern)) {
            FillSymbol(*this, pattern, symbol);
            return true;
        }
        if (!Widen(widths)) {
            return false;
        }
    }
}

bool MicroPDFPartialScanData::CalcBarSymbol(BarSymbolForPDF& forward, BarSymbolForPDF& backward) const
{
    Array<int, 6> widths;
    if (!CalcUnitWidth(false, widths)) {
        return false;
    }
    for (;;) {
        unsigned pattern = 0;
        if (!MakePattern(widths, pattern)) {
            return false;
        }
        unsigned const other = Backward(pattern);
        if (IsRowAddress(pattern) || IsRowAddress(other)) {
            FillSymbol(*this, pattern, forward);
            FillSymbol(*this, other, backward);
            return true;
        }
        if (!Widen(widths)) {
            return false;
        }
    }
}

}  // namespace DEC2DIvra
