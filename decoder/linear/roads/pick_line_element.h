#pragma once

namespace DEC2DIvra {

// One grey sample taken along a scan line: its line coordinate (rising along
// the line, in whatever fraction bits the sampler chose) and its grey value
// (a 16-bit sample held in 32 bits).
struct PickLineElement {
    int coordinate = 0;
    unsigned grey = 0;
};

}  // namespace DEC2DIvra
