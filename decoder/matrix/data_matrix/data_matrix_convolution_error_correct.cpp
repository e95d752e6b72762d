#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"

namespace DEC2DIvra {

namespace {

struct Code {
    unsigned char m, k, n, p, delta;
    unsigned generators[4];
};

constexpr Code kCodeTable[ConvolutionErrorCorrect::kCodes] = {
    {1, 3, 4, 39, 46, {0x38, 0x2A, 0x33, 0x20}},
    {3, 2, 3, 9, 5, {0xCF, 0x76, 0x99, 0}},
    {3, 3, 4, 31, 20, {0xFD1, 0x3E4, 0x4A6, 0x84B}},
    {7, 1, 2, 4, 11, {0xBD, 0xCB, 0, 0}},
    {7, 2, 3, 11, 13, {0xE909, 0x435A, 0xB3BF, 0}},
    {11, 2, 3, 16, 11, {0xD46B11, 0x61A4F8, 0xA32B49, 0}},
    {7, 1, 3, 5, 10, {0xD7, 0xB5, 0xA7, 0}},
    {15, 1, 2, 8, 6, {0xDA17, 0xA7E1, 0, 0}},
    {7, 1, 4, 2, 3, {0xEF, 0xCB, 0xBD, 0x9D}},
    {23, 1, 2, 7, 11, {0xF7C863, 0xB5CC55, 0, 0}},
    {13, 1, 3, 2, 1, {0x3E5B, 0x3BB1, 0x23A5, 0}},
    {13, 1, 4, 4, 1, {0x3B5F, 0x3B57, 0x267D, 0x224B}},
};

// Bit-parallel population count.
unsigned CountBits(unsigned v)
{
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0Fu;
    return (v * 0x01010101u) >> 24;
}

bool ReadBit(DataStreamForDataMatrix const& in, unsigned bit, unsigned& value)
{
    if (bit / 8 >= in.count) {
        return false;
    }
    value = (in.codewords[bit / 8] >> (7 - bit % 8)) & 1u;
    return true;
}

}  // namespace

bool FanoData::Initialize(unsigned codeIndex)
{
    if (codeIndex >= ConvolutionErrorCorrect::kCodes) {
        return false;
    }
    Code const& c = kCodeTable[codeIndex];
    m = c.m;
    k = c.k;
    n = c.n;
    p = c.p;
    delta = c.delta;
    return true;
}

unsigned char ConvolutionErrorCorrect::GetConvolution(unsigned registerValue, unsigned n, unsigned codeIndex)
{
    unsigned out = 0;
    for (unsigned i = 0; i < n && i < 4 && codeIndex < kCodes; ++i) {
        out |= (CountBits(kCodeTable[codeIndex].generators[i] & registerValue) & 1u) << i;
    }
    return static_cast<unsigned char>(out);
}

bool ConvolutionErrorCorrect::GetMaxMetric(unsigned short const* out, FanoData const& fano, unsigned codeIndex,
                                           unsigned position, unsigned char received, int limitMetric,
                                           unsigned limitRegister, unsigned& registerValue, unsigned char& input,
                                           unsigned char& output, int& metric) const
{
    unsigned const k = fano.k;
    unsigned const m = fano.m;
    unsigned const n = fano.n;
    // The m groups before the position, the most recent in the high bits.
    unsigned state = 0;
    for (unsigned j = 1; j <= m; ++j) {
        state |= static_cast<unsigned>(out[position - j]) << (k * (m - j));
    }
    state &= (1u << (k * m)) - 1u;
    unsigned bestD = n;
    unsigned bestRegister = 1u << (k * m);
    unsigned char first = 0;
    for (unsigned u = 0; u < (1u << k); ++u) {
        unsigned const r = (u << (k * m)) | state;
        unsigned char o = 0;
        if (k == 1 && u == 1) {
            o = static_cast<unsigned char>(~first & ((1u << n) - 1u));  // every generator has its top bit set
        } else {
            o = GetConvolution(r, n, codeIndex);
        }
        if (u == 0) {
            first = o;
        }
        unsigned const d = CountBits(static_cast<unsigned>(o ^ received));
        int const value = static_cast<int>(n) - static_cast<int>(d) - static_cast<int>(fano.p * d);
        bool const after = value < limitMetric || (value == limitMetric && r > limitRegister);
        if (after && (d < bestD || (d == bestD && r < bestRegister))) {
            bestD = d;
            bestRegister = r;
            registerValue = r;
            input = static_cast<unsigned char>(u);
            output = o;
        }
    }
    metric = static_cast<int>(n) - static_cast<int>(bestD) - static_cast<int>(fano.p * bestD);
    return bestD < n;
}

unsigned ConvolutionErrorCorrect::SetBitArrayToByte(unsigned groupBits, unsigned count, unsigned short* array)
{
    unsigned const bits = groupBits * count;
    unsigned const bytes = (bits + 7) / 8;  // a partial last codeword is kept, whatever the group size
    for (unsigned j = 0; j < bytes; ++j) {
        unsigned value = 0;
        for (unsigned b = 0; b < 8; ++b) {
            unsigned const bit = 8 * j + b;
            unsigned v = 0;
            if (bit < bits) {
                unsigned const group = bit / groupBits;
                v = (array[group] >> (groupBits - 1 - bit % groupBits)) & 1u;
            }
            value = (value << 1) | v;
        }
        array[j] = static_cast<unsigned short>(value);
    }
    return bytes;
}

void ConvolutionErrorCorrect::SetHeaderBitToStream(unsigned codeIndex, unsigned short* array)
{
    static constexpr unsigned short kMiddle[6] = {0x00, 0x07, 0x38, 0x3F, 0xC0, 0xC7};
    array[0] = static_cast<unsigned short>(0x70 | (codeIndex >= 8 ? 1 : 0));
    array[1] = kMiddle[(codeIndex / 2) % 6];
    array[2] = static_cast<unsigned short>(codeIndex % 2 == 1 ? 0xE0 : 0);
}

int ConvolutionErrorCorrect::Start(DataStreamForDataMatrix const& in, unsigned moduleBits, unsigned codeIndex,
                                   bool countErrors, VirtualArray<unsigned short>& out,
                                   VirtualArray<unsigned short>& reencoded, unsigned& errors)
{
    errors = 0;
    FanoData fano;
    if (!fano.Initialize(codeIndex)) {
        return 0;
    }
    unsigned const n = fano.n;
    unsigned const m = fano.m;
    int const delta = fano.delta;
    unsigned const steps = moduleBits >= kHeaderBits + n ? (moduleBits - kHeaderBits) / n : 0;
    if (steps > kMaxSteps || out.GetCount() < m + steps || out.GetCount() < 1) {
        return 0;
    }
    for (unsigned i = 0; i < steps; ++i) {
        unsigned symbol = 0;
        for (unsigned j = 0; j < n; ++j) {
            unsigned bit = 0;
            if (!ReadBit(in, kHeaderBits + i * n + j, bit)) {
                return 0;
            }
            symbol = (symbol << 1) | bit;
        }
        received_[i] = static_cast<unsigned char>(symbol);
    }
    unsigned short* groups = out.GetData();
    for (unsigned j = 0; j < m; ++j) {
        groups[j] = 0;
    }
    metric_[0] = 0;
    register_[0] = 0;
    unsigned const noLimitRegister = (1u << (fano.k * m)) + 1u;
    int threshold = 0;
    bool tighten = true;
    unsigned i = 0;
    unsigned long long moves = 0;
    unsigned long long const budget = static_cast<unsigned long long>(kMovesPerStep) * (steps + 1);
    while (i < steps) {
        if (++moves > budget) {
            return 0;
        }
        unsigned r = 0;
        unsigned char u = 0;
        unsigned char o = 0;
        int value = 0;
        bool const found = GetMaxMetric(groups, fano, codeIndex, m + i, received_[i], static_cast<int>(n) + 1,
                                        noLimitRegister, r, u, o, value);
        if (found && metric_[i] + value >= threshold) {
            metric_[i + 1] = metric_[i] + value;
            if (tighten || metric_[i] < threshold + delta) {
                threshold = delta * (metric_[i + 1] / delta);
                tighten = true;
            }
            outputs_[i] = o;
            register_[i + 1] = r;
            groups[m + i] = u;
            ++i;
            continue;
        }
        // Look back.
        if (i == 0) {
            threshold -= delta;
            tighten = false;
            continue;
        }
        for (;;) {
            if (++moves > budget) {
                return 0;
            }
            if (metric_[i - 1] < threshold) {
                threshold -= delta;
                tighten = false;
                break;
            }
            bool const next = GetMaxMetric(groups, fano, codeIndex, m + i - 1, received_[i - 1],
                                           metric_[i] - metric_[i - 1], register_[i], r, u, o, value);
            if (next && metric_[i - 1] + value >= threshold) {
                metric_[i] = metric_[i - 1] + value;
                if (metric_[i - 1] < threshold + delta) {
                    threshold = delta * (metric_[i] / delta);
                    tighten = true;
                } else {
                    tighten = false;
                }
                outputs_[i - 1] = o;
                register_[i] = r;
                groups[m + i - 1] = u;
                break;  // forward again from node i
            }
            --i;
            if (i == 0) {
                threshold -= delta;
                tighten = false;
                break;
            }
        }
    }
    for (unsigned j = 0; j < steps; ++j) {
        groups[j] = groups[m + j];
    }
    SetBitArrayToByte(fano.k, steps, groups);
    if (!countErrors) {
        return 1;
    }
    if (reencoded.GetCount() < in.count || in.count < 3) {
        return 0;
    }
    unsigned const packed = SetBitArrayToByte(n, steps, outputs_);
    unsigned short* rebuilt = reencoded.GetData();
    SetHeaderBitToStream(codeIndex, rebuilt);
    // The outputs follow the 19 header bits: three bits into the third element.
    for (unsigned e = 2, b = 0; e < in.count; ++e, ++b) {
        unsigned const high = b == 0 ? rebuilt[2] : (b - 1 < packed ? (outputs_[b - 1] & 7u) << 5 : 0u);
        unsigned const low = b < packed ? outputs_[b] >> 3 : 0u;
        rebuilt[e] = static_cast<unsigned short>(high | low);
    }
    unsigned const tail = moduleBits % 8;
    for (unsigned e = 0; e < in.count; ++e) {
        unsigned mask = 0xFF;
        if (e + 1 == in.count && tail != 0) {
            mask = (0xFFu << (8 - tail)) & 0xFFu;
        }
        errors += ((in.codewords[e] ^ rebuilt[e]) & mask) != 0 ? 1 : 0;
    }
    return 1;
}

}  // namespace DEC2DIvra
