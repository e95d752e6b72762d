#include "decoder/linear/code128/code128_interpreter.h"

#include "decoder/linear/code128/code128_table.h"

namespace DEC2DIvra {

bool Code128Interpreter::IsWellFormed(unsigned char const* values, unsigned count)
{
    if (values == nullptr || count < 4 || !Code128Table::IsStart(values[0]) ||
        values[count - 1] != Code128Table::kStop) {
        return false;
    }
    for (unsigned i = 1; i + 1 < count; ++i) {
        if (values[i] >= Code128Table::kStartA) {
            return false;
        }
    }
    return true;
}

bool Code128Interpreter::CheckCheckCharacter(unsigned char const* values, unsigned count)
{
    if (!IsWellFormed(values, count)) {
        return false;
    }
    unsigned const check = count - 2;
    unsigned long long sum = values[0];
    for (unsigned i = 1; i < check; ++i) {
        sum += static_cast<unsigned long long>(i) * values[i];
    }
    return sum % 103 == values[check];
}

bool Code128Interpreter::Start(unsigned char const* values, unsigned count, StackInterface<char>& data,
                               Code128Interpretation& result)
{
    result = Code128Interpretation{};
    data.Clear();
    if (!IsWellFormed(values, count)) {
        return false;
    }
    Code128Table const& table = Code128Table::instance;
    unsigned set = values[0] - Code128Table::kStartA;
    result.codeSets[0] = result.codeSets[1] = set;
    bool shift = false;
    bool fnc4Single = false;
    bool fnc4Latch = false;
    unsigned fnc1 = 0;
    auto push = [&data](unsigned byte) { return data.Push(static_cast<char>(static_cast<unsigned char>(byte))); };

    // Positions 1 .. count - 3 are data; the check character follows them.
    for (unsigned position = 1; position + 2 < count; ++position) {
        unsigned const active = shift ? (set == kCode128SetA ? kCode128SetB : kCode128SetA) : set;
        shift = false;
        unsigned char const meaning = table.GetEntry(values[position]).meaning[active];
        unsigned written = 0;
        if (meaning < 128) {
            if (active == kCode128SetC) {
                if (!push('0' + meaning / 10) || !push('0' + meaning % 10)) {
                    data.Clear();
                    return false;
                }
                written = 2;
            } else {
                // A single FNC4 inside a latched run gives the next character
                // its plain meaning again.
                unsigned const high = fnc4Latch != fnc4Single ? 128u : 0u;
                fnc4Single = false;
                if (!push(meaning + high)) {
                    data.Clear();
                    return false;
                }
                written = 1;
            }
        } else {
            switch (meaning) {
            case kCode128Fnc1:
                if ((position == 1 || position == 2) && fnc1 == 0) {
                    fnc1 = position;
                } else {
                    if (!push(kGroupSeparator)) {
                        data.Clear();
                        return false;
                    }
                    written = 1;
                }
                break;
            case kCode128Fnc2:
                result.modifier |= 1u << 3;
                break;
            case kCode128Fnc3:
                if (position == 1) {
                    result.modifier |= 1u << 4;
                }
                break;
            case kCode128Fnc4:
                if (fnc4Single) {
                    fnc4Single = false;
                    fnc4Latch = !fnc4Latch;
                } else {
                    fnc4Single = true;
                }
                break;
            case kCode128Shift:
                shift = true;
                break;
            case kCode128CodeA:
                set = kCode128SetA;
                break;
            case kCode128CodeB:
                set = kCode128SetB;
                break;
            case kCode128CodeC:
                set = kCode128SetC;
                break;
            default:
                data.Clear();
                return false;
            }
        }
        result.codeSets[0] = result.codeSets[1];
        result.codeSets[1] = set;
        result.lastBytes[0] = result.lastBytes[1];
        result.lastBytes[1] = written;
    }
    result.modifier |= fnc1;
    return true;
}

unsigned Code128Interpreter::CalcLinkage(Code128Interpretation const& interpretation)
{
    unsigned const from = interpretation.codeSets[0] % 3;
    unsigned const to = interpretation.codeSets[1] % 3;
    if (to == (from + 1) % 3) {
        return 1u << 8;
    }
    if (to == (from + 2) % 3) {
        return 1u << 9;
    }
    return 0;
}

}  // namespace DEC2DIvra
