#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// PDF417 and MicroPDF417 as the symbol locator sees them. The seen-symbol
// word tells what a call that gave no label met (kSeen...); the locator
// remembers a region that showed a symbol, and spares the linear decoders
// one that showed a PDF417 symbol's edge columns. The input word, set by the
// caller before a call, asks for a read (kInputRead) or a glance for PDF417
// start and stop patterns only (kInputGlance: no label, kSeenPattern when
// one is met; kInputGlanceNear: the same on lines as long as the region's
// own reach only, not across the whole frame).
class AbstractStackCodeDecoder {
public:
    enum : unsigned {
        kSeenNothing = 0,
        kSeenSymbol = 1,     // start and stop columns, no label out of the rows
        kSeenColumn = 2,     // a start or a stop column only
        kSeenComponent = 3,  // a composite's 2D part read whole, its linear part left to others
        kSeenPattern = 4,    // a glance met a start or stop pattern
    };
    enum : unsigned { kInputRead = 0, kInputGlance = 1, kInputGlanceNear = 2 };

    virtual int Start(GrayImage const& image, Region const& region, DecodedLabel& label) = 0;

    unsigned GetSeenSymbol() const { return seenSymbol_; }
    void SetSeenSymbol(unsigned seen) { seenSymbol_ = seen; }
    void SetInput(unsigned input) { input_ = input; }

protected:
    AbstractStackCodeDecoder() = default;
    ~AbstractStackCodeDecoder() = default;

    unsigned seenSymbol_ = 0;
    unsigned input_ = 0;
};

}  // namespace DEC2DIvra
