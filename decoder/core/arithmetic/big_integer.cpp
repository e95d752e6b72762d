#include "decoder/core/arithmetic/big_integer.h"

namespace DEC2DIvra::big_integer_words {

void Set(unsigned* w, unsigned n, unsigned long long low, bool negative)
{
    w[0] = static_cast<unsigned>(low);
    w[1] = static_cast<unsigned>(low >> 32);
    unsigned const fill = negative ? 0xFFFFFFFFu : 0u;
    for (unsigned i = 2; i < n; ++i) {
        w[i] = fill;
    }
}

void Add(unsigned* w, unsigned const* v, unsigned n)
{
    unsigned long long carry = 0;
    for (unsigned i = 0; i < n; ++i) {
        unsigned long long const sum = static_cast<unsigned long long>(w[i]) + v[i] + carry;
        w[i] = static_cast<unsigned>(sum);
        carry = sum >> 32;
    }
}

void Sub(unsigned* w, unsigned const* v, unsigned n)
{
    unsigned long long borrow = 0;
    for (unsigned i = 0; i < n; ++i) {
        unsigned long long const sub = static_cast<unsigned long long>(v[i]) + borrow;
        unsigned long long const cur = w[i];
        w[i] = static_cast<unsigned>(cur - sub);
        borrow = cur < sub ? 1 : 0;
    }
}

void Negate(unsigned* w, unsigned n)
{
    unsigned long long carry = 1;
    for (unsigned i = 0; i < n; ++i) {
        unsigned long long const sum = static_cast<unsigned long long>(~w[i]) + carry;
        w[i] = static_cast<unsigned>(sum);
        carry = sum >> 32;
    }
}

void Mul(unsigned* w, unsigned const* v, unsigned n, unsigned* scratch)
{
    // Two's complement product modulo 2^(32n) needs no sign handling.
    for (unsigned i = 0; i < n; ++i) {
        scratch[i] = 0;
    }
    for (unsigned i = 0; i < n; ++i) {
        if (w[i] == 0) {
            continue;
        }
        unsigned long long carry = 0;
        for (unsigned j = 0; i + j < n; ++j) {
            unsigned long long const t =
                static_cast<unsigned long long>(w[i]) * v[j] + scratch[i + j] + carry;
            scratch[i + j] = static_cast<unsigned>(t);
            carry = t >> 32;
        }
    }
    for (unsigned i = 0; i < n; ++i) {
        w[i] = scratch[i];
    }
}

bool IsNegative(unsigned const* w, unsigned n) { return (w[n - 1] >> 31) != 0; }

bool IsZero(unsigned const* w, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        if (w[i] != 0) {
            return false;
        }
    }
    return true;
}

unsigned BitLength(unsigned const* w, unsigned n)
{
    for (unsigned i = n; i-- > 0;) {
        if (w[i] != 0) {
            unsigned bits = 0;
            for (unsigned x = w[i]; x != 0; x >>= 1) {
                ++bits;
            }
            return i * 32 + bits;
        }
    }
    return 0;
}

int CompareSigned(unsigned const* w, unsigned const* v, unsigned n)
{
    bool const wn = IsNegative(w, n);
    bool const vn = IsNegative(v, n);
    if (wn != vn) {
        return wn ? -1 : 1;
    }
    for (unsigned i = n; i-- > 0;) {
        if (w[i] != v[i]) {
            return w[i] < v[i] ? -1 : 1;
        }
    }
    return 0;
}

void LeftShift(unsigned* w, unsigned n, unsigned bits)
{
    if (bits >= 32 * n) {
        for (unsigned i = 0; i < n; ++i) {
            w[i] = 0;
        }
        return;
    }
    unsigned const words = bits / 32;
    unsigned const rest = bits % 32;
    for (unsigned i = n; i-- > 0;) {
        unsigned long long value = 0;
        if (i >= words) {
            value = static_cast<unsigned long long>(w[i - words]) << rest;
            if (rest != 0 && i >= words + 1) {
                value |= w[i - words - 1] >> (32 - rest);
            }
        }
        w[i] = static_cast<unsigned>(value);
    }
}

void RightShift(unsigned* w, unsigned n, unsigned bits, bool arithmetic)
{
    unsigned const fill = (arithmetic && IsNegative(w, n)) ? 0xFFFFFFFFu : 0u;
    if (bits >= 32 * n) {
        for (unsigned i = 0; i < n; ++i) {
            w[i] = fill;
        }
        return;
    }
    unsigned const words = bits / 32;
    unsigned const rest = bits % 32;
    for (unsigned i = 0; i < n; ++i) {
        unsigned const lo = (i + words < n) ? w[i + words] : fill;
        unsigned const hi = (i + words + 1 < n) ? w[i + words + 1] : fill;
        w[i] = rest == 0 ? lo : static_cast<unsigned>((lo >> rest) | (static_cast<unsigned long long>(hi) << (32 - rest)));
    }
}

bool DivMod(unsigned* w, unsigned const* v, unsigned* r, unsigned n, unsigned* scratch)
{
    if (IsZero(v, n)) {
        return false;
    }
    bool const dividendNegative = IsNegative(w, n);
    bool const divisorNegative = IsNegative(v, n);
    unsigned* a = scratch;      // |dividend|, becomes the quotient
    unsigned* b = scratch + n;  // |divisor|
    for (unsigned i = 0; i < n; ++i) {
        a[i] = w[i];
        b[i] = v[i];
        r[i] = 0;
    }
    if (dividendNegative) {
        Negate(a, n);
    }
    if (divisorNegative) {
        Negate(b, n);
    }
    // Restoring division, bit by bit from the highest set bit. The magnitudes
    // are taken as unsigned, so the most negative value divides correctly.
    unsigned bits = 0;
    for (unsigned i = n; i-- > 0;) {
        if (a[i] != 0) {
            unsigned x = a[i];
            bits = i * 32;
            while (x != 0) {
                ++bits;
                x >>= 1;
            }
            break;
        }
    }
    for (unsigned k = bits; k-- > 0;) {
        // r = (r << 1) | bit k of a, kept unsigned.
        unsigned carry = (a[k / 32] >> (k % 32)) & 1u;
        for (unsigned i = 0; i < n; ++i) {
            unsigned const next = r[i] >> 31;
            r[i] = (r[i] << 1) | carry;
            carry = next;
        }
        // Compare r and b as unsigned numbers (r < 2b always holds).
        bool geq = carry != 0;
        if (!geq) {
            geq = true;
            for (unsigned i = n; i-- > 0;) {
                if (r[i] != b[i]) {
                    geq = r[i] > b[i];
                    break;
                }
            }
        }
        a[k / 32] &= ~(1u << (k % 32));
        if (geq) {
            Sub(r, b, n);
            a[k / 32] |= 1u << (k % 32);
        }
    }
    if (dividendNegative != divisorNegative) {
        Negate(a, n);
    }
    if (dividendNegative) {
        Negate(r, n);
    }
    for (unsigned i = 0; i < n; ++i) {
        w[i] = a[i];
    }
    return true;
}

}  // namespace DEC2DIvra::big_integer_words
