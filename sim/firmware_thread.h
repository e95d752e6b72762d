#pragma once
// The firmware's main routine on a thread of its own, as the simulated board
// runs it. The routine never returns; the thread lives until the process ends.

#include <chrono>

namespace scanner_sim {

// Starts the firmware once and waits until its USB serial command channel runs
// (a thread named "USBCOM" exists). False when that does not happen in time.
bool startFirmware(std::chrono::milliseconds timeout);

// Waits until the commands that menu labels sent to the command pipe have run. The
// process ends the firmware wherever it is: leaving earlier loses what they set.
bool menuCommandsRun(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Whether a thread of this process carries the name.
bool threadNamed(char const* name);

} // namespace scanner_sim
