#pragma once

#include <cstddef>

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A grey frame the pre-filters may change: sample (x, y) at y * pitch + x.
struct PreFilterImage {
    unsigned short* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
};

// Window filters over a grey frame, in place. A window of diameter d covers
// (d - 1) / 2 pixels before its centre and d / 2 after it, across and down;
// a window reaching past the border sees the nearest border pixel. Each filter
// costs a few integer operations per pixel whatever the window size (running
// minimum, maximum and sum), and uses no memory but the scratch it is given.
// A false answer leaves the image as it was: a diameter out of
// [kMinDiameter, kMaxDiameter], an image without pixels, with a side out of
// [1, kMaxSide] or a pitch below its width, or scratch smaller than
// CalcScratchBytes.
class PreFilter {
public:
    static constexpr unsigned kMinDiameter = 1;
    // Wider windows only smear the modules away.
    static constexpr unsigned kMaxDiameter = 31;
    static constexpr int kMaxSide = 16384;

    static bool IsValidDiameter(unsigned diameter) { return diameter >= kMinDiameter && diameter <= kMaxDiameter; }
    static bool IsValidImage(PreFilterImage const& image);
    // Scratch that every filter needs for an image of this size at any valid
    // diameters; 0 for a size out of range.
    static std::size_t CalcScratchBytes(int width, int height);

    // Grey minimum over the window: dark modules grow.
    static bool Minimum(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                        VirtualArray<unsigned char> scratch);
    // Grey maximum over the window: light modules grow.
    static bool Maximum(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                        VirtualArray<unsigned char> scratch);
    // Grey mean over the window, rounded to nearest.
    static bool Mean(PreFilterImage const& image, unsigned diameterX, unsigned diameterY,
                     VirtualArray<unsigned char> scratch);
};

}  // namespace DEC2DIvra
