// Korean postal read window by window in either direction: the first digit
// with the quiet zone before it, then each digit sharing a bar with the one
// before, and the quiet zone after the seventh.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kSymbolRuns = 8 * KoreanPostalDecoder::kDigits - 1;

unsigned Clamp(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

bool Margin(CommonPartialScanData const& window, unsigned width, bool after, bool inner, bool negative,
            unsigned specks)
{
    return negative ? window.CheckBlackMargin(width, after, inner, specks)
                    : window.CheckMargin(width, after, inner, specks);
}

}  // namespace

bool KoreanPostalDecoder::ReadWindows(ArrayIterator<ScanElement const> const& first, bool reversed, bool negative,
                                      StackInterface<BarSymbol>& symbols) const
{
    symbols.Clear();
    long long const qz = GetDecoderDetail().quiet_zone.Get();
    unsigned const specks = korean_->smart_quiet_zone_check.Get();
    KoreanPostalStartPartialScanData window;
    KoreanPostalStartPartialScanData remembered;
    BarSymbol digits[kDigits];
    unsigned modules = 0;
    bool found = false;
    if (!first.IsValid() || !(reversed ? window.ReverceSet(first) : window.Set(first))) {
        return false;
    }
    do {
        BarSymbol candidate;
        unsigned candidateModules = 0;
        if (Margin(window, Clamp(window.GetSpan() * qz / 7), false, false, negative, specks) &&
            window.CalcBarSymbol(reversed, candidate, candidateModules) &&
            Margin(window, Clamp((static_cast<long long>(candidate.end) - candidate.begin) * qz / 7), false, true,
                   negative, specks)) {
            remembered.CopyFrom(window);
            digits[0] = candidate;
            modules = candidateModules;
            found = true;
        }
    } while (window.DeleteNoise());
    if (!found || modules == 0) {
        return false;
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    rate.Push(remembered);
    long long const startSpan = remembered.GetSpan();
    long long span = 6 * startSpan / modules;
    KoreanPostalPartialScanData digit;
    CommonPartialScanData const* current = &remembered;
    for (unsigned d = 1; d < kDigits; ++d) {
        if (!digit.Set(*current, 1, Clamp(4 * span / 5), Clamp(5 * span / 4)) ||
            !digit.CalcBarSymbol(reversed, digits[d])) {
            return false;
        }
        span = digit.GetSpan();
        // The first digit's units must agree with the next digit's six.
        if (span <= 0 || (d == 1 && (12 * startSpan + span) / (2 * span) != modules)) {
            return false;
        }
        rate.Push(digit);
        current = &digit;
    }
    if (!Margin(digit, Clamp(span * qz / 7), true, true, negative, specks)) {
        return false;
    }
    // Pushed in line order; a reversed read is read back by Start.
    for (unsigned k = 0; k < kDigits; ++k) {
        if (!symbols.Push(digits[reversed ? kDigits - 1 - k : k])) {
            symbols.Clear();
            return false;
        }
    }
    return CheckCheckDigitSelf(symbols, reversed);
}

bool KoreanPostalDecoder::ExecuteBinarizationNotReverce(ArrayIterator<ScanElement const> const& start, bool negative,
                                                        StackInterface<BarSymbol>& symbols) const
{
    return ReadWindows(start, false, negative, symbols);
}

bool KoreanPostalDecoder::ExecuteBinarizationReverce(ArrayIterator<ScanElement const> const& start, bool negative,
                                                     StackInterface<BarSymbol>& symbols) const
{
    symbols.Clear();
    // Met from its right end: the symbol's last bar lies 54 runs on.
    long long const last = start.GetIndex() + static_cast<long long>(kSymbolRuns) - 1;
    if (!start.IsValid() || last >= static_cast<long long>(start.GetCount())) {
        return false;
    }
    ArrayIterator<ScanElement const> const end(start.GetBegin(), start.GetCount(), static_cast<int>(last), -1);
    return end.IsValid() && end->colour == start->colour && ReadWindows(end, true, negative, symbols);
}

KoreanPostalDecoder::WindowRead KoreanPostalDecoder::ReadByWindows(ArrayIterator<ScanElement const> const& start,
                                                                   bool negative, StackInterface<BarSymbol>& symbols,
                                                                   bool& reverced) const
{
    bool const backFirst = korean_->enable_backward_scanning.Get();
    bool const both = korean_->enable_upside_down_reading.Get();
    BarSymbol storage[2][kDigits];
    StackInterface<BarSymbol> ways[2] = {StackInterface<BarSymbol>(storage[0], kDigits),
                                         StackInterface<BarSymbol>(storage[1], kDigits)};
    int read = -1;
    for (unsigned attempt = 0; attempt < (both ? 2u : 1u) && read < 0; ++attempt) {
        bool const reverse = (attempt == 0) == backFirst;
        if (reverse ? ExecuteBinarizationReverce(start, negative, ways[1])
                    : ExecuteBinarizationNotReverce(start, negative, ways[0])) {
            read = reverse ? 1 : 0;
        }
    }
    if (read < 0) {
        return WindowRead::kNone;
    }
    // A code that reads as another valid code the other way round is
    // refused rather than guessed at, whatever the directions allowed.
    unsigned const other = 1 - static_cast<unsigned>(read);
    bool const otherRead = other == 1 ? ExecuteBinarizationReverce(start, negative, ways[1])
                                      : ExecuteBinarizationNotReverce(start, negative, ways[0]);
    if (otherRead) {
        // Both in the symbol's order: the reversed read was pushed in line order.
        unsigned char forward[kDigits];
        unsigned char backward[kDigits];
        for (unsigned k = 0; k < kDigits; ++k) {
            forward[k] = static_cast<unsigned char>(ways[0][k].value);
            backward[k] = static_cast<unsigned char>(ways[1][kDigits - 1 - k].value);
        }
        if (!SameCode(forward, backward)) {
            return WindowRead::kRefused;
        }
    }
    symbols.Clear();
    for (unsigned k = 0; k < kDigits; ++k) {
        if (!symbols.Push(ways[read][k])) {
            symbols.Clear();
            return WindowRead::kRefused;
        }
    }
    reverced = read == 1;
    return WindowRead::kRead;
}

}  // namespace DEC2DIvra
