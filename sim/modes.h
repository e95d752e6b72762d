#pragma once
// One function per scanner-sim mode; each returns the process exit status. The board
// directory is set before a mode runs.

#include "sim/options.h"

namespace scanner_sim {

int scanMode(Options const& options);
int decodeMode(Options const& options);
int commandMode(Options const& options);
int runMode(Options const& options);

// For a mode whose firmware is not in this build: says so and fails. It never pretends.
int firmwareMissing(Options const& options);

} // namespace scanner_sim
