#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Code 39 and the symbologies read by its decoder; see the .cpp for the texts each modifier gives.

class Code39Identifier final : public SymbologyIdentifier {
public:
    explicit Code39Identifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_CODE39, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class TriOpticIdentifier final : public SymbologyIdentifier {
public:
    explicit TriOpticIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_TRIOPTIC, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class MenuCodeIdentifier final : public SymbologyIdentifier {
public:
    explicit MenuCodeIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MENU, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
