#pragma once

namespace DEC2DIvra {

// The error-correction structure of one QR Model 1 version and level: equal
// blocks, `extra` codewords after the check codewords that fill the matrix,
// and `reserve` check codewords kept back against misdecodes.
struct QRModel1Blocks {
    unsigned short data;
    unsigned short check;
    unsigned char extra;
    unsigned char blocks;
    unsigned char reserve;

    unsigned DataPerBlock() const { return data / blocks; }
    unsigned CheckPerBlock() const { return check / blocks; }
    unsigned TotalCount() const { return data + check + extra; }
};

class QRModel1Tables {
public:
    static constexpr unsigned kMaxVersion = 14;

    // Level as the format information codes it: 0 M, 1 L, 2 H, 3 Q. Null
    // outside versions 1..14.
    static QRModel1Blocks const* GetBlocks(unsigned version, unsigned level);
};

}  // namespace DEC2DIvra
