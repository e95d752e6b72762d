#include "decoder/core/identifiers/pdf_identifiers.h"

namespace DEC2DIvra {

// Bit 8: a composite component; else the digit of bits 0-2.
bool PDFIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(8)) {
        return WriteAIM(buffer, size, 'e', '1');
    }
    return WriteAIM(buffer, size, 'L', ModifierCharacter(GetModifier() & 7u));
}

char PDFIdentifier::GetIvraIdentifier() const { return 'r'; }

// Bit 9 (CC-A) or 10 (CC-B): a composite component; else ]L3, ]L4 or ]L5 by
// bits 2-3 when bit 8 is set, by bits 0-1 otherwise (the value 3 stays ]L5).
bool MicroPDFIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(9) || GetModifierBit(10)) {
        return WriteAIM(buffer, size, 'e', '1');
    }
    unsigned const kind = GetModifierBit(8) ? (GetModifier() >> 2) & 3u : GetModifier() & 3u;
    return WriteAIM(buffer, size, 'L', ModifierCharacter(3 + (kind > 2 ? 2 : kind)));
}

char MicroPDFIdentifier::GetIvraIdentifier() const { return 's'; }

// A linear label joined with its 2D component is sent as GS1 data.
bool CompositeIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'e', '0');
}

char CompositeIdentifier::GetIvraIdentifier() const { return 'y'; }

}  // namespace DEC2DIvra
