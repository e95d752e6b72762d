#pragma once
// The firmware's main routine on a thread of its own, as the simulated board
// runs it. The routine never returns; the thread lives until the process ends.

#include <chrono>

namespace scanner_sim {

// Starts the firmware once and waits until its USB serial command channel runs
// (a thread named "USBCOM" exists). False when that does not happen in time.
bool startFirmware(std::chrono::milliseconds timeout);

// Whether a thread of this process carries the name.
bool threadNamed(char const* name);

} // namespace scanner_sim
