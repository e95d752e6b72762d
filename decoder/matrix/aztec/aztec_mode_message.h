#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"
#include "decoder/core/tag_decoded_label.h"

namespace DEC2DIvra {

// Which corner of the mode ring is the symbol's top-left corner (rotation
// 0-3, counted clockwise from the reader's top-left) and whether the symbol
// is seen mirrored.
struct OrientationPattern {
    unsigned rotation = 0;
    bool mirrored = false;

    // The 12 orientation-mark bits (three per corner, corner after corner
    // clockwise, each as the module before the corner, the one after it, the
    // corner itself) of one of the eight orientations; false for any other.
    static bool BitsToPattern(unsigned bits, OrientationPattern& pattern);
};

// The orientations the marks allow: one, or a plain and a mirrored one.
struct PossibleOrientationPatterns {
    OrientationPattern first;
    OrientationPattern second;
    bool two = false;

    // False when no orientation lies within 3 bits of the marks.
    bool CalcPossibleOrientationPatterns(unsigned bits);
};

struct ModeMessageInformation {
    static constexpr unsigned CompactMaxWordCount[4] = {17, 40, 51, 76};
    static constexpr unsigned FullRangeMaxWordCount[32] = {
        21,  48,  60,  88,  120, 156, 196, 240, 230, 272, 316,  364,  416,  470,  528,  588,
        652, 720, 790, 864, 940, 1020, 920, 992, 1066, 1144, 1224, 1306, 1392, 1480, 1570, 1664};

    bool compact = true;
    unsigned layers = 0;
    unsigned codewordBits = 0;
    unsigned totalWords = 0;
    unsigned dataWords = 0;
    bool runes = false;
    unsigned runeValue = 0;

    // Layers, codeword size and capacity for a data codeword count; false
    // when the layer count is out of range or the count exceeds the capacity.
    bool SetModeMessageData(unsigned layerCount, unsigned dataCount, bool isCompact);
};

// The corrected mode message as it reads from the symbol's reference corner,
// first word highest: 28 bits (compact and Runes, a rune's as printed) or 40
// (full range), and how many of its 4-bit words the correction changed.
struct CorrectedModeMessage {
    unsigned long long bits = 0;
    unsigned width = 0;
    unsigned fixedWords = 0;

    // The symbol record: present; value1 the bits above the lowest 32 (the
    // first 8 of a full-range message, 0 otherwise); value2 the words fixed;
    // value3 the message length in bits; value4 the lowest 32 bits.
    void Repack(tagFurtherRecord& record) const;
};

// Corrects the mode message read around the bull's-eye and reads what it says.
class ModeBitsDecoder {
public:
    // bits: 28 (compact) or 40 (full range) mode bits read clockwise from the
    // reader's top-left corner, first bit highest. corrected (may be null:
    // bits not wanted) receives the corrected message.
    static bool Start(unsigned long long bits, bool compact, OrientationPattern const& orientation,
                      bool runesAllowed, RSdecodingOfAztec& rs, ModeMessageInformation& information,
                      CorrectedModeMessage* corrected);

    // The bits turned and, for a mirrored symbol, reversed so that they read
    // from the symbol's reference corner.
    static unsigned long long SortModeBits(unsigned long long bits, bool compact, OrientationPattern const& orientation);

private:
    // The sorted 28 or 40 bits as seven or ten words, corrected and read.
    static bool DecodeSortedCompactModeBits(unsigned long long sorted, bool runesAllowed, RSdecodingOfAztec& rs,
                                            ModeMessageInformation& information, CorrectedModeMessage* corrected);
    static bool DecodeSortedFullRangeModeBits(unsigned long long sorted, RSdecodingOfAztec& rs,
                                              ModeMessageInformation& information, CorrectedModeMessage* corrected);
    // A rune's corrected words back in the order its ring carries them.
    static unsigned long long SortRunesBitsAgain(unsigned short const* words, unsigned count);
};

}  // namespace DEC2DIvra

namespace DEC2DIvra {

// The mode ring around the bull's-eye (distance 5 compact, 7 full range)
// from a square of (2 R + 1)^2 module decisions centred on the bull's-eye,
// row by row, nonzero for the dark colour: the 12 orientation bits and the
// 28 or 40 mode bits, both read clockwise from the top-left corner.
void ReadAztecModeRing(unsigned char const* core, bool compact, unsigned& orientationBits,
                       unsigned long long& modeBits);

}  // namespace DEC2DIvra
