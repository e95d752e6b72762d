#include "decoder/core/identifiers/common_symbology_identifier.h"

#include "decoder/core/containers/memory.h"

namespace DEC2DIvra {

CommonSymbologyIdentifier::CommonSymbologyIdentifier(tagSymbology symbology) : SymbologyIdentifier(symbology)
{
    SymbologyIdentifier::WriteAIM(aim_, kAimBytes, 'X', '0');
}

void CommonSymbologyIdentifier::Copy(SymbologyIdentifier const& identifier)
{
    if (&identifier == this) {
        return;
    }
    SetSymbology(identifier.GetSymbology());
    SetModifier(identifier.GetModifier());
    char text[kAimBytes] = {};
    if (!identifier.GetAIMIdentifier(text, kAimBytes)) {
        text[0] = '\0';
    }
    text[kAimBytes - 1] = '\0';
    Memory::MemoryCopy(aim_, text, kAimBytes);
    ivra_ = identifier.GetIvraIdentifier();
}

bool CommonSymbologyIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    if (buffer == nullptr) {
        return false;
    }
    unsigned length = 0;
    while (length + 1 < kAimBytes && aim_[length] != '\0') {
        ++length;
    }
    if (size < 4 || size < length + 1) {
        if (size > 0) {
            buffer[0] = '\0';
        }
        return false;
    }
    Memory::MemoryCopy(buffer, aim_, length);
    buffer[length] = '\0';
    return true;
}

}  // namespace DEC2DIvra
