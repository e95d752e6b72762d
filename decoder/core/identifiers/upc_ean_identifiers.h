#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of UPC/EAN; see the .cpp for the texts each modifier gives.

class UpcaIdentifier final : public SymbologyIdentifier {
public:
    explicit UpcaIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_UPCA, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class Ean13Identifier final : public SymbologyIdentifier {
public:
    explicit Ean13Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_EAN13, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class UpceIdentifier final : public SymbologyIdentifier {
public:
    explicit UpceIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_UPCE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class Ean8Identifier final : public SymbologyIdentifier {
public:
    explicit Ean8Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_EAN8, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
