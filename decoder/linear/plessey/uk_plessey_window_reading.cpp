// UK Plessey read window by window along the line: the start window finds
// the symbol's direction and first character, each further window holds the
// character read before and the next, and the stop (met from the start) or
// the start (met from the stop end) with its quiet zone ends the symbol.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/plessey/plessey_quiet_zone.h"
#include "decoder/linear/plessey/uk_plessey_decoder.h"
#include "decoder/linear/plessey/uk_plessey_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

unsigned Clamp(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

long long Span(CommonPartialScanData const& window, unsigned first, unsigned count)
{
    return static_cast<long long>(window[first + count - 1].end) - window[first].begin;
}

}  // namespace

bool UKPlesseyDecoder::CheckQuietZoneAfter(CommonPartialScanData const& window, bool negative) const
{
    return CheckPlesseyQuietZoneAfter(window, negative,
                                      CalcPlesseyQuietZone(window.GetMinWidth(), GetDecoderDetail().quiet_zone.Get()),
                                      uk_->smart_quiet_zone_check.Get());
}

bool UKPlesseyDecoder::FindStart(ArrayIterator<ScanElement const> const& start, bool negative,
                                 UKPlesseyPartialScanDataWithPitch& window, BarSymbol& symbol,
                                 unsigned& separation) const
{
    UKPlesseyPartialScanDataWithPitch remembered;
    bool found = false;
    unsigned const specks = uk_->smart_quiet_zone_check.Get();
    unsigned const quietZone = GetDecoderDetail().quiet_zone.Get();
    if (!window.Set(start)) {
        return false;
    }
    do {
        unsigned const zone = CalcPlesseyQuietZone(window.GetMinWidth(), quietZone);
        BarSymbol candidate;
        unsigned candidateSeparation = 0;
        bool const pass =
            (negative ? window.CheckBlackMargin(zone, false, false, specks)
                      : window.CheckMargin(zone, false, false, specks)) &&
            window.CalcStartBarSymbol(candidate, candidateSeparation) &&
            (negative ? window.CheckBlackMargin(zone, false, true, specks)
                      : window.CheckMargin(zone, false, true, specks));
        if (pass) {
            remembered.CopyFrom(window);
            symbol = candidate;
            separation = candidateSeparation;
            found = true;
        }
    } while (window.DeleteNoise());
    return found && window.CopyFrom(remembered);
}

bool UKPlesseyDecoder::ReadByWindows(ArrayIterator<ScanElement const> const& start,
                                     StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    UKPlesseyPartialScanDataWithPitch first;
    BarSymbol head;
    unsigned separation = 0;
    if (!FindStart(start, negative, first, head, separation)) {
        return false;
    }
    bool const reversed = head.flag != 0;
    unsigned const pattern = static_cast<unsigned>(head.value);
    unsigned previous = reversed ? pattern >> 4 : pattern & 15u;
    unsigned characterFirst = UKPlesseyPartialScanDataWithPitch::GetCharacterFirst(reversed);
    BarSymbol character = head;
    character.value = static_cast<int>(previous);
    character.begin = first[characterFirst].begin;
    character.end = first[characterFirst + UKPlesseyPartialScanData::kCharacterRuns - 1].end;
    if (!symbols.Push(character)) {
        return false;
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    rate.Push(first);
    long long span = Span(first, characterFirst, UKPlesseyPartialScanData::kCharacterRuns);
    CommonPartialScanData const* current = &first;
    UKPlesseyPartialScanData window;
    for (;;) {
        // The runs from the last character on are kept.
        unsigned const kept = current->GetLength() - characterFirst;
        if (!reversed) {
            UKPlesseyPartialScanDataWithPitch end;
            BarSymbol stop;
            unsigned stopSeparation = separation;
            if (end.Set(*current, kept, Clamp(5 * span / 4 + 4 * span / 5), Clamp((5 * span / 2) & ~1LL)) &&
                end.CalcEndBarSymbol(previous, stop, stopSeparation) && CheckQuietZoneAfter(end, negative)) {
                symbols.GetTop().end = end[UKPlesseyPartialScanDataWithPitch::kRuns - 1].end;
                break;
            }
        }
        if (symbols.GetCount() >= kMaxSymbols) {
            symbols.Clear();
            return false;
        }
        if (!window.Set(*current, kept, Clamp(span + 4 * span / 5), Clamp(span + 5 * span / 4)) ||
            !window.CalcBarSymbol(reversed, previous, character, separation)) {
            symbols.Clear();
            return false;
        }
        unsigned const bits = static_cast<unsigned>(character.value);
        // The window's earlier character must be the one read before.
        unsigned const held = reversed ? bits & 15u : bits >> 4;
        unsigned const value = reversed ? bits >> 4 : bits & 15u;
        if (held != previous) {
            symbols.Clear();
            return false;
        }
        characterFirst = UKPlesseyPartialScanData::kCharacterFirst;
        // Met from the stop end the symbol ends with its start, 1101.
        if (reversed && value == UKPlesseyPartialScanDataWithPitch::kStartBits && CheckQuietZoneAfter(window, negative)) {
            symbols.GetTop().end = window[UKPlesseyPartialScanData::kRuns - 1].end;
            break;
        }
        character.value = static_cast<int>(value);
        character.begin = window[characterFirst].begin;
        character.end = window[characterFirst + UKPlesseyPartialScanData::kCharacterRuns - 1].end;
        if (!symbols.Push(character)) {
            symbols.Clear();
            return false;
        }
        rate.Push(window);
        previous = value;
        span = Span(window, characterFirst, UKPlesseyPartialScanData::kCharacterRuns);
        current = &window;
    }
    symbols[0].begin = first[0].begin;
    reverced = reversed;
    return true;
}

}  // namespace DEC2DIvra
