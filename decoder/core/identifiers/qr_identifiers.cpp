#include "decoder/core/identifiers/qr_identifiers.h"

namespace DEC2DIvra {

// Bit 4: Model 1; else "1" plus bits 0-2 (ECI, FNC1 first, FNC1 second).
bool QRIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (GetModifierBit(4)) {
        return WriteAIM(buffer, size, 'Q', '0');
    }
    return WriteAIM(buffer, size, 'Q', ModifierCharacter(1 + (GetModifier() & 7u)));
}

char QRIdentifier::GetIvraIdentifier() const { return 'u'; }

bool MicroQRIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'Q', GetModifierBit(0) ? '2' : '1');
}

char MicroQRIdentifier::GetIvraIdentifier() const { return 'j'; }

}  // namespace DEC2DIvra
