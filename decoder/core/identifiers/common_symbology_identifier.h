#pragma once

#include "decoder/core/identifiers/symbology_identifier.h"

namespace DEC2DIvra {

// The plain form of an identifier kept in a decoded label: copies of the
// symbology number, the modifier, the AIM text (up to 6 characters) and the
// maker code, taken from any identifier through its virtual getters.
class CommonSymbologyIdentifier final : public SymbologyIdentifier {
public:
    static constexpr unsigned kAimBytes = 7;

    CommonSymbologyIdentifier() : CommonSymbologyIdentifier(SYMBOLOGY_NONE) {}
    // Modifier 0, AIM text "]X0", maker code 0.
    explicit CommonSymbologyIdentifier(tagSymbology symbology);
    explicit CommonSymbologyIdentifier(SymbologyIdentifier const& identifier) : SymbologyIdentifier(SYMBOLOGY_NONE)
    {
        Copy(identifier);
    }
    CommonSymbologyIdentifier(CommonSymbologyIdentifier const&) = default;
    CommonSymbologyIdentifier& operator=(CommonSymbologyIdentifier const&) = default;

    void Copy(SymbologyIdentifier const& identifier);

    // The stored text; false, with an empty text, when it does not fit or the
    // buffer holds fewer than 4 bytes.
    bool GetAIMIdentifier(char* buffer, unsigned size) const override;
    char GetIvraIdentifier() const override { return ivra_; }

private:
    char aim_[kAimBytes] = {};
    char ivra_ = 0;
};

}  // namespace DEC2DIvra
