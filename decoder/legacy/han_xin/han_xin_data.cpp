#include "decoder/legacy/han_xin/han_xin_data.h"

#include "decoder/legacy/engine/legacy_result.h"

unsigned char CHINA_byte_sequence[kHanXinSequenceBytes];
int CHINA_total_byte_count = 0;
int CHINA_byte_index = 0;
int CHINA_bit_index = 0;
unsigned CHINA_byte_data = 0;
unsigned char* CHINA_final_data = nullptr;
int CHINA_final_data_capacity = 0;
int CHINA_final_data_count = 0;
int CHINA_ECI_flag = 0;
int CHINA_Text_submode = 0;

namespace {

// Set when a byte did not fit: the message is refused.
bool gOverflow = false;

int DataBits()
{
    int const bytes = CHINA_total_byte_count < 0 ? 0
                      : CHINA_total_byte_count > kHanXinSequenceBytes ? kHanXinSequenceBytes
                                                                        : CHINA_total_byte_count;
    return 8 * bytes;
}

void LoadByte()
{
    CHINA_byte_data = CHINA_byte_index < kHanXinSequenceBytes ? CHINA_byte_sequence[CHINA_byte_index] : 0u;
    ++CHINA_byte_index;
}

void Raw(unsigned value)
{
    if (CHINA_final_data == nullptr || CHINA_final_data_count >= CHINA_final_data_capacity) {
        gOverflow = true;
        return;
    }
    CHINA_final_data[CHINA_final_data_count++] = static_cast<unsigned char>(value);
}

// A data byte: a backslash stands twice once the message carries ECI escapes.
void Put(unsigned value)
{
    Raw(value);
    if (CHINA_ECI_flag != 0 && value == '\\') {
        Raw(value);
    }
}

// value in decimal, at least width digits (leading zeros).
void PutDigits(unsigned value, int width)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || n < width);
    while (n > 0) {
        Put(static_cast<unsigned char>(digits[--n]));
    }
}

void Numeric()
{
    unsigned held = 0;
    if (get_CHINA_bits(&held, 10) != 0 || held >= 1000) {
        return;
    }
    for (;;) {
        unsigned next = 0;
        if (get_CHINA_bits(&next, 10) != 0) {
            return;
        }
        if (next < 1000) {
            PutDigits(held, 3);
            held = next;
            continue;
        }
        // 1023, 1022, 1021 end the mode: the held group as three, two or one
        // digits (a wider value keeps its leading digits).
        if (next == 1023 || next == 1022) {
            PutDigits(held, next == 1023 ? 3 : 2);
        } else if (next == 1021) {
            unsigned first = held;
            while (first >= 10) {
                first /= 10;
            }
            Put('0' + first);
        }
        return;
    }
}

void Text()
{
    CHINA_Text_submode = 0;
    unsigned v = 0;
    while (get_CHINA_bits(&v, 6) == 0 && v != 63) {
        if (v == 62) {
            CHINA_Text_submode ^= 1;
        } else if (CHINA_Text_submode == 0) {
            Put(v < 10 ? '0' + v : v < 36 ? 'A' + v - 10 : 'a' + v - 36);
        } else {
            Put(v < 28 ? v : v < 44 ? 0x20 + v - 28 : v < 51 ? 0x3A + v - 44 : v < 57 ? 0x5B + v - 51 : 0x7B + v - 57);
        }
    }
}

void Binary()
{
    unsigned count = 0;
    if (get_CHINA_bits(&count, 13) != 0) {
        return;
    }
    unsigned byte = 0;
    for (unsigned i = 0; i < count && get_CHINA_bits(&byte, 8) == 0; ++i) {
        Put(byte);
    }
}

void RegionTwoCharacter(unsigned v)
{
    Put(0xD8 + v / 94);
    Put(0xA1 + v % 94);
}

void DoubleByte()
{
    unsigned v = 0;
    while (get_CHINA_bits(&v, 15) == 0 && v != 0x7FFF) {
        Put(0x81 + v / 190);
        unsigned const low = v % 190;
        Put(low < 63 ? low + 0x40 : low + 0x41);
    }
}

void FourByte()
{
    unsigned v = 0;
    if (get_CHINA_bits(&v, 21) != 0) {
        return;
    }
    Put(0x81 + v / 12600);
    Put(0x30 + (v % 12600) / 1260);
    Put(0x81 + (v % 1260) / 10);
    Put(0x30 + v % 10);
}

void Eci()
{
    int ones = 0;
    unsigned bit = 0;
    while (ones < 3) {
        if (get_CHINA_bits(&bit, 1) != 0) {
            return;
        }
        if (bit == 0) {
            break;
        }
        ++ones;
    }
    unsigned number = 0;
    if (ones < 3 && get_CHINA_bits(&number, 7 * (ones + 1)) != 0) {
        return;
    }
    if (number > 999999) {
        return;
    }
    if (CHINA_ECI_flag == 0) {
        // Backslashes written so far are data: doubled before the first escape.
        if (double_backslash_ECI(CHINA_final_data, &CHINA_final_data_count, CHINA_final_data_capacity) != 0) {
            gOverflow = true;
            return;
        }
        CHINA_ECI_flag = 1;
    }
    Raw('\\');
    PutDigits(number, 6);
}

}  // namespace

int get_CHINA_bits(unsigned* value, int n)
{
    *value = 0;
    if (n < 0 || n > 24 || CHINA_bit_index + n > DataBits()) {
        CHINA_bit_index = DataBits();
        return -1;
    }
    unsigned v = 0;
    for (int i = 0; i < n; ++i, ++CHINA_bit_index) {
        if (CHINA_bit_index % 8 == 0 && CHINA_bit_index / 8 >= CHINA_byte_index) {
            LoadByte();
        }
        v = (v << 1) | ((CHINA_byte_data >> (7 - CHINA_bit_index % 8)) & 1u);
    }
    *value = v;
    return 0;
}

int develop_region_CHINA(int region)
{
    unsigned v = 0;
    if (get_CHINA_bits(&v, 12) != 0) {
        return -1;
    }
    for (;;) {
        if (region == 2) {
            if (v == 4095) {
                return 0;
            }
            if (v != 4094) {
                RegionTwoCharacter(v);
            } else {
                // The next value is a region 1 one.
                if (get_CHINA_bits(&v, 12) != 0) {
                    return -1;
                }
                region = 1;
                continue;
            }
        } else if (v < 3760) {
            Put(0xB0 + v / 94);
            Put(0xA1 + v % 94);
        } else if (v < 4042) {
            Put(0xA1 + (v - 3760) / 94);
            Put(0xA1 + (v - 3760) % 94);
        } else if (v <= 4093) {
            Put(0xA8);
            Put(0xA1 + (v - 4042));
        } else if (v == 4095) {
            return 0;
        } else {
            // 4094: a region 2 character follows, or (4094 again) a region 1 one.
            unsigned w = 0;
            if (get_CHINA_bits(&w, 12) != 0) {
                return -1;
            }
            if (w == 4095) {
                return 0;
            }
            if (w == 4094) {
                if (get_CHINA_bits(&v, 12) != 0) {
                    return -1;
                }
                continue;
            }
            RegionTwoCharacter(w);
            region = 2;
        }
        if (gOverflow || get_CHINA_bits(&v, 12) != 0) {
            return gOverflow ? 0 : -1;
        }
    }
}

unsigned develop_text_CHINA()
{
    CHINA_byte_index = 0;
    CHINA_bit_index = 0;
    LoadByte();
    CHINA_final_data_count = 0;
    CHINA_ECI_flag = 0;
    CHINA_Text_submode = 0;
    gOverflow = false;
    unsigned mode = 0;
    while (!gOverflow && get_CHINA_bits(&mode, 4) == 0) {
        switch (mode) {
        case 1:
            Numeric();
            break;
        case 2:
            Text();
            break;
        case 3:
            Binary();
            break;
        case 4:
        case 5:
            develop_region_CHINA(mode == 4 ? 1 : 2);
            break;
        case 6:
            DoubleByte();
            break;
        case 7:
            FourByte();
            break;
        case 8:
            Eci();
            break;
        default:
            mode = 16;
            break;
        }
        if (mode == 16) {
            break;
        }
    }
    if (gOverflow) {
        CHINA_final_data_count = 0;
        return 1;
    }
    return 0;
}
