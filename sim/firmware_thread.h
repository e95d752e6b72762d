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

// Ends the process with the status while the firmware's threads run on, without tearing
// down what they use. It leaves by _exit, where a sanitizer gives its verdict: the thread
// sanitizer turns a status of 0 into 66 when it reported a race.
[[noreturn]] void leaveFirmwareRunning(int status);

// Whether a thread of this process carries the name.
bool threadNamed(char const* name);

} // namespace scanner_sim
