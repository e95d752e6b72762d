// command: each text framed ESC ... CR on the USB serial port, the replies printed.
#include "sim/modes.h"

namespace scanner_sim {

int commandMode(Options const& options) { return firmwareMissing(options); }

} // namespace scanner_sim
