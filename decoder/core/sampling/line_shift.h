#pragma once

namespace DEC2DIvra {

// How far the level changes along one line of grey samples lie shifted on a
// second, parallel line: the lines across slanted bars see the same edges,
// the second one's moved by the slant times the distance between them.
struct LineShift {
    double shift = 0;     // samples: a feature at p on the first line lies at p + shift on the second
    double likeness = 0;  // 1 for the same edges, near 0 for unrelated ones
};

// The best match within `reach` samples of shift `from` of the level changes
// of `first` (countFirst samples) with those of `second` (countSecond
// samples, its sample j at the first's position j + offset): the sum of
// their products over the stretch both lines cover. The fraction comes from
// a parabola through the best three (within half a sample); the likeness is
// the best match over the geometric mean of each line's match with itself.
// False when nothing matches. Integer samples are summed exactly and give
// the fraction in whole 1/256 samples.
template <class Sample>
bool FindLineShift(Sample const* first, unsigned countFirst, Sample const* second, unsigned countSecond, int offset,
                   int from, int reach, LineShift& result);

}  // namespace DEC2DIvra
