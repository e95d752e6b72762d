#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_pdf417.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// Turns a symbol's codeword list (with its erasures) into its corrected data
// codewords. A correction is trusted only with room to spare: two check
// words are kept in reserve, and one that used all but two of them as
// erasures is tried again with the pad codewords filled in.
class PDFErrorDetection {
public:
    static constexpr unsigned kMaxCodewords = 2700;

    // `saved` and `savedErasures` hold kMaxCodewords entries each (work-area
    // slices for the copies taken before the first attempt).
    PDFErrorDetection() = default;
    PDFErrorDetection(unsigned short* saved, unsigned short* savedErasures) : saved_(saved), savedErasures_(savedErasures) {}
    void SetSaveArea(unsigned short* saved, unsigned short* savedErasures)
    {
        saved_ = saved;
        savedErasures_ = savedErasures;
    }

    // E check codewords. On success the list is shortened to its data
    // codewords (length descriptor first) and true is answered.
    // False without a save area.
    bool Start(unsigned errorCorrection, StackInterface<unsigned short>& codewords,
               StackInterface<unsigned short>& erasures);

    // The filler rule: the first data codeword from 1 on that is 900, 901 or
    // 902 and equals the one before it is repeated to the end of the data, and
    // the erasures behind it are dropped. False when there is no such pair.
    static bool SetFillers(unsigned dataCount, StackInterface<unsigned short>& codewords,
                           StackInterface<unsigned short>& erasures);

private:
    bool Correct(unsigned errorCorrection, unsigned dataCount, StackInterface<unsigned short>& codewords,
                 StackInterface<unsigned short>& erasures);

    RSdecodingOfPDF417 rs_;
    unsigned short* saved_ = nullptr;
    unsigned short* savedErasures_ = nullptr;
};

}  // namespace DEC2DIvra
