#include "decoder/core/identifiers/codabar_identifier.h"

namespace DEC2DIvra {

// The AIM modifiers of Codabar: 1 a concatenated (ABC) read, 2 a check
// digit verified and sent, 4 verified and taken off, 0 anything else. The
// modifier bits (0: concatenation mark, 1: verified, 2: not transmitted) are
// mapped, not added: an unverified read whose last character was taken off
// claims no check, and a verified one taken off is 4, not 6.
bool CodabarIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    char modifier = '0';
    if (GetModifierBit(0)) {
        modifier = '1';
    } else if (GetModifierBit(1)) {
        modifier = GetModifierBit(2) ? '4' : '2';
    }
    return WriteAIM(buffer, size, 'F', modifier);
}

char CodabarIdentifier::GetIvraIdentifier() const
{
    if (GetModifierBit(0)) {
        return 'S';
    }
    return GetModifierBit(9) ? 'f' : 'R';
}

}  // namespace DEC2DIvra
