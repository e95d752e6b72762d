#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// The bits of a DataBar Expanded symbol's data characters, twelve per
// character, most significant first.
class RSSExpandedBits {
public:
    static constexpr unsigned kCapacity = 21 * 12;

    void Clear() { count_ = 0; }
    bool Append(unsigned value, unsigned bits);
    unsigned GetCount() const { return count_; }
    // False when fewer than `bits` bits are left at the position.
    bool Read(unsigned& position, unsigned bits, unsigned& value) const;

private:
    unsigned char bits_[kCapacity] = {};
    unsigned count_ = 0;
};

// What the label text depends on besides the bits.
struct RSSExpandedOptions {
    bool transmitCheckDigit = true;
    bool transmitApplicationIdentifier = true;
};

// Turns the bits into the GS1 element string (FNC1 as the group separator,
// no leading FNC1); linked reports the linkage flag (the first bit). False
// for an unknown method, a field running past the end, a value outside its
// range, or text beyond the stack.
bool MakeExpandedData(RSSExpandedBits const& bits, RSSExpandedOptions const& options, StackInterface<char>& text,
                      bool& linked);

}  // namespace DEC2DIvra
