#include "format/data_edit/ride_zodoz_format.h"

#include <cstring>

#include "format/data_edit/program_text.h"
#include "format/data_edit/regex_groups.h"
#include "format/data_edit/ride_zodoz_function.h"

using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kOk;

namespace {

constexpr unsigned kTextCells = 1024;
constexpr unsigned kOutputScratch = 8000;

} // namespace

using namespace format_token;

template <class Cell, unsigned N>
struct RideZodozFormat<Cell, N>::Run {
    BufferWriter& out;
    const CodeRegexDataCollector& collector;
    RideZodozFunctionExecutor* functions; // null: a dry run that checks references only
    const ApplicationIdentifierData* selected = nullptr;
    unsigned char dataFormat = 255;
    unsigned char pointFormat = 255;
};

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::ConvertFromCString(const char* text)
{
    // Process-wide: programs are set one at a time.
    static DecodeDataByte cells[kTextCells];
    static FormatSentence<Cell, N> compiled;
    if (!program_text::ToCells(text, cells, kTextCells))
        return kFull;
    compiled.Clear();
    for (const DecodeDataByte* s = cells;;) {
        FormatToken token;
        const bool more = s->GetValue() != 0;
        const int r = more && compiled.Full() ? kFull : token.ConvertFromString(s, &s);
        if (r == kFull) // a nesting fault before the point of overflow counts first
            return compiled.Compile(false) != kOk ? kError : kFull;
        if (r != kOk)
            return r;
        if (token.kind == fEnd)
            break;
        compiled.Append(token);
    }
    const int r = compiled.Compile();
    if (r != kOk)
        return r;
    sentence_ = compiled;
    return kOk;
}

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::Bracket(Run& run, unsigned from, unsigned to) const
{
    const unsigned start = run.out.position;
    unsigned i = from;
    for (;;) {
        // This alternative's end: the next '|' of this level.
        unsigned end = i;
        while (end < to && sentence_[end].kind != fAlt) {
            const std::uint8_t k = sentence_[end].kind;
            end = (k == fOpen || k == fCallStart) ? sentence_[end].match + 1u : end + 1;
        }
        int r = Sequence(run, i, end);
        if (r == kOk && end < to && run.functions != nullptr) {
            // A later alternative remains: a failing call here falls through to it.
            unsigned newLength = 0;
            if (!run.functions->Start(run.out.begin + start, run.out.end - start, run.out.position - start, newLength))
                r = kError;
            else
                run.out.position = start + newLength;
        }
        if (r == kOk)
            return kOk;
        if (r == kFull)
            return kFull;
        run.out.position = start;
        if (end >= to)
            return kError;
        i = end + 1;
    }
}

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::Sequence(Run& run, unsigned from, unsigned to) const
{
    const DecodeDataByte* cells = run.collector.Cells();
    for (unsigned i = from; i < to; ++i) {
        const FormatToken& t = sentence_[i];
        switch (t.kind) {
        case fLiteral:
            if (!run.out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(t.value))))
                return kFull;
            break;
        case fOpen: {
            const int r = Bracket(run, i + 1, t.match);
            if (r != kOk)
                return r;
            i = t.match;
            break;
        }
        case fCallStart: {
            if (!run.out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(t.value))))
                return kFull;
            const int r = Bracket(run, i + 1, t.match);
            if (r != kOk)
                return r;
            if (!run.out.Put(RideZodozFunction::EndCell()))
                return kFull;
            i = t.match;
            break;
        }
        case fGroup: {
            const RegexGroup* g = run.collector.Group(program_, t.label, t.value, t.occurrence);
            if (g == nullptr)
                return kError;
            for (unsigned k = g->start; k < g->end; ++k)
                if (!run.out.Put(cells[k]))
                    return kFull;
            break;
        }
        case fSelect: {
            ApplicationIdentifier ai;
            std::memcpy(ai.key, &t.value, 4);
            run.selected = run.collector.GetApplicationIdentifierData(program_, t.label, ai, t.occurrence);
            if (run.selected == nullptr)
                return kError;
            break;
        }
        case fAi:
            if (run.selected != nullptr)
                for (unsigned k = run.selected->aiStart; k < run.selected->aiEnd; ++k)
                    if (!run.out.Put(cells[k]))
                        return kFull;
            break;
        case fData: {
            if (run.selected == nullptr || !run.selected->Exist(t.value))
                return kError;
            const int r = run.selected->OutputFormattedAiData(run.out, t.value, cells, run.dataFormat);
            if (r != kOk)
                return r == 1 ? kError : kFull;
            break;
        }
        case fDataFormat: run.dataFormat = static_cast<unsigned char>(t.value); break;
        case fPointFormat: run.pointFormat = static_cast<unsigned char>(t.value); break;
        case fPoint:
        case fAim:
        case fSymbology: {
            const CodeRegexData* record = run.collector.Find(program_, t.label);
            if (record == nullptr)
                return kError;
            if (t.kind == fPoint) {
                if (record->OutputRegionValue(run.out, t.value, run.pointFormat) != 0)
                    return kFull;
            } else if (t.kind == fSymbology) {
                if (!run.out.Put(record->symbology))
                    return kFull;
            } else {
                if (!run.out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(']'))))
                    return kFull;
                for (unsigned char c : record->aim)
                    if (c != 0 && !run.out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(c))))
                        return kFull;
            }
            break;
        }
        default: return kError;
        }
    }
    return kOk;
}

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::IsPossibleToOutput(const CodeRegexDataCollector& collector) const
{
    static DecodeDataByte scratch[kOutputScratch];
    BufferWriter out{scratch, 0, kOutputScratch};
    Run run{out, collector, nullptr};
    // A template too long for the scratch can still be tried for real.
    return Bracket(run, 0, sentence_.Count()) != kError ? 1 : 0;
}

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::Output(BufferWriter& out, const CodeRegexDataCollector& collector,
                                     RideZodozFunctionExecutor& functions) const
{
    functions.Initialize();
    const unsigned start = out.position;
    Run run{out, collector, &functions};
    const int r = Bracket(run, 0, sentence_.Count());
    if (r != kOk)
        return r;
    unsigned newLength = 0;
    if (!functions.Start(out.begin + start, out.end - start, out.position - start, newLength))
        return kError;
    out.position = start + newLength;
    return kOk;
}

template class RideZodozFormat<DecodeDataByte, 512>;
