// The start/stop search of the 2 of 5 family and its reading of characters
// by overlapping windows: each character window takes the runs after the
// character too, so that the runs that close the symbol are seen with it.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/two_of_five/two_of_five_decoder.h"
#include "decoder/linear/two_of_five/two_of_five_pattern.h"
#include "decoder/linear/two_of_five/two_of_five_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kKeyRuns = TwoOfFivePartialScanData::kStartStopRuns;

// Run e(i) of the start/stop window: bit 14 - i of its key.
unsigned Run(unsigned key, unsigned i) { return (key >> (kKeyRuns - 1 - i)) & 1u; }

// The five runs at the positions given in reading order, as a pattern.
unsigned Gather(unsigned key, unsigned const (&at)[5])
{
    unsigned pattern = 0;
    for (unsigned i : at) {
        pattern = (pattern << 1) | Run(key, i);
    }
    return pattern;
}

bool AllNarrow(unsigned key, unsigned first, unsigned last)
{
    for (unsigned i = first; i <= last; i += 2) {
        if (Run(key, i) != 0) {
            return false;
        }
    }
    return true;
}

bool Matches(unsigned key, unsigned first, char const* widths)
{
    for (unsigned i = 0; widths[i] != '\0'; ++i) {
        if (Run(key, first + i) != static_cast<unsigned>(widths[i] - '0')) {
            return false;
        }
    }
    return true;
}

unsigned ReverseKey(unsigned key)
{
    unsigned reversed = 0;
    for (unsigned i = 0; i < kKeyRuns; ++i) {
        reversed = (reversed << 1) | ((key >> i) & 1u);
    }
    return reversed;
}

unsigned Width(TwoOfFivePartialScanData const& window, unsigned i)
{
    int const w = window[i].end - window[i].begin;
    return w > 0 ? static_cast<unsigned>(w) : 0u;
}

unsigned Clamp(long long v) { return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v)); }

}  // namespace

unsigned TwoOfFiveDecoder::CalcMargin(BarSymbol const& symbol) { return Clamp(10LL * symbol.width); }

unsigned TwoOfFiveDecoder::CalcAdmissibleWidth(unsigned width, int which)
{
    return which == 0 ? Clamp(4LL * width / 5) : Clamp(5LL * width / 4);
}

bool TwoOfFiveDecoder::CheckCommonStSpPattern(unsigned key, bool reverse)
{
    return reverse ? (ReverseKey(key) & 7u) == 4u : key < 4096u;
}

void TwoOfFiveDecoder::DefineTypeOf2of5(tagSymbology* type, TYPE_2OF5_DEFINE mode) const
{
    if (mode == TYPE_2OF5_WRITE) {
        type_ = *type;
    } else {
        *type = type_;
    }
}

bool TwoOfFiveDecoder::CheckStartStopMargin(Window const& window, BarSymbol const& symbol) const
{
    unsigned const margin = Clamp(static_cast<long long>(CalcMargin(symbol)) * GetDecoderDetail().quiet_zone.Get() / 7);
    return window[0].colour == kLightRun ? window.CheckBlackMargin(margin, false, true, 1)
                                         : window.CheckMargin(margin, false, true, 1);
}

bool TwoOfFiveDecoder::CheckIndustrial2of5stspPattern(Window const& window, BarSymbol& symbol, bool reverse) const
{
    unsigned const key = static_cast<unsigned>(symbol.value);
    unsigned digit = 0;
    if (!reverse) {
        digit = Gather(key, {6, 8, 10, 12, 14});
        if (!Matches(key, 0, "10100") || !AllNarrow(key, 7, 13)) {
            return false;
        }
    } else {
        digit = Gather(key, {14, 12, 10, 8, 6});
        if (!Matches(key, 0, "10001") || !AllNarrow(key, 7, 13)) {
            return false;
        }
    }
    if (!TwoOfFiveTable::Check20f5Pattern(digit) || !CheckStartStopMargin(window, symbol)) {
        return false;
    }
    symbol.value = static_cast<int>(digit);
    return true;
}

bool TwoOfFiveDecoder::CheckMatrix2of5stspPattern(Window const& window, BarSymbol& symbol, bool reverse) const
{
    unsigned const key = static_cast<unsigned>(symbol.value);
    unsigned const digit = reverse ? Gather(key, {10, 9, 8, 7, 6}) : Gather(key, {6, 7, 8, 9, 10});
    if (!Matches(key, 0, reverse ? "00001" : "10000") || !TwoOfFiveTable::Check20f5Pattern(digit) ||
        !CheckStartStopMargin(window, symbol)) {
        return false;
    }
    symbol.value = static_cast<int>(digit);
    return true;
}

bool TwoOfFiveDecoder::CheckChineseMatrixstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const
{
    unsigned const key = static_cast<unsigned>(symbol.value);
    unsigned const first = reverse ? Gather(key, {8, 7, 6, 5, 4}) : Gather(key, {4, 5, 6, 7, 8});
    unsigned const second = reverse ? Gather(key, {14, 13, 12, 11, 10}) : Gather(key, {10, 11, 12, 13, 14});
    // The gaps (e3, e9) are narrow spaces: see the character windows.
    if (!CheckCommonStSpPattern(key, reverse) || Run(key, 3) != 0 || Run(key, 9) != 0 ||
        !TwoOfFiveTable::Check20f5Pattern(first) || !TwoOfFiveTable::Check20f5Pattern(second) ||
        !CheckStartStopMargin(window, symbol)) {
        return false;
    }
    symbol.value = static_cast<int>(first);
    return true;
}

bool TwoOfFiveDecoder::CheckIATAstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const
{
    unsigned const key = static_cast<unsigned>(symbol.value);
    unsigned const bars = reverse ? Gather(key, {12, 10, 8, 6, 4}) : Gather(key, {4, 6, 8, 10, 12});
    if (!CheckCommonStSpPattern(key, reverse) || !AllNarrow(key, 5, 11) || !TwoOfFiveTable::Check20f5Pattern(bars) ||
        !CheckStartStopMargin(window, symbol)) {
        return false;
    }
    symbol.value = static_cast<int>(bars);
    return true;
}

bool TwoOfFiveDecoder::CheckITFstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const
{
    unsigned const key = static_cast<unsigned>(symbol.value);
    unsigned const bars = reverse ? Gather(key, {12, 10, 8, 6, 4}) : Gather(key, {4, 6, 8, 10, 12});
    unsigned const spaces = reverse ? Gather(key, {11, 9, 7, 5, 3}) : Gather(key, {5, 7, 9, 11, 13});
    if (!CheckCommonStSpPattern(key, reverse) || !TwoOfFiveTable::Check20f5Pattern(bars) ||
        !TwoOfFiveTable::Check20f5Pattern(spaces) || !CheckStartStopMargin(window, symbol)) {
        return false;
    }
    symbol.value = static_cast<int>(TwoOfFivePattern::SetComb(5, bars, spaces));
    return true;
}

void TwoOfFiveDecoder::SetTypeOf2Of5(tagSymbology type, bool reversed, Window& window, BarSymbol& start) const
{
    auto begin = [&](unsigned i) { return window[i].begin; };
    auto end = [&](unsigned i) { return window[i].end; };
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        start.begin = begin(6);
        window.SetGap(Width(window, 5));
        break;
    case SYMBOLOGY_INTERLEAVED2OF5:
    case SYMBOLOGY_SCODE:
        if (!reversed) {
            start.begin = begin(4);
            start.end = end(13);
            window.SetGap((Width(window, 3) + Width(window, 14)) / 2);
        } else {
            start.begin = begin(3);
            start.end = end(12);
            window.SetGap(Width(window, 13));
        }
        break;
    case SYMBOLOGY_MATRIX2OF5:
        start.begin = begin(6);
        start.end = end(10);
        window.SetGap((Width(window, 5) + Width(window, 11)) / 2);
        window.SetPreviousSpan(static_cast<long long>(start.end) - start.begin);
        break;
    case SYMBOLOGY_CHINESE_POST:
        start.begin = begin(4);
        start.end = end(8);
        window.SetGap((Width(window, 3) + Width(window, 9)) / 2);
        window.SetPreviousSpan(static_cast<long long>(start.end) - start.begin);
        break;
    default:  // IATA and the one-character S-code
        start.begin = begin(4);
        start.end = end(12);
        window.SetGap(Width(window, 3));
        break;
    }
}

unsigned TwoOfFiveDecoder::GetConvertedWidthFirst(tagSymbology type, bool reversed, BarSymbol const& start,
                                                  unsigned gap)
{
    long long const w = static_cast<long long>(start.end) - start.begin;
    long long const g = gap;
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        return Clamp(g + 14 * w / 9);
    case SYMBOLOGY_INTERLEAVED2OF5:
    case SYMBOLOGY_SCODE:
        return reversed ? Clamp(start.width / 2 + 7 * w / 5) : Clamp(13 * w / 10);
    case SYMBOLOGY_MATRIX2OF5:
        return Clamp(w);
    case SYMBOLOGY_CHINESE_POST:
        return Clamp(g + 8 * w / 5);
    default:
        return Clamp(g + 4 * w / 3);
    }
}

unsigned TwoOfFiveDecoder::GetConvertedWidth(tagSymbology type, bool reversed, Window const& window, int which)
{
    long long const nb = window.GetBars().narrowWidth;
    long long const wb = window.GetBars().wideWidth;
    long long const ns = window.GetSpaces().narrowWidth;
    long long const ws = window.GetSpaces().wideWidth;
    long long const g = window.GetGap();
    long long const s = window.GetPreviousSpan();
    bool const minimum = which == 0;
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        return Clamp(minimum ? g + 6 * (nb + ns) + 2 * wb : g + 6 * ns + 4 * (nb + wb));
    case SYMBOLOGY_INTERLEAVED2OF5:
    case SYMBOLOGY_SCODE:
        if (!reversed) {
            return Clamp(minimum ? 5 * nb + 4 * ns + 2 * (wb + ws) : 3 * (nb + ns + ws) + 4 * wb);
        }
        return Clamp(minimum ? 5 * (nb + ns) + 2 * (wb + ws) : 3 * (nb + ns) + 4 * (wb + ws));
    case SYMBOLOGY_MATRIX2OF5:
        return Clamp(minimum ? wb + 2 * (nb + ns) : window.GetSpan());
    case SYMBOLOGY_CHINESE_POST: {
        long long const a = nb + wb + ws;
        long long const b = ns + 2 * wb;
        return Clamp(minimum ? g + s + ns + 2 * nb : g + s + (a > b ? a : b));
    }
    default:
        return Clamp(minimum ? g + 2 * wb + 5 * (nb + ns) : g + 3 * nb + 4 * wb + 5 * ns);
    }
}

bool TwoOfFiveDecoder::ExecuteBinarizationOverlapMethod(StackInterface<BarSymbol>& symbols, bool reversed,
                                                        bool negative, Window& window, BarSymbol const& start,
                                                        TwoOfFiveParameter const& parameter) const
{
    symbols.Clear();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    bool const lightFirst = window[0].colour == kLightRun;
    if (parameter.quietZone == 0) {
        unsigned const margin = Clamp(static_cast<long long>(CalcMargin(start)) * zone / 7);
        if (!(lightFirst ? window.CheckBlackMargin(margin, false, true, 0) : window.CheckMargin(margin, false, true, 0)) ||
            !window.CheckClearZone(margin, lightFirst, false)) {
            return false;
        }
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    BarSymbol held = start;
    held.begin = window[0].begin;
    held.flag = static_cast<unsigned char>(parameter.type);
    if (parameter.gap) {
        window.InitInterCharacterGap(start.width, start.end);
        if (!symbols.Push(held)) {
            return false;
        }
        rate.Push(window);
    }
    unsigned const firstWidth = GetConvertedWidthFirst(parameter.type, reversed, start, window.GetGap());
    if (!window.SetLength(parameter.runs)) {
        window.SetLength(kKeyRuns);
        return false;
    }
    auto fail = [&]() {
        window.SetLength(kKeyRuns);
        symbols.Clear();
        return false;
    };
    bool first = true;
    int previousEnd = start.end;
    BarSymbol character;
    unsigned extra = 0;
    for (;;) {
        if (parameter.maxSymbols != 0 && symbols.GetCount() > parameter.maxSymbols) {
            return fail();
        }
        bool loaded = false;
        if (first) {
            loaded = window.SetNextCharRunLengthDataFromPrev(
                parameter.gap ? parameter.skip != 0 : false, parameter.oppositeColour != 0,
                static_cast<unsigned>(parameter.gap ? start.end : start.begin), CalcAdmissibleWidth(firstWidth, 0),
                CalcAdmissibleWidth(firstWidth, 1));
        } else {
            unsigned const low = GetConvertedWidth(parameter.type, reversed, window, 0);
            unsigned const high = GetConvertedWidth(parameter.type, reversed, window, 1);
            loaded = window.SetNextCharRunLengthDataFromPrev(parameter.skip != 0, false,
                                                              static_cast<unsigned>(previousEnd),
                                                              CalcAdmissibleWidth(low < high ? low : high, 0),
                                                              CalcAdmissibleWidth(low < high ? high : low, 1));
        }
        if (!loaded || !window.CalcBarSymbolOverlap(parameter.type, reversed, first, character, extra)) {
            return fail();
        }
        character.flag = static_cast<unsigned char>(parameter.type);
        if (first && !parameter.gap) {
            window.InitInterCharacterGap(character.width, character.end);
            BarSymbol symbol = held;
            symbol.value = character.value;
            if (!symbols.Push(symbol)) {
                return fail();
            }
        } else {
            window.StockInterCharacterGap(character);
            if (parameter.type == SYMBOLOGY_MATRIX2OF5 && static_cast<unsigned>(character.value) == parameter.stopKey) {
                if (symbols.IsEmpty()) {
                    return fail();
                }
                symbols.GetTop().end = window[window.GetLength() - 1].end;
            } else if (!symbols.Push(character)) {
                return fail();
            }
        }
        rate.Push(window);
        previousEnd = character.end;
        first = false;
        if (extra != parameter.stopKey) {
            continue;
        }
        unsigned const margin = Clamp(static_cast<long long>(CalcMargin(character)) * zone / 7);
        bool const quiet = (negative ? window.CheckBlackMargin(margin, true, true, parameter.quietZone)
                                     : window.CheckMargin(margin, true, true, parameter.quietZone)) &&
                           (parameter.quietZone != 0 || window.CheckClearZone(margin, negative, true));
        if (quiet) {
            break;
        }
    }
    if (static_cast<unsigned>(character.value) != parameter.stopKey) {
        symbols.GetTop().end = window[window.GetLength() - 1].end;
        if (symbols.GetCount() == 1) {
            symbols.GetTop().begin = held.begin;
        }
    }
    window.SetLength(kKeyRuns);
    return true;
}

bool TwoOfFiveDecoder::ReadType(tagSymbology type, tagSymbology windowType, StackInterface<BarSymbol>& symbols,
                                bool reversed, bool negative, Window& window, BarSymbol const& start,
                                TwoOfFiveParameter parameter) const
{
    DefineTypeOf2of5(&type, TYPE_2OF5_WRITE);
    BarSymbol prepared = start;
    SetTypeOf2Of5(windowType, reversed, window, prepared);
    parameter.type = windowType;
    if (!ExecuteBinarizationOverlapMethod(symbols, reversed, negative, window, prepared, parameter)) {
        return false;
    }
    tagSymbology stored = SYMBOLOGY_NONE;
    DefineTypeOf2of5(&stored, TYPE_2OF5_READ);
    for (unsigned i = 0; i < symbols.GetCount(); ++i) {
        symbols[i].flag = static_cast<unsigned char>(stored);
    }
    return true;
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfIndustrial2of5(StackInterface<BarSymbol>& symbols, bool reversed,
                                                           bool negative, Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = 15;
    p.skip = 1;
    p.stopKey = reversed ? 6 : 5;
    p.quietZone = industrial_->smart_quiet_zone_check.Get();
    return ReadType(SYMBOLOGY_INDUSTRIAL2OF5, SYMBOLOGY_INDUSTRIAL2OF5, symbols, reversed, negative, window, start, p);
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfMatrix2of5(StackInterface<BarSymbol>& symbols, bool reversed,
                                                       bool negative, Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = 5;
    p.skip = 1;
    p.stopKey = 16;
    p.quietZone = matrix_->smart_quiet_zone_check.Get();
    return ReadType(SYMBOLOGY_MATRIX2OF5, SYMBOLOGY_MATRIX2OF5, symbols, reversed, negative, window, start, p);
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfChineseMatrix(StackInterface<BarSymbol>& symbols, bool reversed,
                                                          bool negative, Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = 9;
    p.skip = 1;
    p.gap = 1;
    p.stopKey = reversed ? 0 : 4;
    p.quietZone = chinesePost_->smart_quiet_zone_check.Get();
    return ReadType(SYMBOLOGY_CHINESE_POST, SYMBOLOGY_CHINESE_POST, symbols, reversed, negative, window, start, p);
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfIATA(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                                 Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = 13;
    p.skip = 1;
    p.gap = 1;
    p.stopKey = reversed ? 0 : 2;
    p.quietZone = iata_->smart_quiet_zone_check.Get();
    return ReadType(SYMBOLOGY_IATA, SYMBOLOGY_IATA, symbols, reversed, negative, window, start, p);
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfITF(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                                Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = reversed ? 14 : 13;
    p.oppositeColour = reversed ? 1 : 0;
    p.stopKey = reversed ? 0 : 4;
    p.quietZone = interleaved_->smart_quiet_zone_check.Get();
    if (!ReadType(SYMBOLOGY_INTERLEAVED2OF5, SYMBOLOGY_INTERLEAVED2OF5, symbols, reversed, negative, window, start,
                  p)) {
        return false;
    }
    // A closing single character makes the read S-code.
    if (!reversed && !scode_->read.Get() && (symbols.GetTop().value & 1024) != 0) {
        symbols.Clear();
        return false;
    }
    return true;
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfScode(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                                  Window& window, BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = reversed ? 14 : 13;
    p.oppositeColour = reversed ? 1 : 0;
    p.gap = 1;
    p.stopKey = reversed ? 0 : 4;
    p.quietZone = scode_->smart_quiet_zone_check.Get();
    BarSymbol first = start;
    if (reversed) {
        first.value |= 1024;
    }
    return ReadType(SYMBOLOGY_SCODE, SYMBOLOGY_SCODE, symbols, reversed, negative, window, first, p);
}

bool TwoOfFiveDecoder::ExecuteBinarizationOfOneCharacterScode(StackInterface<BarSymbol>& symbols, bool reversed,
                                                              bool negative, Window& window,
                                                              BarSymbol const& start) const
{
    TwoOfFiveParameter p;
    p.runs = 13;
    p.maxSymbols = 1;
    p.skip = 1;
    p.stopKey = reversed ? 0 : 2;
    p.quietZone = scode_->smart_quiet_zone_check.Get();
    BarSymbol first = start;
    first.value |= 1024;
    if (!ReadType(SYMBOLOGY_SCODE, SYMBOLOGY_IATA, symbols, reversed, negative, window, first, p)) {
        return false;
    }
    symbols[0].value |= 1024;
    return true;
}

bool TwoOfFiveDecoder::TryRead(Routine routine, Window& window, Window const& saved, BarSymbol const& start,
                               bool reversed, StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    if ((this->*routine)(symbols, reversed, negative, window, start)) {
        reverced = reversed;
        return true;
    }
    window.CopyFrom(saved);
    symbols.Clear();
    return false;
}

bool TwoOfFiveDecoder::TryStartStopTests(Window& window, Window const& saved, BarSymbol const& symbol,
                                         StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    bool const industrial = industrial_->read.Get();
    bool const matrix = matrix_->read.Get();
    bool const iata = iata_->read.Get();
    bool const itf = interleaved_->read.Get();
    bool const scode = scode_->read.Get();
    bool const chinese = chinesePost_->read.Get();
    unsigned const key = static_cast<unsigned>(symbol.value);
    auto read = [&](Routine routine, BarSymbol const& start, bool reversed) {
        return TryRead(routine, window, saved, start, reversed, symbols, negative, reverced);
    };
    BarSymbol start = symbol;
    if (industrial && CheckIndustrial2of5stspPattern(window, start, false)) {
        return read(&TwoOfFiveDecoder::ExecuteBinarizationOfIndustrial2of5, start, false);
    }
    start = symbol;
    if (matrix && CheckMatrix2of5stspPattern(window, start, false)) {
        return read(&TwoOfFiveDecoder::ExecuteBinarizationOfMatrix2of5, start, false);
    }
    bool const common = CheckCommonStSpPattern(key, false);
    if ((iata || itf || scode || chinese || matrix) && common) {
        start = symbol;
        if ((iata || scode) && CheckIATAstspPattern(window, start, false)) {
            return (iata && read(&TwoOfFiveDecoder::ExecuteBinarizationOfIATA, start, false)) ||
                   (scode && read(&TwoOfFiveDecoder::ExecuteBinarizationOfOneCharacterScode, start, false));
        }
        start = symbol;
        if ((itf || scode) && CheckITFstspPattern(window, start, false) &&
            read(itf ? &TwoOfFiveDecoder::ExecuteBinarizationOfITF : &TwoOfFiveDecoder::ExecuteBinarizationOfScode,
                 start, false)) {
            return true;
        }
        start = symbol;
        if (chinese && CheckChineseMatrixstspPattern(window, start, false) &&
            read(&TwoOfFiveDecoder::ExecuteBinarizationOfChineseMatrix, start, false)) {
            return true;
        }
    }
    if (common) {
        start = symbol;
        return matrix && CheckMatrix2of5stspPattern(window, start, true) &&
               read(&TwoOfFiveDecoder::ExecuteBinarizationOfMatrix2of5, start, true);
    }
    start = symbol;
    if (industrial && CheckIndustrial2of5stspPattern(window, start, true)) {
        return read(&TwoOfFiveDecoder::ExecuteBinarizationOfIndustrial2of5, start, true);
    }
    if (!(iata || scode || itf || chinese) || !CheckCommonStSpPattern(key, true)) {
        return false;
    }
    start = symbol;
    if ((iata || scode) && CheckIATAstspPattern(window, start, true)) {
        return (iata && read(&TwoOfFiveDecoder::ExecuteBinarizationOfIATA, start, true)) ||
               (scode && read(&TwoOfFiveDecoder::ExecuteBinarizationOfScode, start, true)) ||
               (scode && read(&TwoOfFiveDecoder::ExecuteBinarizationOfOneCharacterScode, start, true));
    }
    start = symbol;
    if (itf && CheckITFstspPattern(window, start, true) &&
        read(&TwoOfFiveDecoder::ExecuteBinarizationOfITF, start, true)) {
        return true;
    }
    start = symbol;
    return chinese && CheckChineseMatrixstspPattern(window, start, true) &&
           read(&TwoOfFiveDecoder::ExecuteBinarizationOfChineseMatrix, start, true);
}

bool TwoOfFiveDecoder::ExecuteStartStopSearch(ArrayIterator<ScanElement const> const& start,
                                              StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    Window window;
    if (!window.Set(start)) {
        return false;
    }
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    for (;;) {
        unsigned const margin = Clamp(10LL * window.GetMinWidth() * zone / 7);
        bool const light = window[0].colour == kLightRun;
        BarSymbol symbol;
        if ((light ? window.CheckBlackMargin(margin, false, false, 1) : window.CheckMargin(margin, false, false, 1)) &&
            window.CalcBarSymbol(symbol)) {
            Window const saved(window);
            if (TryStartStopTests(window, saved, symbol, symbols, negative, reverced)) {
                return true;
            }
            window.CopyFrom(saved);
        }
        if (!window.DeleteNoise()) {
            return false;
        }
    }
}

}  // namespace DEC2DIvra
