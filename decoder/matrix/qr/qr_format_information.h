#pragma once

namespace DEC2DIvra {

// The 5-bit format information of a QR or Micro QR symbol after BCH(15,5)
// decoding, and the 6-bit version information after BCH(18,6) decoding.
struct QRFormatInformation {
    unsigned level = 0;  // QR: 0 M, 1 L, 2 H, 3 Q; Micro QR: the symbol number 0..7
    unsigned mask = 0;   // QR: 0..7; Micro QR: 0..3
    unsigned distance = 0;
};

// The BCH(15,5) code of the format information (generator 0x537).
class BCHCode {
public:
    // 1 when a codeword lies within three bits of the received word (the
    // all-zero codeword tried first, then those of data 1 to 31): codeword
    // and errors are set. Otherwise 0; errors holds the distance to the
    // codeword of data 31, and codeword stays as it was.
    static int DecodeBCH15_5(unsigned short received, unsigned short& codeword, unsigned& errors);
};

class QRFormatDecoder {
public:
    static constexpr unsigned kQRMask = 0x5412;
    static constexpr unsigned kMicroMask = 0x4445;
    static constexpr unsigned kModel1Mask = 0x2825;
    static constexpr unsigned kMaxDistance = 3;

    // The 15 bits as read (still masked with `xorMask`); false when no
    // codeword lies within three bits.
    static bool DecodeFormat(unsigned bits, unsigned xorMask, bool micro, QRFormatInformation& out);
    // The 18 version bits of a version 7..40 symbol; false when no version's
    // codeword lies within three bits.
    static bool DecodeVersion(unsigned bits, unsigned& version, unsigned& distance);

    static unsigned EncodeFormat(unsigned data);
    static unsigned EncodeVersion(unsigned version);
};

}  // namespace DEC2DIvra
