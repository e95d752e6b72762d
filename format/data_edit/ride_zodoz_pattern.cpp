#include "format/data_edit/ride_zodoz_pattern.h"

#include "format/data_edit/program_text.h"
#include "format/data_edit/regex_backtracking_check.h"
#include "format/data_edit/regex_sentence.h"
#include "format/data_edit/regex_token.h"

#include <cstring>

using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kNoMatch;
using ride_zodoz_result::kOk;

namespace {

constexpr unsigned kTextCells = 1024;

struct Point {
    long long x, y;
};

Point Corner(const LabelRegion& r, unsigned i) { return {r.x[i], r.y[i]}; }
Point Add(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point Sub(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
long long Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }

enum class Order { NewFirst, Same, NewAfter };

// Where the new label (P) lies against the earlier one (p): first in reading
// order, the same label read again, or after it.
Order Compare(const LabelRegion& earlier, const LabelRegion& now)
{
    const Point p0 = Corner(earlier, 0), p1 = Corner(earlier, 1), p2 = Corner(earlier, 2), p3 = Corner(earlier, 3);
    const Point P0 = Corner(now, 0), P1 = Corner(now, 1), P2 = Corner(now, 2), P3 = Corner(now, 3);
    const long long q1 = Cross(Add(Sub(p1, p0), Sub(P2, P3)), Sub(Add(P2, P3), Add(p0, p1)));
    const long long q2 = Cross(Add(Sub(p2, p3), Sub(P1, P0)), Sub(Add(P0, P1), Add(p2, p3)));
    const long long q3 = Cross(Add(Sub(p0, p3), Sub(P1, P2)), Sub(Add(P1, P2), Add(p0, p3)));
    const long long q4 = Cross(Add(Sub(p1, p2), Sub(P0, P3)), Sub(Add(P0, P3), Add(p1, p2)));
    const int firstPair = (q1 < 0) + (q2 < 0);
    const int secondPair = (q3 < 0) + (q4 < 0);
    if (firstPair == 2 || (firstPair == 1 && secondPair == 2))
        return Order::NewFirst;
    if (firstPair == 1 && secondPair == 1)
        return Order::Same;
    return Order::NewAfter;
}

RegexLabel LabelOf(const CodeRegexData& record)
{
    RegexLabel label;
    label.symbology = record.symbology;
    std::memcpy(label.aim, record.aim, sizeof label.aim);
    label.region = record.region;
    label.inputStart = record.inputStart;
    label.inputEnd = record.inputEnd;
    return label;
}

} // namespace

template <class Cell, unsigned N>
int RideZodozPattern<Cell, N>::ConvertFromCString(const char* text)
{
    // Process-wide: programs are set one at a time.
    static DecodeDataByte cells[kTextCells];
    static RegexSentence sentence;
    static RegexStateTransitionTable compiled;
    if (!program_text::ToCells(text, cells, kTextCells))
        return kFull;
    RegexToken::ResetReader();
    sentence.Clear();
    for (const DecodeDataByte* s = cells;;) {
        RegexToken token;
        if (sentence.Full())
            return kFull;
        const int r = token.ConvertFromString(s, &s);
        if (r != kOk)
            return r;
        sentence.Append(token);
        if (token.kind == regex_token::tEnd)
            break;
    }
    compiled = RegexStateTransitionTable{};
    if (sentence.Count() > 1) { // else an empty text: no part, never matches
        const int r = sentence.Compile(compiled);
        if (r != kOk)
            return r;
        // A program whose matching could backtrack without end is refused
        // when it is set, so that it never takes the place of the working one.
        if (!RegexBacktrackingIsBounded(sentence.Tokens()))
            return kError;
    }
    table_ = compiled;
    compiled_ = true;
    return kOk;
}

template <class Cell, unsigned N>
int RideZodozPattern<Cell, N>::Matches(CodeRegexDataCollector& collector, const RegexLabel& label,
                                       RideZodozFunctionExecutor& functions, unsigned firstPart) const
{
    return MatchesFrom(collector, label, functions, firstPart, 0);
}

template <class Cell, unsigned N>
int RideZodozPattern<Cell, N>::MatchesFrom(CodeRegexDataCollector& collector, const RegexLabel& label,
                                           RideZodozFunctionExecutor& functions, unsigned firstPart,
                                           unsigned depth) const
{
    if (!compiled_ || table_.Empty() || depth > RegexStateTransitionTable::kParts)
        return kNoMatch;
    static CodeRegexData record;
    CodeRegexDataCollector::OutputBuffer& output = collector.Output();
    const unsigned writeBefore = output.WritePosition();
    unsigned part = firstPart;
    int result = kNoMatch;
    for (; part < table_.Parts(); ++part) {
        record = CodeRegexData{};
        record.symbology = label.symbology;
        std::memcpy(record.aim, label.aim, sizeof record.aim);
        record.region = label.region;
        functions.Initialize();
        result = table_.Matches(label, part, record, output, record.continuation, functions);
        if (result != kNoMatch)
            break;
    }
    if (result != kOk)
        return result;
    record.program = program_;
    record.part = part;
    record.inputStart = static_cast<std::uint16_t>(label.inputStart);
    record.inputEnd = static_cast<std::uint16_t>(label.inputEnd);
    collector.Push(record);
    if (!record.continuation)
        return kOk;

    const CodeRegexData* earlier = collector.Find(program_, part, 1);
    if (earlier == nullptr)
        return kOk;
    switch (Compare(earlier->region, label.region)) {
    case Order::NewFirst: {
        // The earlier label moves on to the next part.
        const RegexLabel moved = LabelOf(*earlier);
        if (!collector.Delete(program_, part, 1))
            return kError;
        return MatchesFrom(collector, moved, functions, part + 1, depth + 1) == kError ? kError : kOk;
    }
    case Order::Same:
        // A second read of the same label: the new record is withdrawn.
        collector.Delete(program_, part, 0);
        output.SetWritePosition(writeBefore);
        return kOk;
    case Order::NewAfter:
    default:
        collector.Delete(program_, part, 0);
        output.SetWritePosition(writeBefore);
        return MatchesFrom(collector, label, functions, part + 1, depth + 1);
    }
}

template class RideZodozPattern<DecodeDataByte, 512>;
