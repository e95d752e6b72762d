#include "sim/modes.h"

#include <cstdio>

namespace scanner_sim {

int firmwareMissing(Options const& options)
{
    std::fprintf(stderr, "scanner-sim %s: the firmware behind this mode is not built yet\n",
                 modeName(options.mode));
    return 1;
}

} // namespace scanner_sim
