#include "decoder/legacy/engine/legacy_linear_stubs.h"

int GetSetDecodeExeMode(int) { return 0; }

int is_valid_char_width_barcode() { return 0; }

int IsPatternMatch() { return 0; }

int ProPreviousWord() { return 0; }

int GetElement128_93Ex() { return 0; }

int decode_char_4val_barcode() { return 0; }

int get_barcode_print_quality() { return 0; }

int proc_after_barcode_block() { return 0; }

int is_enabled_c93() { return 0; }

int is_enabled_c128() { return 0; }

int check_barcode_fixed_length() { return 0; }

int memo_sort_bar() { return 0; }

int is_irregular_2bar() { return 0; }

int AdjustBarUnits() { return 0; }

int GetElement128_93() { return -1; }

int normalize_4val_barcode() { return -1; }

int WidestBarError() { return -1; }

void set_barcode_char_size_tolerance() {}

void rev_buf() {}

void conv_nw7_CLSI() {}
