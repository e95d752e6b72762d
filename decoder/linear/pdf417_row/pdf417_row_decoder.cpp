#include "decoder/linear/pdf417_row/pdf417_row_decoder.h"

#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

using Window = PartialScanData<PDF417RowDecoder::kRuns>;

enum class Pattern { kNone, kStart, kStop };

// The start or stop pattern the window shows read one way (from its last
// run when the row is read from its stop end).
Pattern PatternOf(Window const& window, bool reverced)
{
    PDFFinderPartialScanData finder;
    if (window.GetLength() != PDF417RowDecoder::kRuns || !finder.CopyFrom(window)) {
        return Pattern::kNone;
    }
    if (finder.IsStartCode(reverced)) {
        return Pattern::kStart;
    }
    return finder.IsStopCode(reverced) ? Pattern::kStop : Pattern::kNone;
}

// The codeword the window shows, read the row's way.
bool ReadCodeword(Window const& window, bool reverced, unsigned& value, unsigned& cluster)
{
    PDFPartialScanData character;
    BarSymbolForPDF symbol;
    if (!character.CopyFrom(window) || !character.CalcBarSymbolForSmaller(reverced, symbol)) {
        return false;
    }
    unsigned short const v = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
    if (v == 0xFFFF) {
        return false;
    }
    value = v;
    cluster = symbol.cluster;
    return true;
}

// The window's first bar in reading order is light on a negative symbol.
bool BarIsLight(Window const& window, bool reverced)
{
    return window[reverced ? PDF417RowDecoder::kRuns - 1 : 0].colour == kLightRun;
}

// The opening pattern at the offered run: a start pattern read forwards, or,
// from the run after (past the stop's terminating bar), a stop pattern read
// backwards. Noise inside the window is removed between tries.
bool FindOpening(ArrayIterator<ScanElement const> const& start, Window& window, bool& reverced)
{
    for (int shift = 0; shift < 2; ++shift) {
        bool const reverse = shift == 1;
        ArrayIterator<ScanElement const> first = start;
        if (reverse) {
            first.Next();
        }
        Window work;
        if (!first.IsValid() || !work.Set(first)) {
            continue;
        }
        Pattern const wanted = reverse ? Pattern::kStop : Pattern::kStart;
        for (unsigned pass = 0; pass < PDF417RowDecoder::kMaxNoisePasses; ++pass) {
            if (work.GetLength() == PDF417RowDecoder::kRuns && PatternOf(work, reverse) == wanted) {
                window = work;
                reverced = reverse;
                return true;
            }
            if (!work.DeleteNoise()) {
                break;
            }
        }
    }
    return false;
}

unsigned Limit(long long value)
{
    return value <= 0 ? 0u : (value > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(value));
}

BarSymbol SymbolOf(Window const& window, int value, unsigned cluster)
{
    BarSymbol symbol;
    symbol.value = value;
    symbol.begin = window.GetBegin() < window.GetEnd() ? window.GetBegin() : window.GetEnd();
    symbol.end = window.GetBegin() < window.GetEnd() ? window.GetEnd() : window.GetBegin();
    symbol.width = static_cast<int>(window.GetSpan() / 17);
    symbol.contrast = window.GetContrast();
    symbol.flag = static_cast<unsigned char>(cluster);
    return symbol;
}

}  // namespace

PDF417RowDecoder::PDF417RowDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_PDF417, context), pdf417_(&property.pdf417)
{
}

bool PDF417RowDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                           StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    negative = false;
    reverced = false;
    if (!pdf417_->read.Get() || !start.IsValid()) {
        return false;
    }
    Window window;
    if (!FindOpening(start, window, reverced)) {
        return false;
    }
    negative = BarIsLight(window, reverced);
    Pattern const opening = reverced ? Pattern::kStop : Pattern::kStart;
    Pattern const closing = reverced ? Pattern::kStart : Pattern::kStop;
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    if (!symbols.Push(SymbolOf(window, opening == Pattern::kStart ? kStartValue : kStopValue, 0))) {
        return false;
    }
    rate.Push(window);
    bool haveCluster = false;
    unsigned rowCluster = 0;
    for (;;) {
        // Each window spans 17 modules like the one before it, within 19:17.
        // The load only fits noise to the limits; a window still outside
        // them is no part of this row.
        long long const width = window.GetSpan();
        unsigned const minimum = Limit(width * 17 / 19);
        unsigned const maximum = Limit(width * 19 / 17);
        if (!window.SetNextRunLengthData(minimum, maximum) || window.GetLength() != kRuns ||
            window.GetSpan() < minimum || window.GetSpan() > maximum || BarIsLight(window, reverced) != negative) {
            symbols.Clear();
            return false;
        }
        // The closing pattern ends the row after at least one codeword (a
        // stop pattern may also be shared out as some codeword, so it is
        // looked for first); codewords go on while they keep the row's
        // cluster.
        if (PatternOf(window, reverced) == closing) {
            if (!haveCluster ||
                !symbols.Push(SymbolOf(window, closing == Pattern::kStart ? kStartValue : kStopValue, 0))) {
                symbols.Clear();
                return false;
            }
            rate.Push(window);
            return true;
        }
        unsigned value = 0;
        unsigned cluster = 0;
        if (!ReadCodeword(window, reverced, value, cluster) || (haveCluster && cluster != rowCluster) ||
            symbols.GetCount() + 1 >= kMaxSymbols || !symbols.Push(SymbolOf(window, static_cast<int>(value), cluster))) {
            symbols.Clear();
            return false;
        }
        haveCluster = true;
        rowCluster = cluster;
        rate.Push(window);
    }
}

bool PDF417RowDecoder::CheckCheckDigit(StackInterface<BarSymbol> const&, bool) const { return true; }

bool PDF417RowDecoder::Start(StackInterface<BarSymbol> const&, bool, DecodedLabel& label) const
{
    label.data.Clear();
    label.identifier = CommonSymbologyIdentifier(PDFIdentifier());
    label.region = Region();
    label.moduleCount = 0;
    label.moduleWord = 0;
    label.negative = 0;
    label.further = tagFurtherRecord{};
    return true;
}

bool PDF417RowDecoder::IsEnableStartBarSymbol() const { return false; }

unsigned PDF417RowDecoder::CountLeastReadRuns() const { return pdf417_->read.Get() ? 3 * kRuns : kReadsNothing; }

bool PDF417RowDecoder::IsStackedRow(StackInterface<BarSymbol> const& symbols, bool) const
{
    unsigned const n = symbols.GetCount();
    return n >= 3 && (symbols[0].value == kStartValue || symbols[0].value == kStopValue) &&
           (symbols[n - 1].value == kStartValue || symbols[n - 1].value == kStopValue);
}

}  // namespace DEC2DIvra
