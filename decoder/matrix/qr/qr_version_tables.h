#pragma once

namespace DEC2DIvra {

// The block structure of one QR Code version and error-correction level:
// `blocks1` blocks of `data1` data codewords, then `blocks2` blocks of
// data1 + 1; every block carries `check` check codewords.
struct QRBlockLayout {
    unsigned char check;
    unsigned char blocks1;
    unsigned char data1;
    unsigned char blocks2;

    unsigned BlockCount() const { return blocks1 + blocks2; }
    unsigned DataCount() const { return blocks1 * data1 + blocks2 * (data1 + 1u); }
    unsigned TotalCount() const { return DataCount() + BlockCount() * check; }
};

// A Micro QR symbol as its format information numbers it (0 = M1, 1-2 = M2
// L/M, 3-4 = M3 L/M, 5-7 = M4 L/M/Q).
struct MicroQRSymbol {
    unsigned char version;  // 1..4
    unsigned char data;     // data codewords, the last one of M1 and M3 only 4 bits
    unsigned char check;
    unsigned char reserve;  // check codewords kept back against misdecodes
};

class QRVersionTables {
public:
    static constexpr unsigned kMaxVersion = 40;
    static constexpr unsigned kMaxAlignment = 7;

    // Level as the format information codes it: 0 M, 1 L, 2 H, 3 Q.
    static QRBlockLayout const& GetBlockLayout(unsigned version, unsigned level);
    static unsigned GetSize(unsigned version) { return 4 * version + 17; }
    // Module rows/columns of the alignment pattern centres; their count.
    static unsigned GetAlignmentPositions(unsigned version, unsigned char* positions);
    // Check codewords kept back against misdecodes (the small symbols only).
    static unsigned GetReserve(unsigned version, unsigned level);
    static MicroQRSymbol const* GetMicroSymbol(unsigned number);
    static unsigned GetMicroSize(unsigned version) { return 2 * version + 9; }
};

// The alignment pattern centres of every version (1-40, row version - 1):
// the count of coordinates, then the coordinates, the same for rows and
// columns.
struct MiniFinderPositionTable {
    static unsigned short const miniFinderPositionTable[QRVersionTables::kMaxVersion][8];
};

}  // namespace DEC2DIvra
