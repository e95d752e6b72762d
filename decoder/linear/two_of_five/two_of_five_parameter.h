#pragma once

#include "decoder/core/identifiers/tag_symbology.h"

namespace DEC2DIvra {

// How one member of the family is read by the overlapping windows: set by
// its reading routine for one read.
struct TwoOfFiveParameter {
    tagSymbology type = SYMBOLOGY_INDUSTRIAL2OF5;
    unsigned char runs = 15;         // runs per character window
    unsigned char maxSymbols = 0;    // 0: no limit
    unsigned char skip = 0;          // pass over the gap run before a window
    unsigned char oppositeColour = 0;  // the first window starts at the other colour
    unsigned char gap = 0;           // the start symbol is pushed and gaps are tracked
    unsigned stopKey = 0;            // extra bits that close the symbol
    unsigned char quietZone = 0;     // the type's smart quiet-zone value
};

}  // namespace DEC2DIvra
