#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

class BarCodeScanRegion;
class LineDecodeData;
class LineDecoder;

// The high-resolution road of a scan band: neighbouring lines aligned and
// merged into finer combined lines. The schedule enters it when a single line
// shows a false edge in its middle half and nothing has decoded yet.
class CombinedLineRoad {
public:
    // Prepares the combined lines of a band; afterwards GetLineCount tells how
    // many there are (0 when the band does not allow any).
    virtual void Initialize(GrayImage const& image, BarCodeScanRegion const& band) = 0;
    // The preparation ran to its end.
    virtual bool IsCompleted() const = 0;
    virtual unsigned GetLineCount() const = 0;
    // Decodes the combined line of a scan index into the result, with the
    // decoded part of the line; false when it does not decode.
    virtual bool Start(GrayImage const& image, LineDecoder const& decoder, unsigned index, LineDecodeData& result,
                       LineSegment& segment) = 0;

protected:
    CombinedLineRoad() = default;
    ~CombinedLineRoad() = default;
};

}  // namespace DEC2DIvra
