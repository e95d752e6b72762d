#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Codabar; see the .cpp for the texts each modifier gives.

class CodabarIdentifier final : public SymbologyIdentifier {
public:
    explicit CodabarIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_CODABAR, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
