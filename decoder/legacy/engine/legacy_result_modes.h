#pragma once

// The result layer's reading modes. The engine reads one label at a time:
// no multi-label mode, no structured-append collection mode and no
// centre-only reading; nothing in the process turns them on.

// The multi-label mode word (0: one label per read) and whether it is on.
int get_multiple_label_mode();
int is_decmulti_multiple_label_mode();
void disable_decmulti_multiple_label_mode();
// Whether the engine collects a structured-append series: 0.
int is_decmulti_struct_append_mode();
// Whether a read must cover the image centre: 0.
int is_enabled_read_center();
