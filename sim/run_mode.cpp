// run: interactive; the serial ports' pseudo-terminals for a terminal program, and
// trigger / release / image FILE / quit from standard input.
#include "sim/modes.h"

namespace scanner_sim {

int runMode(Options const& options) { return firmwareMissing(options); }

} // namespace scanner_sim
