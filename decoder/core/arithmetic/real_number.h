#pragma once

#include "decoder/core/arithmetic/big_integer.h"

namespace DEC2DIvra {

// A fixed-point number: the raw integer holds the value times 2^Fraction.
// Products and quotients go through a multiword integer so that no
// intermediate overflows, on any word size.
template <class T, unsigned Fraction>
class RealNumber {
public:
    static constexpr unsigned kFraction = Fraction;

    RealNumber() = default;

    static RealNumber FromRaw(T raw)
    {
        RealNumber r;
        r.raw_ = raw;
        return r;
    }
    static RealNumber FromInt(int value)
    {
        return FromRaw(static_cast<T>(static_cast<T>(value) * (static_cast<T>(1) << Fraction)));
    }
    // numerator / denominator rounded to nearest; zero for a zero denominator.
    static RealNumber FromRatio(long long numerator, long long denominator)
    {
        if (denominator == 0) {
            return RealNumber();
        }
        BigInteger<4> n(numerator);
        n.LeftShift(Fraction);
        return FromRaw(static_cast<T>(RoundDivide(n, BigInteger<4>(denominator))));
    }

    T GetRaw() const { return raw_; }

    // Whole part rounded to nearest, halves upward.
    long long ToRoundedInt() const
    {
        BigInteger<4> n(static_cast<long long>(raw_));
        n.Add(BigInteger<4>(static_cast<long long>(static_cast<T>(1) << (Fraction - 1))));
        n.SignedRightShift(Fraction);
        return n.GetLong();
    }

    RealNumber Add(RealNumber v) const { return FromRaw(static_cast<T>(raw_ + v.raw_)); }
    RealNumber Sub(RealNumber v) const { return FromRaw(static_cast<T>(raw_ - v.raw_)); }
    RealNumber Negate() const { return FromRaw(static_cast<T>(-raw_)); }

    // Product rounded to nearest.
    RealNumber Mul(RealNumber v) const
    {
        BigInteger<4> p(static_cast<long long>(raw_));
        p.Mul(BigInteger<4>(static_cast<long long>(v.raw_)));
        p.Add(BigInteger<4>(static_cast<long long>(static_cast<T>(1) << (Fraction - 1))));
        p.SignedRightShift(Fraction);
        return FromRaw(static_cast<T>(p.GetLong()));
    }

    // Quotient rounded to nearest; false (unchanged result) on division by 0.
    bool Div(RealNumber v, RealNumber& result) const
    {
        if (v.raw_ == 0) {
            return false;
        }
        BigInteger<4> n(static_cast<long long>(raw_));
        n.LeftShift(Fraction);
        result = FromRaw(static_cast<T>(RoundDivide(n, BigInteger<4>(static_cast<long long>(v.raw_)))));
        return true;
    }

    friend bool operator==(RealNumber const&, RealNumber const&) = default;
    friend bool operator<(RealNumber a, RealNumber b) { return a.raw_ < b.raw_; }
    friend bool operator<=(RealNumber a, RealNumber b) { return a.raw_ <= b.raw_; }
    friend bool operator>(RealNumber a, RealNumber b) { return a.raw_ > b.raw_; }
    friend bool operator>=(RealNumber a, RealNumber b) { return a.raw_ >= b.raw_; }

private:
    static long long RoundDivide(BigInteger<4> const& n, BigInteger<4> const& d)
    {
        BigInteger<4> q;
        DEC2DIvra::RoundDivide(n, d, q);
        return q.GetLong();
    }

    T raw_ = 0;
};

using Real32 = RealNumber<long long, 32u>;

}  // namespace DEC2DIvra
