#include "decoder/linear/two_of_five/two_of_five_partial_scan_data.h"

#include "decoder/linear/line/line_run_data.h"

#include "decoder/linear/two_of_five/two_of_five_pattern.h"
#include "decoder/linear/two_of_five/two_of_five_table.h"

namespace DEC2DIvra {

namespace {

constexpr int kNoLow = CommonTwoValuePartialScanData::kNoLowestRank;
constexpr int kNoHigh = CommonTwoValuePartialScanData::kNoHighestRank;

unsigned Separation(TwoValuePattern const& p)
{
    long long const d = static_cast<long long>(p.wideMagnitude) - p.narrowMagnitude;
    return d > 0 ? static_cast<unsigned>(d) : 0u;
}

unsigned Bit(unsigned pattern, unsigned bit) { return (pattern >> bit) & 1u; }

}  // namespace

bool TwoOfFivePartialScanData::Classify(int lowest, int highest, bool reversed, unsigned first, unsigned stride,
                                        unsigned count, unsigned reference, TwoValuePattern& result) const
{
    bool ambiguous = false;
    return CalcPattern(lowest, highest, reversed, first, stride, count, reference, result, ambiguous) && !ambiguous;
}

int TwoOfFivePartialScanData::Scale(int width, long long span) const
{
    if (span_ <= 0) {
        return width;
    }
    long long const scaled = static_cast<long long>(width) * span / span_;
    return scaled > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(scaled);
}

bool TwoOfFivePartialScanData::CalcBarSymbol(BarSymbol& symbol)
{
    if (GetLength() != kStartStopRuns) {
        return false;
    }
    TwoValuePattern bars;
    TwoValuePattern spaces;
    if (!Classify(kNoLow, kNoHigh, false, 0, 2, 8, 0, bars) ||
        !Classify(kNoLow, kNoHigh, false, 1, 2, 7, Separation(bars), spaces)) {
        return false;
    }
    if (spaces.wideCount == 0) {
        spaces.wideWidth = spaces.narrowWidth + (bars.wideWidth - bars.narrowWidth);
    }
    bars_ = bars;
    spaces_ = spaces;
    symbol = BarSymbol{};
    symbol.value = static_cast<int>(TwoOfFivePattern::SetComb(8, spaces.pattern, bars.pattern) & 0x7FFFu);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[kStartStopRuns - 1].end;
    symbol.width = (bars.narrowWidth + spaces.narrowWidth) / 2;
    symbol.contrast = GetContrast();
    return true;
}

bool TwoOfFivePartialScanData::CheckAllNarrowPatternM(unsigned first, unsigned skip) const
{
    unsigned smallest = 0xFFFFFFFFu;
    unsigned largest = 0;
    for (unsigned i = first; i < GetLength(); i += 2) {
        if (i == skip) {
            continue;
        }
        unsigned const m = (*this)[i].magnitude;
        smallest = m < smallest ? m : smallest;
        largest = m > largest ? m : largest;
    }
    return largest != 0 && static_cast<unsigned long long>(largest) <= 4ULL * smallest;
}

bool TwoOfFivePartialScanData::CheckAllNarrowPatternW(unsigned first, unsigned skip) const
{
    long long narrowest = 0x7FFFFFFF;
    long long widest = 0;
    for (unsigned i = first; i < GetLength(); i += 2) {
        if (i == skip) {
            continue;
        }
        long long const w = RunWidth(i);
        narrowest = w < narrowest ? w : narrowest;
        widest = w > widest ? w : widest;
    }
    return widest > 0 && 9 * narrowest >= 5 * widest;
}

bool TwoOfFivePartialScanData::CheckClearZone(unsigned width, bool negative, bool after) const
{
    ArrayIterator<ScanElement const> const& it = GetIterator();
    ScanElement const* line = it.GetBegin();
    long long const count = it.GetCount();
    if (GetLength() == 0 || line == nullptr) {
        return false;
    }
    // A line cut inside a symbol (a region's segment) shows no zone at all.
    long long const edgeIndex = after ? static_cast<long long>(it.GetIndex()) - 1 : (*this)[0].lineIndex;
    if (!IsMarginMeasurable(line, count, edgeIndex, after, width)) {
        return false;
    }
    long long const edge = after ? (*this)[GetLength() - 1].end : (*this)[0].begin;
    long long const ground = negative ? GetDarkMaximum() : GetLightMinimum();
    long long const ink = negative ? GetLightMinimum() : GetDarkMaximum();
    long long const half = (ground + ink) / 2;
    unsigned char const bar = negative ? kLightRun : kDarkRun;
    int const step = after ? 1 : -1;
    for (long long index = after ? it.GetIndex() : static_cast<long long>((*this)[0].lineIndex) - 1;
         index >= 0 && index < count; index += step) {
        ScanElement const& run = line[index];
        long long const distance = after ? run.begin - edge : edge - run.end;
        if (distance >= static_cast<long long>(width)) {
            return true;
        }
        if (run.colour == bar && (negative ? run.grey >= half : run.grey <= half)) {
            return false;
        }
    }
    return true;
}

void TwoOfFivePartialScanData::InitInterCharacterGap(int /*module*/, int end) { previousEnd_ = end; }

void TwoOfFivePartialScanData::StockInterCharacterGap(BarSymbol const& symbol)
{
    long long const g = static_cast<long long>(symbol.begin) - previousEnd_;
    gap_ = g > 0 ? static_cast<unsigned>(g) : 0u;
    previousEnd_ = symbol.end;
}

int TwoOfFivePartialScanData::DeleteGapElement(unsigned index, unsigned count, PartialScanElement& saved)
{
    PartialScanElement* entries = GetMutableEntries();
    count = count < GetLength() ? count : GetLength();
    if (index >= count) {
        return 0;
    }
    saved = entries[index];
    int const width = saved.end - saved.begin;
    for (unsigned i = index + 1; i < count; ++i) {
        PartialScanElement moved = entries[i];
        moved.colour = moved.colour == kLightRun ? kDarkRun : kLightRun;
        moved.begin -= width;
        moved.end -= width;
        entries[i - 1] = moved;
    }
    return width;
}

void TwoOfFivePartialScanData::InsertGapElement(unsigned index, unsigned last, int width,
                                                PartialScanElement const& saved)
{
    PartialScanElement* entries = GetMutableEntries();
    last = last < GetLength() ? last : GetLength();
    for (unsigned i = last; i > index; --i) {
        PartialScanElement moved = entries[i - 1];
        moved.colour = moved.colour == kLightRun ? kDarkRun : kLightRun;
        moved.begin += width;
        moved.end += width;
        entries[i] = moved;
    }
    if (index < GetLength()) {
        entries[index] = saved;
    }
}

bool TwoOfFivePartialScanData::ClassifyIndustrialOrIata(tagSymbology type, bool reversed, bool first, unsigned& key,
                                                        unsigned& extra)
{
    bool const iata = type != SYMBOLOGY_INDUSTRIAL2OF5;
    unsigned const barCount = iata ? 7 : 8;
    unsigned const extraBars = barCount - 5;
    TwoValuePattern bars;
    if (!Classify(kNoLow, kNoHigh, reversed, 0, 2, barCount, 0, bars) || bars.wideCount < 2) {
        return false;
    }
    bool const narrow = iata && first ? CheckAllNarrowPatternW(1, 9) : CheckAllNarrowPatternM(1, 9);
    if (!narrow) {
        return false;
    }
    unsigned const mask = (1u << extraBars) - 1;
    key = reversed ? bars.pattern & 31u : bars.pattern >> extraBars;
    extra = reversed ? bars.pattern >> 5 : bars.pattern & mask;
    if (!TwoOfFiveTable::Check20f5Pattern(key)) {
        return false;
    }
    long long width = 0;
    long long magnitude = 0;
    unsigned n = 0;
    for (unsigned i = 1; i < GetLength(); i += 2) {
        if (i != 9) {
            width += RunWidth(i);
            magnitude += (*this)[i].magnitude;
            ++n;
        }
    }
    bars_ = bars;
    spaces_ = TwoValuePattern{};
    spaces_.narrowWidth = static_cast<int>(width / n);
    spaces_.narrowMagnitude = static_cast<int>(magnitude / n);
    return true;
}

bool TwoOfFivePartialScanData::ClassifyItfForward(unsigned& key, unsigned& extra)
{
    TwoValuePattern bars;
    if (!Classify(2, 4, false, 0, 2, 7, 0, bars) || bars.wideCount < 2) {
        return false;
    }
    unsigned const barBits = bars.pattern >> 2;
    TwoValuePattern spaces;
    if (Classify(2, 3, false, 1, 2, 6, 0, spaces)) {
        if (!TwoOfFiveTable::Check20f5Pattern(barBits)) {
            return false;
        }
        extra = (Bit(bars.pattern, 1) << 2) | (Bit(spaces.pattern, 0) << 1) | Bit(bars.pattern, 0);
        long long const previousWide = spaces_.wideWidth;
        bars_ = bars;
        spaces_ = spaces;
        if (previousWide - spaces.wideWidth > static_cast<long long>(spaces.wideWidth) - spaces.narrowWidth) {
            // The spaces are all narrow: a single character closes an S-code.
            if (extra != 4) {
                return false;
            }
            key = barBits + 1024;
            return true;
        }
        unsigned const spaceBits = spaces.pattern >> 1;
        key = TwoOfFivePattern::SetComb(5, barBits, spaceBits);
        return TwoOfFiveTable::Check20f5Pattern(spaceBits);
    }
    TwoValuePattern all;
    if (!Classify(4, 5, false, 0, 1, 13, 0, all)) {
        return false;
    }
    unsigned pairBars = 0;
    unsigned pairSpaces = 0;
    TwoOfFivePattern::SeparatetPattern(5, all.pattern >> 3, pairSpaces, pairBars);
    extra = all.pattern & 7u;
    if (!TwoOfFiveTable::Check20f5Pattern(pairBars)) {
        return false;
    }
    bars_ = all;
    spaces_ = all;
    if (extra == 4 && pairSpaces == 0) {
        key = pairBars + 1024;
        return true;
    }
    key = all.pattern >> 3;
    return TwoOfFiveTable::Check20f5Pattern(pairSpaces);
}

bool TwoOfFivePartialScanData::ClassifyItfReverse(unsigned& key, unsigned& extra)
{
    TwoValuePattern spaces;
    TwoValuePattern bars;
    if (!Classify(2, 4, true, 0, 2, 7, 0, spaces) || !Classify(kNoLow, kNoHigh, true, 1, 2, 7, 0, bars)) {
        return false;
    }
    unsigned const barBits = bars.pattern & 31u;
    unsigned const spaceBits = spaces.pattern & 31u;
    if (!TwoOfFiveTable::Check20f5Pattern(barBits) || !TwoOfFiveTable::Check20f5Pattern(spaceBits)) {
        return false;
    }
    key = TwoOfFivePattern::SetComb(5, barBits, spaceBits);
    extra = (Bit(bars.pattern, 6) << 2) | (Bit(spaces.pattern, 6) << 1) | Bit(bars.pattern, 5);
    bars_ = bars;
    spaces_ = spaces;
    return true;
}

bool TwoOfFivePartialScanData::ClassifyMatrix(bool reversed, unsigned& key)
{
    TwoValuePattern all;
    if (!Classify(kNoLow, kNoHigh, reversed, 0, 1, 5, 0, all) ||
        !(all.wideCount == 2 || all.pattern == 16u)) {
        return false;
    }
    key = all.pattern;
    long long const span = GetSpan();
    // Bits of the runs in line order: bars e0, e2, e4 and spaces e1, e3.
    auto wideAt = [&](unsigned run) { return Bit(all.pattern, reversed ? run : 4 - run) != 0; };
    TwoValuePattern bars = bars_;
    if (wideAt(0) || wideAt(2) || wideAt(4)) {
        if (!Classify(kNoLow, kNoHigh, reversed, 0, 2, 3, 0, bars)) {
            return false;
        }
    } else {
        bars.narrowWidth = (RunWidth(0) + RunWidth(2) + RunWidth(4)) / 3;
        bars.wideWidth = Scale(bars_.wideWidth, span);
    }
    TwoValuePattern spaces = spaces_;
    unsigned const wideSpaces = (wideAt(1) ? 1u : 0u) + (wideAt(3) ? 1u : 0u);
    if (wideSpaces == 2) {
        spaces.narrowWidth = Scale(spaces_.narrowWidth, span);
    } else if (wideSpaces == 1) {
        if (!Classify(kNoLow, kNoHigh, reversed, 1, 2, 2, 0, spaces)) {
            return false;
        }
    } else {
        spaces.narrowWidth = (RunWidth(1) + RunWidth(3)) / 2;
    }
    bars_ = bars;
    spaces_ = spaces;
    span_ = span;
    return true;
}

bool TwoOfFivePartialScanData::ClassifyChinesePost(bool reversed, unsigned& key, unsigned& extra)
{
    PartialScanElement saved;
    int const width = DeleteGapElement(5, 9, saved);
    TwoValuePattern all;
    bool const classified = Classify(kNoLow, kNoHigh, reversed, 0, 1, 8, 0, all);
    InsertGapElement(5, 8, width, saved);
    if (!classified) {
        return false;
    }
    key = reversed ? all.pattern & 31u : all.pattern >> 3;
    extra = reversed ? all.pattern >> 5 : all.pattern & 7u;
    // Only the stop may be no digit; Start refuses it if it is stored.
    if (!TwoOfFiveTable::Check20f5Pattern(key) && extra != (reversed ? 0u : 4u)) {
        return false;
    }
    // The gap between characters is a narrow space. Left untested, the
    // pairs of an Interleaved 2 of 5 symbol, which opens as this does, read
    // as a Chinese Post label (there is no check digit to refuse it).
    if (all.wideCount != 0 && 2LL * width >= static_cast<long long>(all.narrowWidth) + all.wideWidth) {
        return false;
    }
    long long const span = static_cast<long long>((*this)[8].end) - (*this)[0].begin;
    auto wideAt = [&](unsigned run) { return Bit(key, reversed ? run : 4 - run) != 0; };
    TwoValuePattern bars = bars_;
    if (wideAt(0) || wideAt(2) || wideAt(4)) {
        if (!Classify(kNoLow, kNoHigh, reversed, 0, 2, 5, 0, bars)) {
            return false;
        }
    } else {
        bars.narrowWidth = (RunWidth(0) + RunWidth(2) + RunWidth(4)) / 3;
        bars.wideWidth = Scale(bars_.wideWidth, span);
    }
    TwoValuePattern spaces = spaces_;
    if (wideAt(1) && wideAt(3)) {
        spaces.narrowWidth = Scale(spaces_.narrowWidth, span);
        spaces.wideWidth = (RunWidth(1) + RunWidth(3)) / 2;
    } else if (wideAt(1) || wideAt(3)) {
        if (!Classify(kNoLow, kNoHigh, reversed, 1, 2, 4, 0, spaces)) {
            return false;
        }
    } else {
        spaces.narrowWidth = (RunWidth(1) + RunWidth(3)) / 2;
        spaces.wideWidth = Scale(spaces_.wideWidth, span);
    }
    bars_ = bars;
    spaces_ = spaces;
    span_ = static_cast<long long>((*this)[4].end) - (*this)[0].begin;
    return true;
}

bool TwoOfFivePartialScanData::CalcBarSymbolOverlap(tagSymbology type, bool reversed, bool first, BarSymbol& symbol,
                                                    unsigned& extra)
{
    unsigned key = 0;
    extra = 0;
    unsigned last = 9;
    bool ok = false;
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        ok = GetLength() == 15 && ClassifyIndustrialOrIata(type, reversed, first, key, extra);
        last = 8;
        break;
    case SYMBOLOGY_IATA:
        ok = GetLength() == 13 && ClassifyIndustrialOrIata(type, reversed, first, key, extra);
        last = 8;
        break;
    case SYMBOLOGY_INTERLEAVED2OF5:
    case SYMBOLOGY_SCODE:
        ok = reversed ? GetLength() == 14 && ClassifyItfReverse(key, extra)
                      : GetLength() == 13 && ClassifyItfForward(key, extra);
        break;
    case SYMBOLOGY_MATRIX2OF5:
        ok = GetLength() == 5 && ClassifyMatrix(reversed, key);
        extra = key;
        last = 4;
        break;
    case SYMBOLOGY_CHINESE_POST:
        ok = GetLength() == 9 && ClassifyChinesePost(reversed, key, extra);
        last = 4;
        break;
    default:
        break;
    }
    if (!ok) {
        return false;
    }
    symbol = BarSymbol{};
    symbol.value = static_cast<int>(key);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[last].end;
    symbol.width = (bars_.narrowWidth + spaces_.narrowWidth) / 2;
    symbol.contrast = GetContrast();
    return true;
}

}  // namespace DEC2DIvra
