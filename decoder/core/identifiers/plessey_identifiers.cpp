#include "decoder/core/identifiers/plessey_identifiers.h"

namespace DEC2DIvra {

// Bits 8-10: the check mode (0 none, 1 one check digit, 2-5 two); bits 11-12:
// how many check digits are transmitted. ]M1 says a verified check digit was
// left out of the data, ]M0 covers the rest.
bool MSIPlesseyIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    unsigned const mode = (GetModifier() >> 8) & 7u;
    unsigned const transmitted = (GetModifier() >> 11) & 3u;
    unsigned const checked = mode == 0 ? 0u : (mode == 1 ? 1u : 2u);
    return WriteAIM(buffer, size, 'M', checked > 0 && transmitted < checked ? '1' : '0');
}

char MSIPlesseyIdentifier::GetIvraIdentifier() const { return 'Z'; }

bool UKPlesseyIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'P', '0');
}

char UKPlesseyIdentifier::GetIvraIdentifier() const { return 'z'; }

}  // namespace DEC2DIvra
