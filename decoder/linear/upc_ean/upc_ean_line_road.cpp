#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/upc_ean/upc_ean_decoder.h"
#include "decoder/linear/upc_ean/upc_ean_digits.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"
#include "decoder/linear/upc_ean/upc_ean_tables.h"

// The single-line roads of the UPC/EAN decoders: from a left guard (or a
// right guard met first) through the characters and the centre guard to the
// right guard, and on to an add-on.

namespace DEC2DIvra {

namespace {

unsigned ToWidth(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

// A quiet zone of `zone` modules, the module being span * num / den / 7.
unsigned MarginWidth(long long span, long long num, long long den, unsigned zone)
{
    return ToWidth((span * num / den) * zone / 7);
}

bool InSpan(CommonPartialScanData const& window, long long minimum, long long maximum)
{
    long long const span = window.GetSpan();
    return span >= minimum && span <= maximum;
}

BarSymbol ToBarSymbol(BarSymbolForWPC const& c)
{
    BarSymbol s;
    s.value = static_cast<int>(c.code);
    s.begin = c.begin;
    s.end = c.end;
    s.width = c.width;
    s.contrast = c.greyRange;
    s.flag = c.startFlag;
    return s;
}

long long SpanOf(BarSymbolForWPC const& c) { return static_cast<long long>(c.end) - c.begin; }

}  // namespace

struct WPCDecoder::Road {
    WPCDecoder const& decoder;
    StackInterface<BarSymbol>& symbols;
    bool inverted;
    unsigned zone;
    unsigned specks;
    RateForTuningCalculator const& rate;
    // Whether an add-on may follow, and whether the quiet zone on the add-on
    // side of the main symbol was too narrow: the gap to an add-on may be as
    // little as seven modules, no more than the quiet zone asked for, so
    // there the add-on itself must be read to close the symbol.
    bool addons;
    mutable bool gapOnly = false;

    // The margin threshold lies between the window's extreme levels: with the
    // inner levels a margin run no brighter than the window's own spaces
    // would never end the margin, and a space between characters would pass
    // for a quiet zone.
    bool Quiet(CommonPartialScanData const& window, unsigned width, bool after, unsigned tolerated) const
    {
        return inverted ? window.CheckBlackMargin(width, after, false, tolerated)
                        : window.CheckMargin(width, after, false, tolerated);
    }

    bool Accept(CommonPartialScanData const& window, BarSymbolForWPC const& c) const
    {
        rate.Push(window);
        return symbols.Push(ToBarSymbol(c));
    }

    // The next character of a half: its window holds the previous character
    // and the new one, together 18/10 to 22/10 of the previous one's span,
    // widened by a seventh on either side.
    bool NextCharacter(CommonPartialScanData const& source, BarSymbolForWPC& previous, WPCPartialScanData& window) const
    {
        long long const p = SpanOf(previous);
        long long const minimum = 18 * p / 10 - p / 7;
        long long const maximum = 22 * p / 10 + p / 7;
        BarSymbolForWPC next;
        if (!window.Set(source, 4, ToWidth(minimum), ToWidth(maximum)) || !InSpan(window, minimum, maximum) ||
            !window.CalcBarSymbol(inverted, previous, next) || !Accept(window, next)) {
            return false;
        }
        previous = next;
        return true;
    }

    bool Characters(CommonPartialScanData const& source, BarSymbolForWPC& previous, WPCPartialScanData& window,
                    unsigned count) const
    {
        CommonPartialScanData const* from = &source;
        for (unsigned i = 0; i < count; ++i) {
            if (!NextCharacter(*from, previous, window)) {
                return false;
            }
            from = &window;
        }
        return true;
    }

    // The centre guard (five modules) and the character after it: 48/35 to
    // 84/35 of a character beyond the previous one.
    bool Middle(CommonPartialScanData const& source, BarSymbolForWPC& previous, WPCMiddlePartialScanData& window) const
    {
        long long const p = SpanOf(previous);
        long long const minimum = p + 48 * p / 35;
        long long const maximum = p + 84 * p / 35;
        BarSymbolForWPC next;
        if (!window.Set(source, 4, ToWidth(minimum), ToWidth(maximum)) || !InSpan(window, minimum, maximum) ||
            !window.CalcBarSymbol(inverted, previous, next) || !Accept(window, next)) {
            return false;
        }
        previous = next;
        return true;
    }

    // The three-run right guard, 12/35 to 18/35 of a character beyond the
    // last one, with the quiet zone after it (or, on the add-on side, an
    // add-on gap). zoneNum/zoneDen give the module from the window's span.
    bool End(CommonPartialScanData const& source, BarSymbolForWPC const& last, WPCEndPartialScanData& window,
             long long zoneNum, long long zoneDen, bool addonSide) const
    {
        long long const p = SpanOf(last);
        long long const minimum = p + 12 * p / 35;
        long long const maximum = p + 18 * p / 35;
        if (!window.Set(source, 4, ToWidth(minimum), ToWidth(maximum)) || !InSpan(window, minimum, maximum) ||
            !window.IsEnd(inverted, last)) {
            return false;
        }
        if (!Quiet(window, MarginWidth(window.GetSpan(), zoneNum, zoneDen, zone), true, specks)) {
            if (!addonSide || !addons) {
                return false;
            }
            gapOnly = true;
        }
        rate.Push(window);
        return true;
    }

    // The add-on decision of a complete main symbol: a gap too narrow for a
    // quiet zone leaves the add-on required.
    bool Addon(CommonPartialScanData const& anchor, bool walkLeft, unsigned guardModules, bool plainAllowed,
               bool addonAllowed, bool forced) const
    {
        return decoder.SearchAddon(*this, anchor, walkLeft, guardModules, plainAllowed && !gapOnly, addonAllowed,
                                   forced);
    }

    bool ReadForward(ArrayIterator<ScanElement const> const& start, bool& reverced) const;
    bool ReadFromUpcEEnd(ArrayIterator<ScanElement const> const& start, bool& reverced) const;
};

bool WPCDecoder::ExecuteAddonBinarization(CommonPartialScanData const& anchor, bool walkLeft, unsigned guardModules,
                                          bool barIsLight, StackInterface<BarSymbol>& symbols) const
{
    long long const e = anchor.GetSpan();
    long long const minimum = guardModules == 13 ? 44 * e / 65 : 22 * e / 25;
    long long const maximum = guardModules == 13 ? 66 * e / 65 : 33 * e / 25;
    // The add-on guard begins within the widest gap (12 modules) and a little.
    unsigned const distance = ToWidth(14 * e / guardModules);
    unsigned const reference = ToWidth(anchor.GetContrast());
    WPCAddonStartPartialScanData first;
    bool loaded = false;
    if (walkLeft) {
        PartialScanElement const& edge = anchor[0];
        ArrayIterator<ScanElement const> const from(anchor.GetIterator().GetBegin(), anchor.GetIterator().GetCount(),
                                                    edge.lineIndex, -1);
        loaded = first.ReverceSet(from, barIsLight, edge.begin, reference, ToWidth(minimum), ToWidth(maximum), distance);
    } else {
        loaded = first.Set(anchor.GetIterator(), barIsLight, anchor.GetEnd(), reference, ToWidth(minimum),
                           ToWidth(maximum), distance);
    }
    BarSymbolForWPC digit;
    if (!loaded || !InSpan(first, minimum, maximum) || !first.CalcBarSymbol(barIsLight, walkLeft, digit)) {
        return false;
    }
    unsigned const base = symbols.GetCount();
    if (!symbols.Push(ToBarSymbol(digit))) {
        return false;
    }
    auto quiet = [&](CommonPartialScanData const& window) {
        long long const span = window.GetSpan();
        auto test = [&](unsigned width, unsigned tolerated) {
            return barIsLight ? window.CheckBlackMargin(width, true, false, tolerated)
                              : window.CheckMargin(width, true, false, tolerated);
        };
        return test(ToWidth(7 * span / 9), 0) || test(ToWidth(span), 1);
    };
    // Separator and digit: nine modules against the first window's eleven.
    long long const f = first.GetSpan();
    long long const low = 36 * f / 55;
    long long const high = 54 * f / 55;
    WPCAddonPartialScanData window;
    CommonPartialScanData const* previous = &first;
    // A blurred separator and digit can pass for the quiet zone after two
    // digits; a third digit that reads says the add-on goes on to five.
    bool endsAtTwo = false;
    for (unsigned n = 2; n <= 5; ++n) {
        bool const next = walkLeft ? window.ReverceSetNextRunLengthData(*previous, ToWidth(low), ToWidth(high))
                                   : window.SetNextRunLengthData(*previous, ToWidth(low), ToWidth(high));
        if (!next || !InSpan(window, low, high) || !window.CalcBarSymbol(barIsLight, digit) ||
            !symbols.Push(ToBarSymbol(digit))) {
            break;
        }
        previous = &window;
        if (n == 2) {
            endsAtTwo = quiet(window);
        } else if (n == 5 && quiet(window)) {
            return true;
        }
    }
    if (endsAtTwo) {
        symbols.SetCount(base + 2);
        return true;
    }
    symbols.SetCount(base);
    return false;
}

bool WPCDecoder::SearchAddon(Road const& road, CommonPartialScanData const& anchor, bool walkLeft, unsigned guardModules,
                             bool plainAllowed, bool addonAllowed, bool forced) const
{
    if (!addonAllowed && !forced) {
        return plainAllowed;
    }
    if (ExecuteAddonBinarization(anchor, walkLeft, guardModules, road.inverted, road.symbols)) {
        return true;
    }
    return !forced && plainAllowed;
}

bool WPCDecoder::Road::ReadForward(ArrayIterator<ScanElement const> const& start, bool& reverced) const
{
    // Left guard and first character, with the quiet zone before them; a
    // noise run inside hides the character, so weak runs are merged away
    // one pass at a time.
    WPCStartPartialScanData first;
    if (!first.Set(start)) {
        return false;
    }
    BarSymbolForWPC c;
    bool found = false;
    for (unsigned pass = 0; pass < kMaxNoisePasses && !found; ++pass) {
        // Met from its right-hand end, a symbol has its add-on before it.
        bool const quiet = Quiet(first, MarginWidth(first.GetSpan(), 7, 10, zone), false, specks);
        found = (quiet || addons) && first.CalcBarSymbol(inverted, c) &&
                (quiet || UpcEanTables::Lookup(static_cast<int>(c.code)).set == 1);
        gapOnly = found && !quiet;
        if (!found && !first.DeleteNoise()) {
            return false;
        }
    }
    if (!found || UpcEanTables::Lookup(static_cast<int>(c.code)).digit > 9) {
        return false;
    }
    // Measured from the character alone, a short quiet zone rules out
    // UPC-E, which is otherwise easily found inside longer symbols.
    c.startFlag = Quiet(first, ToWidth(SpanOf(c) / 7 * zone), false, specks) ? 0 : 1;
    if (!Accept(first, c)) {
        return false;
    }
    UpcEanCharacter const head = UpcEanTables::Lookup(static_cast<int>(c.code));
    bool const fromRight = head.set == 1;

    BarSymbolForWPC previous = c;
    WPCPartialScanData data;
    if (!Characters(first, previous, data, 3)) {
        return false;
    }
    WPCMiddlePartialScanData middle;
    WPCEndPartialScanData end;
    BarSymbolForWPC fifth = previous;
    if (Middle(data, fifth, middle)) {
        Ean8Property const& ean8 = decoder.GetEan8Property();
        if (!ean8.read.Get() && !ean8.read_addon2.Get() && !ean8.read_addon5.Get()) {
            return false;
        }
        if (!Characters(middle, fifth, data, 3) || !End(data, fifth, end, 7, 10, !fromRight)) {
            return false;
        }
        reverced = fromRight;
        return Addon(fromRight ? static_cast<CommonPartialScanData const&>(first) : end, fromRight, 10,
                     ean8.read.Get(), ean8.read_addon2.Get() || ean8.read_addon5.Get(), false);
    }
    // Not EAN-8: the symbol's own middle holds two characters more.
    if (!Characters(data, previous, data, 2)) {
        return false;
    }
    UPC_E_EndPartialScanData upce;
    long long const p = SpanOf(previous);
    long long const upceMinimum = p + 24 * p / 35;
    long long const upceMaximum = p + 36 * p / 35;
    if (upce.Set(data, 4, ToWidth(upceMinimum), ToWidth(upceMaximum)) && InSpan(upce, upceMinimum, upceMaximum) &&
        upce.IsEnd(inverted, previous)) {
        bool const quiet = Quiet(upce, MarginWidth(upce.GetSpan(), 9, 13, zone), true, specks);
        bool const e1 = head.set == 0;
        // A UPC-E is read from its left guard only; its right end met first
        // leaves no add-on gap to judge here.
        bool const upcE = c.startFlag == 0 && !gapOnly && decoder.IsAnyUpcEEnabled(e1);
        UpcEProperty const& keys = decoder.GetUpcEProperty();
        if (quiet) {
            if (!upcE) {
                return false;
            }
            rate.Push(upce);
            reverced = false;
            return Addon(upce, false, 13, e1 ? keys.read_upc_e1.Get() : keys.read.Get(), decoder.HasAddonKeyForUpcE(e1),
                         false);
        }
        // Without its quiet zone the guard ends a UPC-E only when an add-on
        // follows in the gap; else the centre guard of a longer symbol may
        // look the same.
        if (upcE && decoder.HasAddonKeyForUpcE(e1) &&
            decoder.ExecuteAddonBinarization(upce, false, 13, inverted, symbols)) {
            rate.Push(upce);
            reverced = false;
            return true;
        }
    }
    if (!Middle(data, previous, middle) || !Characters(middle, previous, data, 5) ||
        !End(data, previous, end, 7, 10, !fromRight)) {
        return false;
    }
    reverced = fromRight;

    // The add-on rules depend on what the twelve characters say.
    UpcEanDigits digits;
    if (!digits.Set(symbols, reverced)) {
        return false;
    }
    unsigned char const prefix[3] = {digits.CalcLeadingDigit(), digits.GetMain(0), digits.GetMain(1)};
    if (prefix[0] > 9) {
        return false;
    }
    unsigned const forced = decoder.CheckForcedAddon(prefix);
    decoder.forcedAddon_ = forced;
    CommonPartialScanData const& anchor = fromRight ? static_cast<CommonPartialScanData const&>(first) : end;
    if (prefix[0] == 0) {
        UpcAProperty const& keys = decoder.GetUpcAProperty();
        bool const addonKeys = keys.read_addon2.Get() || keys.read_addon5.Get();
        if (!addonKeys) {
            return forced == 0 && !gapOnly && keys.read.Get();
        }
        return Addon(anchor, fromRight, 10, keys.read.Get(), true, forced != 0);
    }
    Ean13Property const& keys = decoder.GetEan13Property();
    return Addon(anchor, fromRight, 10, keys.read.Get(), keys.read_addon2.Get() || keys.read_addon5.Get(),
                 forced != 0);
}

bool WPCDecoder::Road::ReadFromUpcEEnd(ArrayIterator<ScanElement const> const& start, bool& reverced) const
{
    UPC_E_ReverceStartPartialScanData first;
    if (!first.Set(start)) {
        return false;
    }
    BarSymbolForWPC c;
    bool found = false;
    for (unsigned pass = 0; pass < kMaxNoisePasses && !found; ++pass) {
        bool const quiet = Quiet(first, MarginWidth(first.GetSpan(), 9, 13, zone), false, specks);
        found = (quiet || addons) && first.CalcBarSymbol(inverted, c);
        gapOnly = found && !quiet;
        if (!found && !first.DeleteNoise()) {
            return false;
        }
    }
    if (!found || UpcEanTables::Lookup(static_cast<int>(c.code)).digit > 9 || !Accept(first, c)) {
        return false;
    }
    BarSymbolForWPC previous = c;
    WPCPartialScanData data;
    WPCEndPartialScanData end;
    if (!Characters(first, previous, data, 5) || !End(data, previous, end, 9, 10, false)) {
        return false;
    }
    // Met from its end, the symbol's first character is the last read.
    bool const e1 = UpcEanTables::Lookup(static_cast<int>(previous.code)).set == 0;
    if (!decoder.IsAnyUpcEEnabled(e1)) {
        return false;
    }
    reverced = true;
    UpcEProperty const& keys = decoder.GetUpcEProperty();
    return Addon(first, true, 13, e1 ? keys.read_upc_e1.Get() : keys.read.Get(), decoder.HasAddonKeyForUpcE(e1),
                 false);
}

bool WPCDecoder::ReadLine(ArrayIterator<ScanElement const> const& start, bool reverseStart,
                          StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    negative = false;
    reverced = false;
    if (!start.IsValid() || !IsAnyReadEnabled()) {
        return false;
    }
    bool const inverted = start->colour == kLightRun;
    negative = inverted;
    if (!CheckPolarity(inverted)) {
        return false;
    }
    Road const road{*this,
                    symbols,
                    inverted,
                    GetDecoderDetail().quiet_zone.Get(),
                    upcA_->smart_quiet_zone_check.Get() ? 1u : 0u,
                    GetRateForTuningCalculator(),
                    IsEnableAnyAddon()};
    ArrayIterator<ScanElement const> const forward(start.GetBegin(), start.GetCount(), start.GetIndex(), 1);
    bool const read = reverseStart ? road.ReadFromUpcEEnd(forward, reverced) : road.ReadForward(forward, reverced);
    // On failure the characters read so far stay: the first one may still
    // serve the multi-line road as a start symbol.
    return read;
}

bool WPCDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                                     bool& negative, bool& reverced) const
{
    return ReadLine(start, false, symbols, negative, reverced);
}

bool WPCReverceDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                            StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    return ReadLine(start, true, symbols, negative, reverced);
}

unsigned WPCDecoder::CountLeastReadRuns() const
{
    // UPC-E, the shortest symbol read, holds six characters of four runs, each
    // after the one before in its window.
    return IsAnyReadEnabled() ? 6 * 4 : kReadsNothing;
}

}  // namespace DEC2DIvra
