#pragma once

namespace DEC2DIvra {

class PDFDecoder;
class TwoDimensionDecoder;

// Builds the PDF417 decoder (over its part of the work area), the locator's
// door to it and the composite reader in the handle's arena and plugs them
// into the handle's decoder set. Null, with nothing plugged in, when the
// handle has no property table or no room.
PDFDecoder* InstallStackedDecoders(TwoDimensionDecoder& handle);

}  // namespace DEC2DIvra
