#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// One run of a symbol character while modules are shared out among its runs.
struct MagnitudeAndIndex {
    int index = 0;         // the run's position within the character
    unsigned modules = 0;  // modules assigned
    int magnitude = 0;
    int rawWidth = 0;
    int samples = 0;

    // Shares `total` modules among the runs in list order (each run at least
    // `minimum`, at most `maximum`); the last run takes what is left. The
    // runs are expected in order of rising magnitude. False when a run's
    // share lies outside the limits or the list is empty.
    static bool CalcUnitWidth(VirtualArray<MagnitudeAndIndex>& runs, unsigned total, unsigned minimum,
                              unsigned maximum, int offset);
    static bool CalcUnitWidthOnlyRawWidth(VirtualArray<MagnitudeAndIndex>& runs, unsigned total, unsigned minimum,
                                          unsigned maximum, int offset);
    static bool CalcUnitWidthOnlyMagnitude(VirtualArray<MagnitudeAndIndex>& runs, unsigned total,
                                           unsigned minimum, unsigned maximum, int offset);
    // Orders the runs by rising magnitude (equal ones keep their order).
    static void SortByMagnitude(MagnitudeAndIndex* runs, unsigned count);
    // True when the one-module runs at the front of the list differ in
    // magnitude by at most the tolerance.
    static bool CheckUnitWidth(VirtualArray<MagnitudeAndIndex>& runs, int tolerance);
    // Writes the modules of both lists, laid out by index, as bits (first
    // list 0, second list 1), first run most significant; reversed starts at
    // the highest index. Answers the bit that would follow the last run.
    static bool CalcPattern(VirtualArray<MagnitudeAndIndex const> const& first,
                            VirtualArray<MagnitudeAndIndex const> const& second, bool reversed, unsigned& pattern);
};

}  // namespace DEC2DIvra
