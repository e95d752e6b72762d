#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct UpcAProperty;
struct UpcEProperty;
struct Ean13Property;
struct Ean8Property;
class CommonPartialScanData;
struct BarSymbolForWPC;

// EAN-13, UPC-A, EAN-8, UPC-E and UPC-E1, each with an optional 2- or
// 5-digit add-on, from the runs of one scan line; the text in the UPC-A,
// ISBN, ISSN or ISMN form the settings ask for. The forward decoder starts at
// a left guard (or, for the symbols whose guards look alike, at a right guard
// met first); WPCReverceDecoder starts at a UPC-E right guard met first.
class WPCDecoder : public BarSymbolDecoder {
public:
    // Modifier bits of the label.
    static constexpr unsigned kAddon2 = 1u << 8;
    static constexpr unsigned kAddon5 = 1u << 9;
    static constexpr unsigned kCheckDigit = 1u << 10;
    static constexpr unsigned kLeadingDigitOrIsbn = 1u << 11;
    static constexpr unsigned kUpcE1OrIssn = 1u << 12;
    static constexpr unsigned kIsmn = 1u << 13;

    // Forced add-on state bits.
    static constexpr unsigned kForcedAddon2 = 1u << 0;
    static constexpr unsigned kForcedAddon5 = 1u << 1;

    // Passes of noise removal over the left guard and first character.
    static constexpr unsigned kMaxNoisePasses = 16;

    // The context and the property table must outlive the decoder.
    WPCDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    // Modules between the outer guards of the main symbol; unknown with an
    // add-on.
    bool CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const override;
    bool CalcDecodedLineSegment(GrayImage const& image, ScanLineSegment const& line, bool reverced,
                                StackInterface<BarSymbol> const& symbols, LineSegment& segment) const override;
    // Whether any setting lets an add-on be read or demands one.
    virtual bool IsEnableAnyAddon() const;

    // Multi-line road: the characters after a start seen on several lines,
    // one block per character, voted into one read.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                  StackInterface<MultiLineBlockData>& blocks, bool negative,
                                  bool& reverced) const override;
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                            StackInterface<BarSymbol>& symbols, unsigned& votes) const override;
    // With an add-on met first, the main symbol's far edge is the region's.
    bool CalcMultilineDecodedRegion(GrayImage const& image, bool reverced,
                                    ArrayIterator<LineDecodeData const> const& lines,
                                    StackInterface<MultiLineBlockData> const& blocks, StackInterface<Point>& beginEdge,
                                    StackInterface<Point>& endEdge) const override;
    // The direction a start block's lines agree on (at least three of them):
    // a right-half first character means the symbol was met from its end.
    bool JudgeReverce(MultiLineBlockData const& start, bool& reverced) const;

    // The forced add-on state (kForcedAddon2 | kForcedAddon5) of an EAN-13
    // or UPC-A whose first three digits (leading digit first) are given.
    unsigned CheckForcedAddon(unsigned char const prefix[3]) const;
    // The state the last forward read of a 12-character symbol left.
    unsigned GetForcedAddonState() const { return forcedAddon_; }

    UpcAProperty const& GetUpcAProperty() const { return *upcA_; }
    UpcEProperty const& GetUpcEProperty() const { return *upcE_; }
    Ean13Property const& GetEan13Property() const { return *ean13_; }
    Ean8Property const& GetEan8Property() const { return *ean8_; }

protected:
    // The line road shared by both decoders; reverseStart selects the start
    // at a UPC-E right guard.
    bool ReadLine(ArrayIterator<ScanElement const> const& start, bool reverseStart, StackInterface<BarSymbol>& symbols,
                  bool& negative, bool& reverced) const;

private:
    struct Road;
    struct BlockRoad;

    // Up to five add-on blocks beside the main symbol's blocks; true when an
    // add-on of an admitted length was found (the stack then holds it).
    bool ExecuteAddonBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                       StackInterface<MultiLineBlockData>& blocks, bool inverted,
                                       bool reverced) const;

    bool IsAnyReadEnabled() const;
    bool IsAnyUpcEEnabled(bool e1) const;
    bool HasAddonKeyForUpcE(bool e1) const;
    // Reads an add-on beside the anchor window (after it, or before it when
    // walkLeft) and pushes its digits; false, with nothing pushed, when
    // none is there. guardModules is the anchor's width in modules (10 or 13).
    bool ExecuteAddonBinarization(CommonPartialScanData const& anchor, bool walkLeft, unsigned guardModules,
                                  bool barIsLight, StackInterface<BarSymbol>& symbols) const;
    // Whether a found (or missing) add-on lets the read stand, for a main
    // symbol of the given kind.
    bool SearchAddon(Road const& road, CommonPartialScanData const& anchor, bool walkLeft, unsigned guardModules,
                     bool plainAllowed, bool addonAllowed, bool forced) const;

    UpcAProperty const* upcA_;
    UpcEProperty const* upcE_;
    Ean13Property const* ean13_;
    Ean8Property const* ean8_;
    mutable unsigned forcedAddon_ = 0;
};

// The same decoder begun at the six-run right guard of a UPC-E symbol met
// from its end.
class WPCReverceDecoder final : public WPCDecoder {
public:
    WPCReverceDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
};

}  // namespace DEC2DIvra
