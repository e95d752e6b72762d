#pragma once

namespace DEC2DIvra {

// One run of a window: the five fields of its ScanElement, its magnitude
// (width weighted by its contrast), and the line index of the first line run
// it covers, which tells the margin tests where the line continues.
struct PartialScanElement {
    unsigned char colour = 0;  // 0 dark, 1 light
    int grey = 0;
    int begin = 0;
    int end = 0;
    int samples = 0;
    unsigned magnitude = 0;
    int lineIndex = 0;
};

}  // namespace DEC2DIvra
