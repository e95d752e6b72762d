#include "decoder/matrix/qr/qr_format_information.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned Remainder(unsigned value, unsigned generator, unsigned degree)
{
    unsigned top = 0;
    for (unsigned g = generator; g > 1; g >>= 1) {
        ++top;
    }
    for (int bit = 31; bit >= static_cast<int>(top); --bit) {
        if ((value >> bit) & 1u) {
            value ^= generator << (bit - static_cast<int>(top));
        }
    }
    return value & ((1u << degree) - 1u);
}

unsigned BitCount(unsigned v)
{
    unsigned n = 0;
    for (; v != 0; v &= v - 1) {
        ++n;
    }
    return n;
}

}  // namespace

unsigned QRFormatDecoder::EncodeFormat(unsigned data)
{
    unsigned const shifted = (data & 31u) << 10;
    return shifted | Remainder(shifted, 0x537, 10);
}

unsigned QRFormatDecoder::EncodeVersion(unsigned version)
{
    unsigned const shifted = (version & 63u) << 12;
    return shifted | Remainder(shifted, 0x1F25, 12);
}

namespace {

// The codewords of data 1 to 31, worked out when compiled.
struct BCH15_5Table {
    unsigned short codewords[31];
    constexpr BCH15_5Table() : codewords{}
    {
        for (unsigned data = 1; data < 32; ++data) {
            codewords[data - 1] = static_cast<unsigned short>((data << 10) | Remainder(data << 10, 0x537, 10));
        }
    }
};
constexpr BCH15_5Table kBCH15_5;
static_assert(kBCH15_5.codewords[0] == 0x0537 && kBCH15_5.codewords[30] == 0x7FFF);

}  // namespace

int BCHCode::DecodeBCH15_5(unsigned short received, unsigned short& codeword, unsigned& errors)
{
    unsigned const word = received & 0xFFFFu;
    errors = BitCount(word);
    if (errors <= QRFormatDecoder::kMaxDistance) {
        codeword = 0;
        return 1;
    }
    for (unsigned short const candidate : kBCH15_5.codewords) {
        errors = BitCount(word ^ candidate);
        if (errors <= QRFormatDecoder::kMaxDistance) {
            codeword = candidate;
            return 1;
        }
    }
    return 0;
}

bool QRFormatDecoder::DecodeFormat(unsigned bits, unsigned xorMask, bool micro, QRFormatInformation& out)
{
    unsigned short const raw = static_cast<unsigned short>((bits ^ xorMask) & 0x7FFFu);
    unsigned short codeword = 0;
    unsigned errors = 0;
    if (BCHCode::DecodeBCH15_5(raw, codeword, errors) == 0) {
        return false;
    }
    unsigned const best = static_cast<unsigned>(codeword) >> 10;
    out.level = micro ? best >> 2 : best >> 3;
    out.mask = micro ? best & 3u : best & 7u;
    out.distance = errors;
    return true;
}

bool QRFormatDecoder::DecodeVersion(unsigned bits, unsigned& version, unsigned& distance)
{
    unsigned best = 0;
    unsigned bestDistance = 19;
    for (unsigned v = 7; v <= 40; ++v) {
        unsigned const d = BitCount(EncodeVersion(v) ^ (bits & 0x3FFFFu));
        if (d < bestDistance) {
            bestDistance = d;
            best = v;
        }
    }
    if (bestDistance > kMaxDistance) {
        return false;
    }
    version = best;
    distance = bestDistance;
    return true;
}

}  // namespace DEC2DIvra
