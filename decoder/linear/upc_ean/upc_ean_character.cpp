#include "decoder/linear/line/magnitude_and_index.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"

// The measurement of one UPC/EAN character from its four runs.

namespace DEC2DIvra {

namespace {

struct Element {
    unsigned position = 0;  // 0-3 in walk order
    long long magnitude = 0;
    int width = 0;
};

bool IsBar(PartialScanElement const& run, bool barIsLight) { return (run.colour == kLightRun) == barIsLight; }

int ToInt(long long v) { return v > 0x7FFFFFFFLL ? 0x7FFFFFFF : (v < 0 ? 0 : static_cast<int>(v)); }

void SortByMagnitude(Element* elements, unsigned count)
{
    for (unsigned i = 1; i < count; ++i) {
        Element const e = elements[i];
        unsigned j = i;
        for (; j > 0 && elements[j - 1].magnitude > e.magnitude; --j) {
            elements[j] = elements[j - 1];
        }
        elements[j] = e;
    }
}

// Shares a module total among runs sorted by rising magnitude.
bool Share(Element const* elements, unsigned count, unsigned total, unsigned* modules)
{
    MagnitudeAndIndex runs[8];
    if (count == 0 || count > 8) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        runs[i].index = static_cast<int>(elements[i].position);
        runs[i].magnitude = ToInt(elements[i].magnitude);
        runs[i].rawWidth = elements[i].width;
    }
    VirtualArray<MagnitudeAndIndex> view(runs, count);
    if (!MagnitudeAndIndex::CalcUnitWidth(view, total, 1, 4, 0)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        modules[i] = runs[i].modules;
    }
    return true;
}

long long Abs(long long v) { return v < 0 ? -v : v; }

long long Cost(WPCPatternCandidate const& c, long long barSum, long long spaceSum, long long expectedBar,
               long long expectedSpace)
{
    return Abs(expectedBar - barSum / c.bars) + Abs(expectedSpace - spaceSum / (7 - c.bars));
}

}  // namespace

bool WPCPartialScanData::SelectPatternCandidate(WPCPatternCandidate const& a, WPCPatternCandidate const& b,
                                                long long const barMagnitudes[2], long long const spaceMagnitudes[2],
                                                WPCPatternCandidate& chosen)
{
    bool agreeBar[2];
    bool agreeSpace[2];
    bool any = false;
    for (unsigned i = 0; i < 2; ++i) {
        agreeBar[i] = a.barModules[i] == b.barModules[i];
        agreeSpace[i] = a.spaceModules[i] == b.spaceModules[i];
        any = any || agreeBar[i] || agreeSpace[i];
    }
    if (!any) {
        return false;
    }
    long long const total = barMagnitudes[0] + barMagnitudes[1] + spaceMagnitudes[0] + spaceMagnitudes[1];
    long long measured = 0;
    for (unsigned i = 0; i < 2; ++i) {
        measured += agreeBar[i] ? barMagnitudes[i] : -barMagnitudes[i];
        measured -= agreeSpace[i] ? spaceMagnitudes[i] : -spaceMagnitudes[i];
    }
    auto predict = [&](WPCPatternCandidate const& x) {
        long long modules = 0;
        for (unsigned i = 0; i < 2; ++i) {
            modules += agreeBar[i] ? static_cast<long long>(x.barModules[i]) : -static_cast<long long>(x.barModules[i]);
            modules -= agreeSpace[i] ? static_cast<long long>(x.spaceModules[i])
                                     : -static_cast<long long>(x.spaceModules[i]);
        }
        return total * modules / 7;
    };
    long long const pa = predict(a);
    long long const pb = predict(b);
    // Print gain widens one colour and narrows the other; the spread of
    // same-module runs tells how far the measure may lean either way.
    long long spread = barMagnitudes[1] - barMagnitudes[0];
    spread = spaceMagnitudes[1] - spaceMagnitudes[0] < spread ? spaceMagnitudes[1] - spaceMagnitudes[0] : spread;
    spread = total / 28 < spread ? total / 28 : spread;
    if (pa >= 1 && pb >= 1) {
        measured -= spread;
    } else if (pa <= -1 && pb <= -1) {
        measured += spread;
    }
    chosen = Abs(measured - pa) >= Abs(measured - pb) ? b : a;
    return true;
}

bool WPCPartialScanData::CalcBarSymbol(bool barIsLight, PartialScanElement const* runs, long long expectedBarUnit,
                                       long long expectedSpaceUnit, BarSymbolForWPC& symbol)
{
    Element bars[2];
    Element spaces[2];
    unsigned barCount = 0;
    unsigned spaceCount = 0;
    int lowest = runs[0].grey;
    int highest = runs[0].grey;
    for (unsigned i = 0; i < 4; ++i) {
        Element const e{i, runs[i].magnitude, runs[i].end - runs[i].begin};
        if (IsBar(runs[i], barIsLight)) {
            if (barCount == 2) {
                return false;
            }
            bars[barCount++] = e;
        } else {
            if (spaceCount == 2) {
                return false;
            }
            spaces[spaceCount++] = e;
        }
        lowest = runs[i].grey < lowest ? runs[i].grey : lowest;
        highest = runs[i].grey > highest ? runs[i].grey : highest;
    }
    SortByMagnitude(bars, 2);
    SortByMagnitude(spaces, 2);
    long long const barSum = bars[0].magnitude + bars[1].magnitude;
    long long const spaceSum = spaces[0].magnitude + spaces[1].magnitude;
    if (28 * barSum < spaceSum || 28 * spaceSum < barSum) {
        return false;
    }

    WPCPatternCandidate candidates[4];
    for (unsigned b = 2; b <= 5; ++b) {
        WPCPatternCandidate& c = candidates[b - 2];
        c.bars = b;
        if (!Share(bars, 2, b, c.barModules) || !Share(spaces, 2, 7 - b, c.spaceModules)) {
            return false;
        }
    }
    long long const barMagnitudes[2] = {bars[0].magnitude, bars[1].magnitude};
    long long const spaceMagnitudes[2] = {spaces[0].magnitude, spaces[1].magnitude};
    WPCPatternCandidate w1;
    WPCPatternCandidate w2;
    if (!SelectPatternCandidate(candidates[0], candidates[1], barMagnitudes, spaceMagnitudes, w1) ||
        !SelectPatternCandidate(candidates[2], candidates[3], barMagnitudes, spaceMagnitudes, w2)) {
        return false;
    }
    WPCPatternCandidate chosen;
    symbol.ambiguous = 0;
    symbol.rejectedBars = 0;
    if (!SelectPatternCandidate(w1, w2, barMagnitudes, spaceMagnitudes, chosen)) {
        // Nothing in common: the neighbour's units decide, and the next
        // character or guard must confirm the choice.
        bool const first = Cost(w1, barSum, spaceSum, expectedBarUnit, expectedSpaceUnit) <
                           Cost(w2, barSum, spaceSum, expectedBarUnit, expectedSpaceUnit);
        chosen = first ? w1 : w2;
        symbol.rejectedBars = first ? w2.bars : w1.bars;
        symbol.ambiguous = 1;
    }
    long long const b = chosen.bars;
    long long const total = barSum + spaceSum;
    if (28 * barSum < (4 * b - 7) * total || 28 * barSum > (4 * b + 7) * total) {
        return false;
    }
    if (barSum / b > 8 * bars[0].magnitude || spaceSum / (7 - b) > 8 * spaces[0].magnitude) {
        return false;
    }

    unsigned modules[4] = {0, 0, 0, 0};
    for (unsigned i = 0; i < 2; ++i) {
        modules[bars[i].position] = chosen.barModules[i];
        modules[spaces[i].position] = chosen.spaceModules[i];
    }
    unsigned pattern = 0;
    for (unsigned i = 0; i < 4; ++i) {
        bool const space = !IsBar(runs[i], barIsLight);
        for (unsigned m = 0; m < modules[i]; ++m) {
            pattern = (pattern << 1) | (space ? 1u : 0u);
        }
    }
    int const a = runs[0].begin < runs[3].begin ? runs[0].begin : runs[3].begin;
    int const z = runs[0].end > runs[3].end ? runs[0].end : runs[3].end;
    symbol.code = pattern & 0x7Fu;
    symbol.begin = a;
    symbol.end = z;
    symbol.width = (z - a) / 7;
    symbol.greyRange = highest - lowest;
    symbol.startFlag = 0;
    symbol.bars = chosen.bars;
    symbol.barSum = barSum;
    symbol.spaceSum = spaceSum;
    return true;
}

bool WPCPartialScanData::CalcWindowPattern(PartialScanElement const* runs, unsigned count, bool barIsLight,
                                           unsigned barModules, unsigned spaceModules, unsigned& pattern)
{
    Element bars[8];
    Element spaces[8];
    unsigned barCount = 0;
    unsigned spaceCount = 0;
    if (count > 16) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        Element const e{i, runs[i].magnitude, runs[i].end - runs[i].begin};
        Element* list = IsBar(runs[i], barIsLight) ? bars : spaces;
        unsigned& n = IsBar(runs[i], barIsLight) ? barCount : spaceCount;
        if (n == 8) {
            return false;
        }
        list[n++] = e;
    }
    SortByMagnitude(bars, barCount);
    SortByMagnitude(spaces, spaceCount);
    unsigned barShare[8];
    unsigned spaceShare[8];
    if (!Share(bars, barCount, barModules, barShare) || !Share(spaces, spaceCount, spaceModules, spaceShare)) {
        return false;
    }
    unsigned modules[16] = {};
    for (unsigned i = 0; i < barCount; ++i) {
        modules[bars[i].position] = barShare[i];
    }
    for (unsigned i = 0; i < spaceCount; ++i) {
        modules[spaces[i].position] = spaceShare[i];
    }
    pattern = 0;
    for (unsigned i = 0; i < count; ++i) {
        bool const space = !IsBar(runs[i], barIsLight);
        for (unsigned m = 0; m < modules[i]; ++m) {
            pattern = (pattern << 1) | (space ? 1u : 0u);
        }
    }
    return true;
}

bool ConfirmsAmbiguousChoice(PartialScanElement const* runs, bool barIsLight, BarSymbolForWPC const& previous,
                             BarSymbolForWPC const& next)
{
    long long barSum = 0;
    long long spaceSum = 0;
    for (unsigned i = 0; i < 4; ++i) {
        (IsBar(runs[i], barIsLight) ? barSum : spaceSum) += runs[i].magnitude;
    }
    long long const nb = next.bars;
    long long const ownBar = next.barSum / nb;
    long long const ownSpace = next.spaceSum / (7 - nb);
    auto distance = [&](long long b) {
        if (b < 2 || b > 5) {
            return static_cast<long long>(0x7FFFFFFFFFFFLL);
        }
        return Abs(ownBar - barSum / b) + Abs(ownSpace - spaceSum / (7 - b));
    };
    return distance(previous.bars) < distance(previous.rejectedBars);
}

}  // namespace DEC2DIvra
