#pragma once

#include <cstddef>

#include "decoder/core/property/filters_property.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/property/pre_filter.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// Runs the configured pre-filters over a frame before the symbols are looked
// for: dark-module thickening, light-module thickening and moving average,
// each when its switch is on, in ascending priority; on equal priorities in
// that order. The settings are read once per call, so a change made meanwhile
// applies to the next frame whole.
class ApplyPreFilterSubroutine {
public:
    // In place. True when every enabled filter ran (also when none is
    // enabled). False, image untouched: an enabled filter's diameter out of
    // range, a bad image, or scratch smaller than PreFilter::CalcScratchBytes.
    bool Start(FiltersProperty const& filters, PreFilterImage const& image, VirtualArray<unsigned char> scratch) const;

    // For a frame that must stay as it is: copies it into the front of `area`
    // and filters the copy there, with the rest of `area` as scratch;
    // `filtered` then views the copy. With no filter enabled nothing is copied
    // and `filtered` is the frame. False, `filtered` the frame: as above, or
    // `area` smaller than CalcAreaBytes.
    bool Start(FiltersProperty const& filters, GrayImage const& frame, VirtualArray<unsigned char> area,
               GrayImage& filtered) const;

    // The area the copying Start needs for a frame of this size; 0 for a size
    // the filters refuse.
    static std::size_t CalcAreaBytes(int width, int height);
};

}  // namespace DEC2DIvra
