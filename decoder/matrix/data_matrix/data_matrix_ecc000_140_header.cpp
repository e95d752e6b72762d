#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_header.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kPrefix = 0x38;  // 0, 1, 1, 1, 0, 0, 0
constexpr unsigned kUnprotectedPrefix = 0x3f;  // 0, 1, 1, 1, 1, 1, 1
constexpr unsigned kPrefixBits = 7;

// The first `count` bits of the stream, the first the most significant.
unsigned LeadingBits(DataStreamForDataMatrix const& in, unsigned count)
{
    unsigned bits = 0;
    for (unsigned b = 0; b < count; ++b) {
        bits = (bits << 1) | ((in.codewords[b / 8] >> (7 - b % 8)) & 1u);
    }
    return bits;
}

// Whether the seven prefix bits are `wanted` but for the faults allowed.
bool IsPrefix(unsigned prefix, unsigned wanted)
{
    unsigned wrong = 0;
    for (unsigned b = 0; b < kPrefixBits; ++b) {
        wrong += ((prefix ^ wanted) >> b) & 1u;
    }
    return wrong <= DataMatrixEcc000To140Header::kPrefixFaults;
}

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
    unsigned const bits = LeadingBits(in, headerBits);
    if (!IsPrefix(bits >> 12, kPrefix)) {
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

bool DataMatrixEcc000To140Header::IsUnprotected(DataStreamForDataMatrix const& in)
{
    return in.codewords != nullptr && in.count * 8 >= kPrefixBits &&
           IsPrefix(LeadingBits(in, kPrefixBits), kUnprotectedPrefix);
}

}  // namespace DEC2DIvra
