#include "decoder/matrix/data_matrix/data_matrix_data_stream.h"

namespace DEC2DIvra {

namespace {

constexpr char kGroupSeparator = 0x1D;
constexpr char kRecordSeparator = 0x1E;
constexpr char kEndOfTransmission = 0x04;

enum class Mode { kAscii, kC40, kText, kX12, kEdifact, kBase256, kDone };

class Converter {
public:
    Converter(unsigned short const* codewords, unsigned count, bool suppressEci, DecodedLabel& label,
              DataMatrixDataStream::Result& result)
        : cw_(codewords), count_(count), suppressEci_(suppressEci), data_(label.data), result_(result)
    {
    }

    bool Run()
    {
        Mode mode = Mode::kAscii;
        while (mode != Mode::kDone) {
            switch (mode) {
            case Mode::kAscii:
                mode = Ascii();
                break;
            case Mode::kC40:
            case Mode::kText:
                mode = C40OrText(mode == Mode::kText);
                break;
            case Mode::kX12:
                mode = X12();
                break;
            case Mode::kEdifact:
                mode = Edifact();
                break;
            case Mode::kBase256:
                mode = Base256();
                break;
            case Mode::kDone:
                break;
            }
            if (failed_) {
                return false;
            }
        }
        if (macro_) {
            Put(kRecordSeparator);
            Put(kEndOfTransmission);
        }
        return !failed_;
    }

private:
    // The first codeword of the message proper: behind a structured-append
    // header, the fifth.
    bool IsFirst(unsigned index) const { return index == first_; }

    void Put(char c)
    {
        if (c == '\\' && escaped_) {
            Push(c);
        }
        Push(c);
    }

    void Push(char c)
    {
        if (!data_.Push(c)) {
            failed_ = true;
        }
    }

    void PutText(char const* text)
    {
        while (*text != '\0') {
            Put(*text++);
        }
    }

    void Fnc1(unsigned index)
    {
        if (IsFirst(index)) {
            result_.modifier |= DataMatrixDataStream::kFnc1First;
        } else if (index == first_ + 1 && data_.GetCount() >= 1 && data_.GetCount() <= 2 && aimCandidate_) {
            result_.modifier |= DataMatrixDataStream::kFnc1Second;
        } else {
            Push(kGroupSeparator);
        }
    }

    // From the first escape on, every backslash stands twice, those already
    // written included.
    void Escape(unsigned long eci)
    {
        if (suppressEci_) {
            return;
        }
        result_.modifier |= DataMatrixDataStream::kEci;
        if (!escaped_) {
            escaped_ = true;
            unsigned const count = data_.GetCount();
            unsigned doubled = count;
            for (unsigned i = 0; i < count; ++i) {
                doubled += data_.GetFirst()[i] == '\\' ? 1 : 0;
            }
            if (!data_.SetCount(doubled)) {
                failed_ = true;
                return;
            }
            char* text = data_.GetFirst();
            for (unsigned from = count, to = doubled; from > 0;) {
                char const c = text[--from];
                text[--to] = c;
                if (c == '\\') {
                    text[--to] = c;
                }
            }
        }
        char digits[7] = {};
        for (int i = 5; i >= 0; --i) {
            digits[i] = static_cast<char>('0' + eci % 10);
            eci /= 10;
        }
        Push('\\');
        for (int i = 0; i < 6; ++i) {
            Push(digits[i]);
        }
    }

    bool Eci()
    {
        if (index_ >= count_) {
            return false;
        }
        unsigned const c1 = cw_[index_++];
        unsigned long eci = 0;
        if (c1 >= 1 && c1 <= 127) {
            eci = c1 - 1;
        } else if (c1 >= 128 && c1 <= 191) {
            if (index_ >= count_ || cw_[index_] < 1 || cw_[index_] > 254) {
                return false;
            }
            eci = (c1 - 128) * 254ul + (cw_[index_++] - 1u) + 127;
        } else if (c1 >= 192 && c1 <= 253) {
            if (index_ + 1 >= count_ || cw_[index_] < 1 || cw_[index_] > 254 || cw_[index_ + 1] < 1 ||
                cw_[index_ + 1] > 254) {
                return false;
            }
            eci = (c1 - 192) * 64516ul + (cw_[index_] - 1u) * 254ul + (cw_[index_ + 1] - 1u) + 16383;
            index_ += 2;
        } else {
            return false;
        }
        if (eci > 999999) {
            return false;
        }
        Escape(eci);
        return true;
    }

    bool StructuredAppend()
    {
        if (index_ != 1 || index_ + 3 > count_) {
            return false;
        }
        unsigned const sequence = cw_[index_];
        unsigned const position = sequence >> 4;
        unsigned const total = 17 - (sequence & 15u);
        if (total < 2 || total > 16 || position >= total || cw_[index_ + 1] < 1 || cw_[index_ + 1] > 254 ||
            cw_[index_ + 2] < 1 || cw_[index_ + 2] > 254) {
            return false;
        }
        result_.append.mode = 1;
        result_.append.value1 = cw_[index_ + 1] * 256u + cw_[index_ + 2];
        result_.append.value2 = total;
        result_.append.value3 = position;
        index_ += 3;
        first_ = index_;
        return true;
    }

    Mode Ascii()
    {
        while (index_ < count_) {
            unsigned const at = index_;
            unsigned const c = cw_[index_++];
            bool const shifted = upperShift_;
            upperShift_ = false;
            if (shifted && (c == 0 || c > 128)) {
                failed_ = true;
                return Mode::kDone;
            }
            if (c >= 1 && c <= 128) {
                if (IsFirst(at)) {
                    aimCandidate_ = !shifted && ((c >= 66 && c <= 91) || (c >= 98 && c <= 123));
                }
                Put(static_cast<char>(c - 1 + (shifted ? 128 : 0)));
                continue;
            }
            if (c >= 130 && c <= 229) {
                if (IsFirst(at)) {
                    aimCandidate_ = true;
                }
                Put(static_cast<char>('0' + (c - 130) / 10));
                Put(static_cast<char>('0' + (c - 130) % 10));
                continue;
            }
            switch (c) {
            case 129:  // pad: the message ends
                return Mode::kDone;
            case 230:
                return Mode::kC40;
            case 231:
                return Mode::kBase256;
            case 232:
                Fnc1(at);
                break;
            case 233:
                if (!StructuredAppend()) {
                    failed_ = true;
                    return Mode::kDone;
                }
                break;
            case 234:
                if (!IsFirst(at)) {
                    failed_ = true;
                    return Mode::kDone;
                }
                result_.readerProgramming = true;
                break;
            case 235:
                upperShift_ = true;
                break;
            case 236:
            case 237:
                if (!IsFirst(at)) {
                    failed_ = true;
                    return Mode::kDone;
                }
                macro_ = true;
                PutText(c == 236 ? "[)>\x1E" "05\x1D" : "[)>\x1E" "06\x1D");
                break;
            case 238:
                return Mode::kX12;
            case 239:
                return Mode::kText;
            case 240:
                return Mode::kEdifact;
            case 241:
                if (!Eci()) {
                    failed_ = true;
                    return Mode::kDone;
                }
                break;
            default:  // 0 and 242 .. 255 are not codewords
                failed_ = true;
                return Mode::kDone;
            }
        }
        return Mode::kDone;
    }

    // One character of C40 or Text after its shifts.
    void PutShifted(char c)
    {
        Put(static_cast<char>(c + (upperShift_ ? 128 : 0)));
        upperShift_ = false;
    }

    bool C40Value(unsigned v, bool text, unsigned at)
    {
        switch (shift_) {
        case 0:
            if (v < 3) {
                shift_ = v + 1;
            } else if (v == 3) {
                PutShifted(' ');
            } else if (v < 14) {
                PutShifted(static_cast<char>('0' + v - 4));
            } else {
                PutShifted(static_cast<char>((text ? 'a' : 'A') + v - 14));
            }
            return true;
        case 1:
            shift_ = 0;
            PutShifted(static_cast<char>(v));
            return true;
        case 2:
            shift_ = 0;
            if (v <= 14) {
                PutShifted(static_cast<char>('!' + v));
            } else if (v <= 21) {
                PutShifted(static_cast<char>(':' + v - 15));
            } else if (v <= 26) {
                PutShifted(static_cast<char>('[' + v - 22));
            } else if (v == 27) {
                if (upperShift_) {
                    return false;
                }
                Fnc1(at);
            } else if (v == 30) {
                if (upperShift_) {
                    return false;
                }
                upperShift_ = true;
            } else {
                return false;
            }
            return true;
        default:
            shift_ = 0;
            if (v > 31) {
                return false;
            }
            if (!text) {
                PutShifted(static_cast<char>(96 + v));
            } else if (v == 0) {
                PutShifted('`');
            } else if (v <= 26) {
                PutShifted(static_cast<char>('A' + v - 1));
            } else {
                PutShifted(static_cast<char>('{' + v - 27));
            }
            return true;
        }
    }

    // Reads the three values of the next pair; false (nothing read) at an
    // unlatch or when less than a pair is left, which returns to ASCII.
    bool Triple(unsigned* values)
    {
        if (index_ >= count_ || cw_[index_] == 254) {
            index_ += index_ < count_ ? 1 : 0;
            return false;
        }
        if (index_ + 1 >= count_) {
            return false;
        }
        unsigned const v = cw_[index_] * 256u + cw_[index_ + 1] - 1;
        index_ += 2;
        if (v > 63999) {
            failed_ = true;
            return false;
        }
        values[0] = v / 1600;
        values[1] = v / 40 % 40;
        values[2] = v % 40;
        return true;
    }

    Mode C40OrText(bool text)
    {
        unsigned values[3];
        shift_ = 0;
        while (Triple(values)) {
            unsigned const at = index_ - 2;
            for (unsigned v : values) {
                if (!C40Value(v, text, at)) {
                    failed_ = true;
                    return Mode::kDone;
                }
            }
        }
        // Values come in threes: a segment of two values left over is
        // filled up with a Shift 1, which the segment's end leaves pending.
        // Shift 2 or 3 there has nothing behind it.
        if (shift_ > 1) {
            failed_ = true;
        }
        shift_ = 0;
        return Mode::kAscii;
    }

    Mode X12()
    {
        unsigned values[3];
        while (Triple(values)) {
            for (unsigned v : values) {
                if (v == 0) {
                    Put('\r');
                } else if (v == 1) {
                    Put('*');
                } else if (v == 2) {
                    Put('>');
                } else if (v == 3) {
                    Put(' ');
                } else if (v < 14) {
                    Put(static_cast<char>('0' + v - 4));
                } else {
                    Put(static_cast<char>('A' + v - 14));
                }
            }
        }
        return Mode::kAscii;
    }

    Mode Edifact()
    {
        // Fewer than three codewords left are ASCII.
        while (index_ + 3 <= count_) {
            unsigned const bits = (cw_[index_] << 16) | (cw_[index_ + 1] << 8) | cw_[index_ + 2];
            for (unsigned k = 0; k < 4; ++k) {
                unsigned const v = (bits >> (18 - 6 * k)) & 63u;
                if (v == 31) {
                    index_ += (6 * (k + 1) + 7) / 8;
                    return Mode::kAscii;
                }
                Put(static_cast<char>(v < 32 ? v | 64 : v));
            }
            index_ += 3;
        }
        return Mode::kAscii;
    }

    // The 255-state randomising of Base 256: positions count from 1.
    unsigned Unrandomise(unsigned index) const
    {
        unsigned const pseudo = (149 * (index + 1)) % 255 + 1;
        int const v = static_cast<int>(cw_[index]) - static_cast<int>(pseudo);
        return static_cast<unsigned>(v >= 0 ? v : v + 256);
    }

    Mode Base256()
    {
        if (index_ >= count_) {
            failed_ = true;
            return Mode::kDone;
        }
        unsigned length = Unrandomise(index_++);
        if (length == 0) {
            length = count_ - index_;
        } else if (length >= 250) {
            if (index_ >= count_) {
                failed_ = true;
                return Mode::kDone;
            }
            length = 250 * (length - 249) + Unrandomise(index_++);
        }
        if (length > count_ - index_) {
            failed_ = true;
            return Mode::kDone;
        }
        for (unsigned i = 0; i < length; ++i) {
            Put(static_cast<char>(Unrandomise(index_++)));
        }
        return Mode::kAscii;
    }

    unsigned short const* cw_;
    unsigned count_;
    bool suppressEci_;
    StackInterface<char>& data_;
    DataMatrixDataStream::Result& result_;
    unsigned index_ = 0;
    unsigned first_ = 0;
    unsigned shift_ = 0;
    bool upperShift_ = false;
    bool escaped_ = false;
    bool macro_ = false;
    bool aimCandidate_ = false;
    bool failed_ = false;
};

}  // namespace

bool DataMatrixDataStream::Start(unsigned short const* codewords, unsigned count, bool suppressEci,
                                 DecodedLabel& label, Result& result)
{
    label.data.Clear();
    result = Result{};
    Converter converter(codewords, count, suppressEci, label, result);
    return converter.Run();
}

}  // namespace DEC2DIvra
