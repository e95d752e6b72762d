#pragma once

// Entry points of the linear reader with fixed answers: the Code 93 and
// Code 128 readers count as disabled, nothing is ever matched or measured.
// 0:
int GetSetDecodeExeMode(int mode);
int is_valid_char_width_barcode();
int IsPatternMatch();
int ProPreviousWord();
int GetElement128_93Ex();
int decode_char_4val_barcode();
int get_barcode_print_quality();
int proc_after_barcode_block();
int is_enabled_c93();
int is_enabled_c128();
int check_barcode_fixed_length();
int memo_sort_bar();
int is_irregular_2bar();
int AdjustBarUnits();
// -1:
int GetElement128_93();
int normalize_4val_barcode();
int WidestBarError();
// Nothing to set or convert: the engine keeps no character tolerance, no
// bar buffer to turn round and no Codabar text to rewrite.
void set_barcode_char_size_tolerance();
void rev_buf();
void conv_nw7_CLSI();
