#pragma once
// How the template functions write numbers: binary bytes (little- or
// big-endian) or ASCII decimal or hexadecimal digits, with an optional sign.

#include "format/data_edit/cell_string.h"

namespace ivra_string_library {

struct NumericFormat {
    static constexpr unsigned kPrintCells = 10; // sign and at most 8 digits

    bool sign = false;
    bool ascii = false;
    bool hexadecimal = false;
    bool bigEndian = false;
    unsigned digits = 1;

    // Appends the printed value; false (and nothing appended) when it does not fit.
    bool Print(long long value, String<Character>& out) const;
    // Prints into a string of its own and inserts that at pos of the window;
    // false when it does not fit.
    bool Insert(long long value, SubString<Character>& window, unsigned pos) const;
    unsigned Width() const { return digits + (ascii && sign ? 1u : 0u); }
};

} // namespace ivra_string_library
