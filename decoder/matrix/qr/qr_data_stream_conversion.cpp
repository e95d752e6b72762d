#include "decoder/matrix/qr/qr_data_stream_conversion.h"

#include "decoder/core/property/dec2d_property.h"

namespace DEC2DIvra {

namespace {

constexpr char kAlphaNumeric[46] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
constexpr unsigned kFlagECI = 1u << 0;
constexpr unsigned kFlagFirstFNC1 = 1u << 1;
constexpr unsigned kFlagSecondFNC1 = 1u << 2;
constexpr unsigned kFlagModel1 = 1u << 4;
constexpr char kGS = 0x1D;

enum Mode : unsigned { kNumeric = 0, kAlpha = 1, kByte = 2, kKanji = 3 };

bool Push(char c, StackInterface<char>& out) { return out.Push(c); }

}  // namespace

DataStreamConversionForQRCode::DataStreamConversionForQRCode(Common2DProperty const& common, QrCodeProperty const& qr)
    : common_(&common), qr_(&qr)
{
}

unsigned DataStreamConversionForQRCode::CountWidth(QRModel model, unsigned version, unsigned mode)
{
    if (model == QRModel::kMicro) {
        static constexpr unsigned char kMicro[4][4] = {{3, 4, 5, 6}, {0, 3, 4, 5}, {0, 0, 4, 5}, {0, 0, 3, 4}};
        return version >= 1 && version <= 4 ? kMicro[mode][version - 1] : 0;
    }
    static constexpr unsigned char kWidths[4][3] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};
    unsigned const range = version <= 9 ? 0 : (version <= 26 ? 1 : 2);
    return kWidths[mode][range];
}

bool DataStreamConversionForQRCode::SetDoubleCharacter(char c, StackInterface<char>& out)
{
    unsigned extra = 0;
    unsigned const count = out.GetCount();
    char* const first = out.GetFirst();
    for (unsigned i = 0; i < count; ++i) {
        extra += first[i] == c ? 1u : 0u;
    }
    if (extra == 0) {
        return true;
    }
    if (count + extra > out.GetCapacity()) {
        return false;
    }
    // From the back, so that every byte moves once.
    unsigned write = count + extra;
    for (unsigned i = count; i-- > 0;) {
        first[--write] = first[i];
        if (first[i] == c) {
            first[--write] = c;
        }
    }
    return out.SetCount(count + extra);
}

bool DataStreamConversionForQRCode::PushData(char c, unsigned flags, StackInterface<char>& out)
{
    if (c == '\\' && (flags & kFlagECI) != 0 && !Push(c, out)) {
        return false;
    }
    return Push(c, out);
}

bool DataStreamConversionForQRCode::PushForAlphaNumeric(char c, unsigned flags, StackInterface<char>& out)
{
    if (c == '%' && (flags & (kFlagFirstFNC1 | kFlagSecondFNC1)) == kFlagFirstFNC1) {
        if (!out.IsEmpty() && out.GetFirst()[out.GetCount() - 1] == kGS) {
            out.GetFirst()[out.GetCount() - 1] = '%';
            return true;
        }
        return Push(kGS, out);
    }
    return Push(c, out);
}

bool DataStreamConversionForQRCode::Numeric(QRModel model, unsigned version, State& s, StackInterface<char>& out) const
{
    unsigned count = 0;
    if (!s.bits.Read(CountWidth(model, version, kNumeric), count)) {
        if (model == QRModel::kMicro) {
            s.end = true;
            return true;
        }
        return false;
    }
    if (count == 0) {
        s.end = true;
        return true;
    }
    for (; count > 0;) {
        unsigned const digits = count >= 3 ? 3 : count;
        unsigned const width = digits == 3 ? 10 : (digits == 2 ? 7 : 4);
        unsigned const limit = digits == 3 ? 1000 : (digits == 2 ? 100 : 10);
        unsigned v = 0;
        if (!s.bits.Read(width, v) || v >= limit) {
            return false;
        }
        char text[3] = {static_cast<char>('0' + v / 100), static_cast<char>('0' + v / 10 % 10),
                        static_cast<char>('0' + v % 10)};
        for (unsigned k = 3 - digits; k < 3; ++k) {
            if (!Push(text[k], out)) {
                return false;
            }
        }
        count -= digits;
    }
    return true;
}

bool DataStreamConversionForQRCode::AlphaNumeric(QRModel model, unsigned version, State& s,
                                                 StackInterface<char>& out) const
{
    unsigned const width = CountWidth(model, version, kAlpha);
    unsigned count = 0;
    if (width == 0 || !s.bits.Read(width, count)) {
        return false;
    }
    for (; count >= 2; count -= 2) {
        unsigned v = 0;
        if (!s.bits.Read(11, v) || v >= 45 * 45 || !PushForAlphaNumeric(kAlphaNumeric[v / 45], s.flags, out) ||
            !PushForAlphaNumeric(kAlphaNumeric[v % 45], s.flags, out)) {
            return false;
        }
    }
    if (count == 1) {
        unsigned v = 0;
        if (!s.bits.Read(6, v) || v >= 45 || !PushForAlphaNumeric(kAlphaNumeric[v], s.flags, out)) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForQRCode::Binary(QRModel model, unsigned version, State& s, StackInterface<char>& out) const
{
    unsigned const width = CountWidth(model, version, kByte);
    unsigned count = 0;
    if (width == 0 || !s.bits.Read(width, count)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        unsigned v = 0;
        if (!s.bits.Read(8, v) || !PushData(static_cast<char>(v), s.flags, out)) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForQRCode::Kanji(QRModel model, unsigned version, State& s, StackInterface<char>& out) const
{
    unsigned const width = CountWidth(model, version, kKanji);
    unsigned count = 0;
    if (width == 0 || !s.bits.Read(width, count)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        unsigned v = 0;
        if (!s.bits.Read(13, v)) {
            return false;
        }
        unsigned w = ((v / 192) << 8) | (v % 192);
        w += w < 0x1F00 ? 0x8140 : 0xC140;
        if (!PushData(static_cast<char>(w >> 8), s.flags, out) ||
            !PushData(static_cast<char>(w & 0xFF), s.flags, out)) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForQRCode::ECI(State& s, StackInterface<char>& out) const
{
    bool const suppress = common_->suppress_eci_escape.Get();
    unsigned b = 0;
    if (!s.bits.Read(8, b)) {
        return false;
    }
    unsigned value = b;
    if ((b & 0x80) != 0) {
        unsigned more = 0;
        if ((b & 0xC0) == 0x80) {
            if (!s.bits.Read(8, more)) {
                return false;
            }
            value = ((b & 0x3F) << 8) | more;
        } else {
            if (!s.bits.Read(16, more)) {
                return false;
            }
            value = ((b & 0x1F) << 16) | more;
        }
    }
    if (value > 999999) {
        return false;
    }
    if (suppress) {
        return true;
    }
    if ((s.flags & kFlagECI) == 0) {
        if (!SetDoubleCharacter('\\', out)) {
            return false;
        }
        s.flags |= kFlagECI;
    }
    if (!Push('\\', out)) {
        return false;
    }
    for (unsigned divisor = 100000; divisor > 0; divisor /= 10) {
        if (!Push(static_cast<char>('0' + value / divisor % 10), out)) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForQRCode::FirstFNC1(State& s, StackInterface<char>& out)
{
    s.flags = (s.flags | kFlagFirstFNC1) & ~kFlagSecondFNC1;
    return SetDoubleCharacter('%', out);
}

bool DataStreamConversionForQRCode::SecondFNC1(State& s, StackInterface<char>& out)
{
    s.flags = (s.flags | kFlagSecondFNC1) & ~kFlagFirstFNC1;
    unsigned a = 0;
    if (!s.bits.Read(8, a)) {
        return false;
    }
    if (a <= 99) {
        return Push(static_cast<char>('0' + a / 10), out) && Push(static_cast<char>('0' + a % 10), out);
    }
    return Push(static_cast<char>(a - 100), out);
}

bool DataStreamConversionForQRCode::StructuredAppend(State& s, DecodedLabel& label)
{
    unsigned position = 0;
    unsigned total = 0;
    unsigned parity = 0;
    if (!s.bits.Read(4, position) || !s.bits.Read(4, total) || !s.bits.Read(8, parity)) {
        return false;
    }
    label.structuredAppend.mode = 1;
    label.structuredAppend.value1 = parity;
    label.structuredAppend.value2 = total + 1;
    label.structuredAppend.value3 = position;
    return true;
}

bool DataStreamConversionForQRCode::ModelSegments(QRModel model, unsigned version, State& s, DecodedLabel& label) const
{
    StackInterface<char>& out = label.data;
    while (!s.end) {
        unsigned mode = 0;
        if (!s.bits.Read(4, mode)) {
            return true;
        }
        bool ok = true;
        switch (mode) {
        case 0: return true;
        case 1: ok = Numeric(model, version, s, out); break;
        case 2: ok = AlphaNumeric(model, version, s, out); break;
        case 3: ok = StructuredAppend(s, label); break;
        case 4: ok = Binary(model, version, s, out); break;
        case 5: ok = FirstFNC1(s, out); break;
        case 7: ok = ECI(s, out); break;
        case 8: ok = Kanji(model, version, s, out); break;
        case 9: ok = SecondFNC1(s, out); break;
        default: break;  // no mode: the next four bits are read as one
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForQRCode::MicroSegments(unsigned version, State& s, DecodedLabel& label) const
{
    StackInterface<char>& out = label.data;
    while (!s.end) {
        unsigned mode = 0;
        if (version > 1 && !s.bits.Read(version - 1, mode)) {
            return true;
        }
        if (version == 1 && s.bits.IsEnd()) {
            return true;
        }
        bool ok = false;
        switch (mode) {
        case kNumeric: ok = Numeric(QRModel::kMicro, version, s, out); break;
        case kAlpha: ok = AlphaNumeric(QRModel::kMicro, version, s, out); break;
        case kByte: ok = Binary(QRModel::kMicro, version, s, out); break;
        case kKanji: ok = Kanji(QRModel::kMicro, version, s, out); break;
        default: return false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

int DataStreamConversionForQRCode::Start(QRModel model, unsigned version,
                                         VirtualArray<unsigned short const> const& codewords, DecodedLabel& label) const
{
    label.Clear();
    if (codewords.IsEmpty() || (model == QRModel::kMicro && (version < 1 || version > 4))) {
        return 0;
    }
    State s;
    s.bits = Bits(codewords.GetData(), codewords.GetCount());
    if (model == QRModel::kModel1) {
        s.flags |= kFlagModel1;
        unsigned skipped = 0;
        if (!s.bits.Read(4, skipped)) {
            return 0;
        }
    }
    bool const ok =
        model == QRModel::kMicro ? MicroSegments(version, s, label) : ModelSegments(model, version, s, label);
    // No data at all is what all-zero codewords give (a valid Reed-Solomon
    // word): a blank patch sampled as a symbol, never a label.
    if (!ok || label.data.IsEmpty() || !qr_->fixed_length.Get().Admits(label.data.GetCount() & 0xFFFFu)) {
        label.Clear();
        return 0;
    }
    if (model == QRModel::kMicro) {
        label.identifier = CommonSymbologyIdentifier(MicroQRIdentifier());
    } else {
        label.identifier = CommonSymbologyIdentifier(QRIdentifier(s.flags));
    }
    return 1;
}

}  // namespace DEC2DIvra
