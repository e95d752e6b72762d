#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"

namespace DEC2DIvra {

// Averaging of parallel scan lines into one: their samples are summed element
// by element and divided by the number of lines.
class PickLineStackForAverageScan {
public:
    // Adds the line's samples into the sum, the line shifted by `shift`
    // elements: a positive shift skips the line's first elements, a negative
    // one adds its first element again to the sum's first elements. The sum is
    // cut to the elements that received a sample. False when nothing of the
    // line overlaps the sum.
    static bool Add(StackInterface<PickLineElement>& sum, StackInterface<PickLineElement> const& line, int shift);
    // Divides every coordinate and grey value by count (toward zero); false
    // for a count below 1.
    static bool Divide(StackInterface<PickLineElement>& sum, int count);
};

}  // namespace DEC2DIvra
