#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of the 2 of 5 family; see the .cpp for the texts each modifier gives.

class Industrial2of5Identifier final : public SymbologyIdentifier {
public:
    explicit Industrial2of5Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_INDUSTRIAL2OF5, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class Interleaved2of5Identifier final : public SymbologyIdentifier {
public:
    explicit Interleaved2of5Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_INTERLEAVED2OF5, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class SCodeIdentifier final : public SymbologyIdentifier {
public:
    explicit SCodeIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_SCODE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class Matrix2of5Identifier final : public SymbologyIdentifier {
public:
    explicit Matrix2of5Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MATRIX2OF5, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class ChinesePostIdentifier final : public SymbologyIdentifier {
public:
    explicit ChinesePostIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_CHINESE_POST, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class IataIdentifier final : public SymbologyIdentifier {
public:
    explicit IataIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_IATA, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
