#include "decoder/matrix/dot_code/dot_code_data_stream_conversion.h"

#include "decoder/core/identifiers/matrix_identifiers.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaskWeights[4] = {0, 3, 7, 17};
constexpr unsigned long long kPowersOf103[6] = {1ull, 103ull, 10609ull, 1092727ull, 112550881ull, 11592740743ull};
constexpr unsigned long long kPowersOf259[5] = {1ull, 259ull, 67081ull, 17373979ull, 4499860561ull};

constexpr unsigned char kHT = 9;
constexpr unsigned char kLF = 10;
constexpr unsigned char kCR = 13;
constexpr unsigned char kFS = 28;
constexpr unsigned char kGS = 29;
constexpr unsigned char kRS = 30;
constexpr unsigned char kEOT = 4;

}  // namespace

bool DataStreamConversionForDotCode::RemoveMask(unsigned short* words, unsigned dataCount)
{
    if (words[0] > 3) {
        return false;
    }
    unsigned const weight = kMaskWeights[words[0]];
    for (unsigned i = 1, t = 0; i < dataCount; ++i, ++t) {
        unsigned const shift = (t * weight) % 113;
        words[i] = static_cast<unsigned short>((words[i] + 113 - shift) % 113);
    }
    return true;
}

bool DataStreamConversionForDotCode::Start(unsigned short const* words, unsigned dataCount, Options const& options,
                                           DecodedLabel& label)
{
    label_ = &label;
    options_ = options;
    words_ = words;
    count_ = dataCount;
    index_ = 1;
    set_ = kSetC;
    saved_ = kSetC;
    shift_ = 0;
    flags_ = 0;
    macro_ = 0;
    ai17_ = 0;
    accumulator_ = 0;
    digits_ = 0;
    eciBytes_ = 0;
    eciNumber_ = 0;
    escaped_ = false;
    fnc1First_ = false;
    gs1TestDone_ = false;
    ended_ = false;
    gs1TestFrom_ = 0;
    written_ = false;
    structuredAppend_ = false;
    label.data.Clear();
    label.structuredAppend = tagStructuredAppend{};

    // Structured append: FNC2 last, the symbol's position and the count just
    // before it as code set B characters. Encoders latch into set B for
    // them, or not when they take set B to be current already; read as
    // they stand, whatever set the data before them ended in.
    unsigned appendPosition = 0;
    unsigned appendCount = 0;
    if (count_ >= 4 && words_[count_ - 1] == 108 && words_[count_ - 3] < 96 && words_[count_ - 2] < 96) {
        appendPosition = AppendValue(static_cast<char>(words_[count_ - 3] + 32), '1');
        appendCount = AppendValue(static_cast<char>(words_[count_ - 2] + 32), '2');
        if (appendPosition != 0 && appendCount != 0) {
            count_ -= 3;
        }
    }
    if (index_ < count_ && words_[index_] == 109) {
        flags_ |= kFlagReaderInitialisation;
        ++index_;
    }
    if (index_ < count_ && words_[index_] == 107) {
        fnc1First_ = true;
        ++index_;
    }
    while (index_ < count_ && !ended_) {
        if (!Step(words_[index_++])) {
            return false;
        }
    }
    if (digits_ > 0 && !SumBase103ToBase259()) {
        return false;
    }
    if (eciBytes_ > 0) {
        return false;
    }
    if (appendPosition != 0 && appendCount != 0) {
        label.structuredAppend = tagStructuredAppend{1, 1, appendCount, appendPosition};
    } else if (structuredAppend_ && !CalcStructuredAppend()) {
        return false;
    }
    if (macro_ != 0) {
        if ((macro_ < 100 && !Put(kRS)) || !Put(kEOT)) {
            return false;
        }
    }
    if (!options_.length.Admits(label.data.GetCount())) {
        return false;
    }
    label.identifier.Copy(DotCodeIdentifier(flags_));
    return true;
}

bool DataStreamConversionForDotCode::Step(unsigned short value)
{
    switch (set_) {
    case kSetA: return ModeA(value);
    case kSetB: return ModeB(value);
    case kSetC: return ModeC(value);
    case kBinary: return Binary(value);
    case kUpperShiftA: return UpperShiftA(value);
    default: return UpperShiftB(value);
    }
}

bool DataStreamConversionForDotCode::ModeA(unsigned short value)
{
    if (shift_ > 0 && value >= 96) {
        return false;
    }
    if (value < 96) {
        if (!PutCharacter(static_cast<unsigned char>(value < 64 ? value + 32 : value - 64))) {
            return false;
        }
        EndOfCharacter();
        return true;
    }
    if (value <= 101) {
        Shift(kSetB, value - 95u);
        return true;
    }
    return SwitchFromText(value, kSetB);
}

bool DataStreamConversionForDotCode::SwitchFromText(unsigned short value, CodeSet other)
{
    // 102 latches the other text set, 103-105 shift to set C for 2-4, 106
    // latches set C, in sets A and B alike.
    if (value == 102) {
        Latch(other);
    } else if (value >= 103 && value <= 105) {
        Shift(kSetC, value - 101u);
    } else if (value == 106) {
        Latch(kSetC);
    } else {
        return Common(value);
    }
    return true;
}

bool DataStreamConversionForDotCode::ModeB(unsigned short value)
{
    if (shift_ > 0 && value >= 101) {
        return false;
    }
    if (value <= 100) {
        bool put = true;
        if (value < 96) {
            put = PutCharacter(static_cast<unsigned char>(value + 32));
        } else if (value == 96) {
            put = PutCharacter(kCR) && PutCharacter(kLF);
        } else if (IsFirstCharacter()) {
            static unsigned const kMacros[4] = {5, 6, 12, 100};
            put = InsertMacroHeader(kMacros[value - 97]);
        } else {
            static unsigned char const kControls[4] = {kHT, kFS, kGS, kRS};
            put = PutCharacter(kControls[value - 97]);
        }
        if (!put) {
            return false;
        }
        EndOfCharacter();
        return true;
    }
    if (value == 101) {
        Shift(kSetA, 1);
        return true;
    }
    return SwitchFromText(value, kSetA);
}

bool DataStreamConversionForDotCode::ModeC(unsigned short value)
{
    if ((shift_ > 0 && value >= 101) || (ai17_ > 0 && value >= 100)) {
        return false;
    }
    if (value < 100) {
        if (!PutCharacter(static_cast<unsigned char>('0' + value / 10)) ||
            !PutCharacter(static_cast<unsigned char>('0' + value % 10))) {
            return false;
        }
        if (ai17_ > 0 && --ai17_ == 0 && !PutText("10")) {
            return false;
        }
        EndOfCharacter();
        return true;
    }
    if (value == 100) {
        // AI 17 with its date, and AI 10 after it.
        if (fnc1First_) {
            return false;
        }
        flags_ |= kFlagGS1;
        if (!PutText("17")) {
            return false;
        }
        ai17_ = 3;
        EndOfCharacter();
        return true;
    }
    if (value == 101) {
        Latch(kSetA);
    } else if (value <= 105) {
        Shift(kSetB, value - 101u);
    } else if (value == 106) {
        Latch(kSetB);
    } else {
        return Common(value);
    }
    return true;
}

bool DataStreamConversionForDotCode::Common(unsigned short value)
{
    switch (value) {
    case 107: {
        unsigned const written = label_->data.GetCount();
        if (written == 0 && !written_) {
            fnc1First_ = true;
            return true;
        }
        if (written <= 2) {
            flags_ |= kFlagFNC1Second;
            return true;
        }
        return Put(kGS);
    }
    case 108: {
        if (index_ == count_) {
            structuredAppend_ = true;
            return true;
        }
        unsigned short first = 0;
        if (!Next(first)) {
            return false;
        }
        unsigned number = first;
        if (first >= 40) {
            unsigned short high = 0;
            unsigned short low = 0;
            if (!Next(high) || !Next(low)) {
                return false;
            }
            number = (first - 40u) * 12769u + high * 113u + low + 40u;
        }
        return SetECI(number);
    }
    case 109:
        ended_ = true;
        return true;
    case 110:
    case 111:
        saved_ = set_;
        set_ = value == 110 ? kUpperShiftA : kUpperShiftB;
        return true;
    case 112:
        Latch(kBinary);
        accumulator_ = 0;
        digits_ = 0;
        return true;
    default:
        return false;
    }
}

bool DataStreamConversionForDotCode::UpperShiftA(unsigned short value)
{
    if (value < 64 || value > 95) {
        return false;
    }
    set_ = saved_;
    return PutCharacter(static_cast<unsigned char>(value + 64));  // 128-159
}

bool DataStreamConversionForDotCode::UpperShiftB(unsigned short value)
{
    if (value > 95) {
        return false;
    }
    set_ = saved_;
    return PutCharacter(static_cast<unsigned char>(value + 160));  // 160-255
}

bool DataStreamConversionForDotCode::Binary(unsigned short value)
{
    if (value <= 102) {
        accumulator_ += value * kPowersOf103[5 - digits_];
        if (++digits_ == 6) {
            return SumBase103ToBase259();
        }
        return true;
    }
    if (value <= 108) {
        if (digits_ >= 2 && !SumBase103ToBase259()) {
            return false;
        }
        Shift(kSetC, value - 101u);
        return true;
    }
    if (!BinaryPart()) {
        return false;
    }
    if (value == 112) {
        ended_ = true;
    } else {
        Latch(value == 109 ? kSetA : (value == 110 ? kSetB : kSetC));
    }
    return true;
}

bool DataStreamConversionForDotCode::BinaryPart()
{
    return digits_ == 0 || SumBase103ToBase259();
}

bool DataStreamConversionForDotCode::SumBase103ToBase259()
{
    unsigned const q = digits_;
    unsigned long long v = accumulator_;
    accumulator_ = 0;
    digits_ = 0;
    for (unsigned i = q; i < 6; ++i) {
        v /= 103;
    }
    for (unsigned s = 1; s < q; ++s) {
        if (!BinaryValue(static_cast<unsigned>((v / kPowersOf259[q - 1 - s]) % 259))) {
            return false;
        }
    }
    return true;
}

bool DataStreamConversionForDotCode::BinaryValue(unsigned value)
{
    if (eciBytes_ > 0) {
        if (value >= 256) {
            return false;
        }
        eciNumber_ = eciNumber_ * 256 + value;
        return --eciBytes_ > 0 || SetECI(eciNumber_);
    }
    if (value >= 256) {
        eciBytes_ = value - 255;
        eciNumber_ = 0;
        return true;
    }
    // A literal backslash after an escape is doubled in binary data too, so
    // that it never reads as the start of an escape.
    return PutCharacter(static_cast<unsigned char>(value));
}

bool DataStreamConversionForDotCode::SetECI(unsigned number)
{
    flags_ |= kFlagECI;
    if (options_.suppressEscapes) {
        return true;
    }
    if (number > 999999) {
        return false;
    }
    if (!escaped_ && !DoubleASCII92()) {
        return false;
    }
    escaped_ = true;
    if (label_->data.GetCount() == 0 && !written_) {
        // The GS1 test then looks at the first two bytes after the escape.
        gs1TestFrom_ = 7;
    }
    char text[8] = {'\\', 0, 0, 0, 0, 0, 0, 0};
    for (int i = 6; i >= 1; --i) {
        text[i] = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    return PutText(text);
}

bool DataStreamConversionForDotCode::InsertMacroHeader(unsigned number)
{
    macro_ = number;
    if (!PutText("[)>") || !Put(kRS)) {
        return false;
    }
    if (number >= 100) {
        return true;
    }
    return Put(static_cast<unsigned char>('0' + number / 10)) && Put(static_cast<unsigned char>('0' + number % 10)) &&
           Put(kGS);
}

bool DataStreamConversionForDotCode::DoubleASCII92()
{
    StackInterface<char>& data = label_->data;
    unsigned const count = data.GetCount();
    unsigned backslashes = 0;
    for (unsigned i = 0; i < count; ++i) {
        backslashes += data[i] == '\\' ? 1u : 0u;
    }
    if (backslashes == 0) {
        return true;
    }
    if (count + backslashes > data.GetCapacity() || !data.SetCount(count + backslashes)) {
        return false;
    }
    unsigned to = count + backslashes;
    for (unsigned from = count; from-- > 0;) {
        data[--to] = data[from];
        if (data[from] == '\\') {
            data[--to] = '\\';
        }
    }
    return true;
}

unsigned DataStreamConversionForDotCode::AppendValue(char c, char lowest)
{
    if (c >= lowest && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned>(c - 'A' + 10) : 0u;
}

bool DataStreamConversionForDotCode::CalcStructuredAppend()
{
    StackInterface<char>& data = label_->data;
    unsigned const count = data.GetCount();
    if (count < 3) {
        return false;
    }
    unsigned const total = AppendValue(data[count - 1], '2');
    unsigned const position = AppendValue(data[count - 2], '1');
    if (total == 0 || position == 0) {
        return false;
    }
    data.SetCount(count - 2);
    label_->structuredAppend = tagStructuredAppend{1, 1, total, position};
    return true;
}

bool DataStreamConversionForDotCode::Put(unsigned char byte)
{
    return label_->data.Push(static_cast<char>(byte));
}

bool DataStreamConversionForDotCode::PutText(char const* text)
{
    for (; *text != 0; ++text) {
        if (!Put(static_cast<unsigned char>(*text))) {
            return false;
        }
    }
    TestGS1();
    return true;
}

bool DataStreamConversionForDotCode::PutCharacter(unsigned char byte)
{
    if (!Put(byte) || (byte == '\\' && escaped_ && !Put(byte))) {
        return false;
    }
    written_ = true;
    TestGS1();
    return true;
}

void DataStreamConversionForDotCode::Shift(CodeSet set, unsigned count)
{
    saved_ = set_;
    set_ = set;
    shift_ = count;
}

void DataStreamConversionForDotCode::Latch(CodeSet set)
{
    set_ = set;
    saved_ = set;
    shift_ = 0;
}

void DataStreamConversionForDotCode::EndOfCharacter()
{
    if (shift_ > 0 && --shift_ == 0) {
        set_ = saved_;
    }
}

void DataStreamConversionForDotCode::TestGS1()
{
    if (fnc1First_ || gs1TestDone_ || (flags_ & (kFlagGS1 | kFlagFNC1Second)) != 0) {
        return;
    }
    StackInterface<char> const& data = label_->data;
    if (data.GetCount() <= gs1TestFrom_ + 2) {
        return;
    }
    char const a = data[gs1TestFrom_];
    char const b = data[gs1TestFrom_ + 1];
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9') {
        flags_ |= kFlagGS1;
    }
    gs1TestDone_ = true;
}

bool DataStreamConversionForDotCode::IsFirstCharacter() const
{
    return label_->data.GetCount() == 0 && !written_ && macro_ == 0;
}

bool DataStreamConversionForDotCode::Next(unsigned short& value)
{
    if (index_ >= count_) {
        return false;
    }
    value = words_[index_++];
    return true;
}

}  // namespace DEC2DIvra
