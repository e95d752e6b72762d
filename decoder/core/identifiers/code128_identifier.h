#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Code 128 and Codablock F rows; see the .cpp for the texts each modifier gives.

class Code128Identifier final : public SymbologyIdentifier {
public:
    explicit Code128Identifier(unsigned modifier = 0, tagSymbology symbology = SYMBOLOGY_CODE128)
        : SymbologyIdentifier(symbology, modifier)
    {
    }
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
