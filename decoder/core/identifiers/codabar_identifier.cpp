#include "decoder/core/identifiers/codabar_identifier.h"

namespace DEC2DIvra {

// The modifier character is "0" plus the low bits (0: concatenation mark,
// 1: check digit verified, 2: check digit not transmitted). The higher bits
// describe start/stop forms for the formatter and do not belong in the
// character: added in, they would give bytes outside the digits.
bool CodabarIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'F', ModifierCharacter(GetModifier() & 7u));
}

char CodabarIdentifier::GetIvraIdentifier() const
{
    if (GetModifierBit(0)) {
        return 'S';
    }
    return GetModifierBit(9) ? 'f' : 'R';
}

}  // namespace DEC2DIvra
