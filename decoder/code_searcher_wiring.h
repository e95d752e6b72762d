#pragma once

namespace DEC2DIvra {

class BarCodeDecoder;
class CodeSearcherEngine;
class TwoDimensionDecoder;

// Builds the symbol locator in the decoder handle's arena and plugs it in: as
// the handle's searcher and, when the linear frame is given, as the frame's
// locator for its Codablock F and GS1 DataBar re-searches. Its buffers are
// part of the object; it takes nothing of the shared work area, so no
// decoder it calls can overwrite what it is walking through. Null, with
// nothing plugged in, when the handle has no property table or no room.
CodeSearcherEngine* InstallCodeSearcher(TwoDimensionDecoder& handle, BarCodeDecoder* frame);

}  // namespace DEC2DIvra
