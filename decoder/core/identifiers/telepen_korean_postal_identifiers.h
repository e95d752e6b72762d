#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of Telepen and Korean postal; see the .cpp for the texts each modifier gives.

class TelepenIdentifier final : public SymbologyIdentifier {
public:
    explicit TelepenIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_TELEPEN, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class KoreanPostalIdentifier final : public SymbologyIdentifier {
public:
    explicit KoreanPostalIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_KOREAN_POSTAL, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
