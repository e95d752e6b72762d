#pragma once

#include "decoder/core/identifiers/tag_symbology.h"

namespace DEC2DIvra {

// The identity of a decoded label: symbology number, modifier flags, the AIM
// identifier text (default "]X0") and the scanner's own one-character code.
// One subclass per symbology derives the texts from the modifier bits.
class SymbologyIdentifier {
public:
    // Writes "]", a letter, one modifier character and a NUL; answers false
    // (with an empty text when the buffer has room for it) when the buffer
    // holds fewer than 4 bytes.
    virtual bool GetAIMIdentifier(char* buffer, unsigned size) const;
    // The maker code; 0 when the symbology has none.
    virtual char GetIvraIdentifier() const;

    tagSymbology GetSymbology() const { return symbology_; }
    unsigned GetModifier() const { return modifier_; }
    void SetSymbology(tagSymbology symbology) { symbology_ = symbology; }
    void SetModifier(unsigned modifier) { modifier_ = modifier; }
    void SetModifierBit(unsigned bit, bool value);
    bool GetModifierBit(unsigned bit) const;

protected:
    explicit SymbologyIdentifier(tagSymbology symbology, unsigned modifier = 0)
        : symbology_(symbology), modifier_(modifier)
    {
    }
    SymbologyIdentifier(SymbologyIdentifier const&) = default;
    SymbologyIdentifier& operator=(SymbologyIdentifier const&) = default;
    ~SymbologyIdentifier() = default;

    // The common form "]" letter modifier NUL.
    static bool WriteAIM(char* buffer, unsigned size, char letter, char modifier);
    // The digit (or, from 10, the letter from "A") of a small value.
    static char ModifierCharacter(unsigned value);

private:
    tagSymbology symbology_;
    unsigned modifier_;
};

}  // namespace DEC2DIvra
