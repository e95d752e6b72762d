#pragma once
// stdio streams over simulated devices, so that flash partitions read and write as they do
// through the C library on the device (and "w" never truncates a device).

#include <cstdio>

namespace plat::sim {

// Wraps a descriptor of the board; the stream owns it and closes it with fclose. On failure
// the descriptor is closed and nullptr returned with errno set.
FILE* openStream(int fd, char const* mode);

} // namespace plat::sim
