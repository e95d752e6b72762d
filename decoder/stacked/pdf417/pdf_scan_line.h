#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

class GrayImage;
class PickLineSubroutine;
class ScanBuffer;
class ScanSubroutine;

// A thick grey-level scan line across a stacked symbol: a segment in whole
// pixels with its direction quantised to one of eight steps, the number of
// parallel pixel lines summed into each sample, and, when it was laid across
// a codeword next to a read column, that codeword's expected width and
// contrast. Positions along the line ("line coordinates") count samples.
class PDFScanLine {
public:
    bool Set(GrayImage const& image, Region const& region, unsigned thickness);
    bool Set(GrayImage const& image, LineSegment const& segment, unsigned thickness);
    bool SetCenterLine(GrayImage const& image, LineSegment const& segment);
    bool Move(GrayImage const& image, Vector const& shift);

    bool CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const;
    bool CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits, Point& point) const;
    bool CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point, int& coordinate) const;

    bool PickForNormal(GrayImage const& image, PickLineSubroutine const& pick, ScanBuffer& buffer) const;
    bool PickForManhattan(GrayImage const& image, PickLineSubroutine const& pick, ScanBuffer& buffer) const;
    // Samples the line and turns the samples into runs; `contrast` gets the
    // line's contrast.
    bool Scan(GrayImage const& image, PickLineSubroutine const& pick, ScanSubroutine const& scan, ScanBuffer& buffer,
              unsigned& contrast) const;

    LineSegment const& GetSegment() const { return segment_; }
    Vector const& GetStep() const { return step_; }
    unsigned GetDirection() const { return direction_; }
    unsigned GetThickness() const { return thickness_; }
    bool IsCrossQuarter() const { return crossQuarter_; }
    unsigned GetCodeWidth() const { return codeWidth_; }
    unsigned GetCodeContrast() const { return codeContrast_; }
    void SetExpected(unsigned width, unsigned contrast)
    {
        codeWidth_ = width;
        codeContrast_ = contrast;
    }

private:
    // The segment trimmed to the image less `margin` pixels, its direction
    // quantised to one of eight steps; false when nothing of it is left.
    bool SetTrimmed(GrayImage const& image, LineSegment const& segment, unsigned margin);

    LineSegment segment_;      // whole pixels
    Vector step_;              // unit step of the quantised direction
    unsigned direction_ = 0;   // 0..7
    unsigned thickness_ = 1;
    bool crossQuarter_ = false;
    unsigned codeWidth_ = 0;   // expected codeword width, line coordinates
    unsigned codeContrast_ = 0;
};

// A scan line laid across the codeword next to a read column, with the row
// number interpolated at it, the contrast expected there, and whether it lies
// beyond the column's first or last element (outside) or was laid wide
// (loose).
struct ScanParameter {
    PDFScanLine line;
    int row = -1;
    unsigned contrast = 0;
    bool outside = false;
    bool loose = false;
};

}  // namespace DEC2DIvra
