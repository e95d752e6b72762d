#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// A timing pattern that may bow: two straight pieces through its start, a
// middle point and its end (1/256 pixel), one sample per module, the first
// half of the modules on the first piece.
class QRTimingPatternGrid {
public:
    static constexpr unsigned kMaxModules = 64;

    // false for fewer than two modules or more than kMaxModules.
    bool Set(unsigned modules, Point const& start, Point const& middle, Point const& end);

    // Dark modules at even positions from the start: their grey subtracted,
    // the light ones' added, so that a true timing pattern scores high
    // (negated for a symbol light on dark). 0 when a sample lies off the
    // image.
    int CalcTimingPatternScore(GrayImage const& image, bool negate, int& score) const;

private:
    unsigned modules_ = 0;
    Point start_;
    Point middle_;
    Point end_;
};

}  // namespace DEC2DIvra
