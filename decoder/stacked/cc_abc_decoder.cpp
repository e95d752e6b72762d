#include "decoder/stacked/cc_abc_decoder.h"

namespace DEC2DIvra {

namespace {

constexpr char kGS = 29;
constexpr char kIsoPunctuation[] = "!\"%&'()*+,-./:;<=>?_ ";
constexpr char kAI90Letters[] = "BDHIJKLNPQRSTVWZ";

bool PushText(StackInterface<char>& label, char const* text)
{
    for (; *text != 0; ++text) {
        if (!label.Push(*text)) {
            return false;
        }
    }
    return true;
}

void PushTwoDigits(StackInterface<char>& label, unsigned value)
{
    label.Push(static_cast<char>('0' + value / 10 % 10));
    label.Push(static_cast<char>('0' + value % 10));
}

}  // namespace

bool BitStream::FlushABit(unsigned& bit)
{
    if (position_ >= count_) {
        return false;
    }
    unsigned char const byte = static_cast<unsigned char>(bytes_[position_ >> 3]);
    bit = (byte >> (7 - (position_ & 7))) & 1u;
    ++position_;
    return true;
}

bool BitStream::FlushBitStream(unsigned n, unsigned& value)
{
    value = 0;
    for (unsigned i = 0; i < n; ++i) {
        unsigned bit = 0;
        if (!FlushABit(bit)) {
            return false;
        }
        value = value << 1 | bit;
    }
    return true;
}

void CC_ABC_Decoder::ConvertValueToString(unsigned value, StackInterface<char>& label)
{
    char digits[10];
    unsigned count = 0;
    for (; value > 0 && count < 10; value /= 10) {
        digits[count++] = static_cast<char>('0' + value % 10);
    }
    while (count > 0) {
        label.Push(digits[--count]);
    }
}

bool CC_ABC_Decoder::DecodeCC_ABC(char const* bits, unsigned bitCount, StackInterface<char>& label)
{
    label.Clear();
    BitStream stream(bits, bitCount);
    unsigned bit = 0;
    if (!stream.FlushABit(bit)) {
        return false;
    }
    bool decoded = false;
    if (bit == 0) {
        decoded = DecodeGeneralCompaction(stream, kNumeric, label);
    } else {
        if (!stream.FlushABit(bit)) {
            return false;
        }
        decoded = bit == 0 ? DecodeAI10Compaction(stream, label) : DecodeAI90Compaction(stream, label);
    }
    if (!decoded) {
        return false;
    }
    if (!label.IsEmpty() && (label.GetTop() == '^' || label.GetTop() == kGS)) {
        label.Pop();
    }
    return true;
}

bool CC_ABC_Decoder::DecodeAI10Compaction(BitStream& bits, StackInterface<char>& label)
{
    unsigned head = 0;
    if (!bits.FlushBitStream(2, head)) {
        return false;
    }
    if (head != 3) {
        unsigned rest = 0;
        unsigned flag = 0;
        if (!bits.FlushBitStream(14, rest) || !bits.FlushABit(flag)) {
            return false;
        }
        unsigned const v = head << 14 | rest;
        // A year beyond two digits is no date: the symbol is malformed.
        if (v / 384 > 99) {
            return false;
        }
        PushText(label, flag == 1 ? "17" : "11");
        PushTwoDigits(label, v / 384);
        PushTwoDigits(label, (v % 384) / 32 + 1);
        PushTwoDigits(label, v % 32);
    }
    unsigned const batch = label.GetCount();
    PushText(label, "10");
    if (!DecodeGeneralCompaction(bits, kNumeric, label)) {
        return false;
    }
    // An empty batch number: drop the "10" and its FNC1.
    if (label.GetCount() > batch + 2 && label[batch + 2] == kGS) {
        unsigned const count = label.GetCount();
        for (unsigned i = batch + 3; i < count; ++i) {
            label[i - 3] = label[i];
        }
        label.SetCount(count - 3);
    } else if (label.GetCount() == batch + 2) {
        label.SetCount(batch);
    }
    return true;
}

bool CC_ABC_Decoder::DecodeAI90Compaction(BitStream& bits, StackInterface<char>& label)
{
    PushText(label, "90");
    unsigned bit = 0;
    COMPACTION_MODE mode = kAlphaNumeric;
    if (!bits.FlushABit(bit)) {
        return false;
    }
    if (bit == 1) {
        if (!bits.FlushABit(bit)) {
            return false;
        }
        mode = bit == 0 ? kNumeric : kAlpha;
    }
    unsigned following = 0;  // 0 none, 1 AI 21, 2 AI 8004
    if (!bits.FlushABit(bit)) {
        return false;
    }
    if (bit == 1) {
        if (!bits.FlushABit(bit)) {
            return false;
        }
        following = bit == 0 ? 1 : 2;
    }
    unsigned n = 0;
    if (!bits.FlushBitStream(5, n)) {
        return false;
    }
    unsigned letter = 0;
    if (n < 31) {
        ConvertValueToString(n, label);
        if (!bits.FlushBitStream(4, letter)) {
            return false;
        }
        label.Push(kAI90Letters[letter]);
    } else {
        unsigned number = 0;
        if (!bits.FlushBitStream(10, number) || !bits.FlushBitStream(5, letter)) {
            return false;
        }
        // Three digits at most and a letter: anything else is no AI 90 header.
        if (number > 999 || letter > 25) {
            return false;
        }
        ConvertValueToString(number, label);
        label.Push(static_cast<char>('A' + letter));
    }
    if (!DecodeGeneralCompaction(bits, mode, label)) {
        return false;
    }
    if (following == 0) {
        return true;
    }
    char const* ai = following == 1 ? "21" : "8004";
    unsigned const insert = following == 1 ? 2 : 4;
    unsigned const count = label.GetCount();
    for (unsigned i = 0; i < count; ++i) {
        if (label[i] != kGS && label[i] != '^') {
            continue;
        }
        if (count + insert > label.GetCapacity()) {
            return false;
        }
        label.SetCount(count + insert);
        for (unsigned j = count; j > i + 1; --j) {
            label[j - 1 + insert] = label[j - 1];
        }
        for (unsigned j = 0; j < insert; ++j) {
            label[i + 1 + j] = ai[j];
        }
        break;
    }
    return true;
}

bool CC_ABC_Decoder::DecodeGeneralCompaction(BitStream& bits, COMPACTION_MODE first, StackInterface<char>& label)
{
    COMPACTION_MODE mode = first;
    while (bits.GetRemaining() > 0 && mode != kEnd) {
        switch (mode) {
        case kNumeric: mode = DecodeNumericCompaction(bits, label); break;
        case kAlphaNumeric: mode = DecodeAlphaNumericCompaction(bits, label); break;
        case kAlpha: mode = DecodeAlphaCompaction(bits, label); break;
        case kIso646: mode = DecodeISOCompaction(bits, label); break;
        case kEnd: break;
        }
    }
    return true;
}

CC_ABC_Decoder::COMPACTION_MODE CC_ABC_Decoder::DecodeNumericCompaction(BitStream& bits, StackInterface<char>& label)
{
    if (bits.GetRemaining() < 4) {
        return kEnd;
    }
    unsigned v = 0;
    bits.FlushBitStream(4, v);
    if (v == 0) {
        return kAlphaNumeric;
    }
    unsigned low = 0;
    if (!bits.FlushBitStream(3, low)) {
        label.Push(static_cast<char>('0' + v - 1));
        return kEnd;
    }
    unsigned const w = v * 8 + low;
    if (w < 8) {
        return kEnd;
    }
    unsigned const pair[2] = {(w - 8) / 11, (w - 8) % 11};
    for (unsigned d : pair) {
        label.Push(d == 10 ? kGS : static_cast<char>('0' + d));
    }
    return kNumeric;
}

CC_ABC_Decoder::COMPACTION_MODE CC_ABC_Decoder::DecodeAlphaNumericCompaction(BitStream& bits,
                                                                             StackInterface<char>& label)
{
    unsigned bit = 0;
    if (!bits.FlushABit(bit)) {
        return kEnd;
    }
    unsigned w = 0;
    if (bit == 1) {
        if (!bits.FlushBitStream(5, w)) {
            return kEnd;
        }
        w |= 32;
        if (w <= 57) {
            label.Push(static_cast<char>(w + 33));
        } else if (w <= 62) {
            label.Push("*,-./"[w - 58]);
        } else {
            label.Push('^');
            return kNumeric;
        }
        return kAlphaNumeric;
    }
    if (!bits.FlushBitStream(2, w)) {
        return kEnd;
    }
    if (w == 0) {
        return kNumeric;
    }
    unsigned more = 0;
    if (!bits.FlushBitStream(2, more)) {
        return kEnd;
    }
    w = w << 2 | more;
    if (w == 15) {
        label.Push(kGS);
        return kNumeric;
    }
    if (w == 4) {
        return kIso646;
    }
    label.Push(static_cast<char>(w + 43));
    return kAlphaNumeric;
}

CC_ABC_Decoder::COMPACTION_MODE CC_ABC_Decoder::DecodeAlphaCompaction(BitStream& bits, StackInterface<char>& label)
{
    unsigned w = 0;
    if (!bits.FlushBitStream(5, w)) {
        return kEnd;
    }
    if (w <= 25) {
        label.Push(static_cast<char>('A' + w));
        return kAlpha;
    }
    if (w == 31) {
        label.Push(kGS);
        return kNumeric;
    }
    unsigned b = 0;
    if (!bits.FlushABit(b)) {
        return kEnd;
    }
    label.Push(static_cast<char>('0' + 2 * w + b - 52));
    return kAlpha;
}

CC_ABC_Decoder::COMPACTION_MODE CC_ABC_Decoder::DecodeISOCompaction(BitStream& bits, StackInterface<char>& label)
{
    unsigned w = 0;
    if (!bits.FlushBitStream(3, w)) {
        return kEnd;
    }
    if (w == 0) {
        return kNumeric;
    }
    unsigned more = 0;
    if (!bits.FlushBitStream(2, more)) {
        return kEnd;
    }
    w = w << 2 | more;
    if (w == 4) {
        return kAlphaNumeric;
    }
    if (w == 15) {
        label.Push(kGS);
        return kNumeric;
    }
    if (w < 15) {
        label.Push(static_cast<char>(w + 43));
        return kIso646;
    }
    if (w <= 28) {
        if (!bits.FlushBitStream(2, more)) {
            return kEnd;
        }
        w = w << 2 | more;
        label.Push(static_cast<char>(w < 90 ? w + 1 : w + 7));
        return kIso646;
    }
    if (!bits.FlushBitStream(3, more)) {
        return kEnd;
    }
    w = w << 3 | more;
    if (w == 253) {
        label.Push('^');
        return kNumeric;
    }
    if (w >= 232 && w <= 252) {
        label.Push(kIsoPunctuation[w - 232]);
    } else {
        label.Push(0);
    }
    return kIso646;
}

}  // namespace DEC2DIvra
