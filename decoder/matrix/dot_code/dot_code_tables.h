#pragma once

namespace DEC2DIvra {

// The nine dots of a DotCode codeword, first dot read as the highest bit.
struct DotCodeValueTable {
    static constexpr unsigned char kInvalid = 255;
    // The codeword value 0-112 of a 9-bit dot pattern, kInvalid for a pattern
    // that no codeword uses.
    static unsigned char Lookup(unsigned pattern);
};

struct DotCodePatternTable {
    static constexpr unsigned kValues = 113;
    static unsigned short const table[kValues];
};

}  // namespace DEC2DIvra
