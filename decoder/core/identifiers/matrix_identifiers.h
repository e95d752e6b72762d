#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Data Matrix, Aztec and DotCode; see the .cpp for the texts each modifier gives.

class DataMatrixIdentifier final : public SymbologyIdentifier {
public:
    explicit DataMatrixIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_DATA_MATRIX, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class AztecIdentifier final : public SymbologyIdentifier {
public:
    explicit AztecIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_AZTEC, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class DotCodeIdentifier final : public SymbologyIdentifier {
public:
    explicit DotCodeIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_DOTCODE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
