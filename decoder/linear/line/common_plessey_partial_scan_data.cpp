#include "decoder/linear/line/common_plessey_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

// Pairs a window holds at most.
constexpr unsigned kMaxPairs = CommonPartialScanData::kMaxLength / 2;

}  // namespace

bool CommonPlesseyPartialScanData::CalcPlesseyPattern(bool reversed, unsigned first, unsigned count,
                                                      unsigned expected, unsigned& pattern,
                                                      unsigned& separation) const
{
    if (count < 2 || count > kMaxPairs || first + 2 * count > GetLength()) {
        return false;
    }
    return Classify(reversed, first, count, reversed ? 0 : count, false, expected, pattern, separation);
}

bool CommonPlesseyPartialScanData::CalcPlesseyPatternWithPitch(bool reversed, unsigned first, unsigned count,
                                                               unsigned pitch, unsigned expected,
                                                               unsigned& pattern, unsigned& separation) const
{
    // The separating run is read too, unless it falls after the last pair.
    unsigned const runs = 2 * count + (pitch < count ? 1 : 0);
    if (count < 2 || count > kMaxPairs || pitch > count || first + runs > GetLength()) {
        return false;
    }
    return Classify(reversed, first, count, pitch, pitch < count, expected, pattern, separation);
}

bool CommonPlesseyPartialScanData::Classify(bool reversed, unsigned first, unsigned count, unsigned later,
                                            bool skip, unsigned expected, unsigned& pattern,
                                            unsigned& separation) const
{
    // Bar fractions in line order, and the pairs' widths against each other.
    unsigned fraction[kMaxPairs];
    long long previousWidth = 0;
    for (unsigned j = 0; j < count; ++j) {
        // Past the separating run a pair is a space and the bar after it.
        unsigned const at = first + 2 * j + (skip && j >= later ? 1 : 0);
        PartialScanElement const& a = (*this)[at];
        PartialScanElement const& b = (*this)[at + 1];
        PartialScanElement const& bar = j >= later ? b : a;
        unsigned long long const barMagnitude = bar.magnitude;
        unsigned long long const sum = static_cast<unsigned long long>(a.magnitude) + b.magnitude;
        long long const width = static_cast<long long>(a.end) - a.begin + b.end - b.begin;
        if (sum == 0 || width <= 0) {
            return false;
        }
        if (j > 0 && (4 * width < 3 * previousWidth || 3 * width > 4 * previousWidth)) {
            return false;
        }
        previousWidth = width;
        fraction[j] = static_cast<unsigned>(barMagnitude * 256 / sum);
    }
    unsigned sorted[kMaxPairs];
    for (unsigned j = 0; j < count; ++j) {
        unsigned const f = fraction[j];
        unsigned k = j;
        for (; k > 0 && sorted[k - 1] > f; --k) {
            sorted[k] = sorted[k - 1];
        }
        sorted[k] = f;
    }
    // The largest step parts the narrow-bar pairs from the wide-bar ones.
    unsigned split = 1;
    for (unsigned k = 2; k < count; ++k) {
        if (sorted[k] - sorted[k - 1] > sorted[split] - sorted[split - 1]) {
            split = k;
        }
    }
    unsigned long long lower = 0;
    unsigned long long upper = 0;
    for (unsigned k = 0; k < count; ++k) {
        (k < split ? lower : upper) += sorted[k];
    }
    unsigned const d = static_cast<unsigned>(upper / (count - split) - lower / split);
    unsigned long long const p = separation;
    unsigned threshold = 0;
    if (7ull * d > 4 * p) {
        separation = d;
        if (sorted[split] > 16ull * sorted[0]) {
            return false;
        }
        threshold = sorted[split];
    } else if (7ull * d > 3 * p) {
        return false;
    } else if (sorted[count - 1] > 16ull * sorted[0]) {
        return false;
    } else if (expected == kAllOnes) {
        threshold = 0;
    } else if (expected == kAllZeros) {
        threshold = 0x7FFFFFFFu;
    } else {
        return false;
    }
    pattern = 0;
    for (unsigned j = 0; j < count; ++j) {
        unsigned const f = fraction[reversed ? count - 1 - j : j];
        pattern = (pattern << 1) | (f >= threshold ? 1u : 0u);
    }
    return true;
}

void CommonPlesseyPartialScanData::DescribeBarSymbol(unsigned pattern, BarSymbol& symbol) const
{
    unsigned const length = GetLength();
    symbol.value = static_cast<int>(pattern);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[length - 1].end;
    symbol.width = static_cast<int>((static_cast<long long>(symbol.end) - symbol.begin) / length);
    symbol.contrast = GetContrast();
}

}  // namespace DEC2DIvra
