#include "decoder/stacked/bitstream_convert.h"

#include "decoder/stacked/cc_abc_decoder.h"

namespace DEC2DIvra {

namespace {

constexpr char kGS = 29;
constexpr char kRS = 30;
constexpr char kEOT = 4;

enum Submode : unsigned { kAlpha = 0, kLower = 1, kMixed = 2, kPunctuation = 3 };

// Mixed values 0-24 and Punctuation values 0-28; the remaining values are
// latches and shifts.
constexpr char kMixedCharacters[] = "0123456789&\r\t,:#-.$/+%*=^";
constexpr char kPunctuationCharacters[] = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";

bool IsData(unsigned short c) { return c < 900; }


}  // namespace

void BitstreamConvert::initBitstreamConvert()
{
    currentMode_ = 900;
    previousMode_ = 900;
    submode_ = kAlpha;
    alphaShift_ = false;
    punctuationShift_ = false;
    startOfData_ = false;
    lastGroupSeparator_ = -2;
    macroPresent_ = false;
    lastSegment_ = false;
    fileId_ = 0;
    segmentIndex_ = 0;
    trailer_ = false;
    composite_ = false;
    readerInitialisation_ = false;
    numericCheck_ = 0;
    numericStart_ = 0;
}

bool BitstreamConvert::Push(DecodedLabel& label, char c) { return label.data.Push(c); }

bool BitstreamConvert::PushText(DecodedLabel& label, char const* text)
{
    for (; *text != 0; ++text) {
        if (!label.data.Push(*text)) {
            return false;
        }
    }
    return true;
}

void BitstreamConvert::SetMode(unsigned short mode)
{
    previousMode_ = currentMode_;
    currentMode_ = mode;
}

bool BitstreamConvert::CopyBuffer(DecodedLabel const& label)
{
    unsigned const count = label.data.GetCount();
    if (count > kBufferBytes) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        buffer_[i] = label.data[i];
    }
    return true;
}

bool BitstreamConvert::convertNormalPDF(Codewords codewords, DecodedLabel& label, bool& composite)
{
    MicroPDFIdentifier unused;
    return convert(codewords, label, false, unused, composite);
}

bool BitstreamConvert::convertMicroPDF(Codewords codewords, DecodedLabel& label, MicroPDFIdentifier& identifier)
{
    bool composite = false;
    return convert(codewords, label, true, identifier, composite);
}

bool BitstreamConvert::convert(Codewords codewords, DecodedLabel& label, bool micro, MicroPDFIdentifier& identifier,
                               bool& composite)
{
    initBitstreamConvert();
    label.data.Clear();
    micro_ = micro;
    cw_ = codewords.GetBegin();
    count_ = codewords.GetCount();
    pos_ = codewords.IsValid() ? static_cast<unsigned>(codewords.GetIndex()) : count_;
    composite = false;
    if (micro) {
        currentMode_ = previousMode_ = 901;
        if (pos_ < count_ && cw_[pos_] == 920) {
            identifier.SetModifierBit(0, false);
            identifier.SetModifierBit(1, true);
            identifier.SetModifierBit(10, true);
            composite_ = true;
            ++pos_;
        }
    } else {
        if (pos_ >= count_) {
            return false;
        }
        ++pos_;  // the length descriptor
        if (pos_ < count_ && cw_[pos_] == 920) {
            composite_ = true;
            composite = true;
            ++pos_;
        }
    }
    // A reader-initialisation symbol programs a reader; its data is no label.
    if (pos_ < count_ && cw_[pos_] == 921) {
        readerInitialisation_ = true;
        return false;
    }
    unsigned const firstData = pos_;
    while (pos_ < count_) {
        startOfData_ = pos_ == firstData;
        bool going = true;
        if (!IsData(cw_[pos_])) {
            going = HandleModeCodeword(label, identifier);
        } else {
            switch (currentMode_) {
            case 900: going = convertTextMode2(label); break;
            case 901: going = ConvertByteMode901_2(label); break;
            case 924: going = ConvertByteMode924_2(label); break;
            case 902: going = convertNumericMode2(label); break;
            default: going = false; break;
            }
        }
        if (!going) {
            return false;
        }
    }
    if (composite_) {
        if (!CopyBuffer(label) || !CC_ABC_Decoder::DecodeCC_ABC(buffer_, label.data.GetCount() * 8, label.data)) {
            return false;
        }
    }
    if (trailer_ && (!Push(label, kRS) || !Push(label, kEOT))) {
        return false;
    }
    if (macroPresent_) {
        label.structuredAppend.mode = 1;
        label.structuredAppend.value1 = fileId_;
        label.structuredAppend.value2 = lastSegment_ ? segmentIndex_ + 1 : 0;
        label.structuredAppend.value3 = segmentIndex_;
    }
    return true;
}

bool BitstreamConvert::HandleModeCodeword(DecodedLabel& label, MicroPDFIdentifier& identifier)
{
    unsigned short const c = cw_[pos_];
    switch (c) {
    case 900:
    case 901:
    case 902:
    case 924:
        SetMode(c);
        ++pos_;
        return true;
    case 913:
        ++pos_;
        return ConvertByteMode913Shift2(label);
    case 925:
    case 927:
    case 926:
        SetMode(c);
        ++pos_;
        return c == 925 ? ConvertGLI925() : (c == 926 ? ConvertGLI926() : ConvertGLI927());
    case 928:
        if (macroPresent_) {
            return false;
        }
        SetMode(c);
        ++pos_;
        return ConvertMacroPDFStart928();
    case 923:
        if (!macroPresent_) {
            return false;
        }
        SetMode(c);
        ++pos_;
        return ConvertMacroPDFOptionField923();
    case 922:
        if (!macroPresent_) {
            return false;
        }
        return ConvertMacroPDFTerminater922();
    default:
        break;
    }
    if (micro_ && ((c >= 903 && c <= 912) || (c >= 914 && c <= 917))) {
        ++pos_;
        return ExcuteOnlyMicroPDFCodeWord(c, label, identifier);
    }
    return false;
}

bool BitstreamConvert::convertTextMode2(DecodedLabel& label)
{
    switch (previousMode_) {
    case 903: case 904: case 906: case 908: case 910: case 917: case 925: case 926: case 927:
        break;
    case 913:
        punctuationShift_ = false;
        break;
    default:
        submode_ = kAlpha;
        alphaShift_ = false;
        punctuationShift_ = false;
        break;
    }
    for (; pos_ < count_ && IsData(cw_[pos_]); ++pos_) {
        unsigned const values[2] = {cw_[pos_] / 30u, cw_[pos_] % 30u};
        for (unsigned v : values) {
            char out = 0;
            if (alphaShift_) {
                alphaShift_ = false;
                if (v > 26) {
                    return false;
                }
                out = v == 26 ? ' ' : static_cast<char>('A' + v);
            } else if (punctuationShift_) {
                punctuationShift_ = false;
                if (v > 28) {
                    return false;
                }
                out = kPunctuationCharacters[v];
            } else {
                switch (submode_) {
                case kAlpha:
                case kLower:
                    if (v < 26) {
                        out = static_cast<char>((submode_ == kAlpha ? 'A' : 'a') + v);
                    } else if (v == 26) {
                        out = ' ';
                    } else if (v == 27) {
                        if (submode_ == kAlpha) {
                            submode_ = kLower;
                        } else {
                            alphaShift_ = true;
                        }
                    } else if (v == 28) {
                        submode_ = kMixed;
                    } else {
                        punctuationShift_ = true;
                    }
                    break;
                case kMixed:
                    if (v < 25) {
                        out = kMixedCharacters[v];
                    } else if (v == 25) {
                        submode_ = kPunctuation;
                    } else if (v == 26) {
                        out = ' ';
                    } else if (v == 27) {
                        submode_ = kLower;
                    } else if (v == 28) {
                        submode_ = kAlpha;
                    } else {
                        punctuationShift_ = true;
                    }
                    break;
                default:
                    if (v < 29) {
                        out = kPunctuationCharacters[v];
                    } else {
                        submode_ = kAlpha;
                    }
                    break;
                }
            }
            if (out != 0 && !Push(label, out)) {
                return false;
            }
        }
    }
    return true;
}

bool BitstreamConvert::CheckGLICorrectness(unsigned at, unsigned length, unsigned groupCount) const
{
    for (unsigned i = 1; i < length; ++i) {
        if (at + i >= count_ || !IsData(cw_[at + i])) {
            return false;
        }
    }
    // An ECI may not split a numeric group: after a short group no data may follow.
    if (groupCount >= 1 && groupCount <= 14 && at + length < count_ && IsData(cw_[at + length])) {
        return false;
    }
    return true;
}

unsigned BitstreamConvert::CalcNumericValue(unsigned short const* group, unsigned count, unsigned char* digits,
                                            unsigned capacity)
{
    // Base 900 to decimal, least significant digit first.
    for (unsigned d = 0; d < capacity; ++d) {
        digits[d] = 0;
    }
    unsigned length = 1;
    for (unsigned i = 0; i < count; ++i) {
        unsigned carry = group[i];
        for (unsigned d = 0; d < length; ++d) {
            unsigned const v = digits[d] * 900u + carry;
            digits[d] = static_cast<unsigned char>(v % 10);
            carry = v / 10;
        }
        while (carry > 0 && length < capacity) {
            digits[length++] = static_cast<unsigned char>(carry % 10);
            carry /= 10;
        }
    }
    while (length > 1 && digits[length - 1] == 0) {
        --length;
    }
    return length;
}

bool BitstreamConvert::WriteNumericGroup(unsigned short const* group, unsigned count, DecodedLabel& label)
{
    // 15 codewords give 45 digits at most.
    unsigned char digits[48];
    unsigned const length = CalcNumericValue(group, count, digits, sizeof(digits));
    // The leading 1 is the encoding's, not the data's.
    for (unsigned d = length - 1; d-- > 0;) {
        if (!Push(label, static_cast<char>('0' + digits[d]))) {
            return false;
        }
    }
    return true;
}

bool BitstreamConvert::convertNumericMode2(DecodedLabel& label)
{
    unsigned short group[15];
    unsigned groupCount = 0;
    while (true) {
        bool const end = pos_ >= count_;
        unsigned short const c = end ? 0 : cw_[pos_];
        if (!end && IsData(c)) {
            group[groupCount++] = c;
            ++pos_;
            if (groupCount == 15) {
                if (!WriteNumericGroup(group, groupCount, label)) {
                    return false;
                }
                groupCount = 0;
            }
            continue;
        }
        if (!end) {
            switch (c) {
            case 900: case 901: case 902: case 924: case 903: case 904: case 905:
                break;
            case 922:
            case 923:
                if (!macroPresent_) {
                    return false;
                }
                break;
            case 928:
                if (pos_ + 1 >= count_) {
                    return false;
                }
                break;
            case 925:
            case 927:
                if (!CheckGLICorrectness(pos_, 2, groupCount)) {
                    return false;
                }
                break;
            case 926:
                if (!CheckGLICorrectness(pos_, 3, groupCount)) {
                    return false;
                }
                break;
            default:
                if (!(micro_ && c >= 906 && c <= 917 && c != 913)) {
                    return false;
                }
                break;
            }
        }
        if (groupCount > 0 && !WriteNumericGroup(group, groupCount, label)) {
            return false;
        }
        break;
    }
    if (numericCheck_ != 0) {
        unsigned short const check = numericCheck_;
        numericCheck_ = 0;
        unsigned const digits = label.data.GetCount() - numericStart_;
        if (check == 905) {
            if (digits != 13) {
                return false;
            }
            unsigned sum = 0;
            for (unsigned i = 0; i < 13; ++i) {
                unsigned const d = static_cast<unsigned>(label.data[numericStart_ + i] - '0');
                sum += i % 2 == 0 ? 3 * d : d;
            }
            return Push(label, static_cast<char>('0' + (10 - sum % 10) % 10));
        }
        if (check == 912) {
            if (digits != 6) {
                return false;
            }
            char d[6];
            for (unsigned i = 0; i < 6; ++i) {
                d[i] = label.data[numericStart_ + i];
            }
            label.data.SetCount(numericStart_);
            unsigned const a = 10u * static_cast<unsigned>(d[2] - '0') + static_cast<unsigned>(d[3] - '0');
            if (a >= 52 || a % 13 == 0) {
                return false;
            }
            unsigned const day = (10u * static_cast<unsigned>(d[4] - '0') + static_cast<unsigned>(d[5] - '0')) % 32;
            char const text[] = {'1', "7531"[a / 13], d[0], d[1], static_cast<char>('0' + a % 13 / 10),
                                 static_cast<char>('0' + a % 13 % 10), static_cast<char>('0' + day / 10),
                                 static_cast<char>('0' + day % 10), 0};
            return PushText(label, text);
        }
        return Push(label, kGS);  // 914 and 915 close their element
    }
    return true;
}

bool BitstreamConvert::IsModeEnd(unsigned short c) const
{
    return c == 900 || c == 901 || c == 902 || c == 924 || c == 928 || (macroPresent_ && (c == 922 || c == 923));
}

bool BitstreamConvert::ConvertByteMode901_2(DecodedLabel& label) { return ConvertByteMode(label, false); }

bool BitstreamConvert::ConvertByteMode924_2(DecodedLabel& label) { return ConvertByteMode(label, true); }

bool BitstreamConvert::Convert5CodeWordWithByteMode(unsigned short const* group, DecodedLabel& label)
{
    unsigned long long value = 0;
    for (unsigned i = 0; i < 5; ++i) {
        value = value * 900u + group[i];
    }
    // Five codewords hold more than six bytes can: not a byte group.
    if (value >> 48 != 0) {
        return false;
    }
    for (int shift = 40; shift >= 0; shift -= 8) {
        if (!Push(label, static_cast<char>((value >> shift) & 0xFFu))) {
            return false;
        }
    }
    return true;
}

bool BitstreamConvert::ConvertByteMode(DecodedLabel& label, bool multipleOfSix)
{
    // The run: data codewords up to the next mode codeword, ECIs stepped over.
    unsigned total = 0;
    unsigned end = pos_;
    unsigned eciAt[16];
    unsigned eciCount = 0;
    while (end < count_) {
        unsigned short const c = cw_[end];
        if (IsData(c)) {
            ++total;
            ++end;
            continue;
        }
        if (c == 925 || c == 926 || c == 927) {
            unsigned const parameters = c == 926 ? 2 : 1;
            for (unsigned i = 1; i <= parameters; ++i) {
                if (end + i >= count_ || !IsData(cw_[end + i])) {
                    return false;
                }
            }
            if (eciCount < 16) {
                eciAt[eciCount++] = total;
            }
            end += 1 + parameters;
            continue;
        }
        if (IsModeEnd(c)) {
            break;
        }
        return false;
    }
    if (multipleOfSix && total % 5 != 0) {
        return false;
    }
    unsigned const groups = multipleOfSix ? total / 5 : (total > 0 ? (total - 1) / 5 : 0);
    for (unsigned i = 0; i < eciCount; ++i) {
        if (eciAt[i] % 5 != 0 && eciAt[i] <= groups * 5) {
            return false;
        }
    }
    unsigned taken = 0;
    unsigned short group[5];
    unsigned inGroup = 0;
    for (; pos_ < end; ++pos_) {
        unsigned short const c = cw_[pos_];
        if (!IsData(c)) {
            pos_ += c == 926 ? 2 : 1;
            continue;
        }
        if (taken < groups * 5) {
            group[inGroup++] = c;
            ++taken;
            if (inGroup == 5) {
                if (!Convert5CodeWordWithByteMode(group, label)) {
                    return false;
                }
                inGroup = 0;
            }
            continue;
        }
        if (c > 255 || !Push(label, static_cast<char>(c))) {
            return false;
        }
        ++taken;
    }
    return true;
}

bool BitstreamConvert::ConvertByteMode913Shift2(DecodedLabel& label)
{
    if (pos_ >= count_ || cw_[pos_] > 255 || !Push(label, static_cast<char>(cw_[pos_]))) {
        return false;
    }
    ++pos_;
    currentMode_ = 900;
    previousMode_ = 913;
    return true;
}

bool BitstreamConvert::ConvertGLI925() { return ConvertGLI(1); }

bool BitstreamConvert::ConvertGLI926() { return ConvertGLI(2); }

bool BitstreamConvert::ConvertGLI927() { return ConvertGLI(1); }

bool BitstreamConvert::ConvertGLI(unsigned parameters)
{
    for (unsigned i = 0; i < parameters; ++i) {
        if (pos_ >= count_ || !IsData(cw_[pos_])) {
            return false;
        }
        ++pos_;
    }
    unsigned short const mode = currentMode_;
    currentMode_ = previousMode_;
    previousMode_ = mode;
    return true;
}

bool BitstreamConvert::ConvertMacroPDFStart928()
{
    unsigned data = 0;
    while (pos_ + data < count_ && IsData(cw_[pos_ + data])) {
        ++data;
    }
    if (data < 3) {
        return false;
    }
    macroPresent_ = true;
    segmentIndex_ = (static_cast<unsigned>(cw_[pos_]) * 900u + cw_[pos_ + 1]) % 100000u;
    fileId_ = static_cast<unsigned>(cw_[pos_ + 2]) * 65536u + (data > 3 ? cw_[pos_ + 3] : 0u);
    pos_ += data;
    return true;
}

bool BitstreamConvert::ConvertMacroPDFOptionField923()
{
    if (pos_ >= count_) {
        return false;
    }
    unsigned const designator = cw_[pos_++];
    unsigned length = 0;
    while (pos_ + length < count_ && cw_[pos_ + length] != 922 && cw_[pos_ + length] != 923) {
        ++length;
    }
    bool valid = false;
    switch (designator) {
    case 0: case 3: case 4: valid = CheckTextModeValue(length); break;
    case 1: case 6: valid = CheckNumericValue(length, 2); break;
    case 2: valid = CheckNumericValue(length, 4); break;
    case 5: valid = CheckNumericValue(length, 0); break;
    default: break;
    }
    if (!valid) {
        return false;
    }
    pos_ += length;
    return true;
}

bool BitstreamConvert::CheckTextModeValue(unsigned length) const
{
    if (length == 0) {
        return false;
    }
    for (unsigned i = 0; i < length; ++i) {
        unsigned short const c = cw_[pos_ + i];
        if (!IsData(c) && !(c == 900 || c == 901 || c == 902 || c == 913 || (c >= 924 && c <= 927))) {
            return false;
        }
    }
    return true;
}

bool BitstreamConvert::CheckNumericValue(unsigned length, unsigned count) const
{
    // Data codewords only: exactly `count` of them, or at least one when
    // `count` is 0.
    for (unsigned i = 0; i < length; ++i) {
        if (!IsData(cw_[pos_ + i])) {
            return false;
        }
    }
    return count == 0 ? length > 0 : length == count;
}

bool BitstreamConvert::ConvertMacroPDFTerminater922()
{
    // Only pad codewords may follow the terminator.
    for (unsigned i = pos_ + 1; i < count_; ++i) {
        if (cw_[i] != 900) {
            return false;
        }
    }
    lastSegment_ = true;
    pos_ = count_;
    return true;
}

bool BitstreamConvert::ExcuteOnlyMicroPDFCodeWord(unsigned short codeword, DecodedLabel& label,
                                                  MicroPDFIdentifier& identifier)
{
    auto clearBits = [&identifier](bool gs1) {
        identifier.SetModifierBit(0, false);
        identifier.SetModifierBit(1, false);
        if (gs1) {
            identifier.SetModifierBit(10, true);
        }
    };
    auto text = [this, codeword](unsigned submode) {
        currentMode_ = 900;
        previousMode_ = 903;
        submode_ = submode;
        alphaShift_ = false;
        punctuationShift_ = false;
        (void)codeword;
    };
    auto numeric = [this, codeword, &label](unsigned short check) {
        currentMode_ = 902;
        previousMode_ = codeword;
        numericCheck_ = check;
        numericStart_ = label.data.GetCount();
    };
    if (!startOfData_) {
        if (codeword > 905) {
            return false;
        }
        int const here = static_cast<int>(pos_) - 1;
        if (lastGroupSeparator_ != here - 1 && !Push(label, kGS)) {
            return false;
        }
        lastGroupSeparator_ = here;
        if (codeword == 905) {
            numeric(0);
        } else {
            text(codeword == 903 ? kAlpha : kMixed);
        }
        return true;
    }
    lastGroupSeparator_ = static_cast<int>(pos_) - 1;
    switch (codeword) {
    case 903: clearBits(false); text(kMixed); return Push(label, kGS);
    case 904: clearBits(false); numeric(0); return Push(label, kGS);
    case 905:
        clearBits(false);
        if (!PushText(label, "\x1d" "01")) {
            return false;
        }
        numeric(905);
        return true;
    case 906: clearBits(true); text(kAlpha); return Push(label, kGS);
    case 907: clearBits(true); numeric(0); return Push(label, kGS);
    case 908: case 910: clearBits(false); text(kAlpha); return true;
    case 909: case 911: clearBits(false); numeric(0); return true;
    case 912:
        clearBits(true);
        if (!Push(label, kGS)) {
            return false;
        }
        numeric(912);
        return true;
    case 914:
    case 915:
        clearBits(true);
        if (!PushText(label, codeword == 914 ? "\x1d" "10" : "\x1d" "21")) {
            return false;
        }
        numeric(codeword);
        return true;
    case 916:
        trailer_ = true;
        if (!PushText(label, "[)>\x1e" "05\x1d")) {
            return false;
        }
        numeric(0);
        return true;
    case 917:
        trailer_ = true;
        if (!PushText(label, "[)>\x1e" "06\x1d")) {
            return false;
        }
        text(kMixed);
        return true;
    default:
        return false;
    }
}

bool BitstreamConvert::convertValueToBitString(Wide value, unsigned width, char* bytes, unsigned capacity,
                                               unsigned& bits)
{
    if (value >> width != 0 || bits + width > capacity * 8) {
        return false;
    }
    for (unsigned b = width; b-- > 0;) {
        if (static_cast<unsigned>(value >> b) & 1u) {
            bytes[bits >> 3] = static_cast<char>(bytes[bits >> 3] | (0x80 >> (bits & 7)));
        }
        ++bits;
    }
    return true;
}

bool BitstreamConvert::convertCCA(Codewords codewords, DecodedLabel& label, MicroPDFIdentifier& identifier)
{
    initBitstreamConvert();
    identifier.SetModifierBit(9, true);
    label.data.Clear();
    unsigned short const* cw = codewords.GetBegin();
    unsigned const count = codewords.GetCount();
    unsigned const first = codewords.IsValid() ? static_cast<unsigned>(codewords.GetIndex()) : count;
    unsigned bits = 0;
    char bytes[26] = {};  // 208 bits
    for (unsigned i = first; i < count; i += 7) {
        unsigned const k = count - i < 7 ? count - i : 7;
        Wide value = 0;
        for (unsigned j = 0; j < k; ++j) {
            if (cw[i + j] > 927) {
                return false;
            }
            value = value * 928u + cw[i + j];
        }
        if (!convertValueToBitString(value, 10 * k - 1, bytes, sizeof(bytes), bits)) {
            return false;
        }
    }
    for (unsigned i = 0; i < (bits + 15) / 16 * 2 && i < sizeof(bytes); ++i) {
        label.data.Push(bytes[i]);
    }
    for (unsigned i = 0; i < sizeof(bytes); ++i) {
        buffer_[i] = bytes[i];
    }
    return CC_ABC_Decoder::DecodeCC_ABC(buffer_, bits, label.data);
}

}  // namespace DEC2DIvra
