#pragma once

#include "decoder/legacy/maxicode/maxi_codewords.h"

// The message stage of the MaxiCode reader: corrected codewords to the text
// of the symbol (code sets A-E, numeric shift, ECI escapes, structured append,
// the structured carrier message of modes 0, 2 and 3).

constexpr int kMaxiTextCapacity = 1000;

// Structured append, kept across symbols until clear_Bo_MX.
extern int StructNo_MX;      // position, from 1
extern int StructBo_MX;      // number of symbols
extern int StructFlag_MX;
extern int cur_StructFlag_MX;  // set for the symbol being decoded
extern int StructParity_MX;
// Kept for the host's structured-append bookkeeping; cleared with the rest.
extern int Stru16Bo_MX;
extern int Stru16Parity_MX;
extern int StructCount_MX;
void clear_Bo_MX();

struct MaxiMessage {
    unsigned char text[kMaxiTextCapacity];  // NUL-terminated
    int length;
    int mode;
    int eci;  // an ECI escape was written
};

// Interprets corrected codewords of the given mode (CorrectMaxiCodewords).
// ignoreEci drops ECI escapes. Answers 23, 24 for a part of a structured-append
// series, or 129 when the codewords do not form a valid message or the text
// would not fit.
int InterpretMaxiMessage(MaxiCodewords const& codewords, int mode, int ignoreEci, MaxiMessage& out);

// Module values (row-major 33 x 30, nonzero dark) to the text: codewords,
// correction, interpretation. Answers as InterpretMaxiMessage.
int DecodeMaxiModules(unsigned char const* modules, int ignoreEci, MaxiMessage& out);
