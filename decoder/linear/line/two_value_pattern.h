#pragma once

namespace DEC2DIvra {

// A narrow/wide reading of a window's runs: one bit per run in walk order,
// first run most significant, wide = 1; and the mean raw width and mean
// magnitude of each class.
struct TwoValuePattern {
    unsigned pattern = 0;
    unsigned wideCount = 0;
    int narrowWidth = 0;
    int narrowMagnitude = 0;
    int wideWidth = 0;
    int wideMagnitude = 0;
};

}  // namespace DEC2DIvra
