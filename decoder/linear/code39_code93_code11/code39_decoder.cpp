#include "decoder/linear/code39_code93_code11/code39_decoder.h"

#include "decoder/core/identifiers/code39_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code39_code93_code11/code39_table.h"
#include "decoder/linear/code39_code93_code11/character_start.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

template <unsigned N>
void SortAscending(int (&values)[N])
{
    for (unsigned i = 1; i < N; ++i) {
        int const v = values[i];
        unsigned j = i;
        for (; j > 0 && values[j - 1] > v; --j) {
            values[j] = values[j - 1];
        }
        values[j] = v;
    }
}

// Wide must stand clearly above narrow: at least 5/4 of it.
bool IsClearStep(int narrow, int wide) { return 4LL * wide >= 5LL * narrow && narrow > 0; }

bool ClassifyWidths(int const (&width)[Code39PartialScanData::kRuns], unsigned& key, int& module)
{
    int bars[5];
    int spaces[4];
    for (unsigned i = 0; i < 5; ++i) {
        bars[i] = width[2 * i];
    }
    for (unsigned i = 0; i < 4; ++i) {
        spaces[i] = width[2 * i + 1];
    }
    SortAscending(bars);
    SortAscending(spaces);
    int barLimit = 0;    // widths above are wide
    int spaceLimit = 0;
    long long narrowSum = 0;
    if (spaces[1] - spaces[0] >= bars[3] - bars[2] && spaces[1] - spaces[0] >= spaces[3] - spaces[2]) {
        // "$", "/", "+", "%": three wide spaces, every bar narrow.
        if (!IsClearStep(spaces[0], spaces[1]) || spaces[3] > 2 * spaces[1] || bars[4] >= spaces[1]) {
            return false;
        }
        barLimit = bars[4];
        spaceLimit = spaces[0];
        narrowSum = static_cast<long long>(bars[0]) + bars[1] + bars[2] + bars[3] + bars[4] + spaces[0];
    } else {
        if (!IsClearStep(bars[2], bars[3]) || !IsClearStep(spaces[2], spaces[3]) || bars[4] > 2 * bars[3]) {
            return false;
        }
        barLimit = bars[2];
        spaceLimit = spaces[2];
        narrowSum = static_cast<long long>(bars[0]) + bars[1] + bars[2] + spaces[0] + spaces[1] + spaces[2];
    }
    key = 0;
    for (unsigned i = 0; i < Code39PartialScanData::kRuns; ++i) {
        bool const wide = width[i] > ((i & 1u) == 0 ? barLimit : spaceLimit);
        key = (key << 1) | (wide ? 1u : 0u);
    }
    module = static_cast<int>(narrowSum / 6);
    return Code39Table::GetValue(key) != Code39Table::kNoValue ||
           Code39Table::GetValue(Code39Table::Reverse(key)) != Code39Table::kNoValue;
}

void Widths(Code39PartialScanData const& window, int (&width)[Code39PartialScanData::kRuns])
{
    for (unsigned i = 0; i < Code39PartialScanData::kRuns; ++i) {
        width[i] = window[i].end - window[i].begin;
    }
}

bool IsStartKey(unsigned key)
{
    return key == Code39Table::kStarKey || key == Code39Table::kDollarKey || key == Code39Table::kSpaceKey;
}

}  // namespace

bool Code39PartialScanData::CalcBarSymbolForBigger(unsigned& key, int& module) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    int width[kRuns];
    Widths(*this, width);
    if (ClassifyWidths(width, key, module)) {
        return true;
    }
    // Blur narrows the narrow runs' swing: the widths re-measured by contrast
    // give them back.
    Code39PartialScanData corrected = *this;
    corrected.Correct();
    Widths(corrected, width);
    if (ClassifyWidths(width, key, module)) {
        return true;
    }
    // Near a pixel per module the edges fall on whole pixels, and a narrow
    // run may measure as wide as a wide one. The module stays a width.
    int magnitude[kRuns];
    GetMagnitudes(magnitude);
    int unused = 0;
    if (!ClassifyWidths(magnitude, key, unused)) {
        return false;
    }
    Widths(*this, width);
    long long narrowSum = 0;
    for (unsigned i = 0; i < kRuns; ++i) {
        narrowSum += ((key >> (kRuns - 1 - i)) & 1u) == 0 ? width[i] : 0;
    }
    module = static_cast<int>(narrowSum / 6);
    return true;
}

Code39Decoder::Code39Decoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_CODE39, context), code39_(&property.code39)
{
}

bool Code39Decoder::IsStartAdmitted(unsigned key) const
{
    switch (key) {
    case Code39Table::kStarKey:
        return code39_->read.Get();
    case Code39Table::kDollarKey:
        return code39_->read_trioptic.Get();
    case Code39Table::kSpaceKey:
        return code39_->flag != 0;
    default:
        return false;
    }
}

bool Code39Decoder::CheckQuietZone(Code39PartialScanData const& window, bool negative, bool after) const
{
    long long const narrow = window.GetMinWidth();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    long long const margin = narrow * zone * 10 / 7;
    return CheckCharacterQuietZone(window, margin, negative, after, code39_->smart_quiet_zone_check.Get());
}

bool Code39Decoder::ReadFirst(ArrayIterator<ScanElement const> const& start, bool negative,
                              Code39PartialScanData& window, unsigned& key, int& module) const
{
    Code39PartialScanData work;
    if (!work.Set(start)) {
        return false;
    }
    bool const found = FindStartCharacter(
        work, kMaxNoisePasses, [&](Code39PartialScanData const& w) { return CheckQuietZone(w, negative, false); },
        [&](Code39PartialScanData const& w) {
            if (!w.CalcBarSymbolForBigger(key, module)) {
                return false;
            }
            unsigned const forward = IsStartKey(key) ? key : Code39Table::Reverse(key);
            return IsStartKey(forward) && IsStartAdmitted(forward);
        });
    if (found) {
        window = work;
    }
    return found;
}

bool Code39Decoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    return ReadFromOfferedOrPreviousRun(start, symbols, [&](ArrayIterator<ScanElement const> const& first) {
        return Read(first, symbols, negative, reverced);
    });
}

bool Code39Decoder::Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                         bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || !CheckPolarity(negative)) {
        return false;
    }
    Code39PartialScanData window;
    unsigned firstKey = 0;
    int module = 0;
    if (!ReadFirst(start, negative, window, firstKey, module)) {
        return false;
    }
    reverced = !IsStartKey(firstKey);
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    unsigned key = firstKey;
    for (;;) {
        BarSymbol symbol;
        symbol.value = static_cast<int>(reverced ? Code39Table::Reverse(key) : key);
        symbol.begin = window[0].begin;
        symbol.end = window[Code39PartialScanData::kRuns - 1].end;
        symbol.width = module;
        symbol.contrast = window.GetContrast();
        if (!symbols.Push(symbol)) {
            return false;
        }
        rate.Push(window);
        if (symbols.GetCount() > 1 && key == firstKey) {
            return CheckQuietZone(window, negative, true);
        }
        if (symbols.GetCount() >= kMaxSymbols) {
            return false;
        }
        long long const width = window.GetSpan();
        long long const end = window[Code39PartialScanData::kRuns - 1].end;
        int const previousModule = module;
        if (!window.SetNextCharRunLengthData(static_cast<unsigned>(4 * width / 5),
                                             static_cast<unsigned>(6 * width / 5)) ||
            !window.CalcBarSymbolForBigger(key, module)) {
            return false;
        }
        // Characters stand at most a few narrow elements apart (the standard
        // allows 5.3): a wider gap joins runs of something else into a
        // short false symbol.
        if (window[0].begin - end > kMaxGapModules * (previousModule > module ? previousModule : module)) {
            return false;
        }
    }
}

bool Code39Decoder::CollectCharacters(StackInterface<BarSymbol> const& symbols, bool reverced, char* characters,
                                      unsigned capacity, unsigned& count)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    if (n > capacity) {
        return false;
    }
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        char const c = symbol.value < 0 ? '\0' : Code39Table::GetCharacter(static_cast<unsigned>(symbol.value));
        if (c == '\0') {
            return false;
        }
        characters[count++] = c;
    }
    return true;
}

bool Code39Decoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    char characters[kMaxSymbols];
    unsigned count = 0;
    // Every form carries at least one character between start and stop: a
    // bare start and stop is too easily met inside other print.
    if (!CollectCharacters(symbols, reverced, characters, kMaxSymbols, count) || count < 3) {
        return false;
    }
    if (characters[0] == ' ') {
        return true;
    }
    if (!code39_->check_check_digit.Get()) {
        return true;
    }
    // Start, data, check character, stop.
    if (count < 4) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned i = 1; i + 2 < count; ++i) {
        sum += Code39Table::GetValueOf(characters[i]);
    }
    return sum % 43 == Code39Table::GetValueOf(characters[count - 2]);
}

void Code39Decoder::SelectData(char const*, unsigned count, unsigned& first, unsigned& end) const
{
    first = 1;
    end = count - 1;
    // The check character is left out only when it was verified: a symbol
    // without one keeps all its data.
    if (code39_->check_check_digit.Get() && !code39_->transmit_check_digit.Get() && end > first) {
        --end;
    }
}

int Code39Decoder::TryOutput(char const* characters, unsigned count, StackInterface<char>& text) const
{
    unsigned first = 0;
    unsigned end = 0;
    SelectData(characters, count, first, end);
    bool const frame = code39_->transmit_start_stop.Get();
    if (frame && !text.Push('*')) {
        return 0;
    }
    for (unsigned i = first; i < end; ++i) {
        if (!text.Push(characters[i])) {
            return 0;
        }
    }
    return !frame || text.Push('*') ? 1 : 0;
}

int Code39Decoder::TryOutputFullASCII(char const* characters, unsigned count, StackInterface<char>& text) const
{
    unsigned first = 0;
    unsigned end = 0;
    SelectData(characters, count, first, end);
    bool const frame = code39_->transmit_start_stop.Get();
    if (frame && !text.Push('*')) {
        return 0;
    }
    for (unsigned i = first; i < end; ++i) {
        char const c = characters[i];
        if (c == '$' || c == '%' || c == '+' || c == '/') {
            char byte = 0;
            if (i + 1 >= end || !Code39Table::ExpandFullASCII(c, characters[i + 1], byte) || !text.Push(byte)) {
                return 0;
            }
            ++i;
        } else if (!text.Push(c)) {
            return 0;
        }
    }
    return !frame || text.Push('*') ? 1 : 0;
}

int Code39Decoder::TryOutputItPharm(char const* characters, unsigned count, StackInterface<char>& text) const
{
    static constexpr char kDigits[] = "0123456789BCDFGHJKLMNPQRSTUVWXYZ";
    if (count != 8) {
        return 0;
    }
    unsigned long value = 0;
    for (unsigned i = 1; i <= 6; ++i) {
        unsigned d = 0;
        while (d < 32 && kDigits[d] != characters[i]) {
            ++d;
        }
        if (d == 32) {
            return 0;
        }
        value = value * 32 + d;
    }
    char digits[9];
    for (unsigned i = 9; i-- > 0;) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    if (value != 0) {
        return 0;
    }
    unsigned sum = 0;
    for (unsigned i = 0; i < 8; ++i) {
        unsigned d = static_cast<unsigned>(digits[i] - '0');
        if ((i & 1u) != 0) {
            d *= 2;
            d = d > 9 ? d - 9 : d;
        }
        sum += d;
    }
    if (sum % 10 != static_cast<unsigned>(digits[8] - '0')) {
        return 0;
    }
    if (code39_->transmit_a_for_italian_pharmaceutical.Get() && !text.Push('A')) {
        return 0;
    }
    for (char d : digits) {
        if (!text.Push(d)) {
            return 0;
        }
    }
    return 1;
}

int Code39Decoder::TryOutputTriOptic(char const* characters, unsigned count, StackInterface<char>& text) const
{
    if (count != 8) {
        return 0;
    }
    bool const frame = code39_->transmit_start_stop.Get();
    if (frame && !text.Push('$')) {
        return 0;
    }
    static constexpr unsigned kOrder[6] = {4, 5, 6, 1, 2, 3};
    for (unsigned i : kOrder) {
        if (!text.Push(characters[i])) {
            return 0;
        }
    }
    return !frame || text.Push('$') ? 1 : 0;
}

int Code39Decoder::TryOutputMenu(char const* characters, unsigned count, StackInterface<char>& text)
{
    // Every menu label holds two characters or more between its spaces; one
    // alone is what a line across the bar ends of another symbol makes.
    constexpr unsigned kShortestMenuLabel = 4;
    if (count < kShortestMenuLabel) {
        return 0;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (!text.Push(characters[i])) {
            return 0;
        }
    }
    return 1;
}

bool Code39Decoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    char characters[kMaxSymbols];
    unsigned count = 0;
    if (!CollectCharacters(symbols, reverced, characters, kMaxSymbols, count) || count < 3) {
        return false;
    }
    switch (characters[0]) {
    case '$':
        if (!code39_->read_trioptic.Get() || TryOutputTriOptic(characters, count, label.data) == 0) {
            label.data.Clear();
            return false;
        }
        label.identifier.Copy(TriOpticIdentifier());
        return true;
    case ' ':
        if (TryOutputMenu(characters, count, label.data) == 0) {
            label.data.Clear();
            return false;
        }
        label.identifier.Copy(MenuCodeIdentifier());
        return true;
    case '*':
        break;
    default:
        return false;
    }
    if (!code39_->read.Get() || count < 3 || !code39_->fixed_length.Get().Admits(count - 2)) {
        return false;
    }
    bool const verified = code39_->check_check_digit.Get();
    unsigned modifier = 0;
    if (verified) {
        modifier |= kCheckVerified;
        if (!code39_->transmit_check_digit.Get()) {
            modifier |= kCheckStripped;
        }
    }
    unsigned const pharmacode = code39_->enable_italian_pharmaceutical.Get();
    if (pharmacode == 1 || pharmacode == 2) {
        if (TryOutputItPharm(characters, count, label.data) != 0) {
            label.identifier.Copy(Code39Identifier(modifier | kPharmacode));
            return true;
        }
        label.data.Clear();
        if (pharmacode == 1) {
            return false;
        }
    }
    unsigned const fullASCII = code39_->enable_full_ascii.Get();
    if (fullASCII == 1 || fullASCII == 2) {
        if (TryOutputFullASCII(characters, count, label.data) != 0) {
            label.identifier.Copy(Code39Identifier(modifier | kFullASCII));
            return true;
        }
        label.data.Clear();
        if (fullASCII == 1) {
            return false;
        }
    }
    if (TryOutput(characters, count, label.data) == 0) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(Code39Identifier(modifier));
    return true;
}

unsigned Code39Decoder::CountLeastReadRuns() const
{
    // Three characters at least pass the check, each a window of nine runs
    // found beyond the gap after the one before.
    bool const starts = code39_->read.Get() || code39_->read_trioptic.Get() || code39_->flag != 0;
    return starts ? 3 * Code39PartialScanData::kRuns : kReadsNothing;
}

}  // namespace DEC2DIvra
