#include "decoder/legacy/han_xin/han_xin_codewords.h"

#include "decoder/legacy/han_xin/han_xin_correction.h"
#include "decoder/legacy/han_xin/han_xin_version.h"

namespace {

// i the 1-based row, j the 1-based column.
bool MaskInverts(int mask, int i, int j)
{
    switch (mask) {
    case 1:
        return (i + j) % 2 == 0;
    case 2:
        return ((i + j) % 3 + j % 3) % 2 == 0;
    case 3:
        return (i % j + j % i + i % 3 + j % 3) % 2 == 0;
    default:
        return false;
    }
}

// The placement order writes the codeword stream in 13 columns: placed
// codeword c is stream codeword Position(c).
int Position(int c, int total)
{
    int const q = total / 13;
    int const r = total % 13;
    if (c < r * (q + 1)) {
        return 13 * (c % (q + 1)) + c / (q + 1);
    }
    int const d = c - r * (q + 1);
    return 13 * (d % q) + r + d / q;
}

}  // namespace

int ExtractHanXinCodewords(unsigned short const* grid, CHINA_FUNCTION_INFO_st const& info, unsigned char* sequence,
                           int capacity)
{
    int const total = HanXinTotalCodewords(info.version);
    if (total == 0 || total > capacity || info.size != 2 * info.version + 21) {
        return -1;
    }
    int placed = 0;
    unsigned value = 0;
    int bits = 0;
    for (int row = 0; row < info.size && placed < total; ++row) {
        for (int column = 0; column < info.size && placed < total; ++column) {
            unsigned short const module = grid[row * kHanXinMaxSize + column];
            if (module > 1) {
                continue;
            }
            value = (value << 1) | ((module == 1) != MaskInverts(info.mask, row + 1, column + 1) ? 1u : 0u);
            if (++bits == 8) {
                sequence[Position(placed++, total)] = static_cast<unsigned char>(value);
                value = 0;
                bits = 0;
            }
        }
    }
    return placed == total ? total : -1;
}

int CorrectHanXinBlocks(unsigned char* sequence, int version, int level)
{
    HanXinBlockClass classes[3];
    if (HanXinBlockClasses(version, level, classes) != 0) {
        return -1;
    }
    int read = 0;
    int written = 0;
    unsigned short word[kHanXinMaxBlockLength];
    for (int c = 0; c < 3; ++c) {
        HanXinBlockClass const& blocks = classes[c];
        int const n = blocks.length;
        int const k = n - blocks.checks;
        for (int b = 0; b < blocks.count; ++b) {
            for (int i = 0; i < n; ++i) {
                word[i] = sequence[read + i];
            }
            if (CorrectHanXinBlock(word, n, k, 2) < 0) {
                return -1;
            }
            for (int i = 0; i < k; ++i) {
                sequence[written + i] = static_cast<unsigned char>(word[i]);
            }
            read += n;
            written += k;
        }
    }
    return written;
}
