#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of GS1 DataBar; see the .cpp for the texts each modifier gives.

class RSSIdentifier final : public SymbologyIdentifier {
public:
    explicit RSSIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_GS1_DATABAR, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
