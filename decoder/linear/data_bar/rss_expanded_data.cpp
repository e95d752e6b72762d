#include "decoder/linear/data_bar/rss_expanded_data.h"

#include "decoder/linear/data_bar/rss_calculation.h"

namespace DEC2DIvra {

namespace {

constexpr char kGroupSeparator = 29;
// 8-bit values 232-252 of the ISO 646 set.
constexpr char kIso646Punctuation[] = "!\"%&'()*+,-./:;<=>?_ ";
constexpr char kAlphanumericPunctuation[] = "*,-./";

class Writer {
public:
    explicit Writer(StackInterface<char>& text) : text_(&text) {}
    bool Put(char c) { return text_->Push(c); }
    bool Put(char const* s)
    {
        for (; *s != '\0'; ++s) {
            if (!Put(*s)) {
                return false;
            }
        }
        return true;
    }
    // The value as `digits` decimal digits with leading zeros.
    bool PutNumber(unsigned long long value, unsigned digits)
    {
        char buffer[20];
        if (digits > sizeof buffer) {
            return false;
        }
        for (unsigned i = digits; i-- > 0;) {
            buffer[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        if (value != 0) {
            return false;
        }
        for (unsigned i = 0; i < digits; ++i) {
            if (!Put(buffer[i])) {
                return false;
            }
        }
        return true;
    }

private:
    StackInterface<char>* text_;
};

// The twelve digits of the item number from four 10-bit groups, then its
// check digit (computed over the given first digit and the twelve).
bool GetItem(RSSExpandedBits const& bits, unsigned& position, char firstDigit, RSSExpandedOptions const& options,
             Writer& out)
{
    char digits[13];
    digits[0] = firstDigit;
    for (unsigned group = 0; group < 4; ++group) {
        unsigned value = 0;
        if (!bits.Read(position, 10, value) || value > 999) {
            return false;
        }
        digits[1 + 3 * group] = static_cast<char>('0' + value / 100);
        digits[2 + 3 * group] = static_cast<char>('0' + value / 10 % 10);
        digits[3 + 3 * group] = static_cast<char>('0' + value % 10);
    }
    for (unsigned i = 1; i < 13; ++i) {
        if (!out.Put(digits[i])) {
            return false;
        }
    }
    return !options.transmitCheckDigit || out.Put(RSSCalculation::CalcGtinCheckDigit(digits));
}

// The states of the general-purpose field; kEnd once the bits run out.
enum class Mode { kNumeric, kAlphanumeric, kIso646, kEnd };

bool Peek(RSSExpandedBits const& bits, unsigned position, unsigned count, unsigned& value)
{
    return bits.Read(position, count, value);
}

// One numeric field: a latch to alphanumeric, two digits (10 standing for
// FNC1) in seven bits, or the last digit of an odd count in four.
bool ProcNumeric(RSSExpandedBits const& bits, unsigned& position, Mode& mode, Writer& out)
{
    unsigned const size = bits.GetCount();
    unsigned value = 0;
    if (position + 7 > size) {
        mode = Mode::kEnd;
        if (position + 4 <= size && Peek(bits, position, 4, value) && value != 0) {
            return value <= 10 && out.Put(static_cast<char>('0' + value - 1));
        }
        return true;
    }
    Peek(bits, position, 4, value);
    if (value == 0) {
        position += 4;
        mode = Mode::kAlphanumeric;
        return true;
    }
    bits.Read(position, 7, value);
    if (value < 8) {
        return false;
    }
    unsigned const d1 = (value - 8) / 11;
    unsigned const d2 = (value - 8) % 11;
    return d1 <= 10 && out.Put(d1 == 10 ? kGroupSeparator : static_cast<char>('0' + d1)) &&
           out.Put(d2 == 10 ? kGroupSeparator : static_cast<char>('0' + d2));
}

// What alphanumeric and ISO 646 share: the latch to numeric (000), the
// latch to the other of the two (00100), the digits and FNC1 in five bits.
// `taken` tells whether the field was one of these.
bool ProcSharedField(RSSExpandedBits const& bits, unsigned& position, Mode other, Mode& mode, Writer& out,
                     bool& taken)
{
    unsigned value = 0;
    taken = true;
    if (Peek(bits, position, 3, value) && value == 0) {
        position += 3;
        mode = Mode::kNumeric;
        return true;
    }
    if (Peek(bits, position, 5, value) && value == 4) {
        position += 5;
        mode = other;
        return true;
    }
    if (!Peek(bits, position, 5, value)) {
        // Too few bits left for anything: padding.
        mode = Mode::kEnd;
        return true;
    }
    if (value >= 5 && value <= 15) {
        position += 5;
        if (value == 15) {
            mode = Mode::kNumeric;
            return out.Put(kGroupSeparator);
        }
        return out.Put(static_cast<char>('0' + value - 5));
    }
    taken = false;
    return true;
}

// One alphanumeric field; the letters and "*,-./" in six bits.
bool ProcAlphaNumeric(RSSExpandedBits const& bits, unsigned& position, Mode& mode, Writer& out)
{
    bool taken = false;
    if (!ProcSharedField(bits, position, Mode::kIso646, mode, out, taken)) {
        return false;
    }
    unsigned value = 0;
    if (taken) {
        return true;
    }
    if (!bits.Read(position, 6, value) || value < 32 || value > 62) {
        return false;
    }
    return out.Put(value <= 57 ? static_cast<char>('A' + value - 32) : kAlphanumericPunctuation[value - 58]);
}

// One ISO 646 field; the letters of both cases in seven bits, the
// punctuation in eight.
bool ProcISO646(RSSExpandedBits const& bits, unsigned& position, Mode& mode, Writer& out)
{
    bool taken = false;
    if (!ProcSharedField(bits, position, Mode::kAlphanumeric, mode, out, taken)) {
        return false;
    }
    unsigned value = 0;
    if (taken) {
        return true;
    }
    if (Peek(bits, position, 7, value) && value >= 64 && value <= 115) {
        position += 7;
        return out.Put(value <= 89 ? static_cast<char>('A' + value - 64) : static_cast<char>('a' + value - 90));
    }
    return bits.Read(position, 8, value) && value >= 232 && value <= 252 && out.Put(kIso646Punctuation[value - 232]);
}

// The general-purpose field: up to the end of the bits, numeric first.
bool MakeGeneralPurpose(RSSExpandedBits const& bits, unsigned position, Writer& out)
{
    Mode mode = Mode::kNumeric;
    while (mode != Mode::kEnd && position < bits.GetCount()) {
        bool const ok = mode == Mode::kNumeric        ? ProcNumeric(bits, position, mode, out)
                        : mode == Mode::kAlphanumeric ? ProcAlphaNumeric(bits, position, mode, out)
                                                      : ProcISO646(bits, position, mode, out);
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RSSExpandedBits::Append(unsigned value, unsigned bits)
{
    if (bits > kCapacity - count_) {
        return false;
    }
    for (unsigned i = bits; i-- > 0;) {
        bits_[count_++] = static_cast<unsigned char>((value >> i) & 1u);
    }
    return true;
}

bool RSSExpandedBits::Read(unsigned& position, unsigned bits, unsigned& value) const
{
    if (position > count_ || bits > count_ - position || bits > 31) {
        return false;
    }
    value = 0;
    for (unsigned i = 0; i < bits; ++i) {
        value = (value << 1) | bits_[position++];
    }
    return true;
}

bool MakeExpandedData(RSSExpandedBits const& bits, RSSExpandedOptions const& options, StackInterface<char>& text,
                      bool& linked)
{
    text.Clear();
    Writer out(text);
    unsigned position = 0;
    unsigned value = 0;
    if (!bits.Read(position, 1, value)) {
        return false;
    }
    linked = value != 0;
    // The method: 1, 00, 0100, 0101, 01100, 01101, 0111000-0111111.
    unsigned method = 0;
    if (!bits.Read(position, 1, value)) {
        return false;
    }
    if (value == 1) {
        method = 1;
    } else if (!bits.Read(position, 1, value)) {
        return false;
    } else if (value == 0) {
        method = 0;
    } else {
        unsigned two = 0;
        if (!bits.Read(position, 2, two)) {
            return false;
        }
        if (two < 2) {
            method = 4 + two;
        } else if (two == 2) {
            if (!bits.Read(position, 1, value)) {
                return false;
            }
            method = 12 + value;
        } else {
            if (!bits.Read(position, 3, value)) {
                return false;
            }
            method = 56 + value;
        }
    }

    unsigned field = 0;
    bool ok = true;
    switch (method) {
    case 0:
        ok = bits.Read(position, 2, field);
        break;
    case 1: {
        unsigned first = 0;
        ok = bits.Read(position, 2, field) && bits.Read(position, 4, first) && first <= 9 &&
             (!options.transmitApplicationIdentifier || out.Put("01")) && out.Put(static_cast<char>('0' + first)) &&
             GetItem(bits, position, static_cast<char>('0' + first), options, out);
        break;
    }
    case 4:
    case 5: {
        unsigned weight = 0;
        ok = out.Put("019") && GetItem(bits, position, '9', options, out) && bits.Read(position, 15, weight);
        if (ok && method == 4) {
            ok = out.Put("3103") && out.PutNumber(weight, 6);
        } else if (ok) {
            ok = weight > 9999 ? out.Put("3203") && out.PutNumber(weight - 10000, 6)
                               : out.Put("3202") && out.PutNumber(weight, 6);
        }
        break;
    }
    case 12:
    case 13: {
        unsigned decimals = 0;
        ok = bits.Read(position, 2, field) && out.Put("019") && GetItem(bits, position, '9', options, out) &&
             bits.Read(position, 2, decimals) && out.Put(method == 12 ? "392" : "393") &&
             out.Put(static_cast<char>('0' + decimals));
        if (ok && method == 13) {
            unsigned currency = 0;
            ok = bits.Read(position, 10, currency) && currency <= 999 && out.PutNumber(currency, 3);
        }
        break;
    }
    default: {
        unsigned weight = 0;
        unsigned date = 0;
        ok = out.Put("019") && GetItem(bits, position, '9', options, out) && bits.Read(position, 20, weight) &&
             bits.Read(position, 16, date) && weight <= 999999 && out.Put(method % 2 == 0 ? "310" : "320") &&
             out.PutNumber(weight / 100000, 1) && out.Put('0') && out.PutNumber(weight % 100000, 5);
        if (ok && date < 38400) {
            static char const* const kDateAi[4] = {"11", "13", "15", "17"};
            ok = out.Put(kDateAi[(method >> 1) & 3u]) && out.PutNumber(date / 384, 2) &&
                 out.PutNumber(date % 384 / 32 + 1, 2) && out.PutNumber(date % 32, 2);
        }
        break;
    }
    }
    if (!ok || !MakeGeneralPurpose(bits, position, out)) {
        text.Clear();
        return false;
    }
    // A closing FNC1 separates nothing.
    if (!text.IsEmpty() && text.GetTop() == kGroupSeparator) {
        text.Pop();
    }
    return !text.IsEmpty();
}

}  // namespace DEC2DIvra
