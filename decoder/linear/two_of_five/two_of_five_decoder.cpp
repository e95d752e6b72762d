#include "decoder/linear/two_of_five/two_of_five_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/two_of_five/two_of_five_pattern.h"
#include "decoder/linear/two_of_five/two_of_five_table.h"

namespace DEC2DIvra {

namespace {

// The order in which the types are tried at a candidate run.
constexpr tagSymbology kTypes[] = {SYMBOLOGY_INDUSTRIAL2OF5, SYMBOLOGY_MATRIX2OF5, SYMBOLOGY_IATA,
                                   SYMBOLOGY_INTERLEAVED2OF5, SYMBOLOGY_CHINESE_POST};

unsigned ClampMargin(long long margin)
{
    return margin <= 0 ? 0u : (margin > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(margin));
}

}  // namespace

TwoOfFiveDecoder::TwoOfFiveDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_INDUSTRIAL2OF5, context),
      industrial_(&property.industrial2of5),
      interleaved_(&property.interleaved2of5),
      scode_(&property.scode),
      iata_(&property.iata),
      matrix_(&property.matrix2of5),
      chinesePost_(&property.chinese_post_matrix2of5)
{
}

bool TwoOfFiveDecoder::IsEnabled(tagSymbology type) const
{
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        return industrial_->read.Get();
    case SYMBOLOGY_INTERLEAVED2OF5:
        return interleaved_->read.Get();
    case SYMBOLOGY_IATA:
        return iata_->read.Get();
    case SYMBOLOGY_MATRIX2OF5:
        return matrix_->read.Get();
    case SYMBOLOGY_CHINESE_POST:
        return chinesePost_->read.Get();
    case SYMBOLOGY_SCODE:
        return scode_->read.Get();
    default:
        return false;
    }
}

bool TwoOfFiveDecoder::IsTried(tagSymbology type) const
{
    // S-code is read with the pairs of Interleaved 2 of 5.
    return IsEnabled(type) || (type == SYMBOLOGY_INTERLEAVED2OF5 && scode_->read.Get());
}

unsigned TwoOfFiveDecoder::GetQuietZoneSpecks(tagSymbology type) const
{
    switch (type) {
    case SYMBOLOGY_INDUSTRIAL2OF5:
        return industrial_->smart_quiet_zone_check.Get();
    case SYMBOLOGY_INTERLEAVED2OF5:
        return interleaved_->smart_quiet_zone_check.Get();
    case SYMBOLOGY_IATA:
        return iata_->smart_quiet_zone_check.Get();
    case SYMBOLOGY_MATRIX2OF5:
        return matrix_->smart_quiet_zone_check.Get();
    case SYMBOLOGY_CHINESE_POST:
        return chinesePost_->smart_quiet_zone_check.Get();
    default:
        return 0;
    }
}

bool TwoOfFiveDecoder::ReadCharacter(TwoOfFiveLayoutRuns const& runs, TwoOfFiveLayout const& layout,
                                     unsigned position, TwoOfFiveLayoutRuns::Character const* previous,
                                     bool previousSingle, bool singleAllowed,
                                     TwoOfFiveLayoutRuns::Character& character, bool& single) const
{
    // A single character is shorter than a pair (14 modules against 18 at
    // 3:1): the rule that keeps a character near the span of the one before
    // gives way to one of its own between the two.
    auto fits = [](TwoOfFiveLayoutRuns::Character const& one, TwoOfFiveLayoutRuns::Character const& pair) {
        long long const a = static_cast<long long>(one.end) - one.begin;
        long long const b = static_cast<long long>(pair.end) - pair.begin;
        return a <= b && 2 * a >= b;
    };
    single = false;
    if (runs.CalcBarSymbol(layout, position, previousSingle ? nullptr : previous, character)) {
        return !previousSingle || previous == nullptr || fits(*previous, character);
    }
    single = singleAllowed && runs.CalcBarSymbol(TwoOfFiveLayout::GetSingle(layout.reverse), position, nullptr,
                                                 character) &&
             (previous == nullptr || fits(character, *previous));
    return single;
}

bool TwoOfFiveDecoder::ReadLayout(TwoOfFiveLayoutRuns const& runs, TwoOfFiveLayout const& layout, bool negative,
                                  StackInterface<BarSymbol>& symbols) const
{
    symbols.Clear();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    unsigned const specks = GetQuietZoneSpecks(layout.type);
    // An S-code closes its pairs with a single character: the last one met
    // from the start, the first one met from the stop.
    bool const singles = layout.type == SYMBOLOGY_INTERLEAVED2OF5 && scode_->read.Get();
    unsigned position = layout.openingRuns;
    TwoOfFiveLayoutRuns::Character character;
    bool single = false;
    // The first character gives the widths the opening is judged by.
    if (!ReadCharacter(runs, layout, position, nullptr, false, singles, character, single) ||
        !runs.CheckPattern(0, layout.openingRuns, layout.openingWide, layout.openingExamined, character) ||
        !runs.CheckMarginBefore(0, ClampMargin(10 * character.narrowWidth * zone / 7), negative, specks)) {
        return false;
    }
    // The symbol's contrast field keeps the run its character begins at.
    auto push = [&](TwoOfFiveLayoutRuns::Character const& c, unsigned at, bool isSingle) {
        BarSymbol symbol;
        symbol.contrast = static_cast<int>(at);
        symbol.value = isSingle ? kSingleCharacter + c.digits[0]
                                : (c.digitCount == 2 ? 10 * c.digits[0] + c.digits[1] : c.digits[0]);
        symbol.begin = c.begin;
        symbol.end = c.end;
        symbol.width = static_cast<int>(c.narrowWidth);
        symbol.flag = static_cast<unsigned char>(layout.type);
        return symbols.Push(symbol);
    };
    if (!push(character, position, single)) {
        return false;
    }
    symbols[0].begin = runs[0].begin;
    position += layout.characterRuns;
    while (symbols.GetCount() < kMaxSymbols) {
        // A closing pattern followed by a quiet zone ends the symbol; without
        // the quiet zone the runs are a character after all.
        if (runs.CheckPattern(position, layout.closingRuns, layout.closingWide, layout.closingExamined, character)) {
            unsigned const last = position + layout.closingRuns - 1;
            if (runs.CheckMarginAfter(last, ClampMargin(10 * character.narrowWidth * zone / 7), negative, specks)) {
                symbols.GetTop().end = runs[last].end;
                return true;
            }
        }
        if (single && !layout.reverse) {
            return false;  // nothing but the stop follows a single character
        }
        TwoOfFiveLayoutRuns::Character next;
        bool const afterSingle = single;
        if (!ReadCharacter(runs, layout, position, &character, afterSingle, singles && !layout.reverse, next, single) ||
            !push(next, position, single)) {
            return false;
        }
        character = next;
        position += layout.characterRuns;
    }
    return false;
}

bool TwoOfFiveDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                           StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || !CheckPolarity(negative) || CountLeastReadRuns() == kReadsNothing) {
        return false;
    }
    return ExecuteStartStopSearch(start, symbols, negative, reverced) ||
           ReadByLayouts(start, symbols, negative, reverced);
}

bool TwoOfFiveDecoder::ReadByLayouts(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                                     bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    TwoOfFiveLayoutRuns const runs(start);
    for (tagSymbology const type : kTypes) {
        if (!IsTried(type)) {
            continue;
        }
        for (bool const reverse : {false, true}) {
            TwoOfFiveLayout const* layout = TwoOfFiveLayout::Get(type, reverse);
            if (layout == nullptr || !ReadLayout(runs, *layout, negative, symbols)) {
                continue;
            }
            reverced = reverse;
            // The frame's statistics see each character as a window; the
            // symbols then carry the keys the search gives them.
            RateForTuningCalculator const& rate = GetRateForTuningCalculator();
            for (unsigned i = 0; i < symbols.GetCount(); ++i) {
                runs.PushWindow(rate, static_cast<unsigned>(symbols[i].contrast));
                BarSymbol& symbol = symbols[i];
                int const v = symbol.value;
                if (v >= kSingleCharacter) {
                    symbol.value = static_cast<int>(1024u + TwoOfFiveTable::GetPattern(v - kSingleCharacter));
                } else if (type == SYMBOLOGY_INTERLEAVED2OF5) {
                    symbol.value = static_cast<int>(TwoOfFivePattern::SetComb(5, TwoOfFiveTable::GetPattern(v / 10),
                                                                              TwoOfFiveTable::GetPattern(v % 10)));
                } else {
                    symbol.value = static_cast<int>(TwoOfFiveTable::GetPattern(v));
                }
            }
            return true;
        }
    }
    symbols.Clear();
    return false;
}

bool TwoOfFiveDecoder::CollectDigits(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* digits,
                                     unsigned& count, tagSymbology& type)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    if (n == 0 || n > kMaxSymbols) {
        return false;
    }
    type = static_cast<tagSymbology>(symbols[0].flag);
    bool const pair = type == SYMBOLOGY_INTERLEAVED2OF5 || type == SYMBOLOGY_SCODE;
    if (pair) {
        type = SYMBOLOGY_INTERLEAVED2OF5;
    }
    auto put = [&](unsigned pattern) {
        int const digit = TwoOfFiveTable::GetDigit(pattern);
        if (digit == TwoOfFiveTable::kNoDigit) {
            return false;
        }
        digits[count++] = static_cast<unsigned char>(digit);
        return true;
    };
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        unsigned const key = static_cast<unsigned>(symbol.value);
        if (symbol.flag != symbols[0].flag || symbol.value < 0) {
            return false;
        }
        if (!pair) {
            if (key > 31 || !put(key)) {
                return false;
            }
            continue;
        }
        // A single character closes an S-code: the last one in reading order.
        if ((key & 1024u) != 0) {
            if (i + 1 != n || key > 1024u + 31u || !put(key & 31u)) {
                return false;
            }
            type = SYMBOLOGY_SCODE;
            break;
        }
        unsigned spaces = 0;
        unsigned bars = 0;
        TwoOfFivePattern::SeparatetPattern(5, key, spaces, bars);
        if (key > 1023 || !put(bars) || !put(spaces)) {
            return false;
        }
    }
    return true;
}

unsigned TwoOfFiveDecoder::CountLeastReadRuns() const
{
    // The opening, one character and the closing of a layout tried: the read
    // reaches from the opening's first run to the closing's last.
    unsigned least = kReadsNothing;
    for (tagSymbology const type : kTypes) {
        if (!IsTried(type)) {
            continue;
        }
        for (bool const reverse : {false, true}) {
            TwoOfFiveLayout const* layout = TwoOfFiveLayout::Get(type, reverse);
            if (layout == nullptr) {
                continue;
            }
            unsigned const runs = static_cast<unsigned>(layout->openingRuns) + layout->characterRuns + layout->closingRuns;
            least = runs < least ? runs : least;
        }
    }
    return least;
}

}  // namespace DEC2DIvra
