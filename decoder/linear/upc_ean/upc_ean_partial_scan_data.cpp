#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"

#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

namespace {

bool IsBar(PartialScanElement const& run, bool barIsLight) { return (run.colour == kLightRun) == barIsLight; }

long long SumMagnitudes(PartialScanElement const* runs, unsigned count)
{
    long long sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        sum += runs[i].magnitude;
    }
    return sum;
}

// Mean magnitude of the runs of one colour among count runs.
long long MeanMagnitude(PartialScanElement const* runs, unsigned count, bool barIsLight, bool bars)
{
    long long sum = 0;
    long long n = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (IsBar(runs[i], barIsLight) == bars) {
            sum += runs[i].magnitude;
            ++n;
        }
    }
    return n == 0 ? 0 : sum / n;
}

// Units of the character in runs[0..3] under b bar modules.
void CharacterUnits(PartialScanElement const* runs, bool barIsLight, unsigned b, long long& bar, long long& space)
{
    long long barSum = 0;
    long long spaceSum = 0;
    for (unsigned i = 0; i < 4; ++i) {
        (IsBar(runs[i], barIsLight) ? barSum : spaceSum) += runs[i].magnitude;
    }
    bar = b == 0 ? 0 : barSum / b;
    space = b >= 7 ? 0 : spaceSum / (7 - b);
}

long long RawSpan(PartialScanElement const* runs, unsigned count)
{
    long long lowest = runs[0].begin;
    long long highest = runs[0].end;
    for (unsigned i = 1; i < count; ++i) {
        lowest = runs[i].begin < lowest ? runs[i].begin : lowest;
        highest = runs[i].end > highest ? runs[i].end : highest;
    }
    return highest - lowest;
}

long long Abs(long long v) { return v < 0 ? -v : v; }

// The character after a guard or character whose units are known.
bool MeasureAfter(PartialScanElement const* previousRuns, PartialScanElement const* runs, bool barIsLight,
                  BarSymbolForWPC const& previous, BarSymbolForWPC& symbol)
{
    long long bar = 0;
    long long space = 0;
    CharacterUnits(previousRuns, barIsLight, previous.bars, bar, space);
    if (!WPCPartialScanData::CalcBarSymbol(barIsLight, runs, bar, space, symbol)) {
        return false;
    }
    return !previous.ambiguous || symbol.ambiguous ||
           ConfirmsAmbiguousChoice(previousRuns, barIsLight, previous, symbol);
}

}  // namespace

bool WPCPartialScanData::CalcBarSymbol(bool barIsLight, BarSymbolForWPC const& previous,
                                       BarSymbolForWPC& symbol) const
{
    return GetLength() == 8 && MeasureAfter(GetEntries(), GetEntries() + 4, barIsLight, previous, symbol);
}

bool WPCStartPartialScanData::CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 7 || !IsBar(runs[0], barIsLight)) {
        return false;
    }
    // Three guard modules against the character's seven.
    if (7 * SumMagnitudes(runs, 3) > 4 * SumMagnitudes(runs + 3, 4)) {
        return false;
    }
    long long const bar = (static_cast<long long>(runs[0].magnitude) + runs[2].magnitude) / 2;
    if (!WPCPartialScanData::CalcBarSymbol(barIsLight, runs + 3, bar, runs[1].magnitude, symbol)) {
        return false;
    }
    unsigned pattern = 0;
    if (!WPCPartialScanData::CalcWindowPattern(runs, 7, barIsLight, symbol.bars + 2, 8 - symbol.bars, pattern) ||
        (pattern >> 6) != 0x5u || (pattern & 0x7Fu) != symbol.code) {
        return false;
    }
    symbol.code |= 0x2u << 7;
    return true;
}

bool WPCMiddlePartialScanData::CalcBarSymbol(bool barIsLight, BarSymbolForWPC const& previous,
                                             BarSymbolForWPC& symbol) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 13 || IsBar(runs[0], barIsLight)) {
        return false;
    }
    // Four guard modules against seven of the characters on either side.
    if (7 * SumMagnitudes(runs + 4, 4) > 5 * SumMagnitudes(runs, 4) ||
        7 * SumMagnitudes(runs + 5, 4) > 5 * SumMagnitudes(runs + 9, 4)) {
        return false;
    }
    if (!MeasureAfter(runs, runs + 9, barIsLight, previous, symbol)) {
        return false;
    }
    symbol.code |= ((previous.code & 0x7Fu) << 12) | (0x15u << 7);
    return true;
}

bool WPCEndPartialScanData::IsEnd(bool barIsLight, BarSymbolForWPC const& last) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 7 || IsBar(runs[4], barIsLight) == false) {
        return false;
    }
    if (7 * SumMagnitudes(runs + 4, 3) > 4 * SumMagnitudes(runs, 4)) {
        return false;
    }
    unsigned pattern = 0;
    if (!WPCPartialScanData::CalcWindowPattern(runs, 7, barIsLight, last.bars + 2, 8 - last.bars, pattern) ||
        (pattern & 0xFu) != 0xAu || ((pattern >> 3) & 0x7Fu) != (last.code & 0x7Fu)) {
        return false;
    }
    if (last.ambiguous) {
        // The guard's own units must favour the bar count the character chose.
        long long const guardBar = (static_cast<long long>(runs[4].magnitude) + runs[6].magnitude) / 2;
        long long const guardSpace = runs[5].magnitude;
        long long chosenBar = 0;
        long long chosenSpace = 0;
        long long otherBar = 0;
        long long otherSpace = 0;
        CharacterUnits(runs, barIsLight, last.bars, chosenBar, chosenSpace);
        CharacterUnits(runs, barIsLight, last.rejectedBars, otherBar, otherSpace);
        if (Abs(guardBar - chosenBar) + Abs(guardSpace - chosenSpace) >=
            Abs(guardBar - otherBar) + Abs(guardSpace - otherSpace)) {
            return false;
        }
    }
    return true;
}

bool UPC_E_EndPartialScanData::IsEnd(bool barIsLight, BarSymbolForWPC const& last) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 10 || IsBar(runs[4], barIsLight)) {
        return false;
    }
    if (RawSpan(runs, 4) < RawSpan(runs + 4, 6)) {
        return false;
    }
    unsigned pattern = 0;
    return WPCPartialScanData::CalcWindowPattern(runs, 10, barIsLight, last.bars + 3, 10 - last.bars, pattern) &&
           (pattern & 0x7Fu) == 0x2Au && ((pattern >> 6) & 0x7Fu) == (last.code & 0x7Fu);
}

bool UPC_E_ReverceStartPartialScanData::CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 10 || !IsBar(runs[0], barIsLight)) {
        return false;
    }
    if (RawSpan(runs + 6, 4) < RawSpan(runs, 6)) {
        return false;
    }
    long long const bar = MeanMagnitude(runs, 6, barIsLight, true);
    long long const space = MeanMagnitude(runs, 6, barIsLight, false);
    if (!WPCPartialScanData::CalcBarSymbol(barIsLight, runs + 6, bar, space, symbol)) {
        return false;
    }
    unsigned pattern = 0;
    if (!WPCPartialScanData::CalcWindowPattern(runs, 10, barIsLight, symbol.bars + 3, 10 - symbol.bars, pattern) ||
        (pattern >> 6) != 0x2Au || (pattern & 0x7Fu) != symbol.code) {
        return false;
    }
    symbol.code |= 0x15u << 7;
    return true;
}

bool WPCAddonStartPartialScanData::CalcBarSymbol(bool barIsLight, bool walkedLeft, BarSymbolForWPC& symbol) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 7 || !IsBar(runs[0], barIsLight)) {
        return false;
    }
    long long const bar = (static_cast<long long>(runs[0].magnitude) + runs[2].magnitude) / 3;
    if (!WPCPartialScanData::CalcBarSymbol(barIsLight, runs + 3, bar, runs[1].magnitude, symbol)) {
        return false;
    }
    unsigned pattern = 0;
    if (!WPCPartialScanData::CalcWindowPattern(runs, 7, barIsLight, symbol.bars + 3, 8 - symbol.bars, pattern) ||
        (pattern >> 6) != 0x9u || (pattern & 0x7Fu) != symbol.code) {
        return false;
    }
    symbol.code |= walkedLeft ? (0x2u << 7) : (0x4u << 7);
    return true;
}

bool WPCAddonPartialScanData::CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const
{
    PartialScanElement const* runs = GetEntries();
    if (GetLength() != 6 || IsBar(runs[0], barIsLight)) {
        return false;
    }
    if (!WPCPartialScanData::CalcBarSymbol(barIsLight, runs + 2, runs[1].magnitude, runs[0].magnitude, symbol)) {
        return false;
    }
    unsigned pattern = 0;
    if (!WPCPartialScanData::CalcWindowPattern(runs, 6, barIsLight, symbol.bars + 1, 8 - symbol.bars, pattern) ||
        (pattern >> 6) != 0x5u || (pattern & 0x7Fu) != symbol.code) {
        return false;
    }
    symbol.code |= 0x2u << 7;
    return true;
}

}  // namespace DEC2DIvra
