// The output-template token reader.

#include "format/data_edit/format_token.h"

#include <cstring>

#include "format/data_edit/ai_table.h"
#include "format/data_edit/program_text.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/data_edit/ride_zodoz_result.h"

using namespace format_token;
using ride_zodoz_result::kError;
using ride_zodoz_result::kFull;
using ride_zodoz_result::kOk;

namespace {

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
        if (v > 254u)
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

int FormatToken::ConvertFromString(const DecodeDataByte* s, const DecodeDataByte** next)
{
    FormatToken& t = *this;
    t = FormatToken{};
    const std::uint32_t c = V(s);
    unsigned values[3] = {};
    unsigned hh = 0;
    if (c == 0) {
        t.kind = fEnd;
    } else if (c == '[') {
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
                const DecodeDataByte* afterAi = nullptr;
                if (!ai.Read(s, &afterAi))
                    return kError;
                std::memcpy(&t.value, ai.key, 4);
                s = afterAi;
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
                // The axis cell is read only after a point digit: a text may end at `p`.
                if (p < '0' || p > '4')
                    return kError;
                const std::uint32_t xy = V(s + 3);
                if (xy != 'x' && xy != 'y')
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
    if (next != nullptr)
        *next = s;
    return kOk;
}
