#pragma once

namespace DEC2DIvra {

struct DecoderDetailProperty;
class RateForTuningCalculator;

// What every bar-symbol decoder of one frame shares: the decoder-wide
// settings and the frame's grey statistics of the read in progress.
struct BarSymbolDecoderContext {
    DecoderDetailProperty const* detail = nullptr;
    RateForTuningCalculator* rate = nullptr;
};

}  // namespace DEC2DIvra
