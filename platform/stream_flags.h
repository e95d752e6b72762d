#pragma once
// The open(2) flags of a stdio mode, for opening a device node as a stream: access and
// append only. A device node is never created or truncated, whatever the mode says.

namespace plat {

// -1 for a mode stdio would refuse.
int streamFlags(char const* mode);

} // namespace plat
