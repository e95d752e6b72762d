#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The module bits of a Data Matrix symbol packed as 8-bit codewords, one per
// 16-bit element, the first module bit the most significant of the first.
struct DataStreamForDataMatrix {
    unsigned short const* codewords = nullptr;
    unsigned count = 0;
};

// One row of the ECC 000-140 convolutional codes: memory order m, input bits
// k and output bits n per step, disagreement penalty p, threshold step delta.
struct FanoData {
    unsigned char m = 0;
    unsigned char k = 0;
    unsigned char n = 0;
    unsigned char p = 0;
    unsigned char delta = 0;

    // False for a code index the header cannot name (12 .. 15).
    bool Initialize(unsigned codeIndex);
};

// Removes the convolutional protection of an ECC 000-140 symbol by
// sequential (Fano) decoding, and can count the received codewords that
// differ from the re-encoded best path. The search gives up after a budget
// of moves per step, so that a badly damaged symbol cannot hold the decoder.
class ConvolutionErrorCorrect {
public:
    // The largest symbol (47 x 47 data modules) under a half-rate code: the
    // 19 header bits leave 2190 bits, 1095 steps.
    static constexpr unsigned kMaxSteps = 1095;
    static constexpr unsigned kCodes = 12;
    static constexpr unsigned kHeaderBits = 19;
    // Forward and backward moves allowed per decoded step.
    static constexpr unsigned kMovesPerStep = 256;

    // moduleBits: the module bits the stream holds (header included). out
    // receives the decoded bits packed into 8-bit codewords (it needs room
    // for m + steps groups while decoding); with countErrors, reencoded the
    // rebuilt stream and errors the codewords that differ from `in`. 1 on
    // success; 0 when the code index is not one of the 12, the steps exceed
    // kMaxSteps, a bit lies outside the input, a buffer is short or the
    // move budget runs out.
    int Start(DataStreamForDataMatrix const& in, unsigned moduleBits, unsigned codeIndex, bool countErrors,
              VirtualArray<unsigned short>& out, VirtualArray<unsigned short>& reencoded, unsigned& errors);

    // Output bit i = parity of (generator i AND register).
    static unsigned char GetConvolution(unsigned registerValue, unsigned n, unsigned codeIndex);
    // Packs count groups of groupBits bits (one per element) into 8-bit
    // codewords in place, most significant bit first; a last partial
    // codeword is left-aligned and zero-filled. The codewords written.
    static unsigned SetBitArrayToByte(unsigned groupBits, unsigned count, unsigned short* array);
    // The 19 header bits of a protected symbol into the first three elements.
    static void SetHeaderBitToStream(unsigned codeIndex, unsigned short* array);

    // The branch leaving a node whose next input is at `position` of `out`:
    // fewest disagreements with `received`, then the lower register, among
    // the branches after the excluded one (limitMetric, limitRegister).
    bool GetMaxMetric(unsigned short const* out, FanoData const& fano, unsigned codeIndex, unsigned position,
                      unsigned char received, int limitMetric, unsigned limitRegister, unsigned& registerValue,
                      unsigned char& input, unsigned char& output, int& metric) const;

private:
    static constexpr unsigned kSlots = kMaxSteps + 1;

    unsigned char received_[kSlots] = {};
    unsigned short outputs_[kSlots] = {};
    int metric_[kSlots + 1] = {};
    unsigned register_[kSlots + 1] = {};
};

}  // namespace DEC2DIvra
