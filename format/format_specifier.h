#pragma once
// How a formatted-number cell is written: one byte of flags and a digit count.
// bit 0 sign, bit 1 ASCII text, bit 2 hexadecimal, bit 3 big-endian,
// bits 4-6 digit count minus 1; bit 7 is left alone by every setter.

class FormatSpecifier {
public:
    FormatSpecifier() { Initialize(); }

    // Binary, little-endian, unsigned, one digit.
    void Initialize() { bits_ = 0; }

    // digitBits goes into bits 4-6 as it is (digit count minus 1).
    void Set(bool sign, bool ascii, bool hex, bool bigEndian, unsigned char digitBits)
    {
        bits_ = static_cast<unsigned char>((bits_ & 0x80) | (sign ? 0x01 : 0) | (ascii ? 0x02 : 0) |
                                           (hex ? 0x04 : 0) | (bigEndian ? 0x08 : 0) | ((digitBits & 7) << 4));
    }
    void Set(unsigned short bits) { bits_ = static_cast<unsigned char>((bits_ & 0x80) | (bits & 0x7F)); }
    void Set(FormatSpecifier other) { Set(static_cast<unsigned short>(other.bits_)); }

    void SetSign(bool on) { SetBit(0x01, on); }
    void SetAscii(bool on) { SetBit(0x02, on); }
    void SetHex(bool on) { SetBit(0x04, on); }
    void SetBigEndian(bool on) { SetBit(0x08, on); }
    // Digit counts run 1 to 8; 0 wraps to 8.
    void SetDigit(unsigned n) { bits_ = static_cast<unsigned char>((bits_ & 0x8F) | (((n - 1) & 7) << 4)); }

    bool IsSign() const { return bits_ & 0x01; }
    bool IsAscii() const { return bits_ & 0x02; }
    bool IsHex() const { return bits_ & 0x04; }
    bool IsBigEndian() const { return bits_ & 0x08; }
    unsigned GetDigit() const { return ((bits_ >> 4) & 7) + 1; }

    unsigned char GetBits() const { return bits_; }

    // The process-wide default: the initialised state.
    static const FormatSpecifier& GetInstance();

private:
    void SetBit(unsigned char bit, bool on)
    {
        bits_ = static_cast<unsigned char>(on ? (bits_ | bit) : (bits_ & ~bit));
    }

    unsigned char bits_;
};
