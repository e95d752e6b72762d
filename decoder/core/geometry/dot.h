#pragma once

#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// One dot candidate handed by the symbol locator to the DotCode decoder.
struct Dot {
    enum Separation : unsigned char {
        kSingle = 0,    // one dot
        kTwo = 1,       // two touching dots
        kTriangle = 2,  // three dots in a triangle
    };

    Point position;
    unsigned size = 0;          // in pixels
    unsigned char dark = 0;     // 1: a dark dot on a light ground
    unsigned char separation = kSingle;
    Point separated[2];         // the centres of the separated dots
};

}  // namespace DEC2DIvra
