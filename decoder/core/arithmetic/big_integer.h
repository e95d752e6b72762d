#pragma once

namespace DEC2DIvra {

// Word-array arithmetic shared by every size of BigInteger: little-endian
// 32-bit words in two's complement, results truncated to the word count.
namespace big_integer_words {

void Set(unsigned* w, unsigned n, unsigned long long low, bool negative);
void Add(unsigned* w, unsigned const* v, unsigned n);
void Sub(unsigned* w, unsigned const* v, unsigned n);
void Negate(unsigned* w, unsigned n);
// w = w * v (mod 2^(32n)); `scratch` holds n words.
void Mul(unsigned* w, unsigned const* v, unsigned n, unsigned* scratch);
// Signed division truncating toward zero: w = w / v, r = w % v (sign of the
// dividend). False, nothing changed, when v is 0. `scratch` holds 2n words.
bool DivMod(unsigned* w, unsigned const* v, unsigned* r, unsigned n, unsigned* scratch);
void LeftShift(unsigned* w, unsigned n, unsigned bits);
void RightShift(unsigned* w, unsigned n, unsigned bits, bool arithmetic);
bool IsNegative(unsigned const* w, unsigned n);
int CompareSigned(unsigned const* w, unsigned const* v, unsigned n);
bool IsZero(unsigned const* w, unsigned n);
unsigned BitLength(unsigned const* w, unsigned n);

}  // namespace big_integer_words

// A fixed-width signed integer of N 32-bit words for exact wide products and
// quotients. Operations wrap modulo 2^(32 N) like machine integers.
template <unsigned N>
class BigInteger {
    static_assert(N >= 2, "at least 64 bits");

public:
    static constexpr unsigned kWords = N;

    BigInteger() = default;
    explicit BigInteger(unsigned value) { Copy(value); }
    explicit BigInteger(int value) { Copy(value); }
    explicit BigInteger(long long value) { Copy(value); }
    explicit BigInteger(unsigned long long value) { Copy(value); }

    void Copy(BigInteger const& other) { *this = other; }
    void Copy(unsigned value) { big_integer_words::Set(words_, N, value, false); }
    void Copy(int value) { Copy(static_cast<long long>(value)); }
    void Copy(long long value)
    {
        big_integer_words::Set(words_, N, static_cast<unsigned long long>(value), value < 0);
    }
    void Copy(unsigned long long value) { big_integer_words::Set(words_, N, value, false); }

    void Add(BigInteger const& v) { big_integer_words::Add(words_, v.words_, N); }
    void Sub(BigInteger const& v) { big_integer_words::Sub(words_, v.words_, N); }
    void Mul(BigInteger const& v)
    {
        unsigned scratch[N];
        big_integer_words::Mul(words_, v.words_, N, scratch);
    }
    // Quotient truncated toward zero; false (unchanged) on division by 0.
    bool Div(BigInteger const& v)
    {
        unsigned remainder[N];
        unsigned scratch[2 * N];
        return big_integer_words::DivMod(words_, v.words_, remainder, N, scratch);
    }
    // Remainder with the sign of the dividend; false (unchanged) on 0.
    bool Mod(BigInteger const& v)
    {
        unsigned remainder[N];
        unsigned scratch[2 * N];
        unsigned quotient[N];
        for (unsigned i = 0; i < N; ++i) {
            quotient[i] = words_[i];
        }
        if (!big_integer_words::DivMod(quotient, v.words_, remainder, N, scratch)) {
            return false;
        }
        for (unsigned i = 0; i < N; ++i) {
            words_[i] = remainder[i];
        }
        return true;
    }
    void Negate() { big_integer_words::Negate(words_, N); }

    void LeftShift(unsigned bits) { big_integer_words::LeftShift(words_, N, bits); }
    void RightShift(unsigned bits) { big_integer_words::RightShift(words_, N, bits, false); }
    void SignedRightShift(unsigned bits) { big_integer_words::RightShift(words_, N, bits, true); }

    void Or(BigInteger const& v)
    {
        for (unsigned i = 0; i < N; ++i) {
            words_[i] |= v.words_[i];
        }
    }
    void And(BigInteger const& v)
    {
        for (unsigned i = 0; i < N; ++i) {
            words_[i] &= v.words_[i];
        }
    }
    void XOr(BigInteger const& v)
    {
        for (unsigned i = 0; i < N; ++i) {
            words_[i] ^= v.words_[i];
        }
    }

    bool IsEqualTo(BigInteger const& v) const { return big_integer_words::CompareSigned(words_, v.words_, N) == 0; }
    bool IsBiggerThan(BigInteger const& v) const { return big_integer_words::CompareSigned(words_, v.words_, N) > 0; }
    bool IsNegative() const { return big_integer_words::IsNegative(words_, N); }
    bool IsZero() const { return big_integer_words::IsZero(words_, N); }

    // True when the value fits a signed 64-bit integer.
    bool FitsLong() const
    {
        unsigned const fill = IsNegative() ? 0xFFFFFFFFu : 0u;
        for (unsigned i = 2; i < N; ++i) {
            if (words_[i] != fill) {
                return false;
            }
        }
        return ((words_[1] >> 31) != 0) == IsNegative();
    }

    // The low 64 bits as a signed value.
    long long GetLong() const
    {
        unsigned long long const low =
            (static_cast<unsigned long long>(words_[1]) << 32) | static_cast<unsigned long long>(words_[0]);
        return static_cast<long long>(low);
    }

    // Bits needed for the magnitude (0 for 0).
    unsigned GetMagnitudeBits() const
    {
        if (!IsNegative()) {
            return big_integer_words::BitLength(words_, N);
        }
        BigInteger m = *this;
        m.Negate();
        return big_integer_words::BitLength(m.words_, N);
    }

    unsigned GetWord(unsigned i) const { return i < N ? words_[i] : (IsNegative() ? 0xFFFFFFFFu : 0u); }

private:
    unsigned words_[N] = {};
};

// n / d rounded to nearest, halves upward; false when d is 0.
template <unsigned N>
bool RoundDivide(BigInteger<N> n, BigInteger<N> d, BigInteger<N>& quotient)
{
    if (d.IsZero()) {
        return false;
    }
    if (d.IsNegative()) {
        n.Negate();
        d.Negate();
    }
    BigInteger<N> q = n;
    q.Div(d);
    BigInteger<N> r = n;
    r.Mod(d);
    if (r.IsNegative()) {
        q.Sub(BigInteger<N>(1));
        r.Add(d);
    }
    // Up when 2r >= d, written as r >= d - r so that nothing overflows.
    BigInteger<N> rest = d;
    rest.Sub(r);
    if (!rest.IsBiggerThan(r)) {
        q.Add(BigInteger<N>(1));
    }
    quotient = q;
    return true;
}

// The common 32-word integer of the geometry and arithmetic routines.
class CommonBigInteger : public BigInteger<32> {
public:
    using BigInteger<32>::BigInteger;
    CommonBigInteger() = default;
    CommonBigInteger(BigInteger<32> const& v) : BigInteger<32>(v) {}
};

}  // namespace DEC2DIvra
