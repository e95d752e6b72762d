#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/matrix/qr/qr_format_information.h"

namespace DEC2DIvra {

// Which codeword bit each module of a QR Code (Model 1, Model 2) or Micro QR
// symbol carries: a side x side table, -1 on function modules and remainder
// bits, else 8 x codeword + bit (bit 0 the codeword's most significant).
// Model 2 numbers its codewords in block order (the data codewords of block
// 0, block 1, ..., then the check codewords of each block), so that a block
// lies in one run; Model 1 and Micro QR in the order they are placed.
class CalcDataSequenceSubroutineForQRCode {
public:
    static constexpr unsigned kMaxCodewords = 3706;

    // codewords: data and check codewords the symbol holds (Model 1 with
    // its extra codewords). 0 for a version or level without a layout, or
    // a table without room; the table is then left as it may be.
    int StartForModel2(unsigned version, QRFormatInformation const& format, VariableSizeVirtualTable<int>& table,
                       unsigned& codewords);
    int StartForModel1(unsigned version, QRFormatInformation const& format, VariableSizeVirtualTable<int>& table,
                       unsigned& codewords) const;
    int StartForMicro(unsigned version, QRFormatInformation const& format, VariableSizeVirtualTable<int>& table,
                      unsigned& codewords) const;

    // The function modules set to -1, every other cell to 0.
    static void SetFunctionPatternModel2(unsigned version, VariableSizeVirtualTable<int>& table);
    static void SetFunctionPatternModel1(unsigned version, VariableSizeVirtualTable<int>& table);
    static void SetFunctionPatternMicro(unsigned version, VariableSizeVirtualTable<int>& table);

    // The free cells numbered in placement order.
    void SetDataSequencePatternModel2(unsigned version, QRFormatInformation const& format,
                                      VariableSizeVirtualTable<int>& table) const;
    void SetDataSequencePatternModel1(VariableSizeVirtualTable<int>& table) const;
    void SetDataSequencePatternMicro(unsigned version, QRFormatInformation const& format,
                                     VariableSizeVirtualTable<int>& table) const;

private:
    // Model 2: for each codeword in transmitted order, its block-order index.
    unsigned short interleave_[kMaxCodewords] = {};
    unsigned placed_ = 0;  // codewords the interleave map covers
};

}  // namespace DEC2DIvra
