#include "decoder/legacy/maxicode/maxi_message.h"

#include <cstdio>

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

// One symbol's interpretation: the message codewords, the read position and
// the secondary output.
struct Reader {
    unsigned char message[240];
    int end;
    int position;
    int current;
    int previous;
    int eci;
    int ignoreEci;
    unsigned char* out;
    int length;
    bool overflow;

    void Put(unsigned char byte)
    {
        if (length >= kMaxiTextCapacity - 1) {
            overflow = true;
            return;
        }
        out[length++] = byte;
    }

    void Latch(int set)
    {
        previous = current;
        current = set;
    }

    int Handle(int set, int limit);
    int NumericShift();
    int Eci();
    void StructuredAppend();
};

int Reader::NumericShift()
{
    if (end - position < 5) {
        return -1;
    }
    long value = 0;
    for (int i = 0; i < 5; ++i) {
        value = value << 6 | message[position++];
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

int Reader::Eci()
{
    if (position >= end) {
        return -1;
    }
    int const e = message[position++];
    int more = 0;
    long value = e & 31;
    if ((e & 0x20) != 0) {
        more = (e & 0x10) == 0 ? 1 : (e & 0x08) == 0 ? 2 : (e & 0x04) == 0 ? 3 : 4;
        value = more == 1 ? e & 15 : more == 2 ? e & 7 : e & 3;
    }
    if (end - position < more) {
        return -1;
    }
    for (int i = 0; i < more; ++i) {
        value = value * 64 + message[position++];
    }
    if (value > 999999) {
        return -1;  // no six-digit escape can carry it
    }
    if (ignoreEci != 0) {
        return 0;
    }
    if (eci == 0) {
        // From the first escape on every literal backslash is written twice:
        // double those already written, once.
        int backslashes = 0;
        for (int i = 0; i < length; ++i) {
            backslashes += out[i] == '\\' ? 1 : 0;
        }
        if (length + backslashes >= kMaxiTextCapacity - 1) {
            overflow = true;
            return -1;
        }
        for (int from = length - 1, to = length + backslashes - 1; from >= 0; --from) {
            out[to--] = out[from];
            if (out[from] == '\\') {
                out[to--] = '\\';
            }
        }
        length += backslashes;
        eci = 1;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\\%06ld", value);
    for (int i = 0; text[i] != 0; ++i) {
        Put(static_cast<unsigned char>(text[i]));
    }
    return 0;
}

// A pad that opens the message may carry the position and total of a
// structured-append series in the codeword after it.
void Reader::StructuredAppend()
{
    if (position != 1 || position >= end) {
        return;
    }
    int const v = message[position];
    StructNo_MX = (v >> 3) + 1;
    StructBo_MX = (v & 7) + 1;
    if ((v & 7) != 0 && (v >> 3) <= (v & 7)) {
        StructFlag_MX = 1;
        cur_StructFlag_MX = 1;
        StructParity_MX = 0;
        position = 2;
    }
}

int Reader::Handle(int set, int limit)
{
    unsigned char const* const table = set == kSetA   ? CodeSetA
                                       : set == kSetB ? CodeSetB
                                       : set == kSetC ? CodeSetC
                                       : set == kSetD ? CodeSetD
                                                      : CodeSetE;
    for (int taken = 0; taken < limit && position < end; ++taken) {
        if (limit == kLatched && current != set) {
            return 0;
        }
        int const cw = message[position++];
        if (cw > 63) {
            return -1;
        }
        int result = 0;
        if (cw == 27) {
            result = Eci();
        } else if (cw == 31) {
            result = NumericShift();
        } else if (set == kSetE && (cw == 28 || cw == 29)) {
            // pad
        } else if (set == kSetA && cw == 33) {
            StructuredAppend();
        } else if (set == kSetB && (cw == 33 || cw == 55 || cw == 58)) {
            // pad
        } else if (set == kSetB && (cw == 56 || cw == 57)) {
            result = Handle(kSetA, cw == 56 ? 2 : 3);
        } else if (set != kSetA && set != kSetB && cw == 58) {
            Latch(kSetA);
            return 0;
        } else if (cw == 59 && (set == kSetA || set == kSetB)) {
            result = Handle(set == kSetA ? kSetB : kSetA, 1);
        } else if (cw >= 60 && cw <= 62) {
            int const target = cw - 60 + kSetC;
            if (target == set) {
                Latch(set);  // lock
                return 0;
            }
            result = Handle(target, 1);
        } else if (cw == 63) {
            Latch(set == kSetB ? kSetA : kSetB);
            return 0;
        } else if (set == kSetB && table[cw] == '\\' && eci != 0) {
            Put('\\');
            Put('\\');
        } else {
            Put(table[cw]);
        }
        if (result != 0 || overflow) {
            return -1;
        }
    }
    return 0;
}

// Postal code, country code and service class of the primary message.
struct CarrierFields {
    char postal[kPostalCapacity];
    int postalLength;
    char country[4];
    char service[4];
};

bool ReadPrimaryFields(unsigned char const* c, int mode, CarrierFields& f)
{
    int const country = (c[7] >> 4) | (c[8] << 2) | ((c[9] & 3) << 8);
    int const service = (c[9] >> 2) | (c[10] << 4);
    std::snprintf(f.country, sizeof f.country, "%03d", country % 1000);
    std::snprintf(f.service, sizeof f.service, "%03d", service % 1000);
    long const number = (c[1] >> 4) | (c[2] << 2) | (c[3] << 8) | (c[4] << 14) | (c[5] << 20) |
                        (static_cast<long>(c[6] & 15) << 26);
    int const sixBit[6] = {
        (c[6] >> 4) | ((c[7] & 15) << 2),     ((c[6] << 2) & 60) | (c[5] >> 4), ((c[5] << 2) & 60) | (c[4] >> 4),
        ((c[4] << 2) & 60) | (c[3] >> 4), ((c[3] << 2) & 60) | (c[2] >> 4), ((c[2] << 2) & 60) | (c[1] >> 4),
    };
    int length = 0;
    bool numeric = mode == 2;
    if (mode == 2) {
        length = (c[6] >> 4) | ((c[7] & 15) << 2);
        if (length == 0) {
            length = 5;  // "00000"
        }
        // The field holds 19 digits: a longer length is no valid symbol.
        if (length > kPostalCapacity - 1) {
            return false;
        }
    } else if (mode == 0) {
        numeric = country == 840;
        length = numeric ? 9 : 6;
    } else {
        length = 6;
    }
    if (numeric) {
        long rest = mode == 2 && ((c[6] >> 4) | ((c[7] & 15) << 2)) == 0 ? 0 : number;
        for (int i = length - 1; i >= 0; --i) {
            f.postal[i] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
    } else {
        unsigned char const* table = mode == 0 ? Mode0CodeSetA : CodeSetA;
        for (int i = 0; i < 6; ++i) {
            f.postal[i] = static_cast<char>(table[sixBit[i]]);
        }
    }
    f.postal[length] = 0;
    f.postalLength = length;
    return true;
}

bool IsHeader(unsigned char const* s, int length)
{
    return length >= 9 && s[0] == '[' && s[1] == ')' && s[2] == '>' && s[3] == 30 && s[4] == '0' && s[5] == '1' &&
           s[6] == 29 && s[7] >= '0' && s[7] <= '9' && s[8] >= '0' && s[8] <= '9';
}

// Postal code, country and class, each followed by GS, after the "[)>" RS
// "01" GS vv header when the secondary message opens with one.
bool MakeCarrierMessage(CarrierFields const& f, unsigned char const* secondary, int secondaryLength, MaxiMessage& out)
{
    static unsigned char answer[kMaxiTextCapacity];
    int length = 0;
    bool fits = true;
    auto put = [&](unsigned char byte) {
        if (length >= kMaxiTextCapacity - 1) {
            fits = false;
            return;
        }
        answer[length++] = byte;
    };
    int from = 0;
    if (IsHeader(secondary, secondaryLength)) {
        for (; from < 9; ++from) {
            put(secondary[from]);
        }
    }
    for (int i = 0; i < f.postalLength; ++i) {
        put(static_cast<unsigned char>(f.postal[i]));
    }
    put(29);
    for (int i = 0; i < 3; ++i) {
        put(static_cast<unsigned char>(f.country[i]));
    }
    put(29);
    for (int i = 0; i < 3; ++i) {
        put(static_cast<unsigned char>(f.service[i]));
    }
    put(29);
    for (int i = from; i < secondaryLength; ++i) {
        put(secondary[i]);
    }
    if (!fits) {
        return false;
    }
    for (int i = 0; i < length; ++i) {
        out.text[i] = answer[i];
    }
    out.text[length] = 0;
    out.length = length;
    return true;
}

}  // namespace

int InterpretMaxiMessage(MaxiCodewords const& codewords, int mode, int ignoreEci, MaxiMessage& out)
{
    static Reader reader;
    Reader& r = reader;
    r = Reader{};
    r.ignoreEci = ignoreEci;
    r.out = out.text;
    r.current = kSetA;
    r.previous = kSetA;
    out.length = 0;
    out.text[0] = 0;
    out.mode = mode;
    out.eci = 0;
    cur_StructFlag_MX = 0;
    StructFlag_MX = 0;

    unsigned char const* const c = codewords.value;
    if (mode == 0) {
        for (int i = 0; i < 84; ++i) {
            r.Put(Mode0CodeSetA[c[21 + i] & 63]);
        }
    } else {
        int const secondary = mode == 5 ? 68 : 84;
        if (mode >= 4) {
            for (int i = 2; i <= 10; ++i) {
                r.message[r.end++] = c[i];
            }
        }
        for (int i = 0; i < secondary; ++i) {
            r.message[r.end++] = c[21 + i];
        }
        r.message[r.end] = 0;
        while (r.position < r.end) {
            if (r.Handle(r.current, kLatched) != 0 || r.overflow) {
                return 129;
            }
        }
    }
    out.text[r.length] = 0;
    out.length = r.length;
    out.eci = r.eci;

    int const result = cur_StructFlag_MX != 0 ? 24 : 23;
    if (mode == 0 || mode == 2 || mode == 3) {
        if (mode != 0 && cur_StructFlag_MX != 0 && StructNo_MX != 1) {
            return result;  // later parts carry their secondary text alone
        }
        CarrierFields fields{};
        if (!ReadPrimaryFields(c, mode, fields) || !MakeCarrierMessage(fields, out.text, out.length, out)) {
            return 129;
        }
    }
    return result;
}

int DecodeMaxiModules(unsigned char const* modules, int ignoreEci, MaxiMessage& out)
{
    static MaxiCodewords codewords;
    ReadMaxiCodewords(modules, codewords);
    int const mode = CorrectMaxiCodewords(codewords);
    if (mode < 0) {
        return 129;
    }
    return InterpretMaxiMessage(codewords, mode, ignoreEci, out);
}
