#pragma once

#include "config/value_types.h"
#include "decoder/core/decoded_label.h"

namespace DEC2DIvra {

// Turns the corrected data codewords of a DotCode symbol into label data:
// code sets A, B and C, binary mode, the upper shifts, FNC1 to FNC3, ECI,
// macro headers and structured append; sets the identifier's modifier flags.
class DataStreamConversionForDotCode {
public:
    // Modifier flags of the identifier.
    static constexpr unsigned kFlagGS1 = 1u << 0;
    static constexpr unsigned kFlagFNC1Second = 1u << 1;
    static constexpr unsigned kFlagECI = 1u << 2;
    static constexpr unsigned kFlagReaderInitialisation = 1u << 3;

    struct Options {
        bool suppressEscapes = false;
        ivra_configuration::FixedLength length{0, {}, 0, ivra_configuration::FixedLength::kNoMaximum};
    };

    // Removes the data mask in place: words[0] is the mask value, words[1 ..
    // dataCount) the data codewords. False for a mask value above 3.
    static bool RemoveMask(unsigned short* words, unsigned dataCount);

    // words[1 .. dataCount): the unmasked data codewords. False, with the
    // label's data left partly written, when the stream breaks a rule, runs
    // past its end, does not fit the label or fails the length setting.
    bool Start(unsigned short const* words, unsigned dataCount, Options const& options, DecodedLabel& label);

private:
    enum CodeSet : unsigned char { kSetA, kSetB, kSetC, kUpperShiftA, kUpperShiftB, kBinary };

    bool Step(unsigned short value);
    bool ModeA(unsigned short value);
    bool ModeB(unsigned short value);
    bool ModeC(unsigned short value);
    bool SwitchFromText(unsigned short value, CodeSet other);
    bool UpperShiftA(unsigned short value);
    bool UpperShiftB(unsigned short value);
    bool Binary(unsigned short value);
    bool BinaryPart();
    bool SumBase103ToBase259();
    bool BinaryValue(unsigned value);
    bool Common(unsigned short value);
    bool SetECI(unsigned number);
    bool InsertMacroHeader(unsigned number);
    bool DoubleASCII92();
    bool CalcStructuredAppend();
    // A structured-append character's value: lowest to '9' and 'A' to 'Z'
    // (10 to 35); 0 for any other.
    static unsigned AppendValue(char c, char lowest);
    bool Put(unsigned char byte);
    bool PutText(char const* text);
    bool PutCharacter(unsigned char byte);  // a data character: backslash doubled after an escape
    void Shift(CodeSet set, unsigned count);
    void Latch(CodeSet set);
    void EndOfCharacter();
    void TestGS1();
    bool IsFirstCharacter() const;
    bool Next(unsigned short& value);

    DecodedLabel* label_ = nullptr;
    Options options_{};
    unsigned short const* words_ = nullptr;
    unsigned count_ = 0;
    unsigned index_ = 0;
    CodeSet set_ = kSetC;
    CodeSet saved_ = kSetC;
    unsigned shift_ = 0;
    unsigned flags_ = 0;
    unsigned macro_ = 0;       // 0 none; 100 a header without number
    unsigned ai17_ = 0;        // digit pairs left until "10" follows
    unsigned long long accumulator_ = 0;
    unsigned digits_ = 0;      // base-103 digits held in the accumulator
    unsigned eciBytes_ = 0;    // base-259 values still to come for an ECI in binary mode
    unsigned eciNumber_ = 0;
    bool escaped_ = false;     // an ECI escape was written
    bool fnc1First_ = false;
    bool gs1TestDone_ = false;
    bool structuredAppend_ = false;  // FNC2 was the last data codeword
    bool ended_ = false;       // FNC3 or the binary end ended the data
    unsigned gs1TestFrom_ = 0; // where the data after a leading escape begins
    bool written_ = false;     // a data character was met
};

}  // namespace DEC2DIvra
