#include "decoder/legacy/han_xin/han_xin_data.h"

#include "decoder/legacy/engine/legacy_result.h"

namespace {

class BitReader {
public:
    BitReader(unsigned char const* data, int length) : data_(data), length_(length) {}

    // n bits, most significant first; false (value 0) when they run out.
    bool Read(int n, unsigned* value)
    {
        *value = 0;
        if (position_ + n > 8L * length_) {
            position_ = 8L * length_;
            return false;
        }
        unsigned v = 0;
        for (int i = 0; i < n; ++i, ++position_) {
            v = (v << 1) | ((data_[position_ >> 3] >> (7 - (position_ & 7))) & 1u);
        }
        *value = v;
        return true;
    }

private:
    unsigned char const* data_;
    long length_;
    long position_ = 0;
};

class Writer {
public:
    Writer(unsigned char* out, int capacity) : out_(out), capacity_(capacity) {}

    void Byte(unsigned value)
    {
        Raw(value);
        if (eci_ && value == '\\') {
            Raw(value);
        }
    }

    void Digits(unsigned value, int width)
    {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 || n < width);
        while (n > 0) {
            Byte(static_cast<unsigned char>(digits[--n]));
        }
    }

    void Escape(unsigned eci)
    {
        if (!eci_) {
            DoubleBackslashes();
            eci_ = true;
        }
        Raw('\\');
        Digits(eci, 6);
    }

    int Count() const { return count_; }
    bool Eci() const { return eci_; }
    bool Overflow() const { return overflow_; }

private:
    void Raw(unsigned value)
    {
        if (count_ >= capacity_) {
            overflow_ = true;
            return;
        }
        out_[count_++] = static_cast<unsigned char>(value);
    }

    void DoubleBackslashes()
    {
        if (double_backslash_ECI(out_, &count_, capacity_) != 0) {
            overflow_ = true;
        }
    }

    unsigned char* out_;
    int capacity_;
    int count_ = 0;
    bool eci_ = false;
    bool overflow_ = false;
};

void Numeric(BitReader& bits, Writer& out)
{
    unsigned held = 0;
    if (!bits.Read(10, &held) || held >= 1000) {
        return;
    }
    for (;;) {
        unsigned next = 0;
        if (!bits.Read(10, &next)) {
            return;
        }
        if (next < 1000) {
            out.Digits(held, 3);
            held = next;
            continue;
        }
        // 1021, 1022, 1023: the held group has one, two or three digits.
        int const digits = next >= 1021 ? static_cast<int>(next) - 1020 : 0;
        if (digits == 0 || held >= (digits == 1 ? 10u : digits == 2 ? 100u : 1000u)) {
            return;
        }
        out.Digits(held, digits);
        return;
    }
}

void Text(BitReader& bits, Writer& out)
{
    bool second = false;
    unsigned v = 0;
    while (bits.Read(6, &v) && v != 63) {
        if (v == 62) {
            second = !second;
        } else if (!second) {
            out.Byte(v < 10 ? '0' + v : v < 36 ? 'A' + v - 10 : 'a' + v - 36);
        } else {
            out.Byte(v < 28 ? v : v < 44 ? 0x20 + v - 28 : v < 51 ? 0x3A + v - 44 : v < 57 ? 0x5B + v - 51 : 0x7B + v - 57);
        }
    }
}

void Binary(BitReader& bits, Writer& out)
{
    unsigned count = 0;
    if (!bits.Read(13, &count)) {
        return;
    }
    unsigned byte = 0;
    for (unsigned i = 0; i < count && bits.Read(8, &byte); ++i) {
        out.Byte(byte);
    }
}

void Region(BitReader& bits, Writer& out, int region)
{
    unsigned v = 0;
    while (bits.Read(12, &v) && v != 4095) {
        if (v == 4094) {
            if (!bits.Read(12, &v) || v == 4095) {
                return;
            }
            if (v == 4094) {
                if (!bits.Read(12, &v)) {
                    return;
                }
                region = 1;
            } else {
                region = region == 1 ? 2 : 1;
            }
        }
        if (region == 2) {
            out.Byte(0xD8 + v / 94);
            out.Byte(0xA1 + v % 94);
        } else if (v < 3760) {
            out.Byte(0xB0 + v / 94);
            out.Byte(0xA1 + v % 94);
        } else if (v < 4042) {
            out.Byte(0xA1 + (v - 3760) / 94);
            out.Byte(0xA1 + (v - 3760) % 94);
        } else {
            out.Byte(0xA8);
            out.Byte(0xA1 + (v - 4042));
        }
    }
}

void DoubleByte(BitReader& bits, Writer& out)
{
    unsigned v = 0;
    while (bits.Read(15, &v) && v != 0x7FFF) {
        out.Byte(0x81 + v / 190);
        unsigned const low = v % 190;
        out.Byte(low < 63 ? low + 0x40 : low + 0x41);
    }
}

void FourByte(BitReader& bits, Writer& out)
{
    unsigned v = 0;
    if (!bits.Read(21, &v)) {
        return;
    }
    out.Byte(0x81 + v / 12600);
    out.Byte(0x30 + (v % 12600) / 1260);
    out.Byte(0x81 + (v % 1260) / 10);
    out.Byte(0x30 + v % 10);
}

void Eci(BitReader& bits, Writer& out)
{
    int ones = 0;
    unsigned bit = 0;
    while (ones < 3) {
        if (!bits.Read(1, &bit)) {
            return;
        }
        if (bit == 0) {
            break;
        }
        ++ones;
    }
    unsigned number = 0;
    if (ones < 3 && !bits.Read(7 * (ones + 1), &number)) {
        return;
    }
    if (number <= 999999) {
        out.Escape(number);
    }
}

}  // namespace

int develop_text_CHINA(unsigned char const* data, int length, unsigned char* out, int capacity, HanXinText* text)
{
    BitReader bits(data, length < 0 ? 0 : length);
    Writer writer(out, capacity);
    unsigned mode = 0;
    while (!writer.Overflow() && bits.Read(4, &mode)) {
        switch (mode) {
        case 1:
            Numeric(bits, writer);
            break;
        case 2:
            Text(bits, writer);
            break;
        case 3:
            Binary(bits, writer);
            break;
        case 4:
            Region(bits, writer, 1);
            break;
        case 5:
            Region(bits, writer, 2);
            break;
        case 6:
            DoubleByte(bits, writer);
            break;
        case 7:
            FourByte(bits, writer);
            break;
        case 8:
            Eci(bits, writer);
            break;
        default:
            mode = 16;
            break;
        }
        if (mode == 16) {
            break;
        }
    }
    if (writer.Overflow()) {
        return -1;
    }
    text->count = writer.Count();
    text->eci = writer.Eci() ? 1 : 0;
    return 0;
}
