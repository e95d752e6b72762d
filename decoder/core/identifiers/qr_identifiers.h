#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of QR Code and Micro QR; see the .cpp for the texts each modifier gives.

class QRIdentifier final : public SymbologyIdentifier {
public:
    explicit QRIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_QR_CODE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class MicroQRIdentifier final : public SymbologyIdentifier {
public:
    explicit MicroQRIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MICRO_QR, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
