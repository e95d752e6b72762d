#include "tests/support/data_matrix_ecc000_140_symbol.h"

#include <cstdint>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_data.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_placement.h"

namespace support {

namespace {

using Bits = std::vector<uint8_t>;

void pushLowFirst(Bits& bits, unsigned value, unsigned width)
{
    for (unsigned i = 0; i < width; ++i) {
        bits.push_back((value >> i) & 1u);
    }
}

void pushHighFirst(Bits& bits, unsigned value, unsigned width)
{
    for (int i = static_cast<int>(width) - 1; i >= 0; --i) {
        bits.push_back((value >> i) & 1u);
    }
}

struct Packing {
    char const* alphabet;
    unsigned group;
    unsigned width[7];
};

// The character values of a format, packed in groups, first character the
// lowest digit. False when a character is not in the format's set.
bool packData(int format, std::string const& data, Bits& bits)
{
    static Packing const packings[4] = {
        {" 0123456789", 6, {0, 4, 7, 11, 14, 18, 21}},
        {" ABCDEFGHIJKLMNOPQRSTUVWXYZ", 5, {0, 5, 10, 15, 20, 24, 0}},
        {" ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,-/", 4, {0, 6, 11, 17, 22, 0, 0}},
        {" ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 4, {0, 6, 11, 16, 21, 0, 0}},
    };
    if (format == 5 || format == 6) {
        for (unsigned char c : data) {
            if (format == 5 && c > 127) {
                return false;
            }
            pushLowFirst(bits, c, format == 5 ? 7 : 8);
        }
        return true;
    }
    Packing const& p = packings[format - 1];
    std::string const alphabet = p.alphabet;
    for (size_t at = 0; at < data.size(); at += p.group) {
        size_t const count = std::min<size_t>(p.group, data.size() - at);
        unsigned value = 0;
        unsigned weight = 1;
        for (size_t i = 0; i < count; ++i) {
            size_t const digit = alphabet.find(data[at + i]);
            if (digit == std::string::npos) {
                return false;
            }
            value += static_cast<unsigned>(digit) * weight;
            weight *= static_cast<unsigned>(alphabet.size());
        }
        pushLowFirst(bits, value, p.width[count]);
    }
    return true;
}

// The placement written out again from its rule (not the decoder's table):
// the bit carried by each module of the n x n data area, row by row.
std::vector<unsigned> placement(unsigned n)
{
    unsigned width = 0;
    while ((1u << width) < n) {
        ++width;
    }
    std::vector<unsigned> order;
    for (unsigned i = 0; i < (1u << width); ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < width; ++b) {
            r |= ((i >> b) & 1u) << (width - 1 - b);
        }
        if (r < n) {
            order.push_back(r);
        }
    }
    std::vector<unsigned> inverse(n);
    for (unsigned i = 0; i < n; ++i) {
        inverse[order[i]] = i;
    }
    std::vector<unsigned> table(n * n);
    for (unsigned row = 0; row < n; ++row) {
        unsigned const k = n - 1 - row;
        for (unsigned column = 0; column < n; ++column) {
            table[row * n + column] = n * order[(column + 2 * n - 2 * k) % n] + inverse[k];
        }
    }
    unsigned const corners[4] = {n * (n - 1), n - 1, 0, n * n - 1};
    for (unsigned bit = 0; bit < 4; ++bit) {
        for (unsigned& v : table) {
            if (v == bit) {
                v = table[corners[bit]];
                table[corners[bit]] = bit;
                break;
            }
        }
    }
    return table;
}

}  // namespace

std::vector<uint8_t> encodeEcc000To140Stream(unsigned codeIndex, std::vector<unsigned> const& groups)
{
    using DEC2DIvra::ConvolutionErrorCorrect;
    DEC2DIvra::FanoData fano;
    if (!fano.Initialize(codeIndex)) {
        return {};
    }
    Bits stream;
    unsigned short header[3] = {};
    ConvolutionErrorCorrect::SetHeaderBitToStream(codeIndex, header);
    for (unsigned b = 0; b < ConvolutionErrorCorrect::kHeaderBits; ++b) {
        stream.push_back((header[b / 8] >> (7 - b % 8)) & 1u);
    }
    unsigned state = 0;  // the m groups before, the most recent high
    unsigned const stateMask = (1u << (fano.k * fano.m)) - 1u;
    for (unsigned group : groups) {
        unsigned const reg = (group << (fano.k * fano.m)) | state;
        pushHighFirst(stream, ConvolutionErrorCorrect::GetConvolution(reg, fano.n, codeIndex), fano.n);
        state = (reg >> fano.k) & stateMask;
    }
    return stream;
}

ModuleMatrix drawDataMatrixEcc000To140(int side, int level, int format, std::string const& data)
{
    using DEC2DIvra::ConvolutionErrorCorrect;
    if (side < 9 || side > 49 || side % 2 == 0 || format < 1 || format > 6 || level < -1 || level > 11 ||
        data.empty() || data.size() > 511) {
        return {};
    }
    Bits plain;
    pushHighFirst(plain, static_cast<unsigned>(format - 1), 5);
    unsigned const crc = DEC2DIvra::DataMatrixEcc000To140Data::CalcCrc(
        static_cast<unsigned>(format), reinterpret_cast<unsigned char const*>(data.data()),
        static_cast<unsigned>(data.size()));
    pushLowFirst(plain, crc, 16);
    pushLowFirst(plain, static_cast<unsigned>(data.size()), 9);
    if (!packData(format, data, plain)) {
        return {};
    }
    unsigned const n = static_cast<unsigned>(side - 2);
    unsigned const moduleBits = n * n;
    Bits stream;
    if (level < 0) {
        pushHighFirst(stream, 0x3f, 7);
        stream.insert(stream.end(), plain.begin(), plain.end());
    } else {
        DEC2DIvra::FanoData fano;
        fano.Initialize(static_cast<unsigned>(level));
        unsigned const steps = (moduleBits - 19) / fano.n;
        // The data and m flushing groups of zeros must fit the steps.
        if (plain.size() + fano.k * fano.m > steps * fano.k) {
            return {};
        }
        plain.resize(steps * fano.k, 0);
        std::vector<unsigned> groups(steps, 0);
        for (unsigned s = 0; s < steps; ++s) {
            for (unsigned i = 0; i < fano.k; ++i) {
                groups[s] = (groups[s] << 1) | plain[s * fano.k + i];
            }
        }
        stream = encodeEcc000To140Stream(static_cast<unsigned>(level), groups);
    }
    if (stream.size() > moduleBits) {
        return {};
    }
    stream.resize(moduleBits, 0);
    for (unsigned i = 0; i < moduleBits; ++i) {
        stream[i] ^= DEC2DIvra::DataMatrixEcc000To140Placement::GetRandomBit(i) ? 1 : 0;
    }
    ModuleMatrix m;
    m.size = side;
    m.dark.assign(static_cast<size_t>(side * side), 0);
    auto set = [&](int x, int y, bool dark) { m.dark[static_cast<size_t>(y * side + x)] = dark ? 1 : 0; };
    for (int i = 0; i < side; ++i) {
        set(i, 0, i % 2 == 0);         // top timing
        set(i, side - 1, true);        // bottom of the L
        set(0, i, true);               // left of the L
        set(side - 1, i, i % 2 == 0);  // right timing, from the bottom
    }
    std::vector<unsigned> const table = placement(n);
    for (unsigned row = 0; row < n; ++row) {
        for (unsigned column = 0; column < n; ++column) {
            set(static_cast<int>(column + 1), static_cast<int>(row + 1), stream[table[row * n + column]] != 0);
        }
    }
    return m;
}

}  // namespace support
