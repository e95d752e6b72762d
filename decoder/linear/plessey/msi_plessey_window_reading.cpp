// MSI Plessey read window by window along the line: the start window finds
// the symbol's direction and first digit, and each further window keeps the
// last digit and the pair after it, so that every digit is classified
// against its neighbours and the stop is recognised by its 0 and quiet zone.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/plessey/msi_plessey_decoder.h"
#include "decoder/linear/plessey/msi_plessey_partial_scan_data.h"
#include "decoder/linear/plessey/plessey_quiet_zone.h"

namespace DEC2DIvra {

namespace {

unsigned Clamp(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

long long Span(CommonPartialScanData const& window, unsigned first, unsigned count)
{
    return static_cast<long long>(window[first + count - 1].end) - window[first].begin;
}

// The stop's 0 pair and the closing bar after a forward window.
constexpr unsigned kStopKeptRuns = 2;
constexpr unsigned kStopRuns = 3;

}  // namespace

unsigned MSIPlesseyDecoder::CalcQuietZone(long long width) const
{
    return CalcPlesseyQuietZone(width, GetDecoderDetail().quiet_zone.Get());
}

bool MSIPlesseyDecoder::CheckQuietZoneAfter(CommonPartialScanData const& window, bool negative) const
{
    return CheckPlesseyQuietZoneAfter(window, negative, CalcQuietZone(window.GetMinWidth()),
                                      msi_->smart_quiet_zone_check.Get());
}

bool MSIPlesseyDecoder::FindStart(ArrayIterator<ScanElement const> const& start, bool negative, bool reversed,
                                  MSIPlesseyPartialScanDataWithStart& window, BarSymbol& symbol,
                                  unsigned& separation) const
{
    MSIPlesseyPartialScanDataWithStart remembered;
    bool found = false;
    unsigned const specks = msi_->smart_quiet_zone_check.Get();
    if (!window.SetLength(reversed ? window.kReverseRuns : window.kRuns) || !window.Set(start)) {
        return false;
    }
    do {
        unsigned const zone = CalcQuietZone(window.GetMinWidth());
        BarSymbol candidate;
        unsigned found_separation = 0;
        bool const pass =
            (negative ? window.CheckBlackMargin(zone, false, false, specks)
                      : window.CheckMargin(zone, false, false, specks)) &&
            window.CalcStartBarSymbol(candidate, reversed, found_separation) &&
            (reversed ? (candidate.value & 1) == 0 : candidate.value / 32 == 1) &&
            (negative ? window.CheckBlackMargin(zone, false, true, specks)
                      : window.CheckMargin(zone, false, true, specks));
        if (pass) {
            remembered.CopyFrom(window);
            symbol = candidate;
            separation = found_separation;
            found = true;
        }
    } while (window.DeleteNoise());
    return found && window.CopyFrom(remembered);
}

bool MSIPlesseyDecoder::ReadByWindows(ArrayIterator<ScanElement const> const& start,
                                      StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    MSIPlesseyPartialScanDataWithStart first;
    BarSymbol head;
    unsigned separation = 0;
    bool reversed = false;
    if (!FindStart(start, negative, false, first, head, separation)) {
        reversed = true;
        if (!FindStart(start, negative, true, first, head, separation)) {
            return false;
        }
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    unsigned const pattern = static_cast<unsigned>(head.value);
    unsigned previous = (pattern >> 1) & 15u;
    if (previous > 9) {
        return false;
    }
    BarSymbol digit = head;
    digit.value = static_cast<int>(previous);
    if (!symbols.Push(digit)) {
        return false;
    }
    rate.Push(first);
    long long span = Span(first, first.GetDigitFirst(reversed), MSIPlesseyPartialScanData::kDigitRuns);
    // A single digit: the pair after it is the stop's 0 (forward) or the
    // start's 1 (from the stop end).
    bool ends = reversed ? pattern / 32 == 1 : (pattern & 1) == 0;
    CommonPartialScanData const* current = &first;
    MSIPlesseyPartialScanData window;
    for (;;) {
        if (ends) {
            if (reversed) {
                if (CheckQuietZoneAfter(*current, negative)) {
                    break;
                }
            } else {
                PartialScanData<kStopRuns, CommonPlesseyPartialScanData> stop;
                if (stop.Set(*current, kStopKeptRuns, 0, Clamp(span)) &&
                    CheckQuietZoneAfter(stop, negative)) {
                    symbols.GetTop().end = stop[kStopRuns - 1].end;
                    break;
                }
            }
        }
        if (symbols.GetCount() >= kMaxSymbols) {
            symbols.Clear();
            return false;
        }
        long long const low = 5 * span / 4 + 4 * span / 5;
        long long const high = (5 * span / 2) & ~1LL;
        BarSymbol character;
        if (!window.Set(*current, MSIPlesseyPartialScanData::kKeptRuns, Clamp(low), Clamp(high)) ||
            !window.CalcBarSymbol(previous, reversed, character, separation)) {
            symbols.Clear();
            return false;
        }
        unsigned const bits = static_cast<unsigned>(character.value);
        // The window's previous digit must be the one read before.
        unsigned const held = reversed ? bits & 15u : (bits >> 5) & 15u;
        unsigned const value = reversed ? (bits >> 4) & 15u : (bits >> 1) & 15u;
        if (held != previous || value > 9) {
            symbols.Clear();
            return false;
        }
        character.value = static_cast<int>(value);
        character.begin = window[MSIPlesseyPartialScanData::kDigitFirst].begin;
        character.end = window[MSIPlesseyPartialScanData::kDigitFirst + MSIPlesseyPartialScanData::kDigitRuns - 1].end;
        if (!symbols.Push(character)) {
            symbols.Clear();
            return false;
        }
        rate.Push(window);
        previous = value;
        span = Span(window, MSIPlesseyPartialScanData::kDigitFirst, MSIPlesseyPartialScanData::kDigitRuns);
        ends = reversed ? bits / 256 == 1 : (bits & 1) == 0;
        current = &window;
    }
    symbols[0].begin = first[0].begin;
    if (reversed) {
        symbols.GetTop().end = (*current)[current->GetLength() - 1].end;
    }
    reverced = reversed;
    return true;
}

}  // namespace DEC2DIvra
