#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"

namespace DEC2DIvra {

class GrayImage;
class RateForTuningCalculator;
class SharedMemoryDistributor;

// The grey-level score of a read pattern: the correlation of the module
// luminances with the pattern, 65535 a perfect fit. A codeword pattern holds
// its 15 scored modules in bits 15 down to 1, a row address pattern its 7 in
// bits 7 down to 1; a set bit is a space.
class CalcSegmentScoreSubroutine {
public:
    static constexpr unsigned kCodewordModules = 15;
    static constexpr unsigned kRowAddressModules = 7;

    void Start(Array<unsigned short, 15> const& luminance, bool invert, bool rowAddressPattern,
               unsigned short threshold, unsigned pattern, unsigned short& score) const;
};

// The grey values at the module centres of a codeword (modules 1 to 15) or
// of a row address pattern (modules 2 to 8) along its segment (1/256 pixel),
// with their largest and smallest. False when a centre lies outside the image.
class CalcPatternLuminanceSubroutine {
public:
    bool Start(GrayImage const& image, bool rowAddressPattern, LineSegment const& segment,
               Array<unsigned short, 15>& luminance, unsigned short& maximum, unsigned short& minimum) const;
};

// One codeword read by its edges from a segment (1/256 pixel) expected to
// span its 17 modules. The samples, runs and edge profile are work-area
// slices taken at construction; without them every read fails.
class PDFColumnScanSubroutine {
public:
    // The widened segment of the widest codeword the lattice reads.
    static constexpr unsigned kMaxSamples = 1232;
    static constexpr unsigned kFractionBits = 4;  // line coordinates in 1/16 pixel

    PDFColumnScanSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning);
    bool IsReady() const { return ready_; }

    bool Start(GrayImage const& image, LineSegment const& codeword, bool fine, unsigned contrast, bool inverted,
               bool edgeFlag, unsigned edgeParameter, PDFCharacterWithScore& character, int& cluster,
               unsigned short& windowContrast) const;

private:
    mutable StackInterface<PickLineElement> samples_;
    mutable StackInterface<ScanElement> runs_;
    ScanSubroutine scan_;
    RateForTuningCalculator* tuning_ = nullptr;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
