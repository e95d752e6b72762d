#include "decoder/linear/code39_code93_code11/code39_table.h"

namespace DEC2DIvra {

namespace {

constexpr char kCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
constexpr unsigned short kKeys[44] = {
    0x034, 0x121, 0x061, 0x160, 0x031, 0x130, 0x070, 0x025, 0x124, 0x064,  // 0-9
    0x109, 0x049, 0x148, 0x019, 0x118, 0x058, 0x00D, 0x10C, 0x04C, 0x01C,  // A-J
    0x103, 0x043, 0x142, 0x013, 0x112, 0x052, 0x007, 0x106, 0x046, 0x016,  // K-T
    0x181, 0x0C1, 0x1C0, 0x091, 0x190, 0x0D0,                              // U-Z
    0x085, 0x184, 0x0C4, 0x0A8, 0x0A2, 0x08A, 0x02A, 0x094,                // - . space $ / + % *
};

struct KeyTable {
    unsigned char value[512] = {};
};

constexpr KeyTable MakeKeyTable()
{
    KeyTable table{};
    for (unsigned char& v : table.value) {
        v = Code39Table::kNoValue;
    }
    for (unsigned v = 0; v < 44; ++v) {
        table.value[kKeys[v]] = static_cast<unsigned char>(v);
    }
    return table;
}

constexpr KeyTable kTable = MakeKeyTable();

// "%A".."%Z": 27-31, 59-63, 91-95, 123-127, then NUL, "@", "`" and DEL.
constexpr unsigned char kPercent[26] = {27, 28, 29, 30, 31, 59, 60, 61, 62, 63, 91, 92, 93,
                                        94, 95, 123, 124, 125, 126, 127, 0, 64, 96, 127, 127, 127};

}  // namespace

unsigned char Code39Table::GetValue(unsigned key) { return key < 512 ? kTable.value[key] : kNoValue; }

char Code39Table::GetCharacter(unsigned key)
{
    unsigned char const v = GetValue(key);
    return v == kNoValue ? '\0' : kCharacters[v];
}

unsigned char Code39Table::GetValueOf(char c)
{
    for (unsigned v = 0; v < 44; ++v) {
        if (kCharacters[v] == c) {
            return static_cast<unsigned char>(v);
        }
    }
    return kNoValue;
}

unsigned Code39Table::Reverse(unsigned key)
{
    unsigned reversed = 0;
    for (unsigned i = 0; i < kElements; ++i) {
        reversed = (reversed << 1) | ((key >> i) & 1u);
    }
    return reversed;
}

bool Code39Table::ExpandFullASCII(char shift, char letter, char& byte)
{
    if (letter < 'A' || letter > 'Z') {
        return false;
    }
    unsigned const i = static_cast<unsigned>(letter - 'A');
    switch (shift) {
    case '$':
        byte = static_cast<char>(1 + i);
        return true;
    case '+':
        byte = static_cast<char>('a' + i);
        return true;
    case '/':
        byte = static_cast<char>('!' + i);
        return true;
    case '%':
        byte = static_cast<char>(kPercent[i]);
        return true;
    default:
        return false;
    }
}

}  // namespace DEC2DIvra
