#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// Identifiers of PDF417, MicroPDF417 and GS1 composite labels; see the .cpp for the texts each modifier gives.

class PDFIdentifier final : public SymbologyIdentifier {
public:
    explicit PDFIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_PDF417, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class MicroPDFIdentifier final : public SymbologyIdentifier {
public:
    explicit MicroPDFIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_MICRO_PDF417, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

class CompositeIdentifier final : public SymbologyIdentifier {
public:
    explicit CompositeIdentifier(unsigned modifier = 0) : SymbologyIdentifier(SYMBOLOGY_COMPOSITE, modifier) {}
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override;
};

}  // namespace DEC2DIvra
