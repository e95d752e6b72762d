#include "format/data_edit/ride_zodoz_format.h"

#include <cstring>

#include "format/data_edit/program_text.h"
#include "format/data_edit/regex_groups.h"
#include "format/data_edit/ride_zodoz_function.h"

using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kOk;

namespace {

enum Kind : std::uint8_t {
    fEnd,
    fLiteral,
    fGroup,      // value n
    fAlt,
    fOpen,
    fClose,
    fSelect,     // value AI key
    fAi,
    fData,       // value field
    fDataFormat,
    fPoint,      // value 2 * point + y, 10 angle
    fPointFormat,
    fCallStart,  // value start cell
    fCallEnd,
    fAim,
    fSymbology,
};

constexpr unsigned kTextCells = 1024;
constexpr unsigned kOutputScratch = 8000;

std::uint32_t V(const DecodeDataByte* s) { return s->GetValue(); }

bool Hex2(const DecodeDataByte* s, unsigned& value) { return program_text::HexByte(s, value); }

// "[a]", "[a,n]" or "[a,n,c]" with at most `fields` numbers: 0, 2 too large, 3 syntax.
int LabelReference(const DecodeDataByte*& s, unsigned fields, unsigned* values)
{
    if (V(s) != '[')
        return kError;
    ++s;
    for (unsigned i = 0; i < 3; ++i)
        values[i] = 0;
    for (unsigned i = 0; i < fields; ++i) {
        unsigned v = 0, digits = 0;
        while (V(s) >= '0' && V(s) <= '9') {
            v = v * 10 + (V(s) - '0');
            if (v > 65535)
                return kFull;
            ++s, ++digits;
        }
        if (digits == 0)
            return kError;
        if (v > (i == 0 ? 254u : 254u))
            return kFull;
        values[i] = v;
        if (V(s) == ']') {
            ++s;
            return kOk;
        }
        if (V(s) != ',' || i + 1 == fields)
            return kError;
        ++s;
    }
    return kError;
}

} // namespace

int CompileFormatTokens(const DecodeDataByte* s, FormatToken* tokens, unsigned capacity, unsigned& count)
{
    count = 0;
    std::uint16_t stack[512];
    unsigned depth = 0;
    while (V(s) != 0) {
        if (count + 1 >= capacity)
            return kFull;
        FormatToken t;
        const std::uint32_t c = V(s);
        unsigned values[3] = {};
        unsigned hh = 0;
        if (c == '[') {
            const int r = LabelReference(s, 3, values);
            if (r != kOk)
                return r;
            t.kind = fGroup, t.label = static_cast<std::uint8_t>(values[0]), t.value = values[1];
            t.occurrence = static_cast<std::uint8_t>(values[2]);
        } else if (c == '|') {
            t.kind = fAlt, ++s;
        } else if (c == '(' || c == ')') {
            t.kind = c == '(' ? fOpen : fClose, ++s;
        } else if (c == '}') {
            t.kind = fCallEnd, t.value = RideZodozFunction::EndCell().GetValue(), ++s;
        } else if (c == '$') {
            DecodeDataByte start;
            ++s;
            if (!program_text::FunctionCall(s, start))
                return kError;
            t.kind = fCallStart;
            t.value = start.GetValue();
        } else if (c == '\\') {
            const std::uint32_t e = V(s + 1);
            auto hexCell = [&](std::uint32_t base) {
                if (!Hex2(s + 2, hh))
                    return false;
                t.kind = fLiteral, t.value = base | hh, s += 4;
                return true;
            };
            switch (e) {
            case 0: return kError;
            case 'd': if (!hexCell(0x00E00100u)) return kError; break;
            case 'k': if (!hexCell(0xE003E000u)) return kError; break; // a direct key, as in patterns
            case 'q': if (!hexCell(0x00E10200u)) return kError; break;
            case 's': if (!hexCell(0x00E10000u)) return kError; break;
            case 'x':
                if (!hexCell(0) || hh == 0)
                    return kError;
                break;
            case 'A': {
                s += 2;
                t.kind = fSelect;
                if (V(s) == 'x') {
                    ++s;
                } else {
                    ApplicationIdentifier ai;
                    const DecodeDataByte* next = nullptr;
                    if (!ai.Read(s, &next))
                        return kError;
                    std::memcpy(&t.value, ai.key, 4);
                    s = next;
                }
                const int r = LabelReference(s, 2, values);
                if (r != kOk)
                    return r;
                t.label = static_cast<std::uint8_t>(values[0]), t.occurrence = static_cast<std::uint8_t>(values[1]);
                break;
            }
            case 'I': t.kind = fAi, s += 2; break;
            case 'D': {
                const std::uint32_t f = V(s + 2);
                if (f == 'f') {
                    if (!Hex2(s + 3, hh))
                        return kError;
                    t.kind = fDataFormat, t.value = hh, s += 5;
                } else if (f == 'x' || (f >= '1' && f <= '4')) {
                    t.kind = fData, t.value = f == 'x' ? 0 : f - '0', s += 3;
                } else {
                    return kError;
                }
                break;
            }
            case 'P': {
                const std::uint32_t p = V(s + 2);
                if (p == 'f') {
                    if (!Hex2(s + 3, hh))
                        return kError;
                    t.kind = fPointFormat, t.value = hh, s += 5;
                    break;
                }
                t.kind = fPoint;
                if (p == 'a') {
                    t.value = 10, s += 3;
                } else {
                    const std::uint32_t xy = V(s + 3);
                    if (p < '0' || p > '4' || (xy != 'x' && xy != 'y'))
                        return kError;
                    t.value = (p - '0') * 2 + (xy == 'y' ? 1 : 0), s += 4;
                }
                const int r = LabelReference(s, 1, values);
                if (r != kOk)
                    return r;
                t.label = static_cast<std::uint8_t>(values[0]);
                break;
            }
            case 'S': {
                const std::uint32_t w = V(s + 2);
                if (w != 'a' && w != 'o')
                    return kError;
                t.kind = w == 'a' ? fAim : fSymbology, s += 3;
                const int r = LabelReference(s, 1, values);
                if (r != kOk)
                    return r;
                t.label = static_cast<std::uint8_t>(values[0]);
                break;
            }
            default: t.kind = fLiteral, t.value = e, s += 2; break;
            }
        } else {
            t.kind = fLiteral, t.value = c, ++s;
        }
        // Brackets and calls nest properly.
        if (t.kind == fOpen || t.kind == fCallStart) {
            if (depth >= sizeof stack / sizeof stack[0])
                return kFull;
            stack[depth++] = static_cast<std::uint16_t>(count);
        } else if (t.kind == fClose || t.kind == fCallEnd) {
            if (depth == 0 || tokens[stack[depth - 1]].kind != (t.kind == fClose ? fOpen : fCallStart))
                return kError;
            tokens[stack[--depth]].match = static_cast<std::uint16_t>(count);
        }
        tokens[count++] = t;
    }
    if (depth != 0)
        return kError;
    tokens[count] = FormatToken{};
    return kOk;
}

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
    static DecodeDataByte cells[kTextCells];
    static FormatToken compiled[N];
    if (!program_text::ToCells(text, cells, kTextCells))
        return kFull;
    unsigned tokens = 0;
    const int r = CompileFormatTokens(cells, compiled, N, tokens);
    if (r != kOk)
        return r;
    std::memcpy(tokens_, compiled, sizeof tokens_);
    count_ = tokens;
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
        while (end < to && tokens_[end].kind != fAlt) {
            const std::uint8_t k = tokens_[end].kind;
            end = (k == fOpen || k == fCallStart) ? tokens_[end].match + 1u : end + 1;
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
        const FormatToken& t = tokens_[i];
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
    return Bracket(run, 0, count_) != kError ? 1 : 0;
}

template <class Cell, unsigned N>
int RideZodozFormat<Cell, N>::Output(BufferWriter& out, const CodeRegexDataCollector& collector,
                                     RideZodozFunctionExecutor& functions) const
{
    functions.Initialize();
    const unsigned start = out.position;
    Run run{out, collector, &functions};
    const int r = Bracket(run, 0, count_);
    if (r != kOk)
        return r;
    unsigned newLength = 0;
    if (!functions.Start(out.begin + start, out.end - start, out.position - start, newLength))
        return kError;
    out.position = start + newLength;
    return kOk;
}

template class RideZodozFormat<DecodeDataByte, 512>;
