#include "decoder/legacy/engine/legacy_linear_remnants.h"

int reset_1D() { return 0; }
