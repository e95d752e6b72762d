// Codabar check methods and the output options applied to a read.

#include "decoder/core/identifiers/codabar_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/codabar/codabar_decoder.h"
#include "decoder/linear/codabar/codabar_table.h"
#include "decoder/linear/line/label_text.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kSymbolCharacters = 10;  // values 10-15: "-$:/.+"
// Without a length record, the fewest data characters taken: a line that crosses a
// few bars of another symbol at a slant can show a start, one or two characters and
// a stop, each with a quiet zone.
constexpr unsigned kShortestUnrestricted = 4;
constexpr unsigned char kSevenCheckValues[6] = {5, 4, 2, 0, 6, 3};
constexpr unsigned char kNineCheckValues[6] = {3, 2, 7, 5, 4, 1};
constexpr unsigned char kSevenCheckWeights[6] = {1, 3, 2, 6, 4, 5};

// The value a data character counts with in the 7- and 9-checks.
unsigned LetterValue(unsigned char value, unsigned letterMode, unsigned char const* checkValues)
{
    if (value < kSymbolCharacters) {
        return value;
    }
    if (letterMode == 0) {
        return 0;
    }
    if (letterMode == 2 && value < kSymbolCharacters + 6) {
        return checkValues[value - kSymbolCharacters];
    }
    return value;
}

}  // namespace

bool CodabarDecoder::CheckModulus16CheckDigit(unsigned char const* values, unsigned count)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        sum += values[i];
    }
    return count >= 3 && sum % 16 == 0;
}

bool CodabarDecoder::Check7CheckCheckDigit(unsigned char const* values, unsigned count, unsigned letterMode,
                                           bool complement)
{
    if (count < 3) {
        return false;
    }
    // Data between the start and the check character, from the right.
    unsigned sum = 0;
    unsigned weight = 0;
    for (unsigned i = count - 2; i-- > 1; weight = (weight + 1) % 6) {
        sum += kSevenCheckWeights[weight] * LetterValue(values[i], letterMode, kSevenCheckValues);
    }
    unsigned const check = complement ? (7 - sum % 7) % 7 : sum % 7;
    return values[count - 2] == check;
}

bool CodabarDecoder::Check9CheckCheckDigit(unsigned char const* values, unsigned count, unsigned letterMode,
                                           bool complement)
{
    if (count < 3) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned i = 1; i + 2 < count; ++i) {
        sum += LetterValue(values[i], letterMode, kNineCheckValues);
    }
    unsigned const check = complement ? (9 - sum % 9) % 9 : sum % 9;
    return values[count - 2] == check;
}

bool CodabarDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    if (!codabar_->check_check_digit.Get()) {
        return true;
    }
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    if (!CollectValues(symbols, reverced, values, count) || count < 3) {
        return false;
    }
    switch (codabar_->check_digit_type.Get()) {
    case 0:
        return CheckModulus16CheckDigit(values, count);
    case 1:
        return Check7CheckCheckDigit(values, count, codabar_->check_digit_7dr_character_table.Get(), false);
    case 2:
        return Check7CheckCheckDigit(values, count, codabar_->check_digit_7dsr_character_table.Get(), true);
    case 3:
    case 4: {
        // The sum check alone is weak: too many blotted characters refuse it.
        unsigned doubtful = 0;
        for (unsigned i = 0; i < symbols.GetCount(); ++i) {
            doubtful += symbols[i].flag != 0 ? 1u : 0u;
        }
        if (doubtful >= (symbols.GetCount() + 4) / 4) {
            return false;
        }
        bool const complement = codabar_->check_digit_type.Get() == 4;
        unsigned const mode = complement ? codabar_->check_digit_9dsr_character_table.Get()
                                         : codabar_->check_digit_9dr_character_table.Get();
        return Check9CheckCheckDigit(values, count, mode, complement);
    }
    default:
        return false;
    }
}

bool CodabarDecoder::ExecuteTransmitCDOption(bool transmit, bool verified, StackInterface<char>& text,
                                             unsigned& modifier)
{
    // Only a verified check character is taken off: without verification the
    // character before the stop is data.
    if (transmit || !verified) {
        return true;
    }
    unsigned const count = text.GetCount();
    if (count < 3 || !RemoveLabelCharacter(text, count - 2)) {
        return false;
    }
    modifier |= 1u << kCheckRemoved;
    return true;
}

void CodabarDecoder::ExecuteSTSPOption(unsigned form, StackInterface<char>& text, unsigned& modifier)
{
    unsigned const count = text.GetCount();
    if (count < 2) {
        return;
    }
    char& start = text[0];
    char& stop = text[count - 1];
    auto lower = [](char c) { return static_cast<char>(c - 'A' + 'a'); };
    auto tnStarE = [](char c, bool small) {
        char const upper[4] = {'T', 'N', '*', 'E'};
        char const lowerForm[4] = {'t', 'n', '*', 'e'};
        unsigned const i = static_cast<unsigned>(c - 'A') & 3u;
        return small ? lowerForm[i] : upper[i];
    };
    switch (form) {
    case 0:
        RemoveLabelCharacter(text, count - 1);
        RemoveLabelCharacter(text, 0);
        return;
    case 1:
        stop = tnStarE(stop, false);
        break;
    case 2:
        start = lower(start);
        stop = tnStarE(stop, true);
        break;
    case 4:
        start = lower(start);
        stop = lower(stop);
        break;
    case 5:
        start = static_cast<char>(start - 48);
        stop = static_cast<char>(stop - 48);
        break;
    default:
        break;
    }
    modifier |= 1u << kStartStopSent;
}

bool CodabarDecoder::ExecuteSpaceInsertionOption(StackInterface<char>& text)
{
    unsigned const length = text.GetCount();
    bool ok = InsertLabelCharacter(text, 1, ' ');
    if (length >= 6) {
        ok = ok && InsertLabelCharacter(text, 6, ' ');
    }
    if (length >= 11) {
        ok = ok && InsertLabelCharacter(text, 12, ' ');
    }
    return ok;
}

bool CodabarDecoder::CheckMinimumDataOption(unsigned data) const
{
    auto const length = codabar_->fixed_length.Get();
    return length.Admits(data) && !(length.count == 0 && length.minimum == 0 && data < kShortestUnrestricted);
}

bool CodabarDecoder::CheckOption(unsigned char const* values, unsigned count, DecodedLabel& label) const
{
    unsigned modifier = 0;
    unsigned const concatenation = codabar_->enable_abc_cx.Get();
    unsigned char const first = values[0];
    unsigned char const last = values[count - 1];
    unsigned const d = CodabarTable::kFirstLetter + 3;
    if ((concatenation & 2u) != 0) {
        if (last == d && first != d) {
            modifier |= (1u << kConcatenationD) | (1u << kAbcFirst);
        } else if (first == d && last != d) {
            modifier |= (1u << kConcatenationD) | (1u << kAbcSecond);
        }
    }
    if ((concatenation & 4u) != 0) {
        if (last == CodabarTable::kFirstLetter + 2) {
            modifier |= (1u << kConcatenationCX) | (1u << kCxFirst);
        }
        if (first == CodabarTable::kFirstLetter + 1) {
            modifier |= (1u << kConcatenationCX) | (1u << kCxSecond);
        }
    }
    if ((concatenation & 1u) != 0) {
        modifier |= 1u << kNormalCodabar;
    }
    bool const verified = codabar_->check_check_digit.Get();
    if (verified) {
        modifier |= 1u << kCheckVerified;
    }
    if (!CheckMinimumDataOption(label.data.GetCount() - 2)) {
        return false;
    }
    if (!ExecuteTransmitCDOption(codabar_->transmit_check_digit.Get(), verified, label.data, modifier)) {
        return false;
    }
    ExecuteSTSPOption(codabar_->transmit_start_and_stop.Get(), label.data, modifier);
    if (codabar_->space_insertion.Get() && !ExecuteSpaceInsertionOption(label.data)) {
        return false;
    }
    label.identifier.Copy(CodabarIdentifier(modifier));
    return true;
}

bool CodabarDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    if (!CollectValues(symbols, reverced, values, count)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (!label.data.Push(CodabarTable::GetCharacter(values[i]))) {
            label.data.Clear();
            return false;
        }
    }
    if (!CheckOption(values, count, label)) {
        label.data.Clear();
        return false;
    }
    return true;
}

}  // namespace DEC2DIvra
