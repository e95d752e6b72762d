#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// One run (or one pair of neighbouring runs) of a PDF417 element while the
// element's modules are shared out among its runs: its place in the
// element, its edge magnitude, its width along the line and the modules it
// was given.
struct MagnitudeAndIndexForPDF {
    int index = 0;
    int magnitude = 0;
    int width = 0;
    int count = 0;

    // Shares `total` modules among the records in their present order, each
    // at least `minimum` and at most `reserve`: a record whose share by
    // magnitude (with `add` added to every magnitude) is clear takes its share
    // by width, any other its share by magnitude; the last takes what is
    // left. Records without magnitude are shared by width alone. False when
    // a record ends outside the bounds or the records have no width.
    static bool CalcUnitWidth(VirtualArray<MagnitudeAndIndexForPDF>& records, unsigned total, unsigned minimum,
                              unsigned reserve, int add);
    // The same sharing by width alone.
    static bool CalcUnitWidthOnlyRawWidth(VirtualArray<MagnitudeAndIndexForPDF>& records, unsigned total,
                                          unsigned minimum, unsigned reserve);
    // The module string of bars and spaces taken in turn, bars first (bar
    // modules 0, space modules 1, first module most significant); `modules`
    // gets its length. False when it would pass 31 modules or a count is
    // below 1.
    static bool CalcPattern(VirtualArray<MagnitudeAndIndexForPDF const> const& bars,
                            VirtualArray<MagnitudeAndIndexForPDF const> const& spaces, unsigned& pattern,
                            unsigned& modules);

    // Orderings for the heap sort: rising magnitude, rising width, rising
    // index.
    static int CompareMagnitude(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b);
    static int CompareWidth(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b);
    static int CompareIndex(MagnitudeAndIndexForPDF const& a, MagnitudeAndIndexForPDF const& b);
};

}  // namespace DEC2DIvra
