#include "decoder/matrix/qr/qr_format_information.h"

namespace DEC2DIvra {

namespace {

unsigned Remainder(unsigned value, unsigned generator, unsigned degree)
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

bool QRFormatDecoder::DecodeFormat(unsigned bits, unsigned xorMask, bool micro, QRFormatInformation& out)
{
    unsigned const raw = (bits ^ xorMask) & 0x7FFFu;
    unsigned best = 32;
    unsigned bestDistance = 16;
    for (unsigned data = 0; data < 32; ++data) {
        unsigned const d = BitCount(EncodeFormat(data) ^ raw);
        if (d < bestDistance) {
            bestDistance = d;
            best = data;
        }
    }
    if (best >= 32 || bestDistance > kMaxDistance) {
        return false;
    }
    out.level = micro ? best >> 2 : best >> 3;
    out.mask = micro ? best & 3u : best & 7u;
    out.distance = bestDistance;
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
