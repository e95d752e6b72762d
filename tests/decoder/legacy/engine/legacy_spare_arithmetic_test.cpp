// The engine's spare arithmetic: division by a constant against the
// processor's division, the hypotenuse, the block check byte and the field
// polynomials against a multiplication done the long way.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_const_division.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_gf_polynomial.h"
#include "decoder/legacy/engine/legacy_rs.h"
#include "tests/support/random.h"

namespace {

TEST(LegacyConstDivision, EveryShortDivisorDividesExactlyWithAllThreeMethods)
{
    support::Random random(11);
    unsigned int methods32[3] = {};
    unsigned int methods16[3] = {};
    for (unsigned int d = 1; d <= 0xFFFFu; ++d) {
        CONST_DIVISION_st p{};
        p.divisor = d;
        ASSERT_EQ(calc_u32div_param(&p), 0);
        ++methods32[p.method];
        CONST_DIVISION_st q{};
        q.divisor = d;
        ASSERT_EQ(calc_u16div_param(&q), 0);
        ++methods16[q.method];
        // The extremes, the neighbours of multiples, and random dividends.
        unsigned int const wide[] = {0u, 1u, d - 1, d, d + 1, 0xFFFFFFFFu, 0xFFFFFFFFu - d,
                                     static_cast<unsigned int>(random.integer(0, 0x7FFFFFFF)) * 2u + 1u};
        for (unsigned int x : wide) {
            p.dividend = x;
            ASSERT_EQ(exec_u32div_by_const(&p), x / d) << x << " / " << d << " method " << p.method;
        }
        unsigned int const narrow[] = {0u, 1u, d - 1, d, 0xFFFFu, static_cast<unsigned int>(random.integer(0, 0xFFFF))};
        for (unsigned int x : narrow) {
            q.dividend = x & 0xFFFFu;
            ASSERT_EQ(exec_u16div_by_const(&q), (x & 0xFFFFu) / d) << x << " / " << d << " method " << q.method;
        }
    }
    for (unsigned int m = 0; m < 3; ++m) {
        EXPECT_GT(methods32[m], 0u) << m;
        EXPECT_GT(methods16[m], 0u) << m;
    }
}

TEST(LegacyConstDivision, LargeDivisorsAndRefusals)
{
    support::Random random(12);
    for (int n = 0; n < 20000; ++n) {
        CONST_DIVISION_st p{};
        p.divisor = static_cast<unsigned int>(random.integer(1, 0x7FFFFFFF)) * 2u - static_cast<unsigned int>(n & 1);
        ASSERT_EQ(calc_u32div_param(&p), 0);
        p.dividend = static_cast<unsigned int>(random.integer(0, 0x7FFFFFFF)) * 2u + 1u;
        ASSERT_EQ(exec_u32div_by_const(&p), p.dividend / p.divisor) << p.dividend << " / " << p.divisor;
    }
    CONST_DIVISION_st zero{7, 7, 7, 0, 7};
    EXPECT_EQ(calc_u32div_param(&zero), -1);
    EXPECT_EQ(zero.multiplier, 7u);
    CONST_DIVISION_st wide{};
    wide.divisor = 0x10000u;
    EXPECT_EQ(calc_u16div_param(&wide), -1);
}

TEST(LegacySpares, HypotenuseCheckByteAndSelfTest)
{
    EXPECT_EQ(g_pita(3, 4), 5);
    EXPECT_EQ(g_pita(-5, 12), 13);
    EXPECT_EQ(g_pita(1, 1), 1);
    EXPECT_EQ(g_pita(0, 0), 0);
    // Far beyond what an int square holds.
    EXPECT_EQ(g_pita(100000, 0), 100000);
    EXPECT_EQ(COM_calc_seg_len(10, 10, 13, 14), 5);
    EXPECT_EQ(COM_calc_seg_len(13, 14, 10, 10), 5);

    unsigned short const block[] = {0x1234, 0xFF0F, 0x00F0, 0xAB01};
    EXPECT_EQ(CalcBcc(block, 4), 0x34 ^ 0x0F ^ 0xF0 ^ 0x01);
    EXPECT_EQ(CalcBcc(block, 0), 0);
    EXPECT_EQ(multprec_test(), 0);
}

// GF(16) from x^4 + x + 1.
struct Field16 {
    int log[16] = {};
    int power[16] = {};
    Field16() { EXPECT_TRUE(BuildGFTables_COM(4, 0x13, log, power)); }
};

int SlowMultiply(int a, int b)
{
    int product = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if ((b >> bit) & 1) {
            product ^= a << bit;
        }
    }
    for (int bit = 7; bit >= 4; --bit) {
        if ((product >> bit) & 1) {
            product ^= 0x13 << (bit - 4);
        }
    }
    return product;
}

TEST(LegacyFieldPolynomials, ProductDividedByAFactorGivesItBackWithNoRemainder)
{
    Field16 f;
    SetGFTable(f.power, f.log, 16);
    support::Random random(13);
    for (int n = 0; n < 500; ++n) {
        int const degA = random.integer(0, 8);
        int const degB = random.integer(0, 5);
        std::vector<int> a(static_cast<size_t>(degA) + 1);
        std::vector<int> b(static_cast<size_t>(degB) + 1);
        for (int& c : a) {
            c = random.integer(0, 15);
        }
        for (int& c : b) {
            c = random.integer(0, 15);
        }
        a.back() = random.integer(1, 15);
        b.back() = random.integer(1, 15);
        std::vector<int> product(static_cast<size_t>(degA + degB) + 1, 99);
        int degP = -1;
        ASSERT_EQ(GFconv_COM(a.data(), b.data(), product.data(), degA, degB, &degP), degB + 1);
        ASSERT_EQ(degP, degA + degB);
        for (int k = 0; k <= degA + degB; ++k) {
            int expected = 0;
            for (int i = 0; i <= degA; ++i) {
                if (k - i >= 0 && k - i <= degB) {
                    expected ^= SlowMultiply(a[static_cast<size_t>(i)], b[static_cast<size_t>(k - i)]);
                }
            }
            ASSERT_EQ(product[static_cast<size_t>(k)], expected) << k;
        }
        std::vector<int> quotient(product.size());
        std::vector<int> remainder(product.size());
        int degQ = -1;
        int degR = -1;
        ASSERT_EQ(GFdeconv_COM(product.data(), b.data(), quotient.data(), remainder.data(), degP, degB, &degQ, &degR),
                  0);
        ASSERT_EQ(degQ, degA);
        EXPECT_EQ(degR, 0);
        EXPECT_EQ(remainder[0], 0);
        for (int k = 0; k <= degA; ++k) {
            ASSERT_EQ(quotient[static_cast<size_t>(k)], a[static_cast<size_t>(k)]) << k;
        }
    }
}

TEST(LegacyFieldPolynomials, EdgeCases)
{
    Field16 f;
    SetGFTable(f.power, f.log, 16);
    // Leading zeros are trimmed from the product's degree.
    int const a[] = {1, 0};
    int const b[] = {3, 0, 0};
    int out[4] = {9, 9, 9, 9};
    int degree = -1;
    EXPECT_EQ(GFconv_COM(a, b, out, 1, 2, &degree), 3);
    EXPECT_EQ(degree, 0);
    EXPECT_EQ(out[0], 3);
    // A negative divisor degree sets the degree alone.
    EXPECT_EQ(GFconv_COM(a, b, out, 4, -2, &degree), -1);
    EXPECT_EQ(degree, 2);
    EXPECT_EQ(out[0], 3);

    // Dividing by the zero polynomial is refused.
    int const zero[] = {0, 0};
    int q[4] = {};
    int r[4] = {};
    int degQ = 7;
    int degR = 7;
    EXPECT_EQ(GFdeconv_COM(a, zero, q, r, 1, 1, &degQ, &degR), -1);
    // A dividend of lower degree: quotient 0, remainder the dividend.
    int const low[] = {5, 2};
    int const high[] = {1, 1, 1};
    EXPECT_EQ(GFdeconv_COM(low, high, q, r, 1, 2, &degQ, &degR), 0);
    EXPECT_EQ(degQ, 0);
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(degR, 1);
    EXPECT_EQ(r[0], 5);
    EXPECT_EQ(r[1], 2);

    // With no field set, nothing is computed.
    SetGFTable(nullptr, nullptr, 0);
    EXPECT_EQ(GFconv_COM(a, b, out, 1, 2, &degree), -1);
    EXPECT_EQ(GFdeconv_COM(low, high, q, r, 1, 2, &degQ, &degR), -1);
}

TEST(LegacyFieldPolynomials, TheCorrectorLeavesItsFieldSet)
{
    Field16 f;
    SetGFTable(nullptr, nullptr, 0);
    // A (7, 3) codeword of zeros is already a codeword.
    unsigned short word[7] = {};
    EXPECT_EQ(CorrectErrs_COM(3, word, f.log, f.power, 16, 7, 3, 0, nullptr, 0), 0);
    int const a[] = {2};
    int const b[] = {3};
    int out[1] = {};
    int degree = -1;
    EXPECT_EQ(GFconv_COM(a, b, out, 0, 0, &degree), 1);
    EXPECT_EQ(out[0], SlowMultiply(2, 3));
}

}  // namespace
