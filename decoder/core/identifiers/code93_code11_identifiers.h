#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Code 93 and Code 11; see the .cpp for the texts each modifier gives.

class Code93Identifier final : public SymbologyIdentifier {
public:
    explicit Code93Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_CODE93, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class Code11Identifier final : public SymbologyIdentifier {
public:
    explicit Code11Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_CODE11, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
