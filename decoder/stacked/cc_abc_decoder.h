#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// Reads a bit string most significant bit first: bit i is bit 7 - (i mod 8)
// of byte i div 8.
class BitStream {
public:
    BitStream(char const* bytes, unsigned const& bitCount) : bytes_(bytes), count_(bitCount) {}

    bool FlushABit(unsigned& bit);
    // The next n bits, first most significant; n = 0 gives 0. False when fewer
    // than n remain (those read are consumed).
    bool FlushBitStream(unsigned n, unsigned& value);
    unsigned GetRemaining() const { return count_ - position_; }

private:
    char const* bytes_;
    unsigned count_;
    unsigned position_ = 0;
};

// The data of a GS1 composite component (CC-A, CC-B, CC-C): the encodation
// method and the general-purpose data, written as an element string with GS
// as FNC1 (or '^' where the data holds an FNC1 of its own).
class CC_ABC_Decoder {
public:
    enum COMPACTION_MODE : unsigned { kAlphaNumeric = 0, kNumeric = 1, kAlpha = 2, kIso646 = 3, kEnd = 4 };

    // Rewrites `label` from its beginning; false on a malformed header.
    static bool DecodeCC_ABC(char const* bits, unsigned bitCount, StackInterface<char>& label);

private:
    static bool DecodeAI10Compaction(BitStream& bits, StackInterface<char>& label);
    static bool DecodeAI90Compaction(BitStream& bits, StackInterface<char>& label);
    static bool DecodeGeneralCompaction(BitStream& bits, COMPACTION_MODE first, StackInterface<char>& label);
    static COMPACTION_MODE DecodeNumericCompaction(BitStream& bits, StackInterface<char>& label);
    static COMPACTION_MODE DecodeAlphaNumericCompaction(BitStream& bits, StackInterface<char>& label);
    static COMPACTION_MODE DecodeAlphaCompaction(BitStream& bits, StackInterface<char>& label);
    static COMPACTION_MODE DecodeISOCompaction(BitStream& bits, StackInterface<char>& label);
    static void ConvertValueToString(unsigned value, StackInterface<char>& label);
};

}  // namespace DEC2DIvra
