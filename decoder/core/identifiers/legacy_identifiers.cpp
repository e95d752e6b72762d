#include "decoder/core/identifiers/legacy_identifiers.h"

namespace DEC2DIvra {

// Bits 0-2: the MaxiCode mode (2 and 3 give "1", others "0"); bit 3 (ECI)
// raises the digit by 2.
bool MaxiIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    unsigned const mode = GetModifier() & 7u;
    unsigned value = (mode == 2 || mode == 3) ? 1u : 0u;
    value += GetModifierBit(3) ? 2u : 0u;
    return WriteAIM(buffer, size, 'U', ModifierCharacter(value));
}

char MaxiIdentifier::GetIvraIdentifier() const { return 'v'; }

bool ChineseSensibleIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char ChineseSensibleIdentifier::GetIvraIdentifier() const { return 'e'; }

}  // namespace DEC2DIvra
