// Pattern tokens to state table: a recursive descent over the sentence
// that appends states and links each fragment's last state to what follows.
// The nesting of groups, alternatives and calls is held by the descent
// itself, bounded by the 512 tokens of a sentence.

#include "format/data_edit/regex_sentence.h"

#include "format/data_edit/regex_state_kind.h"
#include "format/data_edit/regex_state_transition_table.h"
#include "format/data_edit/ride_zodoz_result.h"

using namespace regex_state;
using namespace regex_token;
using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kOk;

namespace {

struct Fragment {
    std::uint16_t first;
    std::uint16_t last;
};

constexpr std::uint16_t kUnset = 0xFFFF;
constexpr unsigned kFixedRegisters = 4; // data format, point format, selected element, event matched

} // namespace

class RegexSentence::Compilation {
public:
    Compilation(const RegexToken* tokens, RegexStateTransitionTable& table) : t_(tokens), table_(table) {}

    int Run()
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
        const RegexToken& t = t_[at_++];
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
        const RegexToken& t = t_[at_];
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

    const RegexToken* t_;
    RegexStateTransitionTable& table_;
    unsigned at_ = 0;
    int error_ = kError;
    unsigned skipOpen_ = 0; // 0 never opened, 2 open, 1 closed
    std::uint32_t groups_ = 0;
};

int RegexSentence::Compile(RegexStateTransitionTable& table) const
{
    if (count_ == 0 || tokens_[count_ - 1].kind != tEnd)
        return kError;
    Compilation compilation(tokens_, table);
    return compilation.Run();
}
