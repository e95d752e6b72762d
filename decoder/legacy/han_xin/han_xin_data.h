#pragma once

// The Han Xin data bit stream: numeric, text, binary, GB 2312 regions, GB 18030
// double- and four-byte characters and ECI designators, written as GB 18030
// bytes. After the first ECI escape ("\" and six digits) every literal
// backslash stands twice, in every mode, those already written included.
//
// The reader works on the engine's global state below (it is not
// reentrant): the corrected data codewords in CHINA_byte_sequence, the bit
// position in them, and the message written through CHINA_final_data.

constexpr int kHanXinSequenceBytes = 4000;

// The symbol's codewords in stream order, then its data codewords packed.
extern unsigned char CHINA_byte_sequence[kHanXinSequenceBytes];
// Data codewords in CHINA_byte_sequence; the bit reader never reads past them.
extern int CHINA_total_byte_count;
// The bit reader: the next byte to load, the bits consumed, the byte being
// shifted out (most significant bit first).
extern int CHINA_byte_index;
extern int CHINA_bit_index;
extern unsigned CHINA_byte_data;
// The message: where it is written, how much that holds, the bytes written.
extern unsigned char* CHINA_final_data;
extern int CHINA_final_data_capacity;
extern int CHINA_final_data_count;
// 1 once the message carried an ECI designator; the Text submode (0 Text 1,
// 1 Text 2).
extern int CHINA_ECI_flag;
extern int CHINA_Text_submode;

// Reads n bits (0 to 24) most significant first: 0, or -1 when they run past
// the data codewords (value 0, the reader left at the end).
int get_CHINA_bits(unsigned* value, int n);

// A run of 12-bit GB 2312 characters starting in region 1 or 2: 0 at its
// terminator, -1 when the bits run out.
int develop_region_CHINA(int region);

// Interprets CHINA_byte_sequence[0 .. CHINA_total_byte_count) into
// CHINA_final_data: 0, or 1 when the message would not fit in
// CHINA_final_data_capacity bytes (the message is refused rather than cut:
// the count is 0 then).
unsigned develop_text_CHINA();
