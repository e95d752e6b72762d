#include "decoder/linear/telepen_korean_postal/korean_postal_partial_scan_data.h"

#include "decoder/linear/line/magnitude_and_index.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kUnitsPerDigit = 6;
constexpr unsigned kMaxSpaces = 4;
// Tenths of a unit a space may stray from its share of the digit.
constexpr long long kMostStray = 4;

// Space k of a window as the pitch between the centres of the bars around
// it, so that the bars' width does not shrink the narrow spaces.
int Pitch(CommonPartialScanData const& window, unsigned k)
{
    long long const pitch = static_cast<long long>(window[2 * k + 1].magnitude) +
                            (static_cast<long long>(window[2 * k].magnitude) + window[2 * k + 2].magnitude) / 2;
    return pitch > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(pitch);
}

// Shares `total` units among the spaces; their units by position.
bool ShareSpaces(CommonPartialScanData const& window, unsigned spaces, unsigned total, unsigned (&units)[kMaxSpaces],
                 long long& error)
{
    MagnitudeAndIndex runs[kMaxSpaces];
    long long sum = 0;
    for (unsigned k = 0; k < spaces; ++k) {
        runs[k].index = static_cast<int>(k);
        runs[k].magnitude = Pitch(window, k);
        runs[k].rawWidth = window[2 * k + 1].end - window[2 * k + 1].begin;
        runs[k].samples = window[2 * k + 1].samples;
        sum += runs[k].magnitude;
    }
    if (sum <= 0) {
        return false;
    }
    MagnitudeAndIndex::SortByMagnitude(runs, spaces);
    VirtualArray<MagnitudeAndIndex> list(runs, spaces);
    if (!MagnitudeAndIndex::CalcUnitWidth(list, total, 1, 3, 0)) {
        return false;
    }
    // How far the units stray from the pitches, in units x sum. The sharing
    // always succeeds for spaces of about one width, so that four spaces of
    // a unit and a half each would pass as a digit: a space more than
    // kMostStray tenths of a unit from its share is no digit's.
    error = 0;
    for (unsigned k = 0; k < spaces; ++k) {
        units[runs[k].index] = runs[k].modules;
        long long d = static_cast<long long>(runs[k].magnitude) * total - static_cast<long long>(runs[k].modules) * sum;
        d = d < 0 ? -d : d;
        if (10 * d > kMostStray * sum) {
            return false;
        }
        error += d;
    }
    error = error * 1024 / sum;
    return true;
}

// Every bar of the window the same width: `bars` bars share two modules each.
bool CheckBars(CommonPartialScanData const& window, unsigned bars)
{
    MagnitudeAndIndex runs[kMaxSpaces + 1];
    for (unsigned k = 0; k < bars; ++k) {
        runs[k].index = static_cast<int>(k);
        runs[k].magnitude = static_cast<int>(window[2 * k].magnitude > 0x7FFFFFFFu ? 0x7FFFFFFFu : window[2 * k].magnitude);
        runs[k].rawWidth = window[2 * k].end - window[2 * k].begin;
        runs[k].samples = window[2 * k].samples;
    }
    MagnitudeAndIndex::SortByMagnitude(runs, bars);
    VirtualArray<MagnitudeAndIndex> list(runs, bars);
    if (!MagnitudeAndIndex::CalcUnitWidth(list, 2 * bars, 1, 3, 0)) {
        return false;
    }
    for (unsigned k = 0; k < bars; ++k) {
        if (runs[k].modules != 2) {
            return false;
        }
    }
    return true;
}

void Describe(CommonPartialScanData const& window, unsigned pattern, BarSymbol& symbol)
{
    symbol.value = static_cast<int>(pattern);
    int const a = window.GetBegin();
    int const b = window.GetEnd();
    symbol.begin = a < b ? a : b;
    symbol.end = a < b ? b : a;
    symbol.contrast = window.GetContrast();
}

}  // namespace

bool KoreanPostalStartPartialScanData::CalcBarSymbol(bool reversed, BarSymbol& symbol, unsigned& modules) const
{
    if (GetLength() != kRuns || IsReverce() != reversed || !CheckBars(*this, 4)) {
        return false;
    }
    // The three spaces take three to five units, the first space the rest
    // of six; the share that fits the pitches best counts.
    unsigned best[kMaxSpaces] = {};
    unsigned bestTotal = 0;
    long long bestError = -1;
    for (unsigned total = 3; total <= 5; ++total) {
        unsigned units[kMaxSpaces] = {};
        long long error = 0;
        if (ShareSpaces(*this, 3, total, units, error) && (bestError < 0 || error < bestError)) {
            bestError = error;
            bestTotal = total;
            for (unsigned k = 0; k < 3; ++k) {
                best[k] = units[k];
            }
        }
    }
    if (bestError < 0) {
        return false;
    }
    unsigned pattern = kUnitsPerDigit - bestTotal >= 2 ? 1u : 0u;
    for (unsigned k = 0; k < 3; ++k) {
        pattern = 2 * pattern + (best[k] >= 2 ? 1u : 0u);
    }
    if (KoreanPostalDecoder::table[pattern] > 9) {
        return false;
    }
    Describe(*this, pattern, symbol);
    symbol.width = static_cast<int>(GetSpan() / bestTotal);
    modules = bestTotal;
    return true;
}

bool KoreanPostalPartialScanData::CalcBarSymbol(bool reversed, BarSymbol& symbol) const
{
    if (GetLength() != kRuns || IsReverce() != reversed || !CheckBars(*this, 5)) {
        return false;
    }
    unsigned units[kMaxSpaces] = {};
    long long error = 0;
    if (!ShareSpaces(*this, 4, kUnitsPerDigit, units, error)) {
        return false;
    }
    unsigned pattern = 0;
    for (unsigned k = 0; k < 4; ++k) {
        pattern = 2 * pattern + (units[k] >= 2 ? 1u : 0u);
    }
    if (KoreanPostalDecoder::table[pattern] > 9) {
        return false;
    }
    Describe(*this, pattern, symbol);
    symbol.width = static_cast<int>(GetSpan() / kUnitsPerDigit);
    return true;
}

}  // namespace DEC2DIvra
