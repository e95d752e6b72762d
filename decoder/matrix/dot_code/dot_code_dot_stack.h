#pragma once

#include "decoder/core/geometry/dot.h"

namespace DEC2DIvra {

// The dot candidates of one image, gathered call by call until their sizes
// let the decoder measure the dot pitch: the colour most of them have (the
// standard colour) and the most frequent size among those (the mode size).
class DotStack {
public:
    static constexpr unsigned kCapacity = 64;
    static constexpr unsigned kMinimumDots = 6;
    static constexpr unsigned kLargestSize = 64;

    void Clear();
    // The largest size considered, once per handle: from the first image.
    void SetLargestSize(unsigned width, unsigned height);
    unsigned GetLargestSize() const { return largest_; }

    bool IsFull() const { return count_ >= kCapacity; }
    unsigned GetCount() const { return count_; }
    Dot const& operator[](unsigned i) const { return dots_[i]; }
    bool PushDot(Dot const& dot);

    // Dark when twice the dark dots outnumber them all; false while fewer
    // than six dots have that colour.
    bool SetStandard();
    bool IsStandardDark() const { return dark_; }
    // The largest size, from the largest considered less 1 down to 2, whose
    // count is at least that of both neighbours with the three counts
    // reaching six; 0 when none.
    unsigned CalcModeSize();
    // Whether the dot's own centre or its separated centres stand for dots of
    // the mode size.
    bool IsLegalSize(unsigned index, unsigned modeSize) const;
    bool IsEnableSeparate(unsigned index, unsigned modeSize) const;

private:
    void CountSizes();

    Dot dots_[kCapacity];
    unsigned count_ = 0;
    unsigned total_ = 0;  // a dot of separation kind k counts k + 1
    unsigned darkTotal_ = 0;
    unsigned largest_ = 0;
    bool dark_ = true;
    unsigned histogram_[kLargestSize + 2] = {};
};

}  // namespace DEC2DIvra
