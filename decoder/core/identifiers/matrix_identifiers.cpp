#include "decoder/core/identifiers/matrix_identifiers.h"

namespace DEC2DIvra {

// Bit 5: ECC 000-140 (]d0); else 1, plus 1 when the low four bits are 1 or 5,
// plus 2 when they are 2 or 6, plus 3 for bit 4.
bool DataMatrixIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(5)) {
        return WriteAIM(buffer, size, 'd', '0');
    }
    unsigned const low = GetModifier() & 15u;
    unsigned value = 1;
    if (low == 1 || low == 5) {
        value += 1;
    } else if (low == 2 || low == 6) {
        value += 2;
    }
    if (GetModifierBit(4)) {
        value += 3;
    }
    return WriteAIM(buffer, size, 'd', ModifierCharacter(value));
}

char DataMatrixIdentifier::GetIvraIdentifier() const { return 't'; }

// Bit 4: Aztec Runes (]zC); else 1 for bit 0 (or 2 for bit 1), 3 for bit 2,
// 6 for bit 3, values from 10 as letters.
bool AztecIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(4)) {
        return WriteAIM(buffer, size, 'z', 'C');
    }
    unsigned value = GetModifierBit(0) ? 1u : (GetModifierBit(1) ? 2u : 0u);
    value += GetModifierBit(2) ? 3u : 0u;
    value += GetModifierBit(3) ? 6u : 0u;
    return WriteAIM(buffer, size, 'z', ModifierCharacter(value));
}

char AztecIdentifier::GetIvraIdentifier() const { return 'o'; }

// 1 for bit 0 (GS1), else 2 for bit 1 (FNC1 second); 3 more for bit 2 (ECI).
bool DotCodeIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    unsigned value = GetModifierBit(0) ? 1u : (GetModifierBit(1) ? 2u : 0u);
    value += GetModifierBit(2) ? 3u : 0u;
    return WriteAIM(buffer, size, 'J', ModifierCharacter(value));
}

char DotCodeIdentifier::GetIvraIdentifier() const { return 'k'; }

}  // namespace DEC2DIvra
