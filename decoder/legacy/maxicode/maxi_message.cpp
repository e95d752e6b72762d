#include "decoder/legacy/maxicode/maxi_message.h"

#include <cstdio>

#include "decoder/legacy/engine/legacy_result.h"

int StructNo_MX = 1;
int StructBo_MX;
int StructFlag_MX;
int cur_StructFlag_MX;
int StructParity_MX;
int Stru16Bo_MX;
int Stru16Parity_MX;
int StructCount_MX;

void clear_Bo_MX()
{
    StructNo_MX = 1;
    StructBo_MX = 0;
    StructFlag_MX = 0;
    cur_StructFlag_MX = 0;
    StructParity_MX = 0;
    Stru16Bo_MX = 0;
    Stru16Parity_MX = 0;
    StructCount_MX = 0;
}

namespace {

enum CodeSet { kSetA = 1, kSetB, kSetC, kSetD, kSetE };

// Codeword value to byte per code set; control positions are handled by the
// set's handler before the table is consulted.
constexpr unsigned char CodeSetA[64] = {
    13, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O',
    'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 27, 28, 29, 30, 31,
    32, 0, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
};
constexpr unsigned char CodeSetB[64] = {
    '`', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o',
    'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', 27, 28, 29, 30, 31,
    '{', 0, '}', '~', 127, ';', '<', '=', '>', '?', '[', '\\', ']', '^', '_', ' ',
    ',', '.', '/', ':', '@', '!', '|', 0, 56, 57, 0, 59, 60, 61, 62, 63,
};
constexpr unsigned char CodeSetC[64] = {
    192, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207,
    208, 209, 210, 211, 212, 213, 214, 215, 216, 217, 218, 27, 28, 29, 30, 31,
    219, 220, 221, 222, 223, 170, 172, 177, 178, 179, 181, 185, 186, 188, 189, 190,
    128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 58, 32, 60, 61, 62, 63,
};
constexpr unsigned char CodeSetD[64] = {
    224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239,
    240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 27, 28, 29, 30, 31,
    251, 252, 253, 254, 255, 161, 168, 171, 175, 176, 180, 183, 184, 187, 191, 138,
    139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 58, 32, 60, 61, 62, 63,
};
constexpr unsigned char CodeSetE[64] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 0, 0, 27, 31,
    28, 29, 30, 31, 159, 160, 162, 163, 164, 165, 166, 167, 169, 173, 174, 182,
    149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 58, 32, 60, 61, 62, 63,
};
constexpr unsigned char Mode0CodeSetA[64] = {
    13, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O',
    'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '[', 28, 29, 30, '_',
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
};

constexpr int kLatched = 200;
constexpr int kPostalCapacity = 20;  // 19 characters and NUL

// One symbol's interpretation (the engine is not reentrant): the message
// codewords, the read position, the code sets and the secondary output.
unsigned char g_message[240];
int g_end;
int g_position;
int g_current;
int g_previous;
int g_eci;
int g_ignoreEci;
unsigned char* g_out;
int g_length;
bool g_overflow;

// The primary message and the carrier fields taken from it.
unsigned char const* g_primary;  // codewords 1..10 at [1] .. [10]
int g_mode;
char g_postal[kPostalCapacity];
int g_postalLength;
char g_country[kPostalCapacity];
char g_service[kPostalCapacity];
unsigned char g_answer[kMaxiTextCapacity];
int g_answerLength;

void Put(unsigned char byte)
{
    if (g_length >= kMaxiTextCapacity - 1) {
        g_overflow = true;
        return;
    }
    g_out[g_length++] = byte;
}

void Latch(int set)
{
    g_previous = g_current;
    g_current = set;
}

// What a set's control codeword asked of the loop.
enum Control { kWrite, kDone, kReturn, kFail };

// The loop every code set shares: one codeword at a time, `limit` of them
// (or, latched, until another set becomes current); `control` handles the
// set's own control codewords, the rest write the table's byte.
int RunCodeSet(int set, int end, int limit, unsigned char const* table, Control (*control)(int cw, int end))
{
    for (int taken = 0; taken < limit && g_position < end; ++taken) {
        if (limit == kLatched && g_current != set) {
            return 0;
        }
        int const cw = g_message[g_position++];
        if (cw > 63) {
            return -1;
        }
        Control const c = control(cw, end);
        if (c == kFail || g_overflow) {
            return -1;
        }
        if (c == kReturn) {
            return 0;
        }
        if (c == kWrite) {
            Put(table[cw]);
        }
    }
    return 0;
}

Control Result(int r) { return r == 0 ? kDone : kFail; }

// A pad that opens the message may carry the position and total of a
// structured-append series in the codeword after it.
void StructuredAppend()
{
    if (g_position != 1 || g_position >= g_end) {
        return;
    }
    int const v = g_message[g_position];
    StructNo_MX = (v >> 3) + 1;
    StructBo_MX = (v & 7) + 1;
    if ((v & 7) != 0 && (v >> 3) <= (v & 7)) {
        StructFlag_MX = 1;
        cur_StructFlag_MX = 1;
        StructParity_MX = 0;
        g_position = 2;
    }
}

Control ControlA(int cw, int end)
{
    switch (cw) {
    case 27: return Result(eci_MX());
    case 31: return Result(numeric_shift_MX());
    case 33: StructuredAppend(); return kDone;
    case 59: return Result(code_set_B_MX(end, 1));
    case 60: return Result(code_set_C_MX(end, 1));
    case 61: return Result(code_set_D_MX(end, 1));
    case 62: return Result(code_set_E_MX(end, 1));
    case 63: Latch(kSetB); return kReturn;
    default: return kWrite;
    }
}

Control ControlB(int cw, int end)
{
    switch (cw) {
    case 27: return Result(eci_MX());
    case 31: return Result(numeric_shift_MX());
    case 33:
    case 55:
    case 58: return kDone;  // pad
    case 56: return Result(code_set_A_MX(end, 2));
    case 57: return Result(code_set_A_MX(end, 3));
    case 59: return Result(code_set_A_MX(end, 1));
    case 60: return Result(code_set_C_MX(end, 1));
    case 61: return Result(code_set_D_MX(end, 1));
    case 62: return Result(code_set_E_MX(end, 1));
    case 63: Latch(kSetA); return kReturn;
    default:
        if (CodeSetB[cw] == '\\' && g_eci != 0) {
            // After an ECI escape a literal backslash is written twice.
            Put('\\');
            Put('\\');
            return kDone;
        }
        return kWrite;
    }
}

// Sets C, D and E share their shifts; each locks its own set.
Control ControlCDE(int set, int cw, int end)
{
    switch (cw) {
    case 27: return Result(eci_MX());
    case 31: return Result(numeric_shift_MX());
    case 58: Latch(kSetA); return kReturn;
    case 60:
    case 61:
    case 62: {
        int const target = cw - 60 + kSetC;
        if (target == set) {
            Latch(set);  // lock
            return kReturn;
        }
        return Result(target == kSetC ? code_set_C_MX(end, 1)
                      : target == kSetD ? code_set_D_MX(end, 1)
                                        : code_set_E_MX(end, 1));
    }
    case 63: Latch(kSetB); return kReturn;
    default: return kWrite;
    }
}

Control ControlC(int cw, int end) { return ControlCDE(kSetC, cw, end); }
Control ControlD(int cw, int end) { return ControlCDE(kSetD, cw, end); }
Control ControlE(int cw, int end) { return cw == 28 || cw == 29 ? kDone : ControlCDE(kSetE, cw, end); }

bool IsHeader(unsigned char const* s, int length)
{
    return length >= 9 && s[0] == '[' && s[1] == ')' && s[2] == '>' && s[3] == 30 && s[4] == '0' && s[5] == '1' &&
           s[6] == 29 && s[7] >= '0' && s[7] <= '9' && s[8] >= '0' && s[8] <= '9';
}

}  // namespace

int max_anl_total_CWD;
int max_anl_total_repair_CWD;

int code_set_A_MX(int end, int limit) { return RunCodeSet(kSetA, end, limit, CodeSetA, ControlA); }
int code_set_B_MX(int end, int limit) { return RunCodeSet(kSetB, end, limit, CodeSetB, ControlB); }
int code_set_C_MX(int end, int limit) { return RunCodeSet(kSetC, end, limit, CodeSetC, ControlC); }
int code_set_D_MX(int end, int limit) { return RunCodeSet(kSetD, end, limit, CodeSetD, ControlD); }
int code_set_E_MX(int end, int limit) { return RunCodeSet(kSetE, end, limit, CodeSetE, ControlE); }

int numeric_shift_MX()
{
    // Five codewords past the end are no number: refused, not read on.
    if (g_end - g_position < 5) {
        return -1;
    }
    long value = 0;
    for (int i = 0; i < 5; ++i) {
        value = value << 6 | g_message[g_position++];
    }
    if (value > 999999999) {
        return -1;  // not nine digits
    }
    char digits[24];
    std::snprintf(digits, sizeof digits, "%09ld", value);
    for (int i = 0; i < 9; ++i) {
        Put(static_cast<unsigned char>(digits[i]));
    }
    return 0;
}

int eci_MX()
{
    if (g_position >= g_end) {
        return -1;
    }
    int const e = g_message[g_position++];
    int more = 0;
    long value = e & 31;
    if ((e & 0x20) != 0) {
        more = (e & 0x10) == 0 ? 1 : (e & 0x08) == 0 ? 2 : (e & 0x04) == 0 ? 3 : 4;
        value = more == 1 ? e & 15 : more == 2 ? e & 7 : e & 3;
    }
    if (g_end - g_position < more) {
        return -1;
    }
    for (int i = 0; i < more; ++i) {
        value = value * 64 + g_message[g_position++];
    }
    if (value > 999999) {
        return -1;  // no six-digit escape can carry it
    }
    if (g_ignoreEci != 0) {
        return 0;
    }
    if (g_eci == 0) {
        // From the first escape on every literal backslash is written twice:
        // those already written are doubled once (a second escape must not
        // double the first escape's own backslash).
        if (double_backslash_ECI(g_out, &g_length, kMaxiTextCapacity - 1) != 0) {
            g_overflow = true;
            return -1;
        }
        g_eci = 1;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\\%06ld", value);
    for (int i = 0; text[i] != 0; ++i) {
        Put(static_cast<unsigned char>(text[i]));
    }
    return g_overflow ? -1 : 0;
}

int get_primary_fields_MX()
{
    unsigned char const* const c = g_primary;
    int const country = (c[7] >> 4) | (c[8] << 2) | ((c[9] & 3) << 8);
    int const service = (c[9] >> 2) | (c[10] << 4);
    std::snprintf(g_country, sizeof g_country, "%03d", country % 1000);
    std::snprintf(g_service, sizeof g_service, "%03d", service % 1000);
    long const number = (c[1] >> 4) | (c[2] << 2) | (c[3] << 8) | (c[4] << 14) | (c[5] << 20) |
                        (static_cast<long>(c[6] & 15) << 26);
    int const sixBit[6] = {
        (c[6] >> 4) | ((c[7] & 15) << 2),     ((c[6] << 2) & 60) | (c[5] >> 4), ((c[5] << 2) & 60) | (c[4] >> 4),
        ((c[4] << 2) & 60) | (c[3] >> 4), ((c[3] << 2) & 60) | (c[2] >> 4), ((c[2] << 2) & 60) | (c[1] >> 4),
    };
    int length = 6;
    bool numeric = g_mode == 2;
    long rest = number;
    if (g_mode == 2) {
        length = (c[6] >> 4) | ((c[7] & 15) << 2);
        if (length == 0) {
            length = 5;  // "00000"
            rest = 0;
        }
        // The field holds 19 digits: a longer length is no valid symbol.
        if (length > kPostalCapacity - 1) {
            g_postalLength = 0;
            g_postal[0] = 0;
            return -1;
        }
    } else if (g_mode == 0) {
        numeric = country == 840;
        length = numeric ? 9 : 6;
    }
    if (numeric) {
        for (int i = length - 1; i >= 0; --i) {
            g_postal[i] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
    } else {
        unsigned char const* table = g_mode == 0 ? Mode0CodeSetA : CodeSetA;
        for (int i = 0; i < 6; ++i) {
            g_postal[i] = static_cast<char>(table[sixBit[i]]);
        }
    }
    g_postal[length] = 0;
    g_postalLength = length;
    return 0;
}

int make_carrier_message_MX()
{
    g_answerLength = 0;
    bool fits = true;
    auto put = [&fits](unsigned char byte) {
        if (g_answerLength >= kMaxiTextCapacity - 1) {
            fits = false;
            return;
        }
        g_answer[g_answerLength++] = byte;
    };
    unsigned char const* const secondary = g_out;
    int from = 0;
    if (IsHeader(secondary, g_length)) {
        for (; from < 9; ++from) {
            put(secondary[from]);
        }
    }
    for (int i = 0; i < g_postalLength; ++i) {
        put(static_cast<unsigned char>(g_postal[i]));
    }
    put(29);
    for (int i = 0; i < 3; ++i) {
        put(static_cast<unsigned char>(g_country[i]));
    }
    put(29);
    for (int i = 0; i < 3; ++i) {
        put(static_cast<unsigned char>(g_service[i]));
    }
    put(29);
    for (int i = from; i < g_length; ++i) {
        put(secondary[i]);
    }
    g_answer[g_answerLength] = 0;
    return fits ? 0 : -1;
}

int InterpretMaxiMessage(MaxiCodewords const& codewords, int mode, int ignoreEci, MaxiMessage& out)
{
    g_end = 0;
    g_position = 0;
    g_current = kSetA;
    g_previous = kSetA;
    g_eci = 0;
    g_ignoreEci = ignoreEci;
    g_out = out.text;
    g_length = 0;
    g_overflow = false;
    g_primary = codewords.value;
    g_mode = mode;
    max_anl_total_CWD = 0;
    out.length = 0;
    out.text[0] = 0;
    out.mode = mode;
    out.eci = 0;
    cur_StructFlag_MX = 0;
    StructFlag_MX = 0;

    unsigned char const* const c = codewords.value;
    if (mode == 0) {
        for (int i = 0; i < 84; ++i) {
            Put(Mode0CodeSetA[c[21 + i] & 63]);
        }
    } else {
        int const secondary = mode == 5 ? 68 : 84;
        if (mode >= 4) {
            for (int i = 2; i <= 10; ++i) {
                g_message[g_end++] = c[i];
            }
        }
        for (int i = 0; i < secondary; ++i) {
            g_message[g_end++] = c[21 + i];
        }
        g_message[g_end] = 0;
        while (g_position < g_end) {
            int const set = g_current;
            int const r = set == kSetA   ? code_set_A_MX(g_end, kLatched)
                          : set == kSetB ? code_set_B_MX(g_end, kLatched)
                          : set == kSetC ? code_set_C_MX(g_end, kLatched)
                          : set == kSetD ? code_set_D_MX(g_end, kLatched)
                                         : code_set_E_MX(g_end, kLatched);
            if (r != 0 || g_overflow) {
                return 129;
            }
        }
    }
    out.text[g_length] = 0;
    out.length = g_length;
    out.eci = g_eci;
    max_anl_total_CWD = mode == 0 ? 84 : g_position;

    int const result = cur_StructFlag_MX != 0 ? 24 : 23;
    if (mode == 0 || mode == 2 || mode == 3) {
        if (mode != 0 && cur_StructFlag_MX != 0 && StructNo_MX != 1) {
            return result;  // later parts carry their secondary text alone
        }
        if (get_primary_fields_MX() != 0 || make_carrier_message_MX() != 0) {
            return 129;
        }
        for (int i = 0; i <= g_answerLength; ++i) {
            out.text[i] = g_answer[i];
        }
        out.length = g_answerLength;
    }
    return result;
}

int DecodeMaxiModules(unsigned char const* modules, int ignoreEci, MaxiMessage& out)
{
    static MaxiCodewords codewords;
    ReadMaxiCodewords(modules, codewords);
    int const before = Err_n;
    int const mode = CorrectMaxiCodewords(codewords);
    if (mode < 0) {
        return 129;
    }
    max_anl_total_repair_CWD = Err_n - before;
    return InterpretMaxiMessage(codewords, mode, ignoreEci, out);
}
