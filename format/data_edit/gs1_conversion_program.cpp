#include "format/data_edit/gs1_conversion_program.h"

#include <cstdio>
#include <cstring>

namespace {

std::string Hex2(unsigned v)
{
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

std::string SeparatorEscapes(const Gs1Separator& s)
{
    std::string out;
    for (unsigned i = 0; i < 2; ++i) {
        if (s.c[i] == Gs1Separator::kNone)
            continue;
        out += s.key[i] != 0 ? "\\k" : "\\x";
        out += Hex2(s.c[i]);
    }
    return out;
}

bool HexDigit(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// A header or terminator character stored as two hex digits and a flag:
// its escape, or nothing when unset ("FF" or 255).
std::string StoredCharacter(const unsigned char* field)
{
    if (field[0] == 255 || (field[0] == 'F' && field[1] == 'F') || !HexDigit(field[0]) || !HexDigit(field[1]))
        return {};
    std::string out = field[2] != 0 ? "\\k" : "\\x";
    out.push_back(static_cast<char>(field[0]));
    out.push_back(static_cast<char>(field[1]));
    return out;
}

std::string Pair(const unsigned char* entry, unsigned first, unsigned second)
{
    const std::string a = StoredCharacter(entry + first);
    return a.empty() ? a : a + StoredCharacter(entry + second);
}

} // namespace

void Gs1ConversionValues::ResetAiTable()
{
    std::memset(aisettings, 255, sizeof aisettings);
    for (auto& entry : aisettings)
        entry[kHeader1 + 2] = entry[kHeader2 + 2] = entry[kTerminator1 + 2] = entry[kTerminator2 + 2] = 0;
}

bool BuildGs1ConversionProgram(const Gs1ConversionValues& v, std::string& pattern, std::string& format)
{
    pattern.clear();
    format.clear();
    const unsigned delay = (static_cast<unsigned>(v.delayvalue) * v.delaymultiple / 10) & 255;
    // A pause of nothing is left out.
    const std::string W = delay != 0 ? "\\d" + Hex2(delay) : std::string();
    const std::string S = SeparatorEscapes(v.dataseparator);
    const std::string E = SeparatorEscapes(v.elementseparator);
    const std::string F = SeparatorEscapes(v.fn1conv);
    if (v.gs1outputmode > 4)
        return false;
    if (v.gs1outputmode == 0 || v.decodemodec128 == 0)
        return true;
    // The day and decimal-point format byte, as two hex digits like every format byte.
    const std::string D = "\\Df0" + std::to_string((v.removeday != 0 ? 1 : 0) + (v.decimalpoint != 0 ? 2 : 0));
    const std::string M = "(" + S + W + "\\D2|)(" + S + W + "\\D3|)(" + S + W + "\\D4|)";
    const std::string Q = "\"";
    // The AIM text goes out in a group of its own, which the mode-1 template refers to.
    const std::string aim = v.outaimfirstfnc1 != 0 ? "(\\ST\\Su\\St\\Sk\\Sy\"\\Sa\"|)" : "";
    // With GS1-128 handling on rather than "if possible", a plain Code 128
    // label takes the second part; the template then sends it as it is
    // (label 1's text) instead of holding it for a label 0 that never comes.
    const std::string plainCode128 = v.decodemodec128 == 1 ? "/\\ST.+$" : "";
    const std::string plainFirst = v.decodemodec128 == 1 ? "([1]|" : "";
    const std::string plainLast = v.decodemodec128 == 1 ? ")" : "";

    switch (v.gs1outputmode) {
    case 1: {
        pattern = aim + "\\s80\\Ax+$" + plainCode128;
        format = plainFirst + (v.outaimfirstfnc1 != 0 ? "[0,1]" : "") + D;
        const int last = v.aiindex < 0 ? -1 : (v.aiindex > 9 ? 9 : v.aiindex);
        bool first = true;
        for (int i = 0; i <= last; ++i) {
            const unsigned char* entry = v.aisettings[i];
            if (Gs1ConversionValues::FreeEntry(entry))
                continue;
            std::string ai;
            for (unsigned k = 0; k < 5 && entry[k] != 0 && entry[k] != 255; ++k)
                ai.push_back(static_cast<char>(entry[k]));
            if (ai.empty())
                continue;
            const std::string H = Pair(entry, Gs1ConversionValues::kHeader1, Gs1ConversionValues::kHeader2);
            const std::string T = Pair(entry, Gs1ConversionValues::kTerminator1, Gs1ConversionValues::kTerminator2);
            const std::string A = "\\A" + ai;
            const std::string w = first ? std::string() : W;
            first = false;
            if (v.outputsepevenifnotfoundai == 0)
                format += "(" + H + A + "[0]" + w + "\\D1" + M + T + "|)";
            else
                format += H + "(" + A + "[0]" + w + "\\D1" + M + "|)" + T;
        }
        format += plainLast;
        return true;
    }
    case 2:
        pattern = aim + "\\s80" + Q + D + Q + "(?:<\\Ax>" + Q + "\\Ax\\(\\I\\)\\D1" + M + Q + "(?:$|" + Q + E + W + Q +
                  "))+$" + plainCode128;
        break;
    case 3:
        pattern = aim + "\\s80" + Q + D + Q + "(?:<\\Ax>" + Q + "\\Ax\\D1" + M + Q + "(?:$|" + Q + E + W + Q + "))+$" +
                  plainCode128;
        break;
    default:
        pattern = aim + "\\s80(?:<\\s80>" + Q + F + Q + "|[^\\s80])+$" + plainCode128;
        break;
    }
    format = plainFirst + "[0]" + plainLast;
    return true;
}
