#include "decoder/linear/codabar/codabar_partial_scan_data.h"

#include "decoder/linear/codabar/codabar_table.h"
#include "decoder/linear/line/magnitude_sort.h"

namespace DEC2DIvra {

namespace {

// A wide element more than five times the next narrower one of its kind
// marks the reading as doubtful: a blot, not a print width.
bool IsDoubtful(CodabarPartialScanData::Element const& wide, CodabarPartialScanData::Element const& below)
{
    return wide.magnitude > 5 * below.magnitude;
}

}  // namespace

void CodabarPartialScanData::SplitSorted(bool direction, Element* bars, Element* spaces) const
{
    for (unsigned p = 0; p < kRuns; ++p) {
        PartialScanElement const& e = AtReading(p, direction);
        Element const item{p, e.magnitude, static_cast<long long>(e.end) - e.begin};
        if (p % 2 == 0) {
            bars[p / 2] = item;
        } else {
            spaces[p / 2] = item;
        }
    }
    SortByMagnitude(bars, 4);
    SortByMagnitude(spaces, 3);
}

void CodabarPartialScanData::Fill(unsigned key, long long narrowWidths, unsigned narrowCount, bool doubtful,
                                  BarSymbol& symbol) const
{
    symbol.value = static_cast<int>(key);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[kRuns - 1].end;
    symbol.width = narrowCount == 0 ? 0 : static_cast<int>(narrowWidths / narrowCount);
    symbol.contrast = GetContrast();
    symbol.flag = doubtful ? 1 : 0;
}

bool CodabarPartialScanData::CalcBarSymbol(bool direction, BarSymbol& symbol) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    Element bars[4];
    Element spaces[3];
    SplitSorted(direction, bars, spaces);
    long long const barStep = bars[3].magnitude - bars[2].magnitude;
    long long const lowBarSteps =
        bars[1].magnitude - bars[0].magnitude > bars[2].magnitude - bars[1].magnitude
            ? bars[1].magnitude - bars[0].magnitude
            : bars[2].magnitude - bars[1].magnitude;
    if (barStep <= 0 || lowBarSteps >= barStep) {
        return false;
    }
    long long const spaceStep = spaces[2].magnitude - spaces[1].magnitude;
    if (spaceStep <= 0 || spaces[1].magnitude - spaces[0].magnitude >= spaceStep) {
        return false;
    }
    unsigned const key = (1u << (kRuns - 1 - bars[3].position)) | (1u << (kRuns - 1 - spaces[2].position));
    long long const narrow = bars[0].width + bars[1].width + bars[2].width + spaces[0].width + spaces[1].width;
    Fill(key, narrow, 5, IsDoubtful(bars[3], bars[2]) || IsDoubtful(spaces[2], spaces[1]), symbol);
    return CodabarTable::instance.GetValue(key) != CodabarTable::kNoValue;
}

bool CodabarPartialScanData::CalcStartStopBarSymbol(bool direction, BarSymbol& symbol) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    Element bars[4];
    Element spaces[3];
    SplitSorted(direction, bars, spaces);
    auto bit = [](Element const& e) { return 1u << (kRuns - 1 - e.position); };

    // (a) one wide bar and two wide spaces: the letters.
    unsigned const keyA = bit(bars[3]) | bit(spaces[1]) | bit(spaces[2]);
    bool okA = CodabarTable::CheckStopCode(keyA);
    {
        long long const upper = bars[3].magnitude - bars[2].magnitude;
        long long const lower1 = bars[1].magnitude - bars[0].magnitude;
        long long const lower2 = bars[2].magnitude - bars[1].magnitude;
        long long const lower = lower1 > lower2 ? lower1 : lower2;
        long long const spaceUpper = spaces[2].magnitude - spaces[1].magnitude;
        long long const spaceLower = spaces[1].magnitude - spaces[0].magnitude;
        okA = okA && upper > lower && spaceLower > spaceUpper;
    }
    // (b) three wide bars and narrow spaces: ":", "/", ".", "+".
    unsigned const keyB = bit(bars[1]) | bit(bars[2]) | bit(bars[3]);
    bool okB = CodabarTable::instance.GetValue(keyB) != CodabarTable::kNoValue;
    {
        long long const lower = bars[1].magnitude - bars[0].magnitude;
        long long const upper1 = bars[2].magnitude - bars[1].magnitude;
        long long const upper2 = bars[3].magnitude - bars[2].magnitude;
        long long const upper = upper1 > upper2 ? upper1 : upper2;
        // The spaces all narrow: their spread small against the bars'.
        okB = okB && lower > upper && 2 * bars[3].magnitude <= 3 * bars[1].magnitude &&
              2 * (spaces[2].magnitude - spaces[0].magnitude) <= lower;
    }
    if (okA && okB) {
        bool const preferA = bars[3].magnitude - bars[2].magnitude > bars[1].magnitude - bars[0].magnitude;
        okA = preferA;
        okB = !preferA;
    }
    if (okA) {
        long long const narrow = bars[0].width + bars[1].width + bars[2].width + spaces[0].width;
        Fill(keyA, narrow, 4, IsDoubtful(bars[3], bars[2]) || IsDoubtful(spaces[1], spaces[0]), symbol);
        return true;
    }
    if (okB) {
        long long const narrow = bars[0].width + spaces[0].width + spaces[1].width + spaces[2].width;
        Fill(keyB, narrow, 4, false, symbol);
        return true;
    }
    return false;
}

void CodabarInterCharacterGap::InitInterCharacterGap(BarSymbol const& first)
{
    previousWidth = first.width;
    previousEnd = first.end;
    valid = true;
}

void CodabarInterCharacterGap::StockInterCharacterGap(BarSymbol const& next)
{
    long long const gap = static_cast<long long>(next.begin) - previousEnd;
    if (10 * gap > 53LL * previousWidth) {
        valid = false;
    }
    previousWidth = next.width;
    previousEnd = next.end;
}

}  // namespace DEC2DIvra
