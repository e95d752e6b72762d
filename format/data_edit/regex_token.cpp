// The pattern token reader: a quoted (output) mode and a class mode that
// last from one token to the next.

#include "format/data_edit/regex_token.h"

#include <cstring>

#include "format/data_edit/ai_table.h"
#include "format/data_edit/program_text.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/data_edit/ride_zodoz_result.h"

using namespace regex_token;
using ride_zodoz_result::kError;
using ride_zodoz_result::kOk;

namespace {

std::uint32_t V(const DecodeDataByte* s) { return s->GetValue(); }

std::uint32_t KeyOf(const ApplicationIdentifier& ai)
{
    std::uint32_t v = 0;
    std::memcpy(&v, ai.key, 4);
    return v;
}

bool Hex2(const DecodeDataByte* s, unsigned& value) { return program_text::HexByte(s, value); }

// Reads a decimal number; false when there is no digit or it exceeds 65535.
bool Decimal(const DecodeDataByte*& s, std::uint32_t& value)
{
    value = 0;
    const DecodeDataByte* start = s;
    while (V(s) >= '0' && V(s) <= '9') {
        value = value * 10 + (V(s) - '0');
        if (value > kUnbounded)
            return false;
        ++s;
    }
    return s != start;
}


} // namespace

class RegexToken::Reader {
public:
    explicit Reader(const DecodeDataByte* s) : s_(s) {}
    const DecodeDataByte* Position() const { return s_; }

    int Escape(RegexToken& t, bool put)
    {
        const std::uint32_t c = V(s_);
        if (c == 0)
            return kError;
        unsigned hh = 0;
        auto hexCell = [&](DecodeDataByte::KindOfCharacter kind) {
            if (!Hex2(s_ + 1, hh))
                return false;
            t.a = DecodeDataByte::NewCharacter(kind, static_cast<unsigned char>(hh)).GetValue();
            s_ += 3;
            return true;
        };
        t.kind = put ? tPut : tLiteral;
        switch (c) {
        case 'd': return hexCell(DecodeDataByte::KindOfCharacter::Delay) ? kOk : kError;
        case 'q': return hexCell(DecodeDataByte::KindOfCharacter::SpecialQ) ? kOk : kError;
        case 's': return hexCell(DecodeDataByte::KindOfCharacter::Special) ? kOk : kError;
        case 'k':
            if (!hexCell(DecodeDataByte::KindOfCharacter::Key))
                return kError;
            // On the output side a key is a direct key code point.
            if (put)
                t.a = 0xE003E000u | hh;
            return kOk;
        case 'x':
            if (!Hex2(s_ + 1, hh) || hh == 0)
                return kError;
            t.a = hh;
            s_ += 3;
            return kOk;
        default: break;
        }
        if (!put && !classMode_) {
            if (c == 'S') {
                if (V(s_ + 1) == 0)
                    return kError;
                t.kind = tSymbology;
                t.a = V(s_ + 1);
                s_ += 2;
                return kOk;
            }
            if (c == 'E') {
                const std::uint32_t e = V(s_ + 1);
                if (e == 'v')
                    t.kind = tEvent;
                else if (e == '0' || e == '1')
                    t.kind = tContinuation, t.a = e - '0';
                else
                    return kError;
                s_ += 2;
                return kOk;
            }
            if (c == 'A')
                return ReadAi(t, tElement);
        }
        if (put) {
            switch (c) {
            case 'A': return ReadAi(t, tPutSelect);
            case 'D': {
                const std::uint32_t f = V(s_ + 1);
                if (f == 'f') {
                    if (!Hex2(s_ + 2, hh))
                        return kError;
                    t.kind = tPutDataFormat;
                    t.a = hh;
                    s_ += 4;
                    return kOk;
                }
                if (f == 'x' || (f >= '1' && f <= '4')) {
                    t.kind = tPutData;
                    t.a = f == 'x' ? 0 : f - '0';
                    s_ += 2;
                    return kOk;
                }
                return kError;
            }
            case 'I':
                t.kind = tPutAi;
                ++s_;
                return kOk;
            case 'P': {
                const std::uint32_t p = V(s_ + 1);
                if (p == 'a') {
                    t.kind = tPutPoint, t.a = 10, s_ += 2;
                    return kOk;
                }
                if (p == 'f') {
                    if (!Hex2(s_ + 2, hh))
                        return kError;
                    t.kind = tPutPointFormat, t.a = hh, s_ += 4;
                    return kOk;
                }
                // The axis cell is read only after a point digit: a text may end at `p`.
                if (p < '0' || p > '4')
                    return kError;
                const std::uint32_t xy = V(s_ + 2);
                if (xy != 'x' && xy != 'y')
                    return kError;
                t.kind = tPutPoint, t.a = (p - '0') * 2 + (xy == 'y' ? 1 : 0), s_ += 3;
                return kOk;
            }
            case 'S': {
                const std::uint32_t w = V(s_ + 1);
                if (w != 'a' && w != 'o')
                    return kError;
                t.kind = w == 'a' ? tPutAim : tPutSymbology;
                s_ += 2;
                return kOk;
            }
            default: break;
            }
        }
        t.a = c;
        ++s_;
        return kOk;
    }

    int ReadAi(RegexToken& t, TokenKind kind)
    {
        t.kind = kind;
        if (V(s_ + 1) == 'x') {
            t.a = 0;
            s_ += 2;
            return kOk;
        }
        ApplicationIdentifier ai;
        const DecodeDataByte* next = nullptr;
        if (!ai.Read(s_ + 1, &next))
            return kError;
        t.a = KeyOf(ai);
        s_ = next;
        return kOk;
    }

    int Next(RegexToken& t)
    {
        const std::uint32_t c = V(s_);
        if (c == 0) {
            t.kind = tEnd;
            return classMode_ ? kError : kOk;
        }
        if (classMode_) {
            ++s_;
            if (c == ']') {
                classMode_ = false;
                t.kind = tClassEnd;
            } else if (c == '-') {
                t.kind = tRange;
            } else if (c == '\\') {
                return Escape(t, false);
            } else {
                t.kind = tLiteral, t.a = c;
            }
            return kOk;
        }
        if (putMode_)
            return NextPut(t, c);
        ++s_;
        switch (c) {
        case '"': putMode_ = true; return Next(t);
        case '^': t.kind = tStartAnchor; return kOk;
        case '$': t.kind = tEndAnchor; return kOk;
        case '(':
            t.kind = tGroup;
            if (V(s_) == '?' || V(s_) == '!') {
                if (V(s_ + 1) != ':')
                    return kError;
                t.a = V(s_) == '?' ? 1 : 2;
                s_ += 2;
            }
            return kOk;
        case ')': t.kind = tClose; return kOk;
        case '*': return Repeat(t, 0, kUnbounded);
        case '+': return Repeat(t, 1, kUnbounded);
        case '?': return Repeat(t, 0, 1);
        case '{': {
            std::uint32_t n = 0, m = 0;
            if (!Decimal(s_, n))
                return kError;
            m = n;
            if (V(s_) == ',') {
                ++s_;
                m = kUnbounded;
                if (V(s_) != '}' && !Decimal(s_, m))
                    return kError;
            }
            if (V(s_) != '}' || m < n)
                return kError;
            ++s_;
            return Repeat(t, n, m);
        }
        case '}': return kError;
        case '.': t.kind = tAny; return kOk;
        case '/': t.kind = tSlash; return kOk;
        case '<': t.kind = tSkipOn; return kOk;
        case '>': t.kind = tSkipOff; return kOk;
        case '[':
            t.kind = tClass;
            classMode_ = true;
            if (V(s_) == '^') {
                t.flag = 1;
                ++s_;
            }
            return kOk;
        case ']':
            if (V(s_) == 0 || V(s_ + 1) == 0)
                return kError;
            t.kind = tAim;
            t.a = (V(s_) & 0xFF) << 8 | (V(s_ + 1) & 0xFF);
            s_ += 2;
            return kOk;
        case '|': t.kind = tAlt; return kOk;
        case '\\': return Escape(t, false);
        default: t.kind = tLiteral, t.a = c; return kOk;
        }
    }

    int Repeat(RegexToken& t, std::uint32_t n, std::uint32_t m)
    {
        t.kind = tRepeat;
        t.a = n;
        t.b = m;
        if (V(s_) == '?') {
            t.flag = 1;
            ++s_;
        }
        return kOk;
    }

    int NextPut(RegexToken& t, std::uint32_t c)
    {
        ++s_;
        switch (c) {
        case '"': putMode_ = false; return Next(t);
        case '$': {
            DecodeDataByte start;
            if (!program_text::FunctionCall(s_, start))
                return kError;
            t.kind = tFunctionStart;
            t.a = start.GetValue();
            return kOk;
        }
        case '}':
            t.kind = tFunctionEnd;
            t.a = RideZodozFunction::EndCell().GetValue();
            return kOk;
        case '(': t.kind = tGroup, t.a = 1; return kOk;
        case ')': t.kind = tClose; return kOk;
        case '|': t.kind = tAlt; return kOk;
        case '[': {
            std::uint32_t n = 0;
            if (!Decimal(s_, n) || V(s_) != ']')
                return kError;
            ++s_;
            t.kind = tPutGroup;
            t.a = n;
            return kOk;
        }
        case '\\': return Escape(t, true);
        default: t.kind = tPut, t.a = c; return kOk;
        }
    }

    const DecodeDataByte* s_;
    // Between calls: inside a quoted section, inside a class.
    static bool putMode_;
    static bool classMode_;
};

// The pattern compiler runs on one thread at a time (the engine serialises
// SetConfig), so the reader's modes are kept once for the process.
bool RegexToken::Reader::putMode_ = false;
bool RegexToken::Reader::classMode_ = false;

void RegexToken::ResetReader()
{
    Reader::putMode_ = false;
    Reader::classMode_ = false;
}

int RegexToken::ConvertFromString(const DecodeDataByte* s, const DecodeDataByte** next)
{
    *this = RegexToken{};
    Reader reader(s);
    const int r = reader.Next(*this);
    if (next != nullptr)
        *next = reader.Position();
    return r;
}
