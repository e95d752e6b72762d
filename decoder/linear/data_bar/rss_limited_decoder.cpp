#include "decoder/linear/data_bar/rss_limited_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/rss_identifier.h"
#include "decoder/linear/data_bar/rss_calculation.h"
#include "decoder/linear/data_bar/rss_limited_guard_partial_scan_data.h"
#include "decoder/linear/data_bar/rss_limited_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kModulus = 89;
constexpr unsigned long long kValueLimit = 2015133531096ULL;
constexpr unsigned long long kRightValues = 2013571ULL;
constexpr unsigned kModifierLimited = 1u << 8;
constexpr unsigned kModifierCheckDigit = 1u << 10;
constexpr unsigned kModifierLinked = 1u << 11;
// Runs beyond a narrow quiet zone that, packed within twelve modules, are bars.
constexpr unsigned kNearbyRuns = 6;

// The runs beyond a window, walking away from it.
class Outside {
public:
    explicit Outside(CommonPartialScanData const& window) : it_(window.GetIterator()) {}
    // Width of the next run out; false at the line's end.
    bool Next(long long& width)
    {
        if (!it_.IsValid()) {
            return false;
        }
        width = static_cast<long long>(it_->end) - it_->begin;
        it_.Next();
        return true;
    }
    // The line ends here: what lies beyond was not scanned, and counts as
    // quiet.
    bool AtLineEnd() const { return !it_.IsValid(); }

private:
    ArrayIterator<ScanElement const> it_;
};

// A guard run of about one module (0.4-1.75); module16 is sixteen modules,
// which keeps the fraction.
bool IsOneModule(long long width, long long module16) { return 40 * width >= module16 && 64 * width <= 7 * module16; }

// The 28 runs after a narrow quiet zone (already walked over) span 32-34
// modules: a UPC/EAN half lies there, of which a Limited pattern was read.
// module16 is sixteen modules. `nearby` is what the first runs span.
bool IsUpcHalfBeside(Outside& side, long long module16, unsigned nearbyRuns, long long& nearby, unsigned& runs)
{
    long long neighbour = 0;
    long long width = 0;
    runs = 0;
    nearby = 0;
    while (runs < 28 && side.Next(width)) {
        neighbour += width;
        ++runs;
        if (runs == nearbyRuns) {
            nearby = neighbour;
        }
    }
    return runs == 28 && 16 * neighbour >= 32 * module16 && 16 * neighbour <= 34 * module16;
}

void Extent(CommonPartialScanData const& window, int& begin, int& end)
{
    begin = window[0].begin;
    end = window[0].end;
    for (unsigned i = 1; i < window.GetLength(); ++i) {
        begin = window[i].begin < begin ? window[i].begin : begin;
        end = window[i].end > end ? window[i].end : end;
    }
}

}  // namespace

RSSLimitedDecoder::RSSLimitedDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_GS1_DATABAR, context), dataBar_(&property.gs1_databar)
{
}

bool RSSLimitedDecoder::SelfCheckCheckDigit(BarSymbolForRSSLimited const& left, BarSymbolForRSSLimited const& check,
                                            BarSymbolForRSSLimited const& right, bool (&passes)[2])
{
    for (unsigned way = 0; way < 2; ++way) {
        passes[way] = left.value[way] != BarSymbolForRSSLimited::kNoReading &&
                      right.value[way] != BarSymbolForRSSLimited::kNoReading &&
                      check.value[way] != BarSymbolForRSSLimited::kNoReading &&
                      (left.checksum[way] + right.checksum[way]) % kModulus == check.value[way];
    }
    return passes[0] || passes[1];
}

bool RSSLimitedDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                            StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    negative = false;
    reverced = false;
    symbols.Clear();
    unsigned const polarity = GetDecoderDetail().positive_and_negative.Get();
    if (!dataBar_->read_limited.Get() || polarity > 2 || !start.IsValid()) {
        return false;
    }
    // The check character's window starts at the offered run and keeps its
    // line index; the left character's fourteen runs end just before it and
    // the right one's fourteen begin at least fourteen runs after it. A line
    // without them reads nothing here.
    long long const index = start.GetIndex();
    long long const runs = RSSLimitedPartialScanData::kRuns;
    if (start.GetStep() > 0 && (index < runs || index + 2 * runs > static_cast<long long>(start.GetCount()))) {
        return false;
    }
    RSSLimitedStartPartialScanData check;
    BarSymbolForRSSLimited checkValue;
    if (!RSSLimitedStartPartialScanData::FindCheck(start, kMaxNoisePasses, check, checkValue)) {
        return false;
    }
    unsigned minimum = 0;
    unsigned maximum = 0;
    check.CalcDataSpan(minimum, maximum);
    ArrayIterator<ScanElement const> const before(start.GetBegin(), start.GetCount(), check[0].lineIndex - 1, -1);
    RSSLimitedPartialScanData lineLeft;
    RSSLimitedPartialScanData lineRight;
    if (!before.IsValid() || !lineLeft.ReverceSet(before) || !lineLeft.ReverceAdjustmentWidth(minimum, maximum) ||
        !lineRight.SetNextRunLengthData(check, minimum, maximum)) {
        return false;
    }
    int const spread = check.CalcSpread();
    BarSymbolForRSSLimited left;
    BarSymbolForRSSLimited right;
    if (!lineLeft.CalcBarSymbol(0, spread, left) || !lineRight.CalcBarSymbol(1, spread, right)) {
        return false;
    }
    // Way 0: the symbol runs along the line; way 1: against it. The check
    // character begins with a light run in its own colours, read along.
    bool const firstLight = check[0].colour == kLightRun;
    bool passes[2] = {false, false};
    if (!SelfCheckCheckDigit(left, checkValue, right, passes)) {
        return false;
    }
    int chosen = -1;
    for (unsigned way = 0; way < 2; ++way) {
        if (!passes[way]) {
            continue;
        }
        bool const inverted = way == 0 ? !firstLight : firstLight;
        if (!CheckPolarity(polarity, inverted)) {
            continue;
        }
        if (chosen < 0 || !inverted) {
            chosen = static_cast<int>(way);
        }
    }
    if (chosen < 0) {
        return false;
    }
    unsigned const way = static_cast<unsigned>(chosen);
    reverced = way == 1;
    negative = way == 0 ? !firstLight : firstLight;
    // The guards measured with their characters decide first; guard runs
    // of about a module each read what that measure refuses.
    if (dataBar_->enable_protection_for_upc_a.Get() &&
        !CheckSurroundings(lineLeft, lineRight, reverced,
                           CheckGuards(lineLeft, lineRight, left, right, spread, reverced, negative))) {
        return false;
    }
    BarSymbol symbol;
    Extent(lineLeft, symbol.begin, symbol.end);
    symbol.value = static_cast<int>(left.value[way]);
    symbol.width = (symbol.end - symbol.begin) / 26;
    bool ok = symbols.Push(symbol);
    Extent(check, symbol.begin, symbol.end);
    symbol.value = static_cast<int>(checkValue.value[way]);
    symbol.width = (symbol.end - symbol.begin) / 18;
    ok = ok && symbols.Push(symbol);
    Extent(lineRight, symbol.begin, symbol.end);
    symbol.value = static_cast<int>(right.value[way]);
    symbol.width = (symbol.end - symbol.begin) / 26;
    ok = ok && symbols.Push(symbol);
    if (!ok) {
        symbols.Clear();
    }
    return ok;
}

bool RSSLimitedDecoder::CheckGuards(RSSLimitedPartialScanData const& lineLeft,
                                    RSSLimitedPartialScanData const& lineRight, BarSymbolForRSSLimited const& left,
                                    BarSymbolForRSSLimited const& right, int spread, bool reverced,
                                    bool negative) const
{
    RSSLimitedPartialScanData const& leftChar = reverced ? lineRight : lineLeft;
    RSSLimitedPartialScanData const& rightChar = reverced ? lineLeft : lineRight;
    BarSymbolForRSSLimited const& leftRecord = reverced ? right : left;
    BarSymbolForRSSLimited const& rightRecord = reverced ? left : right;
    // Spans in modules of the character beside them (26 each).
    long long const span = leftChar.GetSpan();
    long long const rightSpan = rightChar.GetSpan();
    if (span <= 0 || rightSpan <= 0 || span > 0x3FFFFFFF || rightSpan > 0x3FFFFFFF) {
        return false;
    }
    RSSLimitedLeftGuardPartialScanData leftGuard;
    RSSLimitedRightGuardPartialScanData rightGuard;
    if (!leftGuard.Set(leftChar, spread, static_cast<unsigned>(span), static_cast<unsigned>(28 * span / 26)) ||
        !leftGuard.CheckGuardBar(reverced, leftRecord.oddTotal, leftRecord.oddWidest, leftRecord.evenTotal,
                                 leftRecord.evenWidest) ||
        !rightGuard.Set(rightChar, spread, static_cast<unsigned>(27 * rightSpan / 26),
                        static_cast<unsigned>(29 * rightSpan / 26)) ||
        !rightGuard.CheckGuardBar(reverced, rightRecord.oddTotal, rightRecord.oddWidest, rightRecord.evenTotal,
                                  rightRecord.evenWidest)) {
        return false;
    }
    long long const m16 = 16 * span / 26;
    Outside leftSide(leftGuard);
    long long quiet = 0;
    if (leftSide.Next(quiet) && 16 * quiet < 10 * m16) {
        unsigned runs = 0;
        long long nearby = 0;
        if (IsUpcHalfBeside(leftSide, m16, kNearbyRuns, nearby, runs)) {
            return false;
        }
    }
    unsigned const before = static_cast<unsigned>(span / 26);
    unsigned const after = static_cast<unsigned>(5 * rightSpan / 26);
    return negative ? leftGuard.CheckBlackMargin(before, true, false, 0) && rightGuard.CheckBlackMargin(after, true, false, 0)
                    : leftGuard.CheckMargin(before, true, false, 0) && rightGuard.CheckMargin(after, true, false, 0);
}

bool RSSLimitedDecoder::CheckSurroundings(RSSLimitedPartialScanData const& lineLeft,
                                          RSSLimitedPartialScanData const& lineRight, bool reverced,
                                          bool guardsMeasured) const
{
    // The symbol's left character carries a one-run guard and at least a
    // module of quiet zone; its right one a two-run guard and five modules.
    RSSLimitedPartialScanData const& leftChar = reverced ? lineRight : lineLeft;
    RSSLimitedPartialScanData const& rightChar = reverced ? lineLeft : lineRight;
    long long const m16 = 16 * leftChar.GetSpan() / 26;
    long long const r16 = 16 * rightChar.GetSpan() / 26;
    if (m16 <= 0 || r16 <= 0) {
        return false;
    }
    Outside leftSide(leftChar);
    long long guard = 0;
    long long quiet = 0;
    if (!leftSide.Next(guard) || (!guardsMeasured && !IsOneModule(guard, m16)) || !leftSide.Next(quiet) ||
        (16 * quiet < m16 && !leftSide.AtLineEnd())) {
        return false;
    }
    // A UPC/EAN half close to the left would span 32-34 modules over its
    // next 28 runs; and bars that go on within a few modules of a narrow
    // quiet zone are the rest of the symbol a Limited pattern was found in.
    if (16 * quiet < 10 * m16) {
        unsigned runs = 0;
        long long nearby = 0;
        if (IsUpcHalfBeside(leftSide, m16, kNearbyRuns, nearby, runs)) {
            return false;
        }
        if (16 * quiet < 5 * m16 && runs >= kNearbyRuns && 16 * nearby < 12 * m16) {
            return false;
        }
    }
    Outside rightSide(rightChar);
    long long space = 0;
    long long bar = 0;
    return rightSide.Next(space) && (guardsMeasured || IsOneModule(space, r16)) && rightSide.Next(bar) &&
           (guardsMeasured || IsOneModule(bar, r16)) &&
           rightSide.Next(quiet) && (16 * quiet >= 5 * r16 || rightSide.AtLineEnd());
}

bool RSSLimitedDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool) const
{
    return symbols.GetCount() == 3;
}

bool RSSLimitedDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    if (symbols.GetCount() != 3 || symbols[0].value < 0 || symbols[2].value < 0) {
        return false;
    }
    unsigned long long const left = static_cast<unsigned>(symbols[reverced ? 2 : 0].value);
    unsigned long long const right = static_cast<unsigned>(symbols[reverced ? 0 : 2].value);
    if (left >= kRightValues || right >= kRightValues) {
        return false;
    }
    unsigned long long value = left * kRightValues + right;
    bool const linked = value >= kValueLimit;
    if (linked) {
        value -= kValueLimit;
    }
    bool const withCheck = dataBar_->transmit_check_digit.Get();
    if (!RSSCalculation::WriteGtin(value, dataBar_->transmit_application_identifier.Get(), withCheck, label.data)) {
        return false;
    }
    label.identifier.Copy(RSSIdentifier(kModifierLimited | (withCheck ? kModifierCheckDigit : 0u) |
                                        (linked ? kModifierLinked : 0u)));
    return true;
}

bool RSSLimitedDecoder::CountModule(StackInterface<BarSymbol> const&, unsigned& modules) const
{
    modules = kModules;
    return true;
}

unsigned RSSLimitedDecoder::CountLeastReadRuns() const
{
    // The left character, the check character and the right character, each
    // a window of fourteen runs beside the one before.
    bool const reads = dataBar_->read_limited.Get() && GetDecoderDetail().positive_and_negative.Get() <= 2;
    return reads ? 3 * RSSLimitedPartialScanData::kRuns : kReadsNothing;
}

}  // namespace DEC2DIvra
