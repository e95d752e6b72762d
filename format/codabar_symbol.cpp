#include "format/codabar_symbol.h"

#include <cstring>

#include "config/configuration.h"

using ivra_configuration::Root;

namespace {

const SymbologyHandles& CodabarHandles()
{
    static const SymbologyHandles handles{&Root().read.codabar, &Root().string.codabar.prefix,
                                          &Root().string.codabar.suffix, &Root().fixed_length.codabar};
    return handles;
}

const auto& Settings() { return Root().code.codabar; }

void CopyText(const char* from, char (&to)[4]) { std::memcpy(to, from, sizeof to); }

} // namespace

CodabarSymbol codabar;

CodabarSymbol::CodabarSymbol() : Symbology(&CodabarHandles)
{
    AddSymbol(18);
    AddSymbol(19);
    AddSymbol(20);
}

void CodabarSymbol::GetOptionCode1(char (&text)[4]) const { CopyText("DA2", text); }
void CodabarSymbol::GetOptionCode2(char (&text)[4]) const { CopyText("DB2", text); }
void CodabarSymbol::GetOptionCode3(char (&text)[4]) const { CopyText("DC2", text); }

bool CodabarSymbol::GetNormalCodeEnable() const { return (Settings().enable_abc_cx.Value() & kNormalForm) != 0; }
bool CodabarSymbol::GetAbcCodeEnable() const { return (Settings().enable_abc_cx.Value() & kAbcForm) != 0; }
bool CodabarSymbol::GetCxCodeEnable() const { return (Settings().enable_abc_cx.Value() & kCxForm) != 0; }
bool CodabarSymbol::GetCheckDigitVerification() const { return Settings().check_check_digit.Value(); }
bool CodabarSymbol::GetCheckDigitTransmission() const { return Settings().transmit_check_digit.Value(); }
bool CodabarSymbol::GetSpaceInsertion() const { return Settings().space_insertion.Value(); }
unsigned CodabarSymbol::GetSTSPTransmission() const
{
    return static_cast<unsigned>(Settings().transmit_start_and_stop.Value());
}
bool CodabarSymbol::GetInterCharacterGapCheck() const { return Settings().intercharacter_gap_check.Value(); }
unsigned CodabarSymbol::GetCheckDigitType() const { return static_cast<unsigned>(Settings().check_digit_type.Value()); }
unsigned CodabarSymbol::GetCD7DRCharacterTable() const
{
    return static_cast<unsigned>(Settings().check_digit_7dr_character_table.Value());
}
unsigned CodabarSymbol::GetCD7DSRCharacterTable() const
{
    return static_cast<unsigned>(Settings().check_digit_7dsr_character_table.Value());
}
unsigned CodabarSymbol::GetCD9DRCharacterTable() const
{
    return static_cast<unsigned>(Settings().check_digit_9dr_character_table.Value());
}
unsigned CodabarSymbol::GetCD9DSRCharacterTable() const
{
    return static_cast<unsigned>(Settings().check_digit_9dsr_character_table.Value());
}

unsigned char CodabarSymbol::KindOf(unsigned modifier)
{
    unsigned char kind = 0;
    if (modifier & (1u << 11))
        kind |= kAbcFirst;
    if (modifier & (1u << 12))
        kind |= kAbcSecond;
    if (modifier & (1u << 13))
        kind |= kCxFirst;
    if (modifier & (1u << 14))
        kind |= kCxSecond;
    return kind;
}

int CodabarSymbol::Concatenation(FormatterDecodeData* record, unsigned /*mode*/, unsigned forms)
{
    const bool abc = (forms & kAbcForm) != 0;
    const bool cx = (forms & kCxForm) != 0;
    if (!abc && !cx)
        return kOutputAsRead;
    const unsigned char kind = KindOf(record->modifier);
    if (kind == 0)
        return (forms & kNormalForm) != 0 ? kOutputAsRead : kFormDisabled;

    if (heldKind_ != 0) {
        if (kind == heldKind_ && record->length == heldLength_ &&
            std::memcmp(held_, record->data, heldLength_) == 0)
            return kRepeat;
        const bool abcPair = abc && ((heldKind_ == kAbcFirst && kind == kAbcSecond) ||
                                     (heldKind_ == kAbcSecond && kind == kAbcFirst));
        const bool cxPair = cx && ((heldKind_ == kCxFirst && kind == kCxSecond) ||
                                   (heldKind_ == kCxSecond && kind == kCxFirst));
        if (abcPair || cxPair) {
            if (heldLength_ > record->capacity - record->length)
                return kOutputAsRead;
            const bool heldFirst = heldKind_ == kAbcFirst || heldKind_ == kCxFirst;
            if (heldFirst) {
                std::memmove(record->data + heldLength_, record->data, record->length);
                std::memcpy(record->data, held_, heldLength_);
            } else {
                std::memcpy(record->data + record->length, held_, heldLength_);
            }
            record->SetLength(record->length + heldLength_);
            InitializeConcatenation();
            return kJoined;
        }
    }

    if (record->length > kHeldCapacity)
        return kOutputAsRead;
    heldKind_ = kind;
    heldLength_ = record->length;
    std::memcpy(held_, record->data, record->length);
    held_[record->length] = 0;
    return kHeld;
}

void CodabarSymbol::InitializeConcatenation()
{
    heldKind_ = 0;
    heldLength_ = 0;
    held_[0] = 0;
}
