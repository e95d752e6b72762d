#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"

namespace DEC2DIvra {

class GrayImage;
class RateForTuningCalculator;
class SharedMemoryDistributor;

// The grey-level score of a read pattern: the correlation of the module
// luminances with the pattern, 65535 a perfect fit.
class CalcSegmentScoreSubroutine {
public:
    void Start(Array<unsigned short, 15> const& luminance, bool invert, bool rowAddressPattern,
               unsigned short threshold, unsigned pattern, unsigned short& score) const;
};

// The grey values at the module centres of a codeword (15) or of a row
// address pattern (7) along its segment, with their largest and smallest.
class CalcPatternLuminanceSubroutine {
public:
    bool Start(GrayImage const& image, bool rowAddressPattern, LineSegment const& segment,
               Array<unsigned short, 15>& luminance, unsigned short& maximum, unsigned short& minimum) const;
};

// One codeword read by its edges from a segment expected to span its 17
// modules.
class PDFColumnScanSubroutine {
public:
    PDFColumnScanSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning);
    bool Start(GrayImage const& image, LineSegment const& codeword, bool fine, unsigned contrast, bool inverted,
               bool edgeFlag, unsigned edgeParameter, PDFCharacterWithScore& character, int& cluster,
               unsigned short& windowContrast) const;

private:
    struct Buffers;
    Buffers* buffers_ = nullptr;
    RateForTuningCalculator* tuning_ = nullptr;
};

}  // namespace DEC2DIvra
