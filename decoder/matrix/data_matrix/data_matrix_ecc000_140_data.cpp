#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_data.h"

namespace DEC2DIvra {

namespace {

struct Format {
    char const* alphabet;  // null for the bit formats
    unsigned base;
    unsigned group;        // characters per packed group
    unsigned char width[7];  // bits of a group of 1 .. group characters
};

constexpr Format kFormats[6] = {
    {" 0123456789", 11, 6, {0, 4, 7, 11, 14, 18, 21}},
    {" ABCDEFGHIJKLMNOPQRSTUVWXYZ", 27, 5, {0, 5, 10, 15, 20, 24, 0}},
    {" ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,-/", 41, 4, {0, 6, 11, 17, 22, 0, 0}},
    {" ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 37, 4, {0, 6, 11, 16, 21, 0, 0}},
    {nullptr, 128, 1, {0, 7, 0, 0, 0, 0, 0}},
    {nullptr, 256, 1, {0, 8, 0, 0, 0, 0, 0}},
};

constexpr unsigned kFormatBits = 5;
constexpr unsigned kCrcBits = 16;
constexpr unsigned kCountBits = 9;

class BitReader {
public:
    BitReader(unsigned short const* stream, unsigned first, unsigned bits)
        : stream_(stream), next_(first), end_(first + bits)
    {
    }

    bool Read(unsigned count, bool lowFirst, unsigned& value)
    {
        if (count > end_ - next_) {
            return false;
        }
        value = 0;
        for (unsigned i = 0; i < count; ++i, ++next_) {
            unsigned const bit = (stream_[next_ / 8] >> (7 - next_ % 8)) & 1u;
            value = lowFirst ? value | (bit << i) : (value << 1) | bit;
        }
        return true;
    }

private:
    unsigned short const* stream_;
    unsigned next_;
    unsigned end_;
};

bool ReadCharacters(BitReader& reader, Format const& format, unsigned count, DecodedLabel& label)
{
    for (unsigned done = 0; done < count;) {
        unsigned const inGroup = count - done < format.group ? count - done : format.group;
        unsigned value = 0;
        if (!reader.Read(format.width[inGroup], true, value)) {
            return false;
        }
        for (unsigned i = 0; i < inGroup; ++i) {
            unsigned const digit = value % format.base;
            value /= format.base;
            char const c = format.alphabet != nullptr ? format.alphabet[digit] : static_cast<char>(digit);
            if (!label.data.Push(c)) {
                return false;
            }
        }
        if (value != 0) {
            return false;  // more than the group's characters can hold
        }
        done += inGroup;
    }
    return true;
}

}  // namespace

unsigned short DataMatrixEcc000To140Data::CalcCrc(unsigned format, unsigned char const* data, unsigned count)
{
    unsigned crc = 0;
    auto add = [&crc](unsigned byte) {
        crc ^= byte & 0xffu;
        for (int b = 0; b < 8; ++b) {
            crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0x8408u : crc >> 1;
        }
    };
    add(format);
    add(0);
    for (unsigned i = 0; i < count; ++i) {
        add(data[i]);
    }
    return static_cast<unsigned short>(crc);
}

bool DataMatrixEcc000To140Data::Start(unsigned short const* stream, unsigned first, unsigned bits,
                                      DecodedLabel& label)
{
    label.data.Clear();
    BitReader reader(stream, first, bits);
    unsigned format = 0;
    unsigned crc = 0;
    unsigned count = 0;
    if (stream == nullptr || !reader.Read(kFormatBits, false, format) || format >= 6 ||
        !reader.Read(kCrcBits, true, crc) || !reader.Read(kCountBits, true, count) || count == 0 ||
        !ReadCharacters(reader, kFormats[format], count, label) ||
        CalcCrc(format + 1, reinterpret_cast<unsigned char const*>(label.data.GetFirst()), count) != crc) {
        label.data.Clear();
        return false;
    }
    return true;
}

}  // namespace DEC2DIvra
