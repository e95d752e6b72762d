#pragma once
// A cell as the string library of the template functions sees it: a character
// whose output bytes can be taken as a C string.

#include "format/decode_data_byte.h"

namespace ivra_string_library {

class Character : public DecodeDataByte {
public:
    Character() = default;
    Character(DecodeDataByte cell) : DecodeDataByte(cell) {}

    // The output bytes and a closing 0 byte; 0 when they do not fit, and then
    // count is left as it was.
    int GetCString(char* buf, unsigned size, unsigned& count) const
    {
        unsigned written = 0;
        if (!GetEntityOutputBytes(reinterpret_cast<unsigned char*>(buf), size, &written, FormatSpecifier()))
            return 0;
        count = written;
        return 1;
    }

    unsigned GetCStringLength() const { return GetEntityByteCount(FormatSpecifier()); }
};

static_assert(sizeof(Character) == sizeof(DecodeDataByte), "strings of Character are cell strings");

} // namespace ivra_string_library
