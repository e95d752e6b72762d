#include "decoder/core/identifiers/code128_identifier.h"

namespace DEC2DIvra {

// Bits 0-1: FNC1 position; bit 10: a Codablock F row or label.
bool Code128Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    unsigned const fnc1 = GetModifier() & 3u;
    if (GetModifierBit(10)) {
        return WriteAIM(buffer, size, 'O', fnc1 == 1 ? '5' : '4');
    }
    return WriteAIM(buffer, size, 'C', ModifierCharacter(fnc1));
}

char Code128Identifier::GetIvraIdentifier() const { return GetModifierBit(10) ? 'E' : 'T'; }

}  // namespace DEC2DIvra
