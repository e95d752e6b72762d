#pragma once

namespace DEC2DIvra {

// One element recognised from the runs of a scan line: a symbol character
// (17-module pattern, bars 0, and its cluster 0, 3 or 6), a start or stop
// pattern (kind 7 forward start, 6 forward stop, 2 reversed start, 3
// reversed stop) or a MicroPDF417 row address pattern (kind 0).
struct BarSymbolForPDF {
    unsigned pattern = 0;
    unsigned cluster = 0;   // or kind
    int begin = 0;          // along the line
    int end = 0;
    unsigned module = 0;    // (end - begin) div 17, div 10 for row address patterns
    unsigned contrast = 0;  // largest run level less the smallest of the window
};

// A character value and its score (65535 the best).
struct PDFCharacterWithScore {
    unsigned short value = 0;
    unsigned short score = 0;
};

}  // namespace DEC2DIvra
