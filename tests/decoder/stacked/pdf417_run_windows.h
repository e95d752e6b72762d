#pragma once
// Scan lines made of runs for the run-length recognisers: module widths
// turned into ScanElements (bars dark unless inverted), with a quiet run on
// each side so that a window can be loaded at the first element.

#include <vector>

#include "decoder/core/containers/array_iterator.h"
#include "decoder/linear/line/scan_element.h"

namespace pdf417_test {

struct RunLine {
    std::vector<DEC2DIvra::ScanElement> runs;

    // The run at which the element of `index` (0 the first after the quiet
    // run) begins.
    DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const> At(unsigned index) const
    {
        return DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const>(runs.data(),
                                                                      static_cast<unsigned>(runs.size()),
                                                                      static_cast<int>(index + 1));
    }
};

// Widths in modules, the first a bar (dark; light when inverted). unit is
// the module width in line coordinates; narrow shifts every edge between a
// bar and the space after it by that much (negative thins the bars).
inline RunLine MakeRunLine(std::vector<int> const& modules, int unit, bool inverted = false, int bleed = 0)
{
    RunLine line;
    int const dark = 80;
    int const light = 900;
    int position = 0;
    auto push = [&](bool isLight, int width) {
        DEC2DIvra::ScanElement run;
        run.colour = isLight ? DEC2DIvra::kLightRun : DEC2DIvra::kDarkRun;
        run.grey = isLight ? light : dark;
        run.begin = position;
        run.end = position + width;
        run.samples = width;
        position += width;
        line.runs.push_back(run);
    };
    // Quiet zone in the space colour.
    push(!inverted, 10 * unit);
    for (size_t i = 0; i < modules.size(); ++i) {
        bool const bar = i % 2 == 0;
        int width = modules[i] * unit;
        if (bar) {
            width += bleed;
        } else {
            width -= bleed;
        }
        push(bar == inverted, width);
    }
    push(modules.size() % 2 == 0 ? inverted : !inverted, 10 * unit);
    return line;
}

// The widths of a module string of `count` modules, most significant first
// (1 a space).
inline std::vector<int> Widths(unsigned pattern, unsigned count)
{
    std::vector<int> widths;
    int previous = -1;
    for (unsigned i = 0; i < count; ++i) {
        int const bit = static_cast<int>(pattern >> (count - 1 - i) & 1u);
        if (bit != previous) {
            widths.push_back(0);
            previous = bit;
        }
        ++widths.back();
    }
    return widths;
}

}  // namespace pdf417_test
