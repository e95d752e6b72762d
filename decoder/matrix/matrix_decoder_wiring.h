#pragma once

namespace DEC2DIvra {

class TwoDimensionDecoder;

// Builds the QR Code, Aztec, Data Matrix and DotCode decoders in the handle's
// arena, each over its part of the work area, and plugs them into the
// handle's decoder set. False, with what was built so far plugged in, when
// the handle has no property table or no room.
bool InstallMatrixDecoders(TwoDimensionDecoder& handle);

}  // namespace DEC2DIvra
