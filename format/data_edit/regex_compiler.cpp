// Pattern text to state table: a token reader with a quoted (output) mode and
// a class mode, then a recursive-descent pass that appends states.

#include <cstring>

#include "format/data_edit/ai_table.h"
#include "format/data_edit/program_text.h"
#include "format/data_edit/regex_backtracking_check.h"
#include "format/data_edit/regex_token.h"
#include "format/data_edit/regex_state_kind.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/data_edit/ride_zodoz_pattern.h"

using namespace regex_state;
using namespace regex_token;
using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
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

class Tokenizer {
public:
    explicit Tokenizer(const DecodeDataByte* s) : s_(s) {}

    // 0 with the tokens, 2 when there are too many, 3 on a syntax error.
    int Run(Token* tokens, unsigned& count)
    {
        count = 0;
        for (;;) {
            if (count >= kMaxTokens)
                return kFull;
            Token t;
            const int r = Next(t);
            if (r != kOk)
                return r;
            tokens[count++] = t;
            if (t.kind == tEnd)
                return kOk;
        }
    }

private:
    int Escape(Token& t, bool put)
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
                const std::uint32_t xy = V(s_ + 2);
                if (p < '0' || p > '4' || (xy != 'x' && xy != 'y'))
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

    int ReadAi(Token& t, TokenKind kind)
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

    int Next(Token& t)
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

    int Repeat(Token& t, std::uint32_t n, std::uint32_t m)
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

    int NextPut(Token& t, std::uint32_t c)
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
    bool putMode_ = false;
    bool classMode_ = false;
};

struct Fragment {
    std::uint16_t first;
    std::uint16_t last;
};

constexpr std::uint16_t kUnset = 0xFFFF;
constexpr unsigned kFixedRegisters = 4; // data format, point format, selected element, event matched

} // namespace

class RegexCompiler {
public:
    RegexCompiler(const Token* tokens, RegexStateTransitionTable& table) : t_(tokens), table_(table) {}

    int Compile()
    {
        table_.registers_ = kFixedRegisters;
        for (;;) {
            Fragment part{};
            if (!Alternation(part))
                return error_;
            std::uint16_t accept = 0;
            if (!Add(kAccept, accept))
                return error_;
            Link(part, accept);
            if (table_.parts_ >= RegexStateTransitionTable::kParts)
                return kFull;
            table_.partStart_[table_.parts_++] = part.first;
            if (t_[at_].kind == tSlash) {
                ++at_;
                continue;
            }
            if (t_[at_].kind != tEnd)
                return kError;
            return kOk;
        }
    }

private:
    bool Fail(int code)
    {
        error_ = code;
        return false;
    }

    bool Add(std::uint8_t kind, std::uint16_t& index, std::uint32_t a = 0, std::uint32_t b = 0)
    {
        if (table_.stateCount_ >= RegexStateTransitionTable::kStates)
            return Fail(kFull);
        index = static_cast<std::uint16_t>(table_.stateCount_++);
        RegexState& s = table_.states_[index];
        s = RegexState{};
        s.kind = kind;
        s.next = kUnset;
        s.alt = kUnset;
        s.a = a;
        s.b = b;
        return true;
    }

    bool Register(std::uint16_t& reg, unsigned n)
    {
        if (table_.registers_ + n > RegexStateTransitionTable::kRegisters)
            return Fail(kFull);
        reg = static_cast<std::uint16_t>(table_.registers_);
        table_.registers_ += n;
        return true;
    }

    bool Item(std::uint32_t a, std::uint32_t b)
    {
        if (table_.itemCount_ >= RegexStateTransitionTable::kItems)
            return Fail(kFull);
        table_.items_[table_.itemCount_][0] = a;
        table_.items_[table_.itemCount_][1] = b;
        ++table_.itemCount_;
        return true;
    }

    void Link(const Fragment& f, std::uint16_t next) { table_.states_[f.last].next = next; }

    bool Alternation(Fragment& out)
    {
        Fragment first{};
        if (!Sequence(first))
            return false;
        if (t_[at_].kind != tAlt) {
            out = first;
            return true;
        }
        std::uint16_t join = 0;
        if (!Add(kJump, join))
            return false;
        Link(first, join);
        Fragment chain = first;
        std::uint16_t head = kUnset;
        std::uint16_t previousSplit = kUnset;
        while (t_[at_].kind == tAlt) {
            ++at_;
            std::uint16_t split = 0;
            if (!Add(kSplit, split))
                return false;
            table_.states_[split].next = chain.first;
            if (previousSplit == kUnset)
                head = split;
            else
                table_.states_[previousSplit].alt = split;
            Fragment next{};
            if (!Sequence(next))
                return false;
            Link(next, join);
            table_.states_[split].alt = next.first;
            previousSplit = split;
            chain = next;
        }
        out = {head, join};
        return true;
    }

    bool Sequence(Fragment& out)
    {
        std::uint16_t start = 0;
        if (!Add(kJump, start))
            return false;
        out = {start, start};
        for (;;) {
            const TokenKind k = t_[at_].kind;
            if (k == tEnd || k == tAlt || k == tClose || k == tSlash || k == tFunctionEnd)
                return true;
            Fragment item{};
            if (!Atom(item))
                return false;
            while (t_[at_].kind == tRepeat) {
                if (!Repeat(item))
                    return false;
            }
            Link(out, item.first);
            out.last = item.last;
        }
    }

    bool Repeat(Fragment& body)
    {
        const Token& t = t_[at_++];
        std::uint16_t init = 0, loop = 0, reg = 0;
        if (!Register(reg, 3) || !Add(kLoopInit, init) || !Add(kLoop, loop, t.a, t.b))
            return false;
        table_.states_[init].reg = reg;
        table_.states_[init].next = loop;
        RegexState& l = table_.states_[loop];
        l.reg = reg;
        l.flag = t.flag;
        l.alt = body.first;
        Link(body, loop);
        body = {init, loop};
        return true;
    }

    bool Single(std::uint8_t kind, Fragment& out, std::uint32_t a = 0)
    {
        std::uint16_t s = 0;
        if (!Add(kind, s, a))
            return false;
        ++at_;
        out = {s, s};
        return true;
    }

    bool Atom(Fragment& out)
    {
        const Token& t = t_[at_];
        switch (t.kind) {
        case tLiteral: {
            std::uint16_t s = 0;
            if (!Add(kChar, s, t.a, t.a))
                return false;
            ++at_;
            out = {s, s};
            return true;
        }
        case tPut: return Single(kPut, out, t.a);
        case tFunctionStart: return Call(out);
        case tAny: return Single(kAny, out);
        case tStartAnchor: return Single(kStartAnchor, out);
        case tEndAnchor: return Single(kEndAnchor, out);
        case tSkipOn:
            skipOpen_ = 2;
            return Single(kSkipOn, out);
        case tSkipOff:
            if (skipOpen_ == 0)
                return Fail(kError);
            skipOpen_ = 1;
            return Single(kSkipOff, out);
        case tEvent: return Single(kEventTest, out);
        case tContinuation: return Single(kContinuation, out, t.a);
        case tElement: return Single(kElement, out, t.a);
        case tPutGroup: return Single(kPutGroup, out, t.a);
        case tPutSelect: return Single(kPutSelect, out, t.a);
        case tPutData: return Single(kPutData, out, t.a);
        case tPutDataFormat: return Single(kPutDataFormat, out, t.a);
        case tPutAi: return Single(kPutAi, out);
        case tPutPoint: return Single(kPutPoint, out, t.a);
        case tPutPointFormat: return Single(kPutPointFormat, out, t.a);
        case tPutAim: return Single(kPutAim, out);
        case tPutSymbology: return Single(kPutSymbology, out);
        case tSymbology:
        case tAim: {
            std::uint16_t s = 0;
            if (!Add(kIdentifierTest, s, table_.itemCount_, 0))
                return false;
            while (t_[at_].kind == tSymbology || t_[at_].kind == tAim) {
                if (!Item(t_[at_].kind == tAim ? 1 : 0, t_[at_].a))
                    return false;
                ++table_.states_[s].b;
                ++at_;
            }
            out = {s, s};
            return true;
        }
        case tClass: return Class(out);
        case tGroup: return Group(out);
        default:
            // A repetition with nothing before it, a stray ')' or class token.
            return Fail(kError);
        }
    }

    bool Class(Fragment& out)
    {
        std::uint16_t s = 0;
        if (!Add(kClass, s, table_.itemCount_, 0))
            return false;
        table_.states_[s].flag = t_[at_].flag;
        ++at_;
        while (t_[at_].kind != tClassEnd) {
            if (t_[at_].kind != tLiteral)
                return Fail(kError);
            std::uint32_t lower = t_[at_].a, upper = lower;
            ++at_;
            if (t_[at_].kind == tRange && t_[at_ + 1].kind == tLiteral) {
                upper = t_[at_ + 1].a;
                at_ += 2;
                if (upper < lower)
                    return Fail(kError);
            }
            if (!Item(lower, upper))
                return false;
            ++table_.states_[s].b;
        }
        ++at_;
        out = {s, s};
        return true;
    }

    // A call's argument is a bracket of its own: '|' inside it chooses
    // between argument texts, as in a template.
    bool Call(Fragment& out)
    {
        std::uint16_t start = 0, end = 0;
        if (!Add(kPut, start, t_[at_].a))
            return false;
        ++at_;
        Fragment inner{};
        if (!Alternation(inner))
            return false;
        if (t_[at_].kind != tFunctionEnd)
            return Fail(kError);
        if (!Add(kPut, end, t_[at_].a))
            return false;
        ++at_;
        table_.states_[start].next = inner.first;
        Link(inner, end);
        out = {start, end};
        return true;
    }

    bool Group(Fragment& out)
    {
        const std::uint8_t type = static_cast<std::uint8_t>(t_[at_].a);
        ++at_;
        std::uint16_t open = 0, close = 0, reg = 0;
        const std::uint32_t number = type == 1 ? 0 : ++groups_;
        if (!Register(reg, 1) || !Add(kGroupOpen, open, number) || !Add(kGroupClose, close, number))
            return false;
        table_.states_[open].flag = type;
        table_.states_[open].reg = reg;
        table_.states_[close].flag = type;
        table_.states_[close].reg = reg;
        Fragment inner{};
        if (!Alternation(inner))
            return false;
        if (t_[at_].kind != tClose)
            return Fail(kError);
        ++at_;
        table_.states_[open].next = inner.first;
        Link(inner, close);
        out = {open, close};
        return true;
    }

    const Token* t_;
    RegexStateTransitionTable& table_;
    unsigned at_ = 0;
    int error_ = kError;
    unsigned skipOpen_ = 0; // 0 never opened, 2 open, 1 closed
    std::uint32_t groups_ = 0;
};

int CompileRegexPattern(const DecodeDataByte* cells, RegexStateTransitionTable& table)
{
    static thread_local Token tokens[kMaxTokens];
    unsigned count = 0;
    Tokenizer reader(cells);
    const int r = reader.Run(tokens, count);
    if (r != kOk)
        return r;
    table = RegexStateTransitionTable{};
    if (count == 1)
        return kOk; // empty text: no part, never matches
    RegexCompiler compiler(tokens, table);
    int c = compiler.Compile();
    // A program whose matching could backtrack without end is refused when it
    // is set, so that it never takes the place of the working one.
    if (c == kOk && !RegexBacktrackingIsBounded(tokens))
        c = kError;
    if (c != kOk)
        table = RegexStateTransitionTable{};
    return c;
}
