#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// PDF417 and MicroPDF417 as the symbol locator sees them. The seen-symbol
// flag (the first word) is 1 when start and stop patterns were found but no
// label came out; the locator remembers such a region. The second word is
// set by the caller before a call and not read by the decoder.
class AbstractStackCodeDecoder {
public:
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
