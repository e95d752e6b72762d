#include "decoder/core/identifiers/code39_identifiers.h"

namespace DEC2DIvra {

// Bit 0: check digit verified; 1: not transmitted; 2: full ASCII; 3: Italian
// pharmacode.
bool Code39Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(3)) {
        return WriteAIM(buffer, size, 'X', '0');
    }
    return WriteAIM(buffer, size, 'A', ModifierCharacter(GetModifier() & 7u));
}

char Code39Identifier::GetIvraIdentifier() const
{
    if (GetModifierBit(2)) {
        return 'W';
    }
    return GetModifierBit(3) ? 'Y' : 'V';
}

bool TriOpticIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char TriOpticIdentifier::GetIvraIdentifier() const { return 'V'; }

// Menu labels are Code 39 symbols that the application consumes itself.
bool MenuCodeIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char MenuCodeIdentifier::GetIvraIdentifier() const { return 'V'; }

}  // namespace DEC2DIvra
