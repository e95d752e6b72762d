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

// The code-set handlers of the message being interpreted: each reads one
// codeword at a time from the read position, at most `limit` of them or up
// to `end` (200: latched, also until another set becomes current). 0, or -1
// for a codeword above 63 or an escape that does not fit the message or the
// text.
int code_set_A_MX(int end, int limit);
int code_set_B_MX(int end, int limit);
int code_set_C_MX(int end, int limit);
int code_set_D_MX(int end, int limit);
int code_set_E_MX(int end, int limit);
// Nine digits from the next five codewords; -1 past the end or above nine
// digits.
int numeric_shift_MX();
// An ECI escape "\nnnnnn" (dropped when the setting ignores ECI); -1 past the
// end or above six digits.
int eci_MX();
// Postal code, country and service class from the primary message (modes 0,
// 2, 3); -1 for a postal length above 19 digits.
int get_primary_fields_MX();
// The structured carrier message: "[)>" RS "01" GS vv when the secondary text
// opens with it, postal code, country and class each followed by GS, then the
// rest of the secondary text; -1 when it would not fit.
int make_carrier_message_MX();
// Message codewords the handlers took, and codewords the correction repaired,
// for the last symbol.
extern int max_anl_total_CWD;
extern int max_anl_total_repair_CWD;

// Module values (row-major 33 x 30, nonzero dark) to the text: codewords,
// correction, interpretation. Answers as InterpretMaxiMessage.
int DecodeMaxiModules(unsigned char const* modules, int ignoreEci, MaxiMessage& out);
