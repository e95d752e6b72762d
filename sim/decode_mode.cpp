// decode: the decoder alone on each image with the configured settings, one line per label.
#include "sim/modes.h"

namespace scanner_sim {

int decodeMode(Options const& options) { return firmwareMissing(options); }

} // namespace scanner_sim
