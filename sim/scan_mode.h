#pragma once
// The parts of `scanner-sim scan` that run against a firmware already running.

#include <cstdio>
#include <string>
#include <vector>

namespace scanner_sim {

// For each image: shows it to the camera, pulls the trigger and lets go, waits for the
// read to end (a good read, or the read time-out the release starts) and prints what the
// host received on a line of its own, control bytes by name. A read that does not end by
// itself (continuous mode, no time-out) is cut off after a few seconds. 0 when every
// image gave a good read, else 1.
int scanImages(std::vector<std::string> const& files, std::FILE* out, std::FILE* err);

} // namespace scanner_sim
