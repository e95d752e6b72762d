#include "decoder/core/identifiers/symbology_identifier.h"

#include "decoder/core/containers/memory.h"

namespace DEC2DIvra {

bool SymbologyIdentifier::WriteAIM(char* buffer, unsigned size, char letter, char modifier)
{
    if (buffer == nullptr) {
        return false;
    }
    if (size < 4) {
        if (size > 0) {
            buffer[0] = '\0';
        }
        return false;
    }
    buffer[0] = ']';
    buffer[1] = letter;
    buffer[2] = modifier;
    buffer[3] = '\0';
    return true;
}

char SymbologyIdentifier::ModifierCharacter(unsigned value)
{
    return static_cast<char>(value < 10 ? '0' + value : 'A' + (value - 10));
}

bool SymbologyIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'X', '0');
}

char SymbologyIdentifier::GetIvraIdentifier() const { return 0; }

void SymbologyIdentifier::SetModifierBit(unsigned bit, bool value) { Memory::SetBit(modifier_, bit, value); }

bool SymbologyIdentifier::GetModifierBit(unsigned bit) const { return Memory::GetBit(modifier_, bit); }

}  // namespace DEC2DIvra
