#include "decoder/core/identifiers/code93_code11_identifiers.h"

namespace DEC2DIvra {

bool Code93Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'G', '0');
}

char Code93Identifier::GetIvraIdentifier() const { return 'U'; }

// Bit 8: a check mode is on; 9: check digits not transmitted; 10: one check
// digit; 11: two check digits.
bool Code11Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    bool const checked = GetModifierBit(8);
    bool const stripped = GetModifierBit(9);
    bool const one = GetModifierBit(10);
    bool const two = GetModifierBit(11);
    if (checked && stripped && (one || two)) {
        return WriteAIM(buffer, size, 'H', '3');
    }
    if (checked && !stripped && one) {
        return WriteAIM(buffer, size, 'H', '0');
    }
    if (checked && !stripped && two) {
        return WriteAIM(buffer, size, 'H', '1');
    }
    return WriteAIM(buffer, size, 'X', '0');
}

char Code11Identifier::GetIvraIdentifier() const { return 'b'; }

}  // namespace DEC2DIvra
