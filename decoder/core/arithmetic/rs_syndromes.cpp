#include "decoder/core/arithmetic/rs_syndromes.h"

#include "decoder/core/processor_lanes.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_RS_SYNDROMES_AVX2 1
#include <immintrin.h>
#endif

namespace DEC2DIvra {

namespace {

// S_j = r(alpha^(firstRoot + j)) for j < count, in GF(2^m), word by word: the
// word c at position i adds c alpha^((firstRoot + j)(n-1-i)) to S_j, a term
// whose logarithm grows by n-1-i from one syndrome to the next. Four words
// share each pass over the syndromes, so that a pass costs one look-up per
// word and syndrome and no chain of dependent look-ups; two syndromes a
// step, the second read from the power table's second period, leave one
// reduction of each logarithm per two syndromes.
void AccumulateSyndromesOfPowerOfTwoField(FiniteField const& field, unsigned int firstRoot,
                                          unsigned short const* codewords, unsigned int n, unsigned int count,
                                          unsigned short* syndromes)
{
    unsigned int const size = field.Size();
    unsigned int const order = size - 1;
    for (unsigned int j = 0; j < count; ++j) {
        syndromes[j] = 0;
    }
    constexpr unsigned int kWays = 4;
    unsigned int exponent[kWays];
    unsigned int step[kWays];
    unsigned int ready = 0;
    // (n - 1 - i) firstRoot mod order for the position i at hand; n < size,
    // so n - 1 - i is below the order as it is.
    unsigned int shift = static_cast<unsigned int>(static_cast<unsigned long long>(n - 1) * firstRoot % order);
    unsigned int const pairs = count / 2;
    for (unsigned int i = 0; i <= n; ++i) {
        if (i < n) {
            unsigned short const word = ReceivedValue(codewords, i, size);
            unsigned int const here = shift;
            shift = shift >= firstRoot ? shift - firstRoot : shift + order - firstRoot;
            if (word == 0) {
                continue;
            }
            step[ready] = n - 1 - i;
            unsigned int const e = field.Logarithm(word) + here;
            exponent[ready] = e >= order ? e - order : e;
            ++ready;
            if (ready < kWays) {
                continue;
            }
        }
        if (ready < kWays) {
            // The last few words, one at a time.
            for (unsigned int w = 0; w < ready; ++w) {
                unsigned int e = exponent[w];
                for (unsigned int j = 0; j < count; ++j) {
                    syndromes[j] ^= field.Antilogarithm(e);
                    e += step[w];
                    e = e >= order ? e - order : e;
                }
            }
            break;
        }
        unsigned int e0 = exponent[0], e1 = exponent[1], e2 = exponent[2], e3 = exponent[3];
        unsigned int const s0 = step[0], s1 = step[1], s2 = step[2], s3 = step[3];
        unsigned int const d0 = 2 * s0 >= order ? 2 * s0 - order : 2 * s0;
        unsigned int const d1 = 2 * s1 >= order ? 2 * s1 - order : 2 * s1;
        unsigned int const d2 = 2 * s2 >= order ? 2 * s2 - order : 2 * s2;
        unsigned int const d3 = 2 * s3 >= order ? 2 * s3 - order : 2 * s3;
        unsigned short* out = syndromes;
        for (unsigned int p = 0; p < pairs; ++p, out += 2) {
            out[0] ^= static_cast<unsigned short>(field.Antilogarithm(e0) ^ field.Antilogarithm(e1) ^
                                                  field.Antilogarithm(e2) ^ field.Antilogarithm(e3));
            out[1] ^= static_cast<unsigned short>(field.Antilogarithm(e0 + s0) ^ field.Antilogarithm(e1 + s1) ^
                                                  field.Antilogarithm(e2 + s2) ^ field.Antilogarithm(e3 + s3));
            e0 += d0;
            e1 += d1;
            e2 += d2;
            e3 += d3;
            e0 = e0 >= order ? e0 - order : e0;
            e1 = e1 >= order ? e1 - order : e1;
            e2 = e2 >= order ? e2 - order : e2;
            e3 = e3 >= order ? e3 - order : e3;
        }
        if (count % 2 != 0) {
            out[0] ^= static_cast<unsigned short>(field.Antilogarithm(e0) ^ field.Antilogarithm(e1) ^
                                                  field.Antilogarithm(e2) ^ field.Antilogarithm(e3));
        }
        ready = 0;
    }
}

// S_j = r(alpha^(firstRoot + j)) for j < count; true when every one is 0. In
// a prime field eight syndromes share each pass over the block: their Horner
// chains are independent, so the table look-ups of one overlap those of the
// others.
bool SyndromesByTableLookups(FiniteField const& field, unsigned int firstRoot, unsigned short const* codewords,
                             unsigned int n, unsigned int count, unsigned short* syndromes)
{
    unsigned int const size = field.Size();
    unsigned int const order = size - 1;
    bool allZero = true;
    if (field.Characteristic() == 2) {
        AccumulateSyndromesOfPowerOfTwoField(field, firstRoot, codewords, n, count, syndromes);
        for (unsigned int j = 0; j < count; ++j) {
            allZero = allZero && syndromes[j] == 0;
        }
        return allZero;
    }
    for (unsigned int j = 0; j < count; j += 8) {
        unsigned int exponent[8];
        for (unsigned int lane = 0; lane < 8; ++lane) {
            exponent[lane] = (firstRoot + j + lane) % order;
        }
        unsigned short value[8] = {};
        for (unsigned int i = 0; i < n; ++i) {
            unsigned short const word = ReceivedValue(codewords, i, size);
            for (unsigned int lane = 0; lane < 8; ++lane) {
                value[lane] = field.Add(field.MultiplyByPower(value[lane], exponent[lane]), word);
            }
        }
        for (unsigned int lane = 0; lane < 8 && j + lane < count; ++lane) {
            syndromes[j + lane] = value[lane];
            allZero = allZero && value[lane] == 0;
        }
    }
    return allZero;
}

#if defined(SCANNER_RS_SYNDROMES_AVX2)
// The vector route splits the block into 32 interleaved lanes: with N = 32 x steps
// words (the block after N - n leading zeros), lane l holds the words at N-position
// 32 q + l. For beta = alpha^(firstRoot + j),
//   S_j = sum over l of beta^(31-l) V_l,  V_l = sum over q of w(32q+l) (beta^32)^(steps-1-q),
// and every V_l is a Horner chain with the same multiplier gamma = beta^32, so that
// one vector operation advances all 32 chains. The lanes are then halved: with 2w
// lanes left, V'_l = beta^w V_l + V_(l+w) for l < w keeps
//   S_j = sum over l < w of beta^(w-1-l) V'_l,
// again one multiplier for all lanes; the last few lanes are summed one by one.
constexpr unsigned int kLanes = 32;

// S = sum over l < width of beta^(width-1-l) lanes[l], beta = alpha^logBeta.
unsigned short SumOfLanes(FiniteField const& field, unsigned int logBeta, unsigned short const* lanes,
                          unsigned int width)
{
    unsigned int const order = field.Size() - 1;
    unsigned short sum = 0;
    unsigned int exponent = 0;
    for (unsigned int l = width; l-- > 0;) {
        sum = field.Add(sum, field.MultiplyByPower(lanes[l], exponent));
        exponent += logBeta;
        exponent = exponent >= order ? exponent - order : exponent;
    }
    return sum;
}

// factor v 16^k for v < 16 and each 4-bit piece k of a word in GF(2^m), m <= 12,
// as low and high bytes in both halves of a vector (the byte shuffle looks up per
// half). Multiplying by a fixed factor is linear over GF(2): the product of a word
// is the XOR of the products of its pieces.
struct PieceTables {
    __m256i low[3];
    __m256i high[3];
};

__attribute__((target("avx2"))) void BuildPieceTables(FiniteField const& field, unsigned int logFactor,
                                                      unsigned int const* logOfBit, PieceTables& tables)
{
    unsigned int const order = field.Size() - 1;
    alignas(16) unsigned char bytes[2][16];
    for (unsigned int piece = 0; piece < 3; ++piece) {
        unsigned short basis[4];
        for (unsigned int b = 0; b < 4; ++b) {
            unsigned int const t = 4 * piece + b;
            basis[b] = logOfBit[t] < order ? field.Antilogarithm(logFactor + logOfBit[t]) : 0;
        }
        unsigned short product[16];
        product[0] = 0;
        bytes[0][0] = 0;
        bytes[1][0] = 0;
        for (unsigned int v = 1; v < 16; ++v) {
            unsigned int const lowest = static_cast<unsigned int>(__builtin_ctz(v));
            product[v] = static_cast<unsigned short>(product[v & (v - 1)] ^ basis[lowest]);
            bytes[0][v] = static_cast<unsigned char>(product[v] & 0xFF);
            bytes[1][v] = static_cast<unsigned char>(product[v] >> 8);
        }
        tables.low[piece] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<__m128i const*>(bytes[0])));
        tables.high[piece] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<__m128i const*>(bytes[1])));
    }
}

// (low, high) *= the tables' factor, lane by lane. Narrow fields (m <= 8) have
// no high bytes; in wide ones the high byte holds at most 4 bits and is its own
// table index.
template <bool Wide>
__attribute__((target("avx2"))) inline void MultiplyPlanes(PieceTables const& tables, __m256i nibble, __m256i& low,
                                                           __m256i& high)
{
    __m256i const a0 = _mm256_and_si256(low, nibble);
    __m256i const a1 = _mm256_and_si256(_mm256_srli_epi16(low, 4), nibble);
    __m256i const low01 =
        _mm256_xor_si256(_mm256_shuffle_epi8(tables.low[0], a0), _mm256_shuffle_epi8(tables.low[1], a1));
    if (!Wide) {
        low = low01;
        return;
    }
    __m256i const high01 =
        _mm256_xor_si256(_mm256_shuffle_epi8(tables.high[0], a0), _mm256_shuffle_epi8(tables.high[1], a1));
    low = _mm256_xor_si256(low01, _mm256_shuffle_epi8(tables.low[2], high));
    high = _mm256_xor_si256(high01, _mm256_shuffle_epi8(tables.high[2], high));
}

// The lanes w .. 2w - 1 moved down to 0 .. w - 1, for w <= 16.
template <unsigned int Width> __attribute__((target("avx2"))) inline __m256i UpperLanes(__m256i v)
{
    if (Width == 16) {
        return _mm256_permute2x128_si256(v, v, 0x01);
    }
    return _mm256_srli_si256(v, Width);
}

// One halving of the byte lanes: lanes l < Width become factor lane_l + lane_(l+Width).
template <bool Wide, unsigned int Width>
__attribute__((target("avx2"))) inline void HalveLanes(PieceTables const& factor, __m256i nibble, __m256i& low,
                                                       __m256i& high)
{
    __m256i const upperLow = UpperLanes<Width>(low);
    __m256i const upperHigh = UpperLanes<Width>(high);
    MultiplyPlanes<Wide>(factor, nibble, low, high);
    low = _mm256_xor_si256(low, upperLow);
    high = _mm256_xor_si256(high, upperHigh);
}

// The tables of factor alpha^(width (firstRoot + j)) for j = 0 and of the step
// alpha^width that takes them from one syndrome to the next.
struct FactorTables {
    PieceTables factor;
    PieceTables advance;
};

__attribute__((target("avx2"))) void StartFactor(FiniteField const& field, unsigned int firstRoot, unsigned int width,
                                                 unsigned int const* logOfBit, FactorTables& tables)
{
    unsigned int const order = field.Size() - 1;
    BuildPieceTables(field, static_cast<unsigned int>(width * static_cast<unsigned long long>(firstRoot) % order),
                     logOfBit, tables.factor);
    BuildPieceTables(field, width % order, logOfBit, tables.advance);
}

template <bool Wide>
__attribute__((target("avx2"))) inline void AdvanceFactor(FactorTables& tables, __m256i nibble)
{
    for (unsigned int piece = 0; piece < (Wide ? 3u : 2u); ++piece) {
        MultiplyPlanes<Wide>(tables.advance, nibble, tables.factor.low[piece], tables.factor.high[piece]);
    }
}

// GF(2^m), m <= 12, the words as byte planes: low (bits 0-7) and, when Wide,
// high (bits 8-11). A halving costs a wide field about as much as eight lanes
// summed one by one, a narrow one far less: wide fields halve down to 8 lanes,
// narrow ones down to one.
template <bool Wide>
__attribute__((target("avx2"))) void SyndromesOfPlanes(FiniteField const& field, unsigned int firstRoot,
                                                       unsigned char const* low, unsigned char const* high,
                                                       unsigned int steps, unsigned int count,
                                                       unsigned short* syndromes)
{
    unsigned int const size = field.Size();
    unsigned int const order = size - 1;
    constexpr unsigned int kBits = 12;
    // log(2^t) for the bits the field has; the others never occur.
    unsigned int logOfBit[kBits];
    for (unsigned int t = 0; t < kBits; ++t) {
        logOfBit[t] = (1u << t) < size ? field.Logarithm(static_cast<unsigned short>(1u << t)) : order;
    }
    __m256i const nibble = _mm256_set1_epi8(0x0F);
    // gamma = beta^32, then beta^16, beta^8, ... for the halvings.
    constexpr unsigned int kHalvings = Wide ? 2 : 5;
    constexpr unsigned int kLeft = kLanes >> kHalvings;
    FactorTables tables[1 + kHalvings];
    for (unsigned int h = 0; h <= kHalvings; ++h) {
        StartFactor(field, firstRoot, kLanes >> h, logOfBit, tables[h]);
    }
    alignas(32) unsigned char laneLow[kLanes];
    alignas(32) unsigned char laneHigh[kLanes] = {};
    unsigned short lanes[kLeft];
    for (unsigned int j = 0; j < count; ++j) {
        PieceTables const& gamma = tables[0].factor;
        __m256i accLow = _mm256_setzero_si256();
        __m256i accHigh = _mm256_setzero_si256();
        for (unsigned int q = 0; q < steps; ++q) {
            MultiplyPlanes<Wide>(gamma, nibble, accLow, accHigh);
            accLow = _mm256_xor_si256(accLow, _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + kLanes * q)));
            if (Wide) {
                accHigh =
                    _mm256_xor_si256(accHigh, _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + kLanes * q)));
            }
        }
        HalveLanes<Wide, 16>(tables[1].factor, nibble, accLow, accHigh);
        HalveLanes<Wide, 8>(tables[2].factor, nibble, accLow, accHigh);
        if (!Wide) {
            HalveLanes<Wide, 4>(tables[3].factor, nibble, accLow, accHigh);
            HalveLanes<Wide, 2>(tables[4].factor, nibble, accLow, accHigh);
            HalveLanes<Wide, 1>(tables[5].factor, nibble, accLow, accHigh);
        }
        for (unsigned int h = 0; h <= kHalvings; ++h) {
            AdvanceFactor<Wide>(tables[h], nibble);
        }
        if (!Wide) {
            syndromes[j] = static_cast<unsigned short>(_mm_cvtsi128_si32(_mm256_castsi256_si128(accLow)) & 0xFF);
            continue;
        }
        _mm256_store_si256(reinterpret_cast<__m256i*>(laneLow), accLow);
        _mm256_store_si256(reinterpret_cast<__m256i*>(laneHigh), accHigh);
        for (unsigned int l = 0; l < kLeft; ++l) {
            lanes[l] = static_cast<unsigned short>(laneLow[l] | (laneHigh[l] << 8));
        }
        unsigned int const logBeta = firstRoot + j >= order ? firstRoot + j - order : firstRoot + j;
        syndromes[j] = SumOfLanes(field, logBeta, lanes, kLeft);
    }
}

bool ProcessorHasAffineBytes()
{
    static bool const has = __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("gfni") != 0;
    return has;
}

// Multiplying by a fixed factor c is linear over GF(2): bit i of c x is the parity
// of x masked by row i of the map. The affine byte transform applies an 8 x 8 bit
// matrix to every byte of a vector, row i in byte 7 - i of each 64-bit lane; the
// words in byte planes take four of them: low from low, low from high, high from
// low and high from high.
struct AffineRows {
    unsigned long long lowFromLow;
    unsigned long long lowFromHigh;
    unsigned long long highFromLow;
    unsigned long long highFromHigh;
};

// The rows of multiplication by any word, from three look-ups: the map is linear
// in the factor too, so the rows of c are the XOR of those of its 4-bit pieces
// c_k 16^k, and each piece's 16 values are tabled.
struct AffineTables {
    alignas(32) AffineRows piece[3][16];
};

void BuildAffineTables(FiniteField const& field, AffineTables& tables)
{
    unsigned int const size = field.Size();
    unsigned int const order = size - 1;
    unsigned int bits = 0;
    while ((1u << bits) < size) {
        ++bits;
    }
    // x^k for k < 2 bits - 1: the product of x^b and x^t is x^(b + t).
    unsigned int const logOfX = field.Logarithm(2);
    unsigned short powerOfX[23];
    unsigned int e = 0;
    for (unsigned int k = 0; k + 1 < 2 * bits; ++k) {
        powerOfX[k] = field.Antilogarithm(e);
        e += logOfX;
        e = e >= order ? e - order : e;
    }
    // The rows of multiplication by x^b: row i holds bit i of x^(b + t) at bit t.
    AffineRows basis[12] = {};
    for (unsigned int b = 0; b < bits; ++b) {
        for (unsigned int i = 0; i < bits; ++i) {
            unsigned int row = 0;
            for (unsigned int t = 0; t < bits; ++t) {
                row |= ((powerOfX[b + t] >> i) & 1u) << t;
            }
            unsigned int const shift = 8 * (7 - (i & 7));
            if (i < 8) {
                basis[b].lowFromLow |= static_cast<unsigned long long>(row & 0xFF) << shift;
                basis[b].lowFromHigh |= static_cast<unsigned long long>(row >> 8) << shift;
            } else {
                basis[b].highFromLow |= static_cast<unsigned long long>(row & 0xFF) << shift;
                basis[b].highFromHigh |= static_cast<unsigned long long>(row >> 8) << shift;
            }
        }
    }
    for (unsigned int k = 0; k < 3; ++k) {
        tables.piece[k][0] = AffineRows{};
        for (unsigned int v = 1; v < 16; ++v) {
            AffineRows const& rest = tables.piece[k][v & (v - 1)];
            AffineRows const& add = basis[4 * k + static_cast<unsigned int>(__builtin_ctz(v))];
            tables.piece[k][v] = AffineRows{rest.lowFromLow ^ add.lowFromLow, rest.lowFromHigh ^ add.lowFromHigh,
                                            rest.highFromLow ^ add.highFromLow, rest.highFromHigh ^ add.highFromHigh};
        }
    }
}

// The tables of a field, built on its first use on this thread and kept: they
// depend on nothing but the field's reduction polynomial, known from its size
// and x^m (m its bits), which is the key, so another field object of the same
// polynomial shares them and one of another polynomial never meets stale ones.
AffineTables const& AffineTablesOf(FiniteField const& field)
{
    struct Entry {
        unsigned int size;
        unsigned short xToTheBits;
        AffineTables tables;
    };
    constexpr unsigned int kEntries = 6;
    thread_local Entry cache[kEntries];
    thread_local unsigned int used = 0;
    unsigned int const size = field.Size();
    unsigned int bits = 0;
    while ((1u << bits) < size) {
        ++bits;
    }
    unsigned short const xToTheBits = field.Power(static_cast<long long>(field.Logarithm(2)) * bits);
    for (unsigned int i = 0; i < used; ++i) {
        if (cache[i].size == size && cache[i].xToTheBits == xToTheBits) {
            return cache[i].tables;
        }
    }
    // Past the last entry the oldest gives way (more fields than entries are
    // not met, but the answer stays right when they are).
    if (used == kEntries) {
        for (unsigned int i = 0; i + 1 < kEntries; ++i) {
            cache[i] = cache[i + 1];
        }
        --used;
    }
    Entry& entry = cache[used++];
    BuildAffineTables(field, entry.tables);
    entry.size = size;
    entry.xToTheBits = xToTheBits;
    return entry.tables;
}

// The four matrices of one factor, each in every 64-bit lane.
struct AffineFactor {
    __m256i lowFromLow;
    __m256i lowFromHigh;
    __m256i highFromLow;
    __m256i highFromHigh;
};

// The four rows of a factor (low from low, low from high, high from low, high
// from high), one in each 64-bit lane.
__attribute__((target("avx2"), always_inline)) inline __m256i FactorRows(AffineTables const& tables, unsigned int factor)
{
    return _mm256_xor_si256(
        _mm256_load_si256(reinterpret_cast<__m256i const*>(&tables.piece[0][factor & 15])),
        _mm256_xor_si256(_mm256_load_si256(reinterpret_cast<__m256i const*>(&tables.piece[1][(factor >> 4) & 15])),
                         _mm256_load_si256(reinterpret_cast<__m256i const*>(&tables.piece[2][(factor >> 8) & 15]))));
}

__attribute__((target("avx2"), always_inline)) inline AffineFactor MakeAffineFactor(AffineTables const& tables, unsigned int factor)
{
    __m256i const rows = FactorRows(tables, factor);
    return {_mm256_permute4x64_epi64(rows, 0x00), _mm256_permute4x64_epi64(rows, 0x55),
            _mm256_permute4x64_epi64(rows, 0xAA), _mm256_permute4x64_epi64(rows, 0xFF)};
}

// (low, high) *= the factor, lane by lane.
template <bool Wide>
__attribute__((target("avx2,gfni"), always_inline)) inline void MultiplyAffine(AffineFactor const& factor, __m256i& low,
                                                                 __m256i& high)
{
    __m256i const lowFromLow = _mm256_gf2p8affine_epi64_epi8(low, factor.lowFromLow, 0);
    if (!Wide) {
        low = lowFromLow;
        return;
    }
    __m256i const product = _mm256_xor_si256(lowFromLow, _mm256_gf2p8affine_epi64_epi8(high, factor.lowFromHigh, 0));
    high = _mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low, factor.highFromLow, 0),
                            _mm256_gf2p8affine_epi64_epi8(high, factor.highFromHigh, 0));
    low = product;
}

// One halving of the byte lanes: lanes l < Width become factor lane_l + lane_(l+Width).
template <bool Wide, unsigned int Width>
__attribute__((target("avx2,gfni"), always_inline)) inline void HalveLanesByAffine(AffineFactor const& factor, __m256i& low,
                                                                     __m256i& high)
{
    __m256i const upperLow = UpperLanes<Width>(low);
    __m256i const upperHigh = Wide ? UpperLanes<Width>(high) : high;
    MultiplyAffine<Wide>(factor, low, high);
    low = _mm256_xor_si256(low, upperLow);
    if (Wide) {
        high = _mm256_xor_si256(high, upperHigh);
    }
}

// The lanes of one syndrome halved down to one, every halving a multiplication as
// cheap as a step; answers the syndrome.
template <bool Wide>
__attribute__((target("avx2,gfni"), always_inline)) inline unsigned short FoldLanesByAffine(AffineFactor const* factors,
                                                                             __m256i low, __m256i high)
{
    HalveLanesByAffine<Wide, 16>(factors[1], low, high);
    HalveLanesByAffine<Wide, 8>(factors[2], low, high);
    HalveLanesByAffine<Wide, 4>(factors[3], low, high);
    HalveLanesByAffine<Wide, 2>(factors[4], low, high);
    HalveLanesByAffine<Wide, 1>(factors[5], low, high);
    unsigned int const lowByte = static_cast<unsigned int>(_mm_cvtsi128_si32(_mm256_castsi256_si128(low)));
    // A wide field's high part is the low nibble: the planes may hold the
    // words' high parts in both nibbles (see PackedSyndromePair), and this
    // chain's rows neither read nor give the upper one.
    unsigned int const highByte = Wide ? static_cast<unsigned int>(_mm_cvtsi128_si32(_mm256_castsi256_si128(high))) : 0;
    return static_cast<unsigned short>((lowByte & 0xFF) | (highByte & 0x0F) << 8);
}

// The Horner chains of two syndromes side by side, so that the latency of one
// chain's transforms is covered by the other's.
template <bool Wide>
__attribute__((target("avx2,gfni"))) void AffineSyndromePair(AffineFactor const* first, AffineFactor const* second,
                                                             unsigned char const* low, unsigned char const* high,
                                                             unsigned int steps, unsigned short* syndromes)
{
    AffineFactor const gamma0 = first[0];
    AffineFactor const gamma1 = second[0];
    __m256i low0 = _mm256_setzero_si256();
    __m256i high0 = _mm256_setzero_si256();
    __m256i low1 = _mm256_setzero_si256();
    __m256i high1 = _mm256_setzero_si256();
    for (unsigned int q = 0; q < steps; ++q) {
        __m256i const wordLow = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + kLanes * q));
        MultiplyAffine<Wide>(gamma0, low0, high0);
        MultiplyAffine<Wide>(gamma1, low1, high1);
        low0 = _mm256_xor_si256(low0, wordLow);
        low1 = _mm256_xor_si256(low1, wordLow);
        if (Wide) {
            __m256i const wordHigh = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + kLanes * q));
            high0 = _mm256_xor_si256(high0, wordHigh);
            high1 = _mm256_xor_si256(high1, wordHigh);
        }
    }
    syndromes[0] = FoldLanesByAffine<Wide>(first, low0, high0);
    syndromes[1] = FoldLanesByAffine<Wide>(second, low1, high1);
}

// Two syndromes' chains in a wide field (m > 8, so a word's high byte holds at
// most 4 bits) with both high parts in one byte plane: the first chain's in the
// low nibble, the second's in the high one. A multiplication then takes seven
// affine transforms for the two rather than eight: each low byte from its own low
// byte and the shared plane, the shared plane from both low bytes and itself. A
// transform's bit i is the parity of row i (byte 7 - i of the lane) and the byte
// taken in: the first chain's rows read and give the low nibble as they stand
// (their upper four columns, and their rows for high bits 4 to 7, are 0), the
// second's are moved to read or give the high nibble.
struct PackedPairFactor {
    __m256i lowFromLow[2];
    __m256i lowFromHigh[2];
    __m256i highFromLow[2];
    __m256i highFromHigh;
};

__attribute__((target("avx2"), always_inline)) inline PackedPairFactor MakePackedPairFactor(AffineTables const& tables,
                                                                                            unsigned int first,
                                                                                            unsigned int second)
{
    __m256i const a = FactorRows(tables, first);
    // The second factor's rows: low from high reads the high nibble (each row
    // byte below 16, so the shift carries nothing into the next byte); high
    // from low and high from high give it (rows 0 to 3 move to bytes 3 to 0),
    // and high from high reads it too.
    __m256i const b = _mm256_sllv_epi64(_mm256_srlv_epi64(FactorRows(tables, second), _mm256_set_epi64x(32, 32, 0, 0)),
                                        _mm256_set_epi64x(4, 0, 4, 0));
    PackedPairFactor f;
    f.lowFromLow[0] = _mm256_permute4x64_epi64(a, 0x00);
    f.lowFromLow[1] = _mm256_permute4x64_epi64(b, 0x00);
    f.lowFromHigh[0] = _mm256_permute4x64_epi64(a, 0x55);
    f.lowFromHigh[1] = _mm256_permute4x64_epi64(b, 0x55);
    f.highFromLow[0] = _mm256_permute4x64_epi64(a, 0xAA);
    f.highFromLow[1] = _mm256_permute4x64_epi64(b, 0xAA);
    f.highFromHigh = _mm256_or_si256(_mm256_permute4x64_epi64(a, 0xFF), _mm256_permute4x64_epi64(b, 0xFF));
    return f;
}

// (low0, low1, high) *= the pair's factors, lane by lane.
__attribute__((target("avx2,gfni"), always_inline)) inline void MultiplyPackedPair(PackedPairFactor const& factor,
                                                                                  __m256i& low0, __m256i& low1,
                                                                                  __m256i& high)
{
    __m256i const product0 = _mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low0, factor.lowFromLow[0], 0),
                                              _mm256_gf2p8affine_epi64_epi8(high, factor.lowFromHigh[0], 0));
    __m256i const product1 = _mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low1, factor.lowFromLow[1], 0),
                                              _mm256_gf2p8affine_epi64_epi8(high, factor.lowFromHigh[1], 0));
    high = _mm256_xor_si256(_mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low0, factor.highFromLow[0], 0),
                                             _mm256_gf2p8affine_epi64_epi8(low1, factor.highFromLow[1], 0)),
                            _mm256_gf2p8affine_epi64_epi8(high, factor.highFromHigh, 0));
    low0 = product0;
    low1 = product1;
}

// One Horner step of the pair: (low0, low1, high) times the pair's factors
// plus the word, each sum formed as soon as its terms are there so that few
// values are live at once.
__attribute__((target("avx2,gfni"), always_inline)) inline void StepPackedPair(PackedPairFactor const& factor,
                                                                              __m256i wordLow, __m256i wordHigh,
                                                                              __m256i& low0, __m256i& low1,
                                                                              __m256i& high)
{
    __m256i const nextHigh =
        _mm256_xor_si256(_mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(high, factor.highFromHigh, 0), wordHigh),
                         _mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low0, factor.highFromLow[0], 0),
                                          _mm256_gf2p8affine_epi64_epi8(low1, factor.highFromLow[1], 0)));
    low0 = _mm256_xor_si256(_mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low0, factor.lowFromLow[0], 0), wordLow),
                            _mm256_gf2p8affine_epi64_epi8(high, factor.lowFromHigh[0], 0));
    low1 = _mm256_xor_si256(_mm256_xor_si256(_mm256_gf2p8affine_epi64_epi8(low1, factor.lowFromLow[1], 0), wordLow),
                            _mm256_gf2p8affine_epi64_epi8(high, factor.lowFromHigh[1], 0));
    high = nextHigh;
}

// One halving of the pair's byte lanes, as HalveLanesByAffine halves one chain's.
template <unsigned int Width>
__attribute__((target("avx2,gfni"), always_inline)) inline void FoldPackedPair(PackedPairFactor const& factor,
                                                                              __m256i& low0, __m256i& low1,
                                                                              __m256i& high)
{
    __m256i const upper0 = UpperLanes<Width>(low0);
    __m256i const upper1 = UpperLanes<Width>(low1);
    __m256i const upperHigh = UpperLanes<Width>(high);
    MultiplyPackedPair(factor, low0, low1, high);
    low0 = _mm256_xor_si256(low0, upper0);
    low1 = _mm256_xor_si256(low1, upper1);
    high = _mm256_xor_si256(high, upperHigh);
}

// The pair's lanes halved down to one: the two syndromes.
__attribute__((target("avx2,gfni"), always_inline)) inline void FoldPackedPairs(PackedPairFactor const* factors,
                                                                               __m256i low0, __m256i low1,
                                                                               __m256i packed, unsigned short* syndromes)
{
    FoldPackedPair<16>(factors[1], low0, low1, packed);
    FoldPackedPair<8>(factors[2], low0, low1, packed);
    FoldPackedPair<4>(factors[3], low0, low1, packed);
    FoldPackedPair<2>(factors[4], low0, low1, packed);
    FoldPackedPair<1>(factors[5], low0, low1, packed);
    unsigned int const first = static_cast<unsigned int>(_mm_cvtsi128_si32(_mm256_castsi256_si128(low0))) & 0xFF;
    unsigned int const second = static_cast<unsigned int>(_mm_cvtsi128_si32(_mm256_castsi256_si128(low1))) & 0xFF;
    unsigned int const both = static_cast<unsigned int>(_mm_cvtsi128_si32(_mm256_castsi256_si128(packed))) & 0xFF;
    syndromes[0] = static_cast<unsigned short>(first | (both & 0x0F) << 8);
    syndromes[1] = static_cast<unsigned short>(second | (both >> 4) << 8);
}

// The pair's Horner chains over the planes; high holds each word's high part
// in both nibbles.
__attribute__((target("avx2,gfni"))) void PackedSyndromePair(PackedPairFactor const* factors, unsigned char const* low,
                                                             unsigned char const* high, unsigned int steps,
                                                             unsigned short* syndromes)
{
    PackedPairFactor const gamma = factors[0];
    __m256i low0 = _mm256_setzero_si256();
    __m256i low1 = _mm256_setzero_si256();
    __m256i packed = _mm256_setzero_si256();
    for (unsigned int q = 0; q < steps; ++q) {
        __m256i const wordLow = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + kLanes * q));
        __m256i const wordHigh = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + kLanes * q));
        StepPackedPair(gamma, wordLow, wordHigh, low0, low1, packed);
    }
    FoldPackedPairs(factors, low0, low1, packed, syndromes);
}

// Two pairs' Horner chains over the planes side by side: a step of one chain
// waits on its transforms and sums, and the other pair's fill the time.
__attribute__((target("avx2,gfni"))) void PackedSyndromeQuad(PackedPairFactor const* first,
                                                             PackedPairFactor const* second, unsigned char const* low,
                                                             unsigned char const* high, unsigned int steps,
                                                             unsigned short* syndromes)
{
    __m256i low00 = _mm256_setzero_si256();
    __m256i low01 = _mm256_setzero_si256();
    __m256i packed0 = _mm256_setzero_si256();
    __m256i low10 = _mm256_setzero_si256();
    __m256i low11 = _mm256_setzero_si256();
    __m256i packed1 = _mm256_setzero_si256();
    for (unsigned int q = 0; q < steps; ++q) {
        __m256i const wordLow = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + kLanes * q));
        __m256i const wordHigh = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + kLanes * q));
        StepPackedPair(first[0], wordLow, wordHigh, low00, low01, packed0);
        StepPackedPair(second[0], wordLow, wordHigh, low10, low11, packed1);
    }
    FoldPackedPairs(first, low00, low01, packed0, syndromes);
    FoldPackedPairs(second, low10, low11, packed1, syndromes + 2);
}

// The factors of the next two syndromes as a pair: beta^32, beta^16, ..., beta^1
// from their logarithms, which move on by two syndromes.
constexpr unsigned int kFactorsPerSyndrome = 6;

__attribute__((target("avx2"))) void TakePackedPair(FiniteField const& field, AffineTables const& tables,
                                                    unsigned int* exponent, unsigned int const* advance,
                                                    PackedPairFactor* pair)
{
    unsigned int const order = field.Size() - 1;
    for (unsigned int h = 0; h < kFactorsPerSyndrome; ++h) {
        unsigned int const next =
            exponent[h] + advance[h] >= order ? exponent[h] + advance[h] - order : exponent[h] + advance[h];
        pair[h] = MakePackedPairFactor(tables, field.Antilogarithm(exponent[h]), field.Antilogarithm(next));
        exponent[h] = next + advance[h] >= order ? next + advance[h] - order : next + advance[h];
    }
}

template <bool Wide>
__attribute__((target("avx2,gfni"))) void AffineSyndrome(AffineFactor const* factors, unsigned char const* low,
                                                         unsigned char const* high, unsigned int steps,
                                                         unsigned short* syndrome)
{
    AffineFactor const gamma = factors[0];
    __m256i acc = _mm256_setzero_si256();
    __m256i accHigh = _mm256_setzero_si256();
    for (unsigned int q = 0; q < steps; ++q) {
        MultiplyAffine<Wide>(gamma, acc, accHigh);
        acc = _mm256_xor_si256(acc, _mm256_loadu_si256(reinterpret_cast<__m256i const*>(low + kLanes * q)));
        if (Wide) {
            accHigh =
                _mm256_xor_si256(accHigh, _mm256_loadu_si256(reinterpret_cast<__m256i const*>(high + kLanes * q)));
        }
    }
    *syndrome = FoldLanesByAffine<Wide>(factors, acc, accHigh);
}

// GF(2^m), m <= 12, the words as byte planes as in SyndromesOfPlanes, each factor's
// multiplication a few affine byte transforms rather than table shuffles. Two
// syndromes share each pass over the planes; in a wide field four do, as two
// packed pairs, the last two or one as before.
template <bool Wide>
__attribute__((target("avx2,gfni"))) void SyndromesOfPlanesByAffine(FiniteField const& field, unsigned int firstRoot,
                                                                    unsigned char const* low,
                                                                    unsigned char const* high, unsigned int steps,
                                                                    unsigned int count, unsigned short* syndromes)
{
    unsigned int const order = field.Size() - 1;
    AffineTables const& tables = AffineTablesOf(field);
    // The logarithms of beta^32, beta^16, ..., beta^1 for beta = alpha^(firstRoot + j),
    // and their steps from one syndrome to the next.
    constexpr unsigned int kFactors = kFactorsPerSyndrome;
    unsigned int exponent[kFactors];
    unsigned int advance[kFactors];
    for (unsigned int h = 0; h < kFactors; ++h) {
        exponent[h] = static_cast<unsigned int>((kLanes >> h) * static_cast<unsigned long long>(firstRoot) % order);
        advance[h] = (kLanes >> h) % order;
    }
    constexpr unsigned int kWays = 2;
    AffineFactor factors[kWays][kFactors];
    for (unsigned int j = 0; j < count; j += kWays) {
        unsigned int const ways = count - j < kWays ? count - j : kWays;
        if (Wide && count - j >= 2 * kWays) {
            PackedPairFactor pairs[2][kFactors];
            TakePackedPair(field, tables, exponent, advance, pairs[0]);
            TakePackedPair(field, tables, exponent, advance, pairs[1]);
            PackedSyndromeQuad(pairs[0], pairs[1], low, high, steps, syndromes + j);
            j += kWays;
            continue;
        }
        if (Wide && ways == kWays) {
            PackedPairFactor pair[kFactors];
            TakePackedPair(field, tables, exponent, advance, pair);
            PackedSyndromePair(pair, low, high, steps, syndromes + j);
            continue;
        }
        for (unsigned int w = 0; w < ways; ++w) {
            for (unsigned int h = 0; h < kFactors; ++h) {
                factors[w][h] = MakeAffineFactor(tables, field.Antilogarithm(exponent[h]));
                exponent[h] += advance[h];
                exponent[h] = exponent[h] >= order ? exponent[h] - order : exponent[h];
            }
        }
        // A wide field's pairs went as packed pairs above: only a narrow one
        // has two chains left here.
        if (!Wide && ways == kWays) {
            AffineSyndromePair<false>(factors[0], factors[1], low, high, steps, syndromes + j);
        } else {
            AffineSyndrome<Wide>(factors[0], low, high, steps, syndromes + j);
        }
    }
    // The upper halves cleared before the caller's SSE code: left set, they slow
    // every legacy SSE instruction that follows.
    _mm256_zeroupper();
}

// r = v gamma + w mod p for 16-bit lanes, with v, w < p and 2p < 2^16: the quotient
// of v gamma by p is v gammaShoup / 2^16 (gammaShoup = floor(gamma 2^16 / p)) or one
// less, so the remainder taken with it lies below 2p, and one conditional
// subtraction (the smaller of r and r - p, as r - p wraps when r < p) ends it.
__attribute__((target("avx2"))) inline __m256i MultiplyAddModulo(__m256i v, __m256i w, __m256i gamma,
                                                                  __m256i gammaShoup, __m256i prime)
{
    __m256i const quotient = _mm256_mulhi_epu16(v, gammaShoup);
    __m256i r = _mm256_sub_epi16(_mm256_mullo_epi16(v, gamma), _mm256_mullo_epi16(quotient, prime));
    r = _mm256_min_epu16(r, _mm256_sub_epi16(r, prime));
    r = _mm256_add_epi16(r, w);
    return _mm256_min_epu16(r, _mm256_sub_epi16(r, prime));
}

// factor = alpha^e and its Shoup companion floor(factor 2^16 / p), as vectors.
struct PrimeFactor {
    __m256i factor;
    __m256i shoup;
};

__attribute__((target("avx2"))) inline PrimeFactor MakePrimeFactor(FiniteField const& field, unsigned int exponent)
{
    unsigned int const factor = field.Antilogarithm(exponent);
    unsigned int const shoup =
        static_cast<unsigned int>((static_cast<unsigned long long>(factor) << 16) / field.Size());
    return {_mm256_set1_epi16(static_cast<short>(factor)), _mm256_set1_epi16(static_cast<short>(shoup))};
}

// GF(p), 2p < 2^16: words as 16-bit integers, two vectors of 16 lanes a step,
// halved down to one lane.
__attribute__((target("avx2"))) void SyndromesOfPrimeWords(FiniteField const& field, unsigned int firstRoot,
                                                           unsigned short const* words, unsigned int steps,
                                                           unsigned int count, unsigned short* syndromes)
{
    unsigned int const prime = field.Size();
    unsigned int const order = prime - 1;
    __m256i const primes = _mm256_set1_epi16(static_cast<short>(prime));
    // The logarithms of beta^32, beta^16, ..., beta^1.
    constexpr unsigned int kFactors = 6;
    unsigned int exponent[kFactors];
    for (unsigned int h = 0; h < kFactors; ++h) {
        exponent[h] = static_cast<unsigned int>((kLanes >> h) * static_cast<unsigned long long>(firstRoot) % order);
    }
    for (unsigned int j = 0; j < count; ++j) {
        PrimeFactor factor[kFactors];
        for (unsigned int h = 0; h < kFactors; ++h) {
            factor[h] = MakePrimeFactor(field, exponent[h]);
            exponent[h] += (kLanes >> h) % order;
            exponent[h] = exponent[h] >= order ? exponent[h] - order : exponent[h];
        }
        __m256i first = _mm256_setzero_si256();
        __m256i second = _mm256_setzero_si256();
        for (unsigned int q = 0; q < steps; ++q) {
            __m256i const* at = reinterpret_cast<__m256i const*>(words + kLanes * q);
            first = MultiplyAddModulo(first, _mm256_loadu_si256(at), factor[0].factor, factor[0].shoup, primes);
            second = MultiplyAddModulo(second, _mm256_loadu_si256(at + 1), factor[0].factor, factor[0].shoup, primes);
        }
        // 16-bit lanes: 16 in each vector, then 8, 4, 2, 1 (shifts in bytes).
        __m256i v = MultiplyAddModulo(first, second, factor[1].factor, factor[1].shoup, primes);
        v = MultiplyAddModulo(v, _mm256_permute2x128_si256(v, v, 0x01), factor[2].factor, factor[2].shoup, primes);
        v = MultiplyAddModulo(v, _mm256_srli_si256(v, 8), factor[3].factor, factor[3].shoup, primes);
        v = MultiplyAddModulo(v, _mm256_srli_si256(v, 4), factor[4].factor, factor[4].shoup, primes);
        v = MultiplyAddModulo(v, _mm256_srli_si256(v, 2), factor[5].factor, factor[5].shoup, primes);
        syndromes[j] = static_cast<unsigned short>(_mm_cvtsi128_si32(_mm256_castsi256_si128(v)) & 0xFFFF);
    }
}

// Below these many words the tables and the halvings cost more than they save.
constexpr unsigned int kVectorMinimumWordsOfPowerOfTwoField = 96;
constexpr unsigned int kVectorMinimumWordsOfPrimeField = 12;

// The vector route when the processor, the field and the scratch allow it.
bool SyndromesByVectors(FiniteField const& field, unsigned int firstRoot, unsigned short const* codewords,
                        unsigned int n, unsigned int count, unsigned short* syndromes, unsigned short* scratch,
                        unsigned int scratchEntries, SyndromeRoute route)
{
    unsigned int const size = field.Size();
    unsigned int const padded = SyndromeScratchEntries(n);
    unsigned int const minimum =
        field.Characteristic() == 2 ? kVectorMinimumWordsOfPowerOfTwoField : kVectorMinimumWordsOfPrimeField;
    if (n < minimum || scratch == nullptr || scratchEntries < padded || !ProcessorHasAvx2()) {
        return false;
    }
    unsigned int const steps = padded / kLanes;
    unsigned int const lead = padded - n;
    if (field.Characteristic() == 2) {
        if (size > 4096) {
            return false;
        }
        // Byte planes inside the scratch: low bytes in the first half, high in the second.
        unsigned char* const low = reinterpret_cast<unsigned char*>(scratch);
        unsigned char* const high = low + padded;
        for (unsigned int i = 0; i < lead; ++i) {
            low[i] = 0;
            high[i] = 0;
        }
        bool const affine = route == SyndromeRoute::kFastest && ProcessorHasAffineBytes();
        // The paired chains of a wide field take the high parts (below 16) in
        // both nibbles.
        unsigned int const highScale = affine && size > 256 ? 0x11 : 1;
        for (unsigned int i = 0; i < n; ++i) {
            unsigned short const word = ReceivedValue(codewords, i, size);
            low[lead + i] = static_cast<unsigned char>(word & 0xFF);
            high[lead + i] = static_cast<unsigned char>((word >> 8) * highScale);
        }
        if (affine && size > 256) {
            SyndromesOfPlanesByAffine<true>(field, firstRoot, low, high, steps, count, syndromes);
        } else if (affine) {
            SyndromesOfPlanesByAffine<false>(field, firstRoot, low, high, steps, count, syndromes);
        } else if (size > 256) {
            SyndromesOfPlanes<true>(field, firstRoot, low, high, steps, count, syndromes);
        } else {
            SyndromesOfPlanes<false>(field, firstRoot, low, high, steps, count, syndromes);
        }
        return true;
    }
    if (size > 32767) {
        return false;
    }
    for (unsigned int i = 0; i < lead; ++i) {
        scratch[i] = 0;
    }
    for (unsigned int i = 0; i < n; ++i) {
        scratch[lead + i] = ReceivedValue(codewords, i, size);
    }
    SyndromesOfPrimeWords(field, firstRoot, scratch, steps, count, syndromes);
    return true;
}

#else

bool SyndromesByVectors(FiniteField const&, unsigned int, unsigned short const*, unsigned int, unsigned int,
                        unsigned short*, unsigned short*, unsigned int, SyndromeRoute)
{
    return false;
}

#endif

} // namespace

bool ComputeSyndromes(FiniteField const& field, unsigned int firstRoot, unsigned short const* codewords, unsigned int n,
                      unsigned int count, unsigned short* syndromes, unsigned short* scratch,
                      unsigned int scratchEntries, SyndromeRoute route)
{
    if (route != SyndromeRoute::kTableLookups &&
        SyndromesByVectors(field, firstRoot, codewords, n, count, syndromes, scratch, scratchEntries, route)) {
        bool allZero = true;
        for (unsigned int j = 0; j < count; ++j) {
            allZero = allZero && syndromes[j] == 0;
        }
        return allZero;
    }
    return SyndromesByTableLookups(field, firstRoot, codewords, n, count, syndromes);
}

} // namespace DEC2DIvra
