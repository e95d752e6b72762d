#include "decoder/core/identifiers/telepen_korean_postal_identifiers.h"

namespace DEC2DIvra {

// Bits 0-2: 0 ASCII, 1 numeric, 2 numeric followed by ASCII.
bool TelepenIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'B', ModifierCharacter(GetModifier() & 7u));
}

char TelepenIdentifier::GetIvraIdentifier() const { return 'd'; }

bool KoreanPostalIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char KoreanPostalIdentifier::GetIvraIdentifier() const { return 'K'; }

}  // namespace DEC2DIvra
