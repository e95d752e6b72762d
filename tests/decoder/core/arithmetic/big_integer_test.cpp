#include <gtest/gtest.h>

#include <random>

#include "decoder/core/arithmetic/big_integer.h"

namespace DEC2DIvra {
namespace {

#ifdef __SIZEOF_INT128__
__extension__ typedef __int128 I128;
__extension__ typedef unsigned __int128 U128;

BigInteger<4> FromI128(I128 v)
{
    BigInteger<4> hi(static_cast<long long>(v >> 64));
    hi.LeftShift(64);
    BigInteger<4> lo(static_cast<unsigned long long>(static_cast<U128>(v) & 0xFFFFFFFFFFFFFFFFULL));
    hi.Or(lo);
    return hi;
}

I128 ToI128(BigInteger<4> const& b)
{
    U128 v = 0;
    for (unsigned i = 4; i-- > 0;) {
        v = (v << 32) | b.GetWord(i);
    }
    return static_cast<I128>(v);
}

I128 RandomValue(std::mt19937_64& rng)
{
    // Mixed magnitudes: small, 64-bit and full width, both signs.
    unsigned const kind = rng() % 4;
    U128 v = (static_cast<U128>(rng()) << 64) | rng();
    if (kind == 0) {
        v &= 0xFFFF;
    } else if (kind == 1) {
        v &= 0xFFFFFFFFFFFFFFFFULL;
    } else if (kind == 2) {
        v >>= rng() % 120;
    }
    I128 const s = static_cast<I128>(v);
    return (rng() & 1) ? -s : s;
}

TEST(BigIntegerTest, ArithmeticAgreesWithInt128OnRandomValues)
{
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        I128 const a = RandomValue(rng);
        I128 const b = RandomValue(rng);
        BigInteger<4> const x = FromI128(a);
        BigInteger<4> const y = FromI128(b);
        ASSERT_EQ(ToI128(x), a);

        BigInteger<4> r = x;
        r.Add(y);
        EXPECT_EQ(ToI128(r), static_cast<I128>(static_cast<U128>(a) + static_cast<U128>(b)));
        r = x;
        r.Sub(y);
        EXPECT_EQ(ToI128(r), static_cast<I128>(static_cast<U128>(a) - static_cast<U128>(b)));
        r = x;
        r.Mul(y);
        EXPECT_EQ(ToI128(r), static_cast<I128>(static_cast<U128>(a) * static_cast<U128>(b)));
        if (b != 0 && !(a == (static_cast<I128>(1) << 127) && b == -1)) {
            r = x;
            ASSERT_TRUE(r.Div(y));
            EXPECT_EQ(ToI128(r), a / b);
            r = x;
            ASSERT_TRUE(r.Mod(y));
            EXPECT_EQ(ToI128(r), a % b);
        }
        unsigned const shift = static_cast<unsigned>(rng() % 130);
        r = x;
        r.LeftShift(shift);
        EXPECT_EQ(ToI128(r), shift >= 128 ? 0 : static_cast<I128>(static_cast<U128>(a) << shift));
        r = x;
        r.RightShift(shift);
        EXPECT_EQ(ToI128(r), shift >= 128 ? 0 : static_cast<I128>(static_cast<U128>(a) >> shift));
        r = x;
        r.SignedRightShift(shift);
        EXPECT_EQ(ToI128(r), shift >= 128 ? (a < 0 ? -1 : 0) : (a >> shift));
        r = x;
        r.And(y);
        EXPECT_EQ(ToI128(r), a & b);
        r = x;
        r.Or(y);
        EXPECT_EQ(ToI128(r), a | b);
        r = x;
        r.XOr(y);
        EXPECT_EQ(ToI128(r), a ^ b);
        EXPECT_EQ(x.IsBiggerThan(y), a > b);
        EXPECT_EQ(x.IsEqualTo(y), a == b);
        EXPECT_EQ(x.GetLong(), static_cast<long long>(a));
        EXPECT_EQ(x.FitsLong(), a >= INT64_MIN && a <= INT64_MAX);
        BigInteger<4> q;
        if (b != 0 && !(a == (static_cast<I128>(1) << 127) && b == -1)) {
            ASSERT_TRUE(RoundDivide(x, y, q));
            // Nearest with halves upward: q - 1/2 <= a / b < q + 1/2.
            I128 const qv = ToI128(q);
            I128 const bb = b < 0 ? -b : b;
            I128 const aa = b < 0 ? -a : a;
            if (aa > (static_cast<I128>(1) << 124) || aa < -(static_cast<I128>(1) << 124) ||
                bb > (static_cast<I128>(1) << 124)) {
                continue;
            }
            EXPECT_LE(2 * qv * bb - bb, 2 * aa);
            EXPECT_LT(2 * aa, 2 * qv * bb + bb);
        }
    }
}

TEST(BigIntegerTest, DivisionByZeroIsRefusedAndTheValueKept)
{
    BigInteger<4> x(12345);
    EXPECT_FALSE(x.Div(BigInteger<4>(0)));
    EXPECT_FALSE(x.Mod(BigInteger<4>(0)));
    EXPECT_EQ(x.GetLong(), 12345);
    BigInteger<4> q(7);
    EXPECT_FALSE(RoundDivide(x, BigInteger<4>(0), q));
    EXPECT_EQ(q.GetLong(), 7);
}

TEST(BigIntegerTest, CommonBigIntegerHoldsWideProducts)
{
    // (2^62)^8 needs 497 bits; divide back down.
    CommonBigInteger v(1LL << 62);
    CommonBigInteger const factor(1LL << 62);
    for (int i = 0; i < 7; ++i) {
        v.Mul(factor);
    }
    EXPECT_EQ(v.GetMagnitudeBits(), 8u * 62 + 1);
    EXPECT_FALSE(v.FitsLong());
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(v.Div(factor));
    }
    EXPECT_EQ(v.GetLong(), 1LL << 62);
    CommonBigInteger neg(-5);
    neg.Mul(CommonBigInteger(3u));
    EXPECT_EQ(neg.GetLong(), -15);
    EXPECT_TRUE(CommonBigInteger(2).IsBiggerThan(neg));
}
#endif

}  // namespace
}  // namespace DEC2DIvra
