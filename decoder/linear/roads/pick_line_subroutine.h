#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/geometry/ptr_manhattan_line_segment.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"

namespace DEC2DIvra {

// The per-pixel sampler handed to a pixel walk: it appends one PickLineElement
// for each pixel the walk visits. Coordinates are the walk's line coordinates
// scaled by 2^fractionBits, so that edge positions keep sub-pixel detail.
class PickLineSubroutine {
public:
    static constexpr unsigned kMaxFractionBits = 16;

    PickLineSubroutine() = default;
    explicit PickLineSubroutine(StackInterface<PickLineElement>& samples, unsigned fractionBits = 0)
        : samples_(&samples), fractionBits_(fractionBits <= kMaxFractionBits ? fractionBits : kMaxFractionBits)
    {
    }

    // The walk's callback; false when the sample stack is full, which ends
    // the walk instead of dropping samples silently.
    bool Start(unsigned grey, int coordinate) const
    {
        if (samples_ == nullptr) {
            return false;
        }
        long long const scaled = static_cast<long long>(coordinate) * (1LL << fractionBits_);
        if (scaled > 0x7FFFFFFFLL || scaled < -0x7FFFFFFFLL) {
            return false;
        }
        return samples_->Push(PickLineElement{static_cast<int>(scaled), grey});
    }

    // Empties the stack and samples the whole walk; false when the walk
    // fails or the stack cannot hold every pixel.
    template <class Walk>
    bool Start(GrayImage const& image, Walk const& walk) const
    {
        if (samples_ == nullptr) {
            return false;
        }
        samples_->Clear();
        return walk.ExecuteAlongLineWithLineCoord(image, *this);
    }

    unsigned GetFractionBits() const { return fractionBits_; }

private:
    StackInterface<PickLineElement>* samples_ = nullptr;
    unsigned fractionBits_ = 0;
};

}  // namespace DEC2DIvra
