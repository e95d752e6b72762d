#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of MSI Plessey and UK Plessey; see the .cpp for the texts each modifier gives.

class MSIPlesseyIdentifier final : public SymbologyIdentifier {
public:
    explicit MSIPlesseyIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MSI_PLESSEY, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class UKPlesseyIdentifier final : public SymbologyIdentifier {
public:
    explicit UKPlesseyIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_UK_PLESSEY, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
