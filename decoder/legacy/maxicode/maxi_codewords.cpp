#include "decoder/legacy/maxicode/maxi_codewords.h"

#include "decoder/legacy/engine/legacy_rs.h"

int gfpwr_MX[64];
int gflog_MX[64];
unsigned short MX_RSdata[4 * kMaxiBlockStride];
int Err_n;
unsigned int const Binary8[8] = {1, 2, 4, 8, 16, 32, 64, 128};

namespace {

// Codeword numbers of the four error-correction blocks of mode 0.
constexpr unsigned char Mode0ToModex[4][31] = {
    {91, 66, 65, 78, 90, 73, 85, 106, 104, 102, 100, 98, 92, 79, 67, 52,
     54, 56, 58, 60, 64, 77, 89, 107, 105, 103, 101, 99, 97, 84, 72},
    {51, 53, 55, 57, 59, 61, 74, 86, 110, 112, 114, 116, 118, 120, 96, 83,
     71, 50, 46, 44, 42, 40, 38, 36, 62, 75, 87, 108, 109, 111, 113},
    {115, 117, 119, 121, 93, 80, 68, 47, 45, 43, 41, 39, 37, 35, 63, 76,
     88, 136, 134, 132, 130, 128, 126, 124, 122, 94, 81, 69, 48, 22, 24},
    {26, 28, 30, 32, 34, 135, 133, 131, 129, 127, 125, 95, 82, 70, 49, 23,
     25, 27, 29, 31, 33, 123, 21, 137, 138, 139, 140, 141, 142, 143, 144},
};

// Bit permutation of codewords 137..144 in mode 0.
constexpr unsigned char Mode0Module817[48] = {
    42, 43, 44, 2, 3, 4, 5, 9, 10, 11, 0, 1, 17, 6, 7, 8, 12, 13, 14, 15, 16, 20, 21, 22,
    23, 27, 28, 29, 18, 19, 35, 24, 25, 26, 30, 31, 32, 33, 34, 38, 39, 40, 41, 45, 46, 47, 36, 37,
};

// Copies codewords numbered list[0..n) into block b, corrects it and writes
// the corrected values back.
bool CorrectBlock(MaxiCodewords& codewords, int block, unsigned char const* numbers, int n, int k)
{
    unsigned short* const data = MX_RSdata + kMaxiBlockStride * block;
    for (int i = 0; i < n; ++i) {
        data[i] = codewords.value[numbers[i]];
    }
    if (CorrectErrs_mx(block, n, k) < 0) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        codewords.value[numbers[i]] = static_cast<unsigned char>(data[i] & 63);
    }
    return true;
}

bool CorrectMode0(MaxiCodewords& codewords)
{
    int bits[48];
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 6; ++j) {
            bits[Mode0Module817[6 * i + j]] = (codewords.value[137 + i] & Binary8[5 - j]) != 0 ? 1 : 0;
        }
    }
    for (int i = 0; i < 8; ++i) {
        int value = 0;
        for (int j = 0; j < 6; ++j) {
            value = value << 1 | bits[6 * i + j];
        }
        codewords.value[137 + i] = static_cast<unsigned char>(value);
    }
    unsigned char data[4][21];
    for (int block = 0; block < 4; ++block) {
        if (!CorrectBlock(codewords, block, Mode0ToModex[block], 31, 21)) {
            return false;
        }
        for (int i = 0; i < 21; ++i) {
            data[block][i] = codewords.value[Mode0ToModex[block][i]];
        }
    }
    // Block 3 last first becomes codewords 21..41, block 2 42..62, and so on.
    for (int block = 3, next = 21; block >= 0; --block) {
        for (int i = 20; i >= 0; --i) {
            codewords.value[next++] = data[block][i];
        }
    }
    return true;
}

}  // namespace

void InitTables_mx()
{
    for (int& entry : gflog_MX) {
        entry = 0;
    }
    gfpwr_MX[0] = 1;
    for (int i = 1; i < 63; ++i) {
        int value = gfpwr_MX[i - 1] << 1;
        if (value > 63) {
            value ^= 0x43;
        }
        gfpwr_MX[i] = value;
        gflog_MX[value] = i;
    }
    gfpwr_MX[63] = 1;
}

int CorrectErrs_mx(int block, int n, int k)
{
    if (block < 0 || block >= 4 || n <= k || n > kMaxiBlockStride) {
        return -1;
    }
    int const result =
        CorrectErrs_COM(2, MX_RSdata + kMaxiBlockStride * block, gflog_MX, gfpwr_MX, 64, n, k, 0, nullptr, 0);
    Err_n += result;
    return result;
}

void ReadMaxiCodewords(unsigned char const* modules, MaxiCodewords& out)
{
    out.value[0] = 0;
    for (int c = 1; c <= kMaxiCodewords; ++c) {
        int value = 0;
        for (int bit = 6 * c - 5; bit <= 6 * c; ++bit) {
            value = value << 1 | (modules[imaxbits_x[bit] + kMaxiColumns * imaxbits_y[bit]] != 0 ? 1 : 0);
        }
        out.value[c] = static_cast<unsigned char>(value);
    }
}

int CorrectMaxiCodewords(MaxiCodewords& codewords)
{
    unsigned char numbers[62];
    for (int i = 0; i < 20; ++i) {
        numbers[i] = static_cast<unsigned char>(1 + i);
    }
    if (!CorrectBlock(codewords, 0, numbers, 20, 10)) {
        return -1;
    }
    int const mode = codewords.value[1] & 15;
    if (mode == 0) {
        return CorrectMode0(codewords) ? 0 : -1;
    }
    if (mode == 1 || mode > 6) {
        return -1;
    }
    int const k = mode == 5 ? 34 : 42;
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < 62; ++i) {
            numbers[i] = static_cast<unsigned char>(21 + half + 2 * i);
        }
        if (!CorrectBlock(codewords, half, numbers, 62, k)) {
            return -1;
        }
    }
    return mode;
}
