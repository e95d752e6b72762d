#include "decoder/legacy/engine/legacy_result_modes.h"

namespace {

int multipleLabelMode = 0;

}  // namespace

int get_multiple_label_mode() { return multipleLabelMode; }

int is_decmulti_multiple_label_mode() { return multipleLabelMode != 0 ? 1 : 0; }

void disable_decmulti_multiple_label_mode() { multipleLabelMode = 0; }

int is_decmulti_struct_append_mode() { return 0; }

int is_enabled_read_center() { return 0; }
