#include "decoder/matrix/aztec/aztec_data_stream.h"

#include "decoder/core/identifiers/matrix_identifiers.h"

namespace DEC2DIvra {

namespace {

enum Mode : unsigned { kUpper = 0, kLower = 1, kMixed = 2, kPunct = 3, kDigit = 4 };

constexpr unsigned kFlagFnc1First = 0;
constexpr unsigned kFlagFnc1Second = 1;
constexpr unsigned kFlagEci = 2;
constexpr unsigned kFlagStructuredAppend = 3;
constexpr unsigned kFlagRunes = 4;

// Control codes 1-13 and 27-31, then the printable characters of Mixed.
constexpr unsigned char kMixedBytes[28] = {0,  0,  1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  11,  12,
                                           13, 27, 28, 29, 30, 31, 64, 92, 94, 95, 96, 124, 126, 127};
// Punct 1-30 and Digit 2-13 as the text they write.
constexpr char const* kPunctTexts[31] = {"",  "\r", "\r\n", ". ", ", ", ": ", "!", "\"", "#", "$", "%",
                                         "&", "'",  "(",    ")",  "*",  "+",  ",", "-",  ".", "/", ":",
                                         ";", "<",  "=",    ">",  "?",  "[",  "]", "{",  "}"};
constexpr char const* kDigitTexts[14] = {"", " ", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ",", "."};

// The data bits with the stuffed bits taken out, read most significant
// first: packed eight a byte, the first in the top bit, with two zero bytes
// after the last so that a field of up to 17 bits is read from three bytes.
class BitReader {
public:
    static constexpr unsigned kMaxWidth = 17;

    BitReader(unsigned char const* bytes, unsigned count) : bytes_(bytes), count_(count) {}
    unsigned Remaining() const { return count_ - position_; }
    bool CalcCharData(unsigned width, unsigned& value)
    {
        if (width > Remaining() || width > kMaxWidth) {
            position_ = count_;
            return false;
        }
        if (width == 0) {
            value = 0;
            return true;
        }
        unsigned char const* const p = bytes_ + (position_ >> 3);
        unsigned const window = (static_cast<unsigned>(p[0]) << 16) | (static_cast<unsigned>(p[1]) << 8) | p[2];
        value = (window >> (24 - (position_ & 7u) - width)) & ((1u << width) - 1);
        position_ += width;
        return true;
    }

private:
    unsigned char const* bytes_;
    unsigned count_;
    unsigned position_ = 0;
};

class Converter {
public:
    Converter(BitReader& reader, DataStreamConversionForAztecCode::Settings const& settings, DecodedLabel& label)
        : reader_(reader), settings_(settings), label_(label)
    {
    }

    // 1 decoded, 0 failed.
    int Run();

private:
    bool Put(unsigned char byte)
    {
        if (byte == '\\' && eciWritten_ && !label_.data.Push('\\')) {
            return false;
        }
        return label_.data.Push(static_cast<char>(byte));
    }
    bool Put(char const* text)
    {
        for (; *text != 0; ++text) {
            if (!Put(static_cast<unsigned char>(*text))) {
                return false;
            }
        }
        return true;
    }
    // One character of the mode in force; false on a fault, done at the end.
    bool DecodeCharData(unsigned value, Mode mode, bool& done);
    bool Byte();
    bool FLGn();
    bool FNC1();
    bool DoubleASCII92();
    bool CalcStructuredAppend();
    // The message ID's first six bytes at most, five bits each.
    unsigned CalcStructureID() const;
    bool Step(bool& done);

    BitReader& reader_;
    DataStreamConversionForAztecCode::Settings const& settings_;
    DecodedLabel& label_;
    Mode mode_ = kUpper;
    Mode saved_ = kUpper;
    bool shifted_ = false;
    bool eciWritten_ = false;
    unsigned flags_ = 0;
    // Inside a structured-append message ID: a space outside Punct ends it.
    bool inId_ = false;
    bool idEnded_ = false;
};

bool Converter::DoubleASCII92()
{
    unsigned const count = label_.data.GetCount();
    unsigned extra = 0;
    for (unsigned i = 0; i < count; ++i) {
        extra += label_.data[i] == '\\' ? 1u : 0u;
    }
    if (extra == 0) {
        return true;
    }
    if (!label_.data.SetCount(count + extra)) {
        return false;
    }
    unsigned to = count + extra;
    for (unsigned from = count; from-- > 0;) {
        char const c = label_.data[from];
        label_.data[--to] = c;
        if (c == '\\') {
            label_.data[--to] = c;
        }
    }
    return true;
}

bool Converter::FNC1()
{
    unsigned const count = label_.data.GetCount();
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    bool const firstFnc1 = (flags_ & ((1u << kFlagFnc1First) | (1u << kFlagFnc1Second))) == 0;
    if (firstFnc1 && count == 0) {
        flags_ |= 1u << kFlagFnc1First;
        return true;
    }
    if (firstFnc1 && ((count == 1 && isLetter(label_.data[0])) ||
         (count == 2 && isDigit(label_.data[0]) && isDigit(label_.data[1])))) {
        flags_ |= 1u << kFlagFnc1Second;
        return true;
    }
    return label_.data.Push(static_cast<char>(29));
}

bool Converter::FLGn()
{
    unsigned n = 0;
    if (!reader_.CalcCharData(3, n)) {
        return true;  // the data ends inside the flag
    }
    if (n == 0) {
        return !inId_ && FNC1();
    }
    if (n == 7) {
        return true;
    }
    char digits[6];
    for (unsigned i = 0; i < n; ++i) {
        unsigned v = 0;
        if (!reader_.CalcCharData(4, v)) {
            return true;
        }
        // Only digit values make a designator; anything else is a misread.
        if (v < 2 || v > 11) {
            return false;
        }
        digits[i] = static_cast<char>('0' + v - 2);
    }
    if (inId_) {
        return false;
    }
    if (settings_.suppressEci) {
        return true;
    }
    if (!eciWritten_) {
        if (!DoubleASCII92()) {
            return false;
        }
        eciWritten_ = true;
        flags_ |= 1u << kFlagEci;
    }
    if (!label_.data.Push('\\')) {
        return false;
    }
    for (unsigned i = n; i < 6; ++i) {
        if (!label_.data.Push('0')) {
            return false;
        }
    }
    for (unsigned i = 0; i < n; ++i) {
        if (!label_.data.Push(digits[i])) {
            return false;
        }
    }
    return true;
}

bool Converter::Byte()
{
    unsigned length = 0;
    if (!reader_.CalcCharData(5, length)) {
        return true;
    }
    if (length == 0) {
        if (!reader_.CalcCharData(11, length)) {
            return true;
        }
        length += 31;
    }
    for (unsigned i = 0; i < length; ++i) {
        unsigned value = 0;
        if (!reader_.CalcCharData(8, value)) {
            return true;
        }
        if (!Put(static_cast<unsigned char>(value))) {
            return false;
        }
    }
    return true;
}

bool Converter::DecodeCharData(unsigned value, Mode mode, bool& done)
{
    bool const wasShifted = shifted_;
    shifted_ = false;
    auto shift = [&](Mode to) {
        saved_ = mode_;
        mode_ = to;
        shifted_ = true;
    };
    auto latch = [&](Mode to) {
        mode_ = to;
        saved_ = to;
    };
    bool ok = true;
    if (value == 1 && mode != kPunct) {
        // A space; inside a structured-append message ID it ends the ID.
        if (inId_) {
            idEnded_ = true;
            done = true;
        } else {
            ok = Put(' ');
        }
    } else if (value == 0 && mode != kPunct) {
        shift(kPunct);
    } else if (mode == kUpper || mode == kLower) {
        if (value <= 27) {
            ok = Put(static_cast<unsigned char>((mode == kUpper ? 'A' : 'a') + value - 2));
        } else if (value == 28) {
            if (mode == kUpper) {
                latch(kLower);
            } else {
                shift(kUpper);
            }
        } else if (value == 29) {
            latch(kMixed);
        } else if (value == 30) {
            latch(kDigit);
        } else {
            ok = Byte();
        }
    } else if (mode == kMixed) {
        if (value <= 27) {
            ok = Put(kMixedBytes[value]);
        } else if (value == 28) {
            latch(kLower);
        } else if (value == 29) {
            latch(kUpper);
        } else if (value == 30) {
            latch(kPunct);
        } else {
            ok = Byte();
        }
    } else if (mode == kPunct) {
        if (value == 0) {
            ok = FLGn();
        } else if (value == 31) {
            latch(kUpper);
        } else {
            ok = Put(kPunctTexts[value]);
        }
    } else if (value <= 13) {
        ok = Put(kDigitTexts[value]);
    } else if (value == 14) {
        latch(kUpper);
    } else {
        shift(kUpper);
    }
    if (wasShifted && !shifted_) {
        mode_ = saved_;
    }
    return ok;
}

bool Converter::Step(bool& done)
{
    Mode const mode = mode_;
    unsigned value = 0;
    if (!reader_.CalcCharData(mode == kDigit ? 4u : 5u, value)) {
        done = true;
        return true;
    }
    // Most of a message is letters, spaces and digits in a latched mode:
    // those characters go straight to the label, as DecodeCharData writes
    // them (no shift to undo, no message ID to end).
    if (!shifted_ && !inId_ && value >= 1) {
        if (value == 1 && mode != kPunct) {
            return label_.data.Push(' ');
        }
        if (value <= 27 && (mode == kUpper || mode == kLower)) {
            return label_.data.Push(static_cast<char>((mode == kUpper ? 'A' : 'a') + value - 2));
        }
        if (value <= 11 && mode == kDigit) {
            return label_.data.Push(static_cast<char>('0' + value - 2));
        }
    }
    return DecodeCharData(value, mode, done);
}

unsigned Converter::CalcStructureID() const
{
    unsigned id = 0;
    unsigned const count = label_.data.GetCount();
    for (unsigned i = 0; i < count && i < 6; ++i) {
        unsigned const c = static_cast<unsigned char>(label_.data[i]);
        unsigned const v = (c >= 'A' && c <= 'Z') ? c - 'A' : (c & 31u);
        id = (id << 5) | v;
    }
    return id;
}

bool Converter::CalcStructuredAppend()
{
    unsigned first = 0;
    if (!reader_.CalcCharData(5, first)) {
        return false;
    }
    unsigned id = 0;
    if (first == 1) {
        // A message ID up to the next space, read with the normal tables.
        inId_ = true;
        bool done = false;
        while (!done) {
            if (!Step(done)) {
                return false;
            }
        }
        inId_ = false;
        unsigned const count = label_.data.GetCount();
        if (!idEnded_ || count == 0 || mode_ != kUpper || shifted_) {
            return false;
        }
        id = CalcStructureID();
        label_.data.Clear();
        if (!reader_.CalcCharData(5, first)) {
            return false;
        }
    }
    // Without an ID the position letter follows the latches directly.
    unsigned second = 0;
    if (!reader_.CalcCharData(5, second) || first < 2 || first > 27 || second < 2 || second > 27) {
        return false;
    }
    unsigned const position = first - 2;
    unsigned const count = second - 1;
    if (position >= count) {
        return false;
    }
    label_.structuredAppend.mode = 1;
    label_.structuredAppend.value1 = id;
    label_.structuredAppend.value2 = count;
    label_.structuredAppend.value3 = position;
    flags_ |= 1u << kFlagStructuredAppend;
    return true;
}

int Converter::Run()
{
    unsigned first = 0;
    if (!reader_.CalcCharData(5, first)) {
        return 0;
    }
    bool done = false;
    if (first == 29) {
        unsigned second = 0;
        if (!reader_.CalcCharData(5, second)) {
            return 0;
        }
        if (second == 29) {
            if (!CalcStructuredAppend()) {
                return 0;
            }
        } else {
            mode_ = kMixed;
            saved_ = kMixed;
            if (!DecodeCharData(second, kMixed, done)) {
                return 0;
            }
        }
    } else if (!DecodeCharData(first, kUpper, done)) {
        return 0;
    }
    while (!done) {
        if (!Step(done)) {
            return 0;
        }
    }
    if (!settings_.length.Admits(label_.data.GetCount())) {
        return 0;
    }
    flags_ &= ~(1u << kFlagRunes);
    label_.identifier.Copy(AztecIdentifier(flags_));
    return 1;
}

}  // namespace

int DataStreamConversionForAztecCode::Start(unsigned short const* codewords, unsigned codewordBits,
                                            unsigned dataCount, Settings const& settings, unsigned char* bitBuffer,
                                            DecodedLabel& label)
{
    label.Clear();
    if (codewordBits < 6 || codewordBits > 12 || dataCount * codewordBits > kMaxBits) {
        return 0;
    }
    // Bit stuffing: a codeword of b-1 equal bits and then the other value
    // carries only those b-1 bits, its first ones. They are packed as the
    // reader takes them, at most 8 + 11 bits waiting at a time.
    unsigned count = 0;
    unsigned bytes = 0;
    unsigned waiting = 0;
    unsigned waitingBits = 0;
    unsigned const ones = (1u << codewordBits) - 1;
    for (unsigned i = 0; i < dataCount; ++i) {
        unsigned const word = codewords[i];
        unsigned const width = (word == 1 || word == ones - 1) ? codewordBits - 1 : codewordBits;
        waiting = (waiting << width) | ((word & ones) >> (codewordBits - width));
        waitingBits += width;
        count += width;
        while (waitingBits >= 8) {
            waitingBits -= 8;
            bitBuffer[bytes++] = static_cast<unsigned char>(waiting >> waitingBits);
        }
        waiting &= (1u << waitingBits) - 1;
    }
    if (waitingBits > 0) {
        bitBuffer[bytes++] = static_cast<unsigned char>(waiting << (8 - waitingBits));
    }
    bitBuffer[bytes] = 0;
    bitBuffer[bytes + 1] = 0;
    BitReader reader(bitBuffer, count);
    Converter converter(reader, settings, label);
    if (converter.Run() == 0) {
        label.Clear();
        return 0;
    }
    return 1;
}

int DataStreamConversionForAztecCode::StartForRunes(unsigned value, DecodedLabel& label)
{
    label.Clear();
    if (value > 255) {
        return 0;
    }
    label.data.Push(static_cast<char>('0' + value / 100));
    label.data.Push(static_cast<char>('0' + value / 10 % 10));
    label.data.Push(static_cast<char>('0' + value % 10));
    label.identifier.Copy(AztecIdentifier(1u << kFlagRunes));
    return 1;
}

}  // namespace DEC2DIvra
