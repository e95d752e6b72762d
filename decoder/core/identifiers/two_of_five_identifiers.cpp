#include "decoder/core/identifiers/two_of_five_identifiers.h"

namespace DEC2DIvra {

bool Industrial2of5Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'S', '0');
}

char Industrial2of5Identifier::GetIvraIdentifier() const { return 'O'; }

// Bit 0: check digit verified; bit 1: not transmitted.
bool Interleaved2of5Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'I', ModifierCharacter(GetModifier() & 3u));
}

char Interleaved2of5Identifier::GetIvraIdentifier() const { return 'N'; }

bool SCodeIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char SCodeIdentifier::GetIvraIdentifier() const { return 'g'; }

bool Matrix2of5Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char Matrix2of5Identifier::GetIvraIdentifier() const { return 'Q'; }

bool ChinesePostIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char ChinesePostIdentifier::GetIvraIdentifier() const { return 'h'; }

bool IataIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'R', ModifierCharacter(GetModifier() & 3u));
}

char IataIdentifier::GetIvraIdentifier() const { return 'P'; }

}  // namespace DEC2DIvra
