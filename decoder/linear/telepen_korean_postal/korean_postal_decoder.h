#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct KoreanPostalAuthorityProperty;

// The Korean postal code: six digits and a check digit, each four spaces
// between thin bars of one width. A space spans one to three units, the four
// of a digit six; a space of two or more units is a 1 bit. The first digit's
// first space lies in the quiet zone: it is what the other three leave of the
// six. Digits are pushed in the symbol's order, each with its 4-bit pattern.
class KoreanPostalDecoder final : public BarSymbolDecoder {
public:
    static constexpr unsigned kDigits = 7;
    // Pattern to digit; 10 marks a pattern no digit has.
    static constexpr unsigned char table[16] = {10, 0, 6, 9, 3, 8, 5, 10, 1, 7, 4, 10, 2, 10, 10, 10};

    // The context and the property table must outlive the decoder.
    KoreanPostalDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    // The check is made with the reading itself.
    bool CheckCheckDigit(StackInterface<BarSymbol> const&, bool) const override { return true; }
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;

    // Exactly seven patterns, each a digit, summing to a multiple of ten.
    bool CheckCheckDigitSelf(StackInterface<BarSymbol> const& symbols, bool reverced) const;

    // The digits of seven patterns from the bars' centres: 28 bars, 27
    // pitches in the symbol's order. False unless every digit's spaces
    // come to six units, each of one to three.
    static bool ReadPitches(long long const* pitches, unsigned char* patterns);
    // ReadPitches and the check digit: true when the pitches, taken in this
    // order, give seven digits whose sum is a multiple of ten.
    static bool ReadDigits(long long const* pitches, unsigned char* patterns);
    // Whether two reads (each in the symbol's digit order) give one code.
    static bool SameCode(unsigned char const* forward, unsigned char const* backward);

    // The symbol read window by window from the run it begins with on the
    // line, along the line (NotReverce) or from its far end back (Reverce:
    // the symbol upside down), into `symbols` in line order; true when the
    // seven digits pass CheckCheckDigitSelf.
    bool ExecuteBinarizationNotReverce(ArrayIterator<ScanElement const> const& start, bool negative,
                                       StackInterface<BarSymbol>& symbols) const;
    bool ExecuteBinarizationReverce(ArrayIterator<ScanElement const> const& start, bool negative,
                                    StackInterface<BarSymbol>& symbols) const;

private:
    enum class WindowRead { kNone, kRead, kRefused };
    // The directions the settings allow, in their order, then the other
    // way round as a cross-check.
    WindowRead ReadByWindows(ArrayIterator<ScanElement const> const& start, bool negative,
                             StackInterface<BarSymbol>& symbols, bool& reverced) const;
    // One direction from the first run met (walking against the line when
    // reversed).
    bool ReadWindows(ArrayIterator<ScanElement const> const& first, bool reversed, bool negative,
                     StackInterface<BarSymbol>& symbols) const;
    // Whether the bars' centres, read both ways, give no other code than
    // the digits read (pushed in line order).
    bool AgreesWithPitches(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol> const& symbols,
                           bool reverced) const;
    // The bars' centres of the whole symbol read both ways, for what the
    // windows do not read.
    bool ReadByPitches(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                       bool negative, bool& reverced) const;

    KoreanPostalAuthorityProperty const* korean_;
};

}  // namespace DEC2DIvra
