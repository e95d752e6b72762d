#pragma once
// A made-up linear symbology for the frame tests, simple enough that its
// reading is obviously right, so that the tests see the frame's plumbing and
// not a real decoder's quirks.
//
// A stripe code is: a start bar of 2 modules, then per data bit a 1-module
// space and a bar of 1 module (0) or 3 modules (1), then a 1-module space and
// a stop bar of 4 modules; the last data bit makes the count of 1 bits even.
// Quiet zones of at least 3 modules on both sides.

#include <string>

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "tests/support/frame.h"

namespace frame_test {

// The modules ('1' ink, '0' space) of a stripe code carrying `bits` ('0'/'1'),
// with the parity bit appended (or, with badParity, its opposite).
std::string StripeModules(std::string const& bits, bool badParity = false);

struct StripeDrawing {
    double moduleSize = 3.0;
    double angle = 0.0;          // degrees, clockwise on screen
    double centreX = 320.0;
    double centreY = 240.0;
    double height = 40.0;        // bar height in modules
    double quietZone = 8.0;      // modules of label on each side (also above and below)
    int dark = 100;
    int light = 900;
    bool inverted = false;
};

// Paints the modules over the frame (anti-aliased by 4 x 4 supersampling) and
// answers the symbol's corners (without quiet zone) in reading order.
support::Quad DrawStripes(support::Frame& frame, std::string const& modules, StripeDrawing const& drawing);

// Counts of what the frame asked of one decoder.
struct StripeLog {
    static constexpr unsigned kCapacity = 4096;
    unsigned offers = 0;
    int offerBegin[kCapacity] = {};  // line coordinate of each offered run
    unsigned order[kCapacity] = {};  // the decoder's tag, when a log is shared
    unsigned starts = 0;
    unsigned checks = 0;
};

// The stripe decoder. negative: reads light bars on a dark ground (and says
// so); the frame's polarity rule decides whether such a read counts.
class StripeDecoder final : public DEC2DIvra::BarSymbolDecoder {
public:
    StripeDecoder(DEC2DIvra::BarSymbolDecoderContext const& context, bool negative, unsigned tag = 0,
                  tagSymbology symbology = SYMBOLOGY_TELEPEN)
        : BarSymbolDecoder(symbology, context), negative_(negative), tag_(tag)
    {
    }

    bool ExecuteBinarization(DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const> const& start,
                             DEC2DIvra::StackInterface<DEC2DIvra::BarSymbol>& symbols, bool& negative,
                             bool& reverced) const override;
    bool CheckCheckDigit(DEC2DIvra::StackInterface<DEC2DIvra::BarSymbol> const& symbols,
                         bool reverced) const override;
    bool Start(DEC2DIvra::StackInterface<DEC2DIvra::BarSymbol> const& symbols, bool reverced,
               DEC2DIvra::DecodedLabel& label) const override;
    bool CountModule(DEC2DIvra::StackInterface<DEC2DIvra::BarSymbol> const& symbols,
                     unsigned& modules) const override;
    bool IsEnableStartBarSymbol() const override { return keepStart; }

    // Test controls.
    mutable StripeLog* log = nullptr;
    bool refuseLabel = false;    // slot 2 refuses every label
    bool keepStart = true;       // slot 6
    bool ignorePolarity = true;  // leaves the polarity rule to the frame
    bool pushStatistics = false;  // pushes the greys of its runs to the frame's statistics
    bool overlapGreys = false;   // and a dark grey brighter than a light one

private:
    bool negative_;
    unsigned tag_;
};

}  // namespace frame_test
