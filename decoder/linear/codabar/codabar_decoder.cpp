#include "decoder/linear/codabar/codabar_decoder.h"

#include <cmath>

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/codabar/codabar_table.h"
#include "decoder/linear/line/line_run_data.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

enum class Previous { kStart, kData };

// Span bounds of the next character from the previous one's span: a stop
// after the start is as wide as the start, data narrower; after data a stop
// is wider, data as wide.
void CalcAdmissibleWidth(long long width, Previous previous, bool asStop, unsigned& minimum, unsigned& maximum)
{
    long long lo = 0;
    long long hi = 0;
    if (previous == Previous::kStart) {
        lo = asStop ? 4 * width / 5 : 44 * width / 65;
        hi = asStop ? 5 * width / 4 : 52 * width / 55;
    } else {
        lo = asStop ? 52 * width / 55 : 4 * width / 5;
        hi = asStop ? 65 * width / 44 : 5 * width / 4;
    }
    minimum = lo < 0 ? 0u : (lo > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(lo));
    maximum = hi < 0 ? 0u : (hi > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(hi));
}

// A printed symbol's module changes smoothly along it: steadily under
// perspective, little from one character to the next. Bars of a scene
// (another symbol's, texture) strung together pass the neighbour-to-neighbour
// span test one step at a time while their module wanders. The logarithm of
// each character's module is fitted by a straight line along the symbol,
// and no character may stand further from it than this factor.
constexpr float kModuleWander = 1.35f;

bool HasEvenModule(StackInterface<BarSymbol> const& symbols)
{
    unsigned const n = symbols.GetCount();
    if (n < 3) {
        return true;
    }
    float logs[CodabarDecoder::kMaxSymbols];
    float meanI = 0;
    float meanL = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (symbols[i].width <= 0) {
            return false;
        }
        logs[i] = std::log(static_cast<float>(symbols[i].width));
        meanI += static_cast<float>(i);
        meanL += logs[i];
    }
    meanI /= static_cast<float>(n);
    meanL /= static_cast<float>(n);
    float sxy = 0;
    float sxx = 0;
    for (unsigned i = 0; i < n; ++i) {
        float const di = static_cast<float>(i) - meanI;
        sxy += di * (logs[i] - meanL);
        sxx += di * di;
    }
    float const slope = sxy / sxx;
    float const limit = std::log(kModuleWander);
    for (unsigned i = 0; i < n; ++i) {
        float const off = logs[i] - (meanL + slope * (static_cast<float>(i) - meanI));
        if (off > limit || off < -limit) {
            return false;
        }
    }
    return true;
}

}  // namespace

CodabarDecoder::CodabarDecoder(BarSymbolDecoderContext const& context, bool direction, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_CODABAR, context), direction_(direction), codabar_(&property.codabar)
{
}

bool CodabarDecoder::IsGateOpen() const { return codabar_->read.Get(); }

long long CodabarDecoder::GetNiceMargin(BarSymbol const& symbol) { return 10LL * symbol.width; }

bool CodabarDecoder::CheckQuietZone(CodabarPartialScanData const& window, BarSymbol const& symbol, bool after,
                                    bool negative) const
{
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    long long const margin = (GetNiceMargin(symbol) * zone) / 7;
    unsigned const required = margin <= 0 ? 0u : (margin > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(margin));
    unsigned const specks = codabar_->smart_quiet_zone_check.Get();
    ArrayIterator<ScanElement const> const& line = window.GetIterator();
    unsigned const edge = after ? CodabarPartialScanData::kRuns - 1 : 0;
    if (!IsMarginMeasurable(line.GetBegin(), line.GetCount(), window[edge].lineIndex, after, required)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(required, after, false, specks)
                    : window.CheckMargin(required, after, false, specks);
}

bool CodabarDecoder::ReadStart(ArrayIterator<ScanElement const> const& start, bool negative,
                               CodabarPartialScanData& window, BarSymbol& symbol) const
{
    if (!window.Set(start)) {
        return false;
    }
    for (unsigned pass = 0; pass < kMaxNoisePasses; ++pass) {
        if (window.CalcStartStopBarSymbol(direction_, symbol) &&
            CodabarTable::CheckStopCode(static_cast<unsigned>(symbol.value)) &&
            CheckQuietZone(window, symbol, false, negative)) {
            return true;
        }
        if (!window.DeleteNoise()) {
            return false;
        }
    }
    return false;
}

bool CodabarDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                         StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = direction_;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!IsGateOpen() || !start.IsValid() || !CheckPolarity(negative)) {
        return false;
    }
    CodabarPartialScanData window;
    BarSymbol symbol;
    if (!ReadStart(start, negative, window, symbol) || !symbols.Push(symbol)) {
        return false;
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    rate.Push(window);
    CodabarInterCharacterGap gap;
    gap.InitInterCharacterGap(symbol);
    Previous previous = Previous::kStart;
    while (symbols.GetCount() < kMaxSymbols) {
        long long const width = window.GetSpan();
        unsigned minimum = 0;
        unsigned maximum = 0;
        CodabarPartialScanData next;
        BarSymbol character;
        // First as a character of three wide elements (the stop among them),
        // then as one of two.
        CalcAdmissibleWidth(width, previous, true, minimum, maximum);
        bool read = next.SetNextCharRunLengthData(window, minimum, maximum) &&
                    next.CalcStartStopBarSymbol(direction_, character);
        if (!read) {
            CalcAdmissibleWidth(width, previous, false, minimum, maximum);
            read = next.SetNextCharRunLengthData(window, minimum, maximum) && next.CalcBarSymbol(direction_, character);
        }
        if (!read || !symbols.Push(character)) {
            return false;
        }
        rate.Push(next);
        window = next;
        if (CodabarTable::CheckStopCode(static_cast<unsigned>(character.value))) {
            // A start and a stop alone carry nothing: a partial scan fakes them.
            unsigned const data = symbols.GetCount() - 2;
            // (Reads too short to be a label go on to be refused as before.)
            return data > 0 && (!CheckMinimumDataOption(data) || HasEvenModule(symbols)) &&
                   CheckQuietZone(window, character, true, negative) && codabar_->fixed_length.Get().Admits(data) &&
                   (!codabar_->intercharacter_gap_check.Get() || gap.valid);
        }
        gap.StockInterCharacterGap(character);
        previous = Previous::kData;
    }
    return false;
}

bool CodabarDecoder::CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                                   unsigned& count)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    if (n > kMaxSymbols) {
        return false;
    }
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        if (symbol.value < 0) {
            return false;
        }
        unsigned char const value = CodabarTable::instance.GetValue(static_cast<unsigned>(symbol.value));
        if (value == CodabarTable::kNoValue) {
            return false;
        }
        values[count++] = value;
    }
    return count >= 2 && CodabarTable::IsLetter(values[0]) && CodabarTable::IsLetter(values[count - 1]);
}

unsigned CodabarDecoder::CountLeastReadRuns() const
{
    // Start, a data character and stop, each a window of seven runs found
    // beyond the gap after the one before.
    return IsGateOpen() ? 3 * CodabarPartialScanData::kRuns : kReadsNothing;
}

}  // namespace DEC2DIvra
