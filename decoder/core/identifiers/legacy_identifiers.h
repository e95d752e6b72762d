#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of the legacy engine (MaxiCode, Han Xin); see the .cpp for the texts each modifier gives.

class MaxiIdentifier final : public SymbologyIdentifier {
public:
    explicit MaxiIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MAXICODE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class ChineseSensibleIdentifier final : public SymbologyIdentifier {
public:
    explicit ChineseSensibleIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_HAN_XIN, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
