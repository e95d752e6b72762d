#pragma once

namespace DEC2DIvra {

// The module decisions of one sampled symbol, row by row: dark (1/0) and how
// far each module's sample lay from its threshold.
struct QRModuleView {
    unsigned char const* dark = nullptr;
    unsigned short const* contrast = nullptr;
    unsigned size = 0;
};

// Where the codewords of a QR Code (Model 2) or Micro QR symbol lie, and
// the data masks over them.
class QRCodewordPlacement {
public:
    static constexpr unsigned kNoHalfCodeword = 0xFFFFu;

    static bool IsFunctionModule(bool micro, unsigned version, unsigned x, unsigned y);
    static bool IsMaskedDark(bool micro, unsigned mask, unsigned x, unsigned y);

    // The codewords in placement order, unmasked, most significant bit
    // first; codeword `halfIndex` (M1, M3) takes 4 bits, kept in its high
    // nibble. Each codeword's contrast is the weakest of its modules. The
    // count read (at most `capacity`).
    static unsigned Read(QRModuleView const& modules, bool micro, unsigned version, unsigned mask,
                         unsigned halfIndex, unsigned short* codewords, unsigned short* contrast,
                         unsigned capacity);
};

}  // namespace DEC2DIvra
