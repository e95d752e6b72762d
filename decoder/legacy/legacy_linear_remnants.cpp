#include "decoder/legacy/legacy_linear_remnants.h"

int reset_1D() { return 0; }
