#include "decoder/matrix/dot_code/dot_code_dot_stack.h"

namespace DEC2DIvra {

void DotStack::Clear()
{
    count_ = 0;
    total_ = 0;
    darkTotal_ = 0;
    for (unsigned& h : histogram_) {
        h = 0;
    }
}

void DotStack::SetLargestSize(unsigned width, unsigned height)
{
    if (largest_ != 0) {
        return;
    }
    unsigned const size = (width < height ? width : height) / 20;
    largest_ = size > kLargestSize ? kLargestSize : size;
}

bool DotStack::PushDot(Dot const& dot)
{
    if (count_ >= kCapacity || dot.separation > Dot::kTriangle) {
        return false;
    }
    dots_[count_++] = dot;
    unsigned const weight = dot.separation + 1u;
    total_ += weight;
    darkTotal_ += dot.dark != 0 ? weight : 0u;
    return true;
}

bool DotStack::SetStandard()
{
    dark_ = 2 * darkTotal_ > total_;
    unsigned const standard = dark_ ? darkTotal_ : total_ - darkTotal_;
    return standard >= kMinimumDots;
}

void DotStack::CountSizes()
{
    for (unsigned& h : histogram_) {
        h = 0;
    }
    // Sizes from the image: only those the histogram holds count.
    auto add = [this](unsigned size, unsigned weight) {
        if (size >= 1 && size <= largest_) {
            histogram_[size] += weight;
        }
    };
    for (unsigned i = 0; i < count_; ++i) {
        Dot const& dot = dots_[i];
        if ((dot.dark != 0) != dark_) {
            continue;
        }
        add(dot.size, 1);
        if (dot.separation == Dot::kTwo) {
            add((dot.size + 1) / 2, 2);
        } else if (dot.separation == Dot::kTriangle) {
            add(dot.size, 2);
        }
    }
}

unsigned DotStack::CalcModeSize()
{
    CountSizes();
    for (unsigned s = largest_ > 1 ? largest_ - 1 : 0; s >= 2; --s) {
        unsigned const h = histogram_[s];
        if (h >= histogram_[s - 1] && h >= histogram_[s + 1] &&
            h + histogram_[s - 1] + histogram_[s + 1] >= kMinimumDots) {
            return s;
        }
    }
    return 0;
}

bool DotStack::IsLegalSize(unsigned index, unsigned modeSize) const
{
    Dot const& dot = dots_[index];
    unsigned const size = dot.size;
    return (dot.dark != 0) == dark_ && size + 1 >= modeSize && size <= modeSize + 1;
}

bool DotStack::IsEnableSeparate(unsigned index, unsigned modeSize) const
{
    Dot const& dot = dots_[index];
    if ((dot.dark != 0) != dark_) {
        return false;
    }
    unsigned const size = dot.size;
    if (dot.separation == Dot::kTwo) {
        return size + 2 >= 2 * modeSize && size <= 2 * modeSize + 2;
    }
    return dot.separation == Dot::kTriangle && size + 1 >= modeSize && size <= modeSize + 1;
}

}  // namespace DEC2DIvra
