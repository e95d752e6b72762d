#pragma once

#include "decoder/core/interfaces/abstract_bar_code_decoder.h"
#include "decoder/core/interfaces/abstract_composite_code_decoder.h"
#include "decoder/core/interfaces/abstract_dot_decoder.h"
#include "decoder/core/interfaces/abstract_l_pattern_decoder.h"
#include "decoder/core/interfaces/abstract_matrix_code_decoder.h"
#include "decoder/core/interfaces/abstract_region_decoder.h"
#include "decoder/core/interfaces/abstract_stack_code_decoder.h"

namespace DEC2DIvra {

// The symbology decoders the symbol locator reaches, one object per
// interface, built by the decoder handle. A null entry is a decoder not built
// into this firmware; the locator passes its candidates over.
struct DecoderSet {
    static constexpr unsigned kQRCode = 0;
    static constexpr unsigned kAztec = 1;

    AbstractBarCodeDecoder* barCode = nullptr;
    AbstractStackCodeDecoder* stackCode = nullptr;
    AbstractMatrixCodeDecoder* matrixCode = nullptr;
    AbstractLPatternDecoder* lPattern = nullptr;
    AbstractRegionDecoder* region[2] = {nullptr, nullptr};  // QR first, then Aztec
    AbstractDotDecoder* dot = nullptr;
    AbstractCompositeCodeDecoder* composite = nullptr;
};

}  // namespace DEC2DIvra
