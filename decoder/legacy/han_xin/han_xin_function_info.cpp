#include "decoder/legacy/han_xin/han_xin_function_info.h"

#include "decoder/legacy/han_xin/han_xin_correction.h"
#include "decoder/legacy/han_xin/han_xin_version.h"

namespace {

constexpr int kCodewords = 7;
constexpr int kDataCodewords = 3;

// The 17 modules of one copy half, in bit order, as (row, column) of the
// symbol. Corner 0 top left, 1 top right, 2 bottom right, 3 bottom left; the
// top-left and bottom-right halves hold bits 0-16, the others bits 17-33.
void Module(int corner, int size, int bit, int* row, int* column)
{
    int const edge = size - 9;
    int const last = size - 1;
    switch (corner) {
    case 0:
        *row = bit < 9 ? 8 : 16 - bit;
        *column = bit < 9 ? bit : 8;
        break;
    case 1:
        *row = bit < 9 ? bit : 8;
        *column = bit < 9 ? edge : edge + bit - 8;
        break;
    case 2:
        *row = bit < 9 ? edge : edge + bit - 8;
        *column = bit < 9 ? last - bit : edge;
        break;
    default:
        *row = bit < 9 ? last - bit : edge;
        *column = bit < 9 ? 8 : 16 - bit;
        break;
    }
}

unsigned long long CornerBits(unsigned short const* grid, int size, int corner)
{
    unsigned long long bits = 0;
    for (int bit = 0; bit < 17; ++bit) {
        int row = 0;
        int column = 0;
        Module(corner, size, bit, &row, &column);
        bits = (bits << 1) | (grid[row * kHanXinMaxSize + column] == 1 ? 1u : 0u);
    }
    return bits;
}

}  // namespace

int CorrectErrs_CHINA(unsigned short* nibbles)
{
    bool allZero = true;
    for (int i = 0; i < kCodewords; ++i) {
        allZero = allZero && nibbles[i] == 0;
    }
    if (allZero) {
        return -1;
    }
    int const corrected = CorrectHanXinFunctionWord(nibbles, kCodewords, kDataCodewords, 0);
    return corrected < 0 || corrected >= 2 ? -1 : corrected;
}

void SplitHanXinFunctionBits(unsigned long long bits, unsigned short* nibbles, int* spare)
{
    for (int i = 0; i < kCodewords; ++i) {
        nibbles[i] = static_cast<unsigned short>((bits >> (30 - 4 * i)) & 0xF);
    }
    *spare = static_cast<int>(bits & 0x3F);
}

int ParseHanXinFunctionInfo(unsigned short const* nibbles, int spare, CHINA_FUNCTION_INFO_st* info)
{
    int const version = 16 * nibbles[0] + nibbles[1] - 20;
    CHINA_FUNCTION_INFO_st parsed{};
    parsed.version = version;
    parsed.level = nibbles[2] >> 2;
    parsed.mask = nibbles[2] & 3;
    parsed.spare = spare;
    if (get_size_CHINA(&parsed.size, version) != 0 || get_param_M(&parsed.m, version) != 0 ||
        get_param_R(&parsed.r, version) != 0 || get_param_K(&parsed.k, version) != 0) {
        return -1;
    }
    parsed.lines = parsed.m + 2;
    *info = parsed;
    return 0;
}

int HanXinVersionBesideCorner(unsigned short const* grid, int size, int corner)
{
    if ((corner != 0 && corner != 2) || size < 23 || size > kHanXinMaxSize) {
        return -1;
    }
    unsigned short nibbles[kCodewords] = {};
    int spare = 0;
    SplitHanXinFunctionBits(CornerBits(grid, size, corner) << 17, nibbles, &spare);
    int const version = 16 * nibbles[0] + nibbles[1] - 20;
    return version >= 1 && version <= kHanXinMaxVersion ? version : -1;
}

int ReadHanXinFunctionInfoFromGrid(unsigned short const* grid, int size, CHINA_FUNCTION_INFO_st* info,
                                   int* corrections)
{
    if (size < 23 || size > kHanXinMaxSize) {
        return -1;
    }
    // A first half beside corner 0 or 2 with a second beside corner 1 or 3:
    // either copy's halves make up the whole, so a symbol whose left, right,
    // top or bottom pair of corners is in view reads alike.
    int const pairs[4][2] = {{0, 1}, {0, 3}, {2, 1}, {2, 3}};
    for (auto const& pair : pairs) {
        unsigned long long const bits = (CornerBits(grid, size, pair[0]) << 17) | CornerBits(grid, size, pair[1]);
        unsigned short nibbles[kCodewords] = {};
        int spare = 0;
        SplitHanXinFunctionBits(bits, nibbles, &spare);
        int const corrected = CorrectErrs_CHINA(nibbles);
        if (corrected >= 0 && ParseHanXinFunctionInfo(nibbles, spare, info) == 0 && info->size == size) {
            *corrections = corrected;
            return 0;
        }
    }
    return -1;
}

int HanXinFunctionInfoUncorrected(unsigned short const* grid, int size, unsigned valid, int measured,
                                  CHINA_FUNCTION_INFO_st* info, int* count)
{
    if (size < 23 || size > kHanXinMaxSize) {
        return -1;
    }
    int finders = 0;
    for (int corner = 0; corner < 4; ++corner) {
        finders += (valid >> corner) & 1u;
    }
    // The candidates: the first half beside corner 0, then beside corner 2,
    // each followed by its copy's second half (empty where no finder stands).
    int deviations[2] = {100, 100};
    CHINA_FUNCTION_INFO_st parsed[2]{};
    for (int i = 0; i < 2; ++i) {
        int const first = 2 * i;
        int const second = first + 1;
        if (((valid >> first) & 1u) == 0) {
            continue;  // no finder, no half
        }
        unsigned long long const tail = ((valid >> second) & 1u) != 0 ? CornerBits(grid, size, second) : 0;
        unsigned long long const bits = (CornerBits(grid, size, first) << 17) | tail;
        unsigned short nibbles[kCodewords] = {};
        int spare = 0;
        SplitHanXinFunctionBits(bits, nibbles, &spare);
        if (ParseHanXinFunctionInfo(nibbles, spare, &parsed[i]) != 0 || parsed[i].size != size) {
            continue;
        }
        if (finders == 1) {
            // One finder: its half is taken as it reads.
            *info = parsed[i];
            *count = 100;
            return 0;
        }
        if (measured > 0) {
            int const off = parsed[i].size > measured ? parsed[i].size - measured : measured - parsed[i].size;
            deviations[i] = (200 * off + measured) / (2 * measured);
        }
    }
    if (finders < 2 || measured <= 0) {
        return -1;
    }
    int const best = deviations[1] < deviations[0] ? 1 : 0;
    if (deviations[best] > 9) {
        return -1;
    }
    *info = parsed[best];
    *count = deviations[best] + 3;
    return 0;
}
