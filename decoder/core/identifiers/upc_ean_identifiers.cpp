#include "decoder/core/identifiers/upc_ean_identifiers.h"

namespace DEC2DIvra {

namespace {

// Bit 8: 2-digit add-on; bit 9: 5-digit add-on. A label with its add-on is
// sent as one message (]E3); EAN-8 alone is ]E4, the others ]E0.
char EanModifier(unsigned modifier, bool ean8)
{
    if ((modifier & ((1u << 8) | (1u << 9))) != 0) {
        return '3';
    }
    return ean8 ? '4' : '0';
}

}  // namespace

bool UpcaIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'E', EanModifier(GetModifier(), false));
}

char UpcaIdentifier::GetIvraIdentifier() const { return 'A'; }

bool Ean13Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'E', EanModifier(GetModifier(), false));
}

char Ean13Identifier::GetIvraIdentifier() const { return 'F'; }

bool UpceIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'E', EanModifier(GetModifier(), false));
}

char UpceIdentifier::GetIvraIdentifier() const { return 'C'; }

bool Ean8Identifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'E', EanModifier(GetModifier(), true));
}

char Ean8Identifier::GetIvraIdentifier() const { return 'H'; }

}  // namespace DEC2DIvra
