#pragma once
// A window of a frame with its noise averaged down: each grey the mean of
// the 3 x 3 pixels around it (the frame's edge pixels repeated outward), for
// a second read of a symbol whose bull's-eye was found and not read.

#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The window of `side` x `side` pixels at most around (x, y), inside the
// image: its top-left corner and size.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

WindowPlace PlaceWindow(GrayImage const& image, int x, int y, int side);

// Fills `out` (place.width x place.height values, row by row) with the
// smoothed window; false when the place does not lie on the image or the
// image has no pixels.
bool SmoothWindow(GrayImage const& image, WindowPlace const& place, unsigned short* out);

}  // namespace DEC2DIvra
