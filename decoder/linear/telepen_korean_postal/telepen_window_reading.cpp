// Telepen read window by window: the start character (or the stop, met from
// the symbol's end) with the quiet zone before it, then one character window
// after another, each measured by the module width of the one before, up to
// the closing character and the quiet zone after it.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/telepen_korean_postal/telepen_decoder.h"
#include "decoder/linear/telepen_korean_postal/telepen_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

unsigned Clamp(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

bool Margin(CommonPartialScanData const& window, unsigned width, bool after, bool negative, unsigned specks)
{
    return negative ? window.CheckBlackMargin(width, after, false, specks)
                    : window.CheckMargin(width, after, false, specks);
}

// The line run after the first `runs` runs of the window.
ArrayIterator<ScanElement const> After(CommonPartialScanData const& window, unsigned runs)
{
    if (runs >= window.GetLength()) {
        return window.GetIterator();
    }
    ArrayIterator<ScanElement const> const& at = window.GetIterator();
    return ArrayIterator<ScanElement const>(at.GetBegin(), at.GetCount(), window[runs].lineIndex, 1);
}

// Loads up to `most` runs from `from` on; false when fewer than `least`
// remain.
bool Load(TelepenPartialScanData& window, ArrayIterator<ScanElement const> const& from, unsigned least,
          unsigned most)
{
    unsigned const remaining = from.IsValid() ? from.GetRemaining() : 0u;
    if (remaining < least) {
        return false;
    }
    return window.SetLength(remaining < most ? remaining : most) && window.Set(from);
}

}  // namespace

bool TelepenDecoder::ReadWindows(ArrayIterator<ScanElement const> const& start, bool negative,
                                 StackInterface<BarSymbol>& symbols, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    long long const qz = GetDecoderDetail().quiet_zone.Get();
    unsigned const specks = telepen_->smart_quiet_zone_check.Get();
    TelepenPartialScanData window;
    TelepenPartialScanData remembered;
    if (!start.IsValid() || start.GetStep() != 1 ||
        !Load(window, start, TelepenPartialScanData::kStartRuns, TelepenPartialScanData::kStartRuns)) {
        return false;
    }
    BarSymbol first;
    unsigned runs = 0;
    unsigned module = 0;
    bool found = false;
    do {
        BarSymbol candidate;
        unsigned candidateRuns = 0;
        unsigned candidateModule = 0;
        if (window.CalcStartBarSymbol(candidate, candidateRuns, candidateModule) &&
            Margin(window, Clamp(static_cast<long long>(window.GetMinWidth()) * qz * 12 / 7), false, negative,
                   specks)) {
            remembered.CopyFrom(window);
            first = candidate;
            runs = candidateRuns;
            module = candidateModule;
            found = true;
        }
    } while (window.DeleteNoise());
    if (!found) {
        return false;
    }
    // Met at its stop: the symbol runs against the line, each character
    // mirrored, and the start closes it.
    bool const reversed = first.value == kStop;
    int const closing = reversed ? kStart : kStop;
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    rate.Push(remembered);
    if (!symbols.Push(first)) {
        return false;
    }
    ArrayIterator<ScanElement const> next = After(remembered, runs);
    for (;;) {
        BarSymbol symbol;
        if (symbols.GetCount() >= kMaxSymbols || !Load(window, next, TelepenPartialScanData::kMinRuns - 1, TelepenPartialScanData::kMaxRuns) ||
            !window.CalcBarSymbol(reversed, symbol, runs, module) || !symbols.Push(symbol)) {
            symbols.Clear();
            return false;
        }
        // The character alone in the window, for the statistics and the
        // quiet zone after the closing one.
        if (!Load(window, next, runs, runs)) {
            symbols.Clear();
            return false;
        }
        rate.Push(window);
        // The closing character's code is also a data character's: only
        // the quiet zone after it ends the symbol.
        if (symbol.value == closing && symbols.GetCount() >= 3 &&
            Margin(window, Clamp(static_cast<long long>(module) * qz * 12 / 7), true, negative, specks)) {
            break;
        }
        next = After(window, runs);
    }
    reverced = reversed;
    return true;
}

}  // namespace DEC2DIvra
