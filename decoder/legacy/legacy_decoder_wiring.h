#pragma once

namespace DEC2DIvra {

class OldMatrixDecoder;
class TwoDimensionDecoder;

// Builds the legacy engine's door in the handle's arena and plugs it in: as
// the locator's matrix decoder and as the handle's new-image hook. Null,
// with nothing plugged in, when the handle has no property table or no room.
OldMatrixDecoder* InstallLegacyDecoder(TwoDimensionDecoder& handle);

}  // namespace DEC2DIvra
