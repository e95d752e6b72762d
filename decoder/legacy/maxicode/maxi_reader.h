#pragma once

// The MaxiCode reader: from an accepted bull's-eye (MX_check_finderH3) to an
// entry of the engine's result table.

// Reads the symbol around the bull's-eye the finder check accepted last and
// files the outcome: 23 read, 24 one part of a structured-append series, 129
// nothing (also when the read could not be entered in the table). The
// argument is unused.
int dec_maxi2(int mode);

void reset_max00();  // engine start: field tables, module map, structured append
void reset_max01();  // a new image
void reset_max02();  // before each finder search
int GetMaxiMode();   // the mode of the last symbol read

// The last read as handed to the result table: its text and length, and the
// codewords it took (144; 0 until a symbol is read in this call).
extern unsigned char* MAX_ans;
extern int MAX_ans_cnt;
extern int total_CWD;

// Hands the AIM identifier of a symbol of this mode to the result table: "]U"
// and 1 (modes 0, 2, 3) or 0 (4, 5, 6), plus 2 with ECI escapes but for mode 6.
int MX_determine_AIM_ID(int mode, int eci);
