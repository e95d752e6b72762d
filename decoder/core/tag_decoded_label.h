#pragma once

// The records through which a decoded label reaches the application. They are
// plain views: the decoder handle owns what they point to, and the pointers
// stay valid only during the label callback.

// The corner points x0, y0, x1, y1, x2, y2, x3, y3.
struct tagDEC2D_REGION {
    int x0, y0, x1, y1, x2, y2, x3, y3;
};

// A mode (1 and 2 are the meaningful values, 0 none) and three values: the
// message identifier (or parity or file identifier), the symbol count and the
// symbol position.
struct tagStructuredAppend {
    unsigned mode;
    unsigned value1;
    unsigned value2;
    unsigned value3;
};

// A present byte and four values: the run-width statistics of a linear or
// PDF417 read, or the symbol record of a DotCode or Aztec symbol.
struct tagFurtherRecord {
    unsigned char present;
    int value1;
    int value2;
    signed char value3;
    unsigned value4;
};

// The 8-word view of one label handed to the label callback.
struct tagDecodedLabel {
    void const* identifier;  // a DEC2DIvra::SymbologyIdentifier, for the DEC2D_Get* calls
    char const* data;
    unsigned length;
    unsigned flag;  // 1 when the symbol was read in reversed polarity
    tagDEC2D_REGION const* region;
    tagStructuredAppend const* structuredAppend;
    tagFurtherRecord const* further;
    int angle;  // reading direction in whole degrees, -180 .. 179
};

// The label callback: nonzero accepts the label and ends the search.
using DEC2D_LABEL_CALLBACK = bool (*)(void* context, tagDecodedLabel const* label);
