#include "decoder/legacy/engine/legacy_arith.h"

#include <cmath>

namespace {

__extension__ typedef unsigned __int128 Magnitude;

constexpr int kDigits = 5;
constexpr unsigned int kDigitBits = 15;
constexpr unsigned int kMagnitudeBits = kDigits * kDigitBits;
constexpr Magnitude kLimit = Magnitude{1} << kMagnitudeBits;

Magnitude MagnitudeOf(MULTIPREC_st const& x)
{
    Magnitude m = 0;
    for (int i = kDigits - 1; i >= 0; --i) {
        m = (m << kDigitBits) | (x.w[i] & 0x7FFF);
    }
    return m;
}

// Stores m (truncated to 75 bits) with the sign; -1 when it had to be truncated.
int Store(MULTIPREC_st* x, Magnitude m, bool negative)
{
    int const result = m >= kLimit ? -1 : 0;
    m &= kLimit - 1;
    for (int i = 0; i < kDigits; ++i) {
        x->w[i] = static_cast<unsigned short>(m & 0x7FFF);
        m >>= kDigitBits;
    }
    x->w[5] = negative ? 1 : 0;
    return result;
}

bool Negative(MULTIPREC_st const& x) { return x.w[5] != 0; }

// The signed sum of a and b with b's sign given; equal magnitudes of unlike
// sign give 0 with sign 0.
int SignedSum(MULTIPREC_st* dst, MULTIPREC_st const& a, Magnitude b, bool bNegative)
{
    Magnitude const ma = MagnitudeOf(a);
    bool const aNegative = Negative(a);
    if (aNegative == bNegative) {
        return Store(dst, ma + b, aNegative);
    }
    if (ma > b) {
        return Store(dst, ma - b, aNegative);
    }
    if (ma < b) {
        return Store(dst, b - ma, bNegative);
    }
    return Store(dst, 0, false);
}

void Exchange(int* keys, int* companion, int i, int j, int mode, void (*exchangeEntries)(int, int))
{
    int const key = keys[i];
    keys[i] = keys[j];
    keys[j] = key;
    if (mode == 2 && companion != nullptr) {
        int const value = companion[i];
        companion[i] = companion[j];
        companion[j] = value;
    } else if (mode == 3 && exchangeEntries != nullptr) {
        exchangeEntries(i, j);
    }
}

}  // namespace

int multprec_init(MULTIPREC_st* x, int v) { return multprec_init64(x, v); }

int multprec_init64(MULTIPREC_st* x, long long v)
{
    unsigned long long const magnitude =
        v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    return Store(x, magnitude, v < 0);
}

int multprec_copy(MULTIPREC_st* dst, MULTIPREC_st const* src)
{
    *dst = *src;
    return 0;
}

int multprec_ucmp(MULTIPREC_st const* a, MULTIPREC_st const* b)
{
    Magnitude const ma = MagnitudeOf(*a);
    Magnitude const mb = MagnitudeOf(*b);
    return ma < mb ? 1 : ma > mb ? -1 : 0;
}

int multprec_add(MULTIPREC_st* dst, MULTIPREC_st const* a, MULTIPREC_st const* b)
{
    return SignedSum(dst, *a, MagnitudeOf(*b), Negative(*b));
}

int multprec_sub(MULTIPREC_st* dst, MULTIPREC_st const* a, MULTIPREC_st const* b)
{
    return SignedSum(dst, *a, MagnitudeOf(*b), !Negative(*b));
}

int multprec_mul(MULTIPREC_st* dst, MULTIPREC_st const* a, int m)
{
    unsigned long long const factor =
        m < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(m)) : static_cast<unsigned long long>(m);
    // 75 bits times 32 bits fits 128.
    return Store(dst, MagnitudeOf(*a) * factor, Negative(*a) != (m < 0));
}

int multprec_shift(MULTIPREC_st* dst, MULTIPREC_st const* a, int s)
{
    Magnitude const m = MagnitudeOf(*a);
    bool const negative = Negative(*a);
    if (s >= 0) {
        if (s >= static_cast<int>(kMagnitudeBits)) {
            Store(dst, 0, negative);
            return m == 0 ? 0 : -1;
        }
        // The bits pushed past word 4 are lost (and may pass 128 bits: tested first).
        bool const lost = (m >> (kMagnitudeBits - static_cast<unsigned int>(s))) != 0;
        Store(dst, m << s, negative);
        return lost ? -1 : 0;
    }
    unsigned int const right = static_cast<unsigned int>(-static_cast<long long>(s));
    return Store(dst, right >= kMagnitudeBits ? 0 : m >> right, negative);
}

int multprec_div(MULTIPREC_st* dst, MULTIPREC_st const* a, int d)
{
    if (d == 0) {
        return -1;
    }
    unsigned long long divisor =
        d < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(d)) : static_cast<unsigned long long>(d);
    Magnitude dividend = MagnitudeOf(*a);
    while (divisor > 65536) {
        divisor >>= 1;
        dividend >>= 1;
    }
    Store(dst, dividend / divisor, Negative(*a) != (d < 0));
    return 0;
}

int multprec_transform(int* out, MULTIPREC_st const* x)
{
    Magnitude const m = MagnitudeOf(*x);
    bool const negative = Negative(*x);
    unsigned int const low = static_cast<unsigned int>(m);
    *out = static_cast<int>(negative ? 0u - low : low);
    Magnitude const bound = negative ? Magnitude{0x80000000u} : Magnitude{0x7FFFFFFFu};
    return m > bound ? -1 : 0;
}

int multprec_negative(MULTIPREC_st* x)
{
    x->w[5] = x->w[5] != 0 ? 0 : 1;
    return 0;
}

int int_sqrt33(int v) { return v < 0 ? 0 : static_cast<int>(std::sqrt(static_cast<double>(v))); }

int clip256(int v) { return v < 0 ? 0 : v > 1023 ? 1023 : v; }

int COM_tree_search(int* index, int const* keys, int const* values, int n, int key)
{
    *index = 0;
    if (n < 1) {
        return -1;
    }
    int lo = 0;
    int hi = n - 1;
    while (hi > lo) {
        int const mid = (lo + hi) / 2;
        *index = mid;
        if (key == keys[mid]) {
            return values[mid];
        }
        if (key <= keys[mid]) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    // hi may have fallen below 0 when the key lies below every entry.
    if (lo >= 0 && lo < n && keys[lo] == key) {
        *index = lo;
        return values[lo];
    }
    return -1;
}

int partition(int* keys, int* companion, int lo, int hi, int mode, void (*exchangeEntries)(int, int))
{
    int const pivot = keys[hi];
    int i = lo;
    int j = hi - 1;
    for (;;) {
        while (keys[i] < pivot) {  // stops at hi at the latest
            ++i;
        }
        while (j > i && keys[j] > pivot) {
            --j;
        }
        if (i >= j) {
            break;
        }
        Exchange(keys, companion, i, j, mode, exchangeEntries);
        ++i;
        --j;
    }
    if (i != hi) {
        Exchange(keys, companion, i, hi, mode, exchangeEntries);
    }
    return i;
}

int quick_sort_2(int* keys, int* companion, int n, int mode, void (*exchangeEntries)(int, int))
{
    constexpr int kStack = 30;
    int stackLo[kStack];
    int stackHi[kStack];
    int depth = 0;
    int lo = 0;
    int hi = n - 1;
    for (;;) {
        while (lo < hi) {
            int const p = partition(keys, companion, lo, hi, mode, exchangeEntries);
            // The larger part waits on the stack; the smaller is sorted next.
            if (depth == kStack) {
                return -1;
            }
            if (p - lo > hi - p) {
                stackLo[depth] = lo;
                stackHi[depth++] = p - 1;
                lo = p + 1;
            } else {
                stackLo[depth] = p + 1;
                stackHi[depth++] = hi;
                hi = p - 1;
            }
        }
        if (depth == 0) {
            return 0;
        }
        --depth;
        lo = stackLo[depth];
        hi = stackHi[depth];
    }
}

int Division256[256];
int Division256OCT[256];
int DivisionLap[256];

void Init_Division256()
{
    Division256[0] = 0;
    for (int k = 1; k < 256; ++k) {
        Division256[k] = 65536 / k;
    }
}

void Init_Division256OCT()
{
    Division256OCT[0] = 0;
    for (int k = 1; k < 256; ++k) {
        Division256OCT[k] = 256 / k;
    }
}

void Init_DivisionLap()
{
    for (int i = 0; i < 256; ++i) {
        DivisionLap[i] = 16384 / (i + 20);
    }
}

int Divide256(int x, int k) { return static_cast<int>((static_cast<long long>(Division256[k & 255]) * x) >> 16); }

int Divide256OCT(int x, int k) { return static_cast<int>((static_cast<long long>(Division256OCT[k & 255]) * x) >> 8); }

int multprec_test() { return 0; }

int g_pita(int a, int b)
{
    float const fa = static_cast<float>(a);
    float const fb = static_cast<float>(b);
    return static_cast<int>(std::sqrt(fa * fa + fb * fb));
}

int CalcBcc(unsigned short const* data, unsigned long n)
{
    unsigned int bcc = 0;
    for (unsigned long i = 0; data != nullptr && i < n; ++i) {
        bcc ^= data[i] & 0xFFu;
    }
    return static_cast<int>(bcc);
}
