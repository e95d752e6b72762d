#include "decoder/matrix/data_matrix_ecc000_140_header.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kPrefix = 0x38;  // 0, 1, 1, 1, 0, 0, 0
constexpr unsigned kPrefixBits = 7;

}  // namespace

bool DataMatrixEcc000To140Size::IsSymbolSide(unsigned side)
{
    return side >= kSmallestSide && side <= kLargestSide && side % 2 == 1;
}

unsigned DataMatrixEcc000To140Size::GetModuleBits(unsigned side)
{
    return IsSymbolSide(side) ? (side - 2) * (side - 2) : 0;
}

bool DataMatrixEcc000To140Header::Read(DataStreamForDataMatrix const& in, unsigned moduleBits, unsigned& codeIndex)
{
    unsigned const headerBits = ConvolutionErrorCorrect::kHeaderBits;
    if (in.codewords == nullptr || moduleBits < headerBits || in.count * 8 < headerBits) {
        return false;
    }
    unsigned bits = 0;
    for (unsigned b = 0; b < headerBits; ++b) {
        bits = (bits << 1) | ((in.codewords[b / 8] >> (7 - b % 8)) & 1u);
    }
    unsigned const prefix = bits >> 12;
    unsigned wrong = 0;
    for (unsigned b = 0; b < kPrefixBits; ++b) {
        wrong += ((prefix ^ kPrefix) >> b) & 1u;
    }
    if (wrong > kPrefixFaults) {
        return false;
    }
    unsigned index = 0;
    for (int b = 3; b >= 0; --b) {
        unsigned const copies = (bits >> (3 * b)) & 7u;
        unsigned const ones = (copies & 1u) + ((copies >> 1) & 1u) + (copies >> 2);
        index = (index << 1) | (ones >= 2 ? 1u : 0u);
    }
    if (index >= ConvolutionErrorCorrect::kCodes) {
        return false;
    }
    codeIndex = index;
    return true;
}

}  // namespace DEC2DIvra
