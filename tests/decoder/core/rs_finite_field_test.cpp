// Field arithmetic against plain integer and carry-less arithmetic, and the
// polynomial operations the decoder relies on.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/polynomial_on_finite_field.h"

using namespace DEC2DIvra;

namespace {

// Reference product: carry-less multiplication reduced by the polynomial, or the
// integer product mod p.
unsigned int ReferenceMultiply(unsigned int a, unsigned int b, unsigned int bits, unsigned int polynomial,
                               unsigned int prime)
{
    if (prime != 0) {
        return a * b % prime;
    }
    unsigned int product = 0;
    for (unsigned int i = 0; i < bits; ++i) {
        if (b & (1u << i)) {
            product ^= a << i;
        }
    }
    for (int i = static_cast<int>(2 * bits) - 2; i >= static_cast<int>(bits); --i) {
        if (product & (1u << i)) {
            product ^= polynomial << (i - static_cast<int>(bits));
        }
    }
    return product;
}

struct FieldCase {
    std::string name;
    FiniteField const* field;
    unsigned int bits;       // 0 for a prime field
    unsigned int polynomial; // or the prime
};

GaloisFieldModuloPowerOfTwo<4> const gf16(0x13);
GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
GaloisFieldModuloPowerOfTwo<8> const gf256qr(0x11D);
GaloisFieldModuloPowerOfTwo<8> const gf256dm(0x12D);
GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);
GaloisFieldModuloPrimeNumber<113> const gf113(3);
GaloisFieldModuloPrimeNumber<929> const gf929(3);

std::vector<FieldCase> const kFields{
    {"GF16", &gf16, 4, 0x13},          {"GF64", &gf64, 6, 0x43},       {"GF256_11D", &gf256qr, 8, 0x11D},
    {"GF256_12D", &gf256dm, 8, 0x12D}, {"GF1024", &gf1024, 10, 0x409}, {"GF4096", &gf4096, 12, 0x1069},
    {"GF113", &gf113, 0, 113},         {"GF929", &gf929, 0, 929},
};

TEST(FiniteFieldTest, ArithmeticMatchesReference)
{
    std::mt19937 random(7);
    for (FieldCase const& c : kFields) {
        SCOPED_TRACE(c.name);
        FiniteField const& f = *c.field;
        ASSERT_TRUE(f.IsValid());
        unsigned int const q = f.Size();
        unsigned int const prime = c.bits == 0 ? c.polynomial : 0;
        EXPECT_EQ(q, prime != 0 ? prime : 1u << c.bits);
        EXPECT_EQ(f.Characteristic(), prime != 0 ? prime : 2u);

        // alpha generates every nonzero element once, and the logarithm inverts it.
        std::vector<bool> seen(q, false);
        for (unsigned int e = 0; e + 1 < q; ++e) {
            unsigned short const a = f.Power(e);
            ASSERT_TRUE(a != 0 && a < q && !seen[a]) << e;
            seen[a] = true;
            ASSERT_EQ(f.Logarithm(a), e);
        }
        EXPECT_EQ(f.Power(q - 1), 1);
        EXPECT_EQ(f.Power(-1), f.Inverse(f.Power(1)));

        // Every pair in the smaller fields, a sample in GF(4096).
        auto check = [&](unsigned int a, unsigned int b) {
            auto const x = static_cast<unsigned short>(a);
            auto const y = static_cast<unsigned short>(b);
            unsigned int const sum = prime != 0 ? (a + b) % prime : (a ^ b);
            unsigned int const difference = prime != 0 ? (a + prime - b) % prime : (a ^ b);
            ASSERT_EQ(f.Add(x, y), sum) << a << "+" << b;
            ASSERT_EQ(f.Subtract(x, y), difference) << a << "-" << b;
            unsigned short const product = f.Multiply(x, y);
            ASSERT_EQ(product, ReferenceMultiply(a, b, c.bits, c.polynomial, prime)) << a << "*" << b;
            if (b != 0) {
                ASSERT_EQ(f.Divide(product, y), x) << a << "*" << b;
                ASSERT_EQ(f.MultiplyByPower(x, f.Logarithm(y)), product);
            }
        };
        if (q <= 1024) {
            for (unsigned int a = 0; a < q; ++a) {
                for (unsigned int b = 0; b < q; b += (q > 256 ? 7 : 1)) {
                    check(a, b);
                }
            }
        } else {
            for (int i = 0; i < 200000; ++i) {
                check(random() % q, random() % q);
            }
        }
        EXPECT_EQ(f.Divide(5, 0), 0);
        EXPECT_EQ(f.Negate(0), 0);
        EXPECT_EQ(f.Add(1, f.Negate(1)), 0);
        EXPECT_EQ(f.FromInteger(q + 3), prime != 0 ? (q + 3) % prime : 1u);
    }
}

TEST(FiniteFieldTest, TablesThatCannotGenerateTheFieldAreRefused)
{
    // x^4+x^3+x^2+x+1 is irreducible but x has order 5 there.
    EXPECT_FALSE(GaloisFieldModuloPowerOfTwo<4>(0x1F).IsValid());
    // Wrong degree, and a reducible polynomial.
    EXPECT_FALSE(GaloisFieldModuloPowerOfTwo<4>(0x43).IsValid());
    EXPECT_FALSE(GaloisFieldModuloPowerOfTwo<8>(0x100).IsValid());
    // 4 is a square, so never a primitive root; 9 is no prime.
    EXPECT_FALSE(GaloisFieldModuloPrimeNumber<113>(4).IsValid());
    EXPECT_FALSE(GaloisFieldModuloPrimeNumber<929>(1).IsValid());
    EXPECT_FALSE(GaloisFieldModuloPrimeNumber<9>(2).IsValid());
    EXPECT_EQ(GaloisFieldModuloPrimeNumber<9>(2).Size(), 0u);
}

// Coefficients low power first.
std::vector<unsigned short> Coefficients(PolynomialOnFiniteField const& p)
{
    std::vector<unsigned short> out;
    for (int i = 0; i <= p.Degree(); ++i) {
        out.push_back(p.Coefficient(static_cast<unsigned int>(i)));
    }
    return out;
}

TEST(PolynomialOnFiniteFieldTest, OperationsOverAPrimeField)
{
    FiniteField const& f = gf929;
    unsigned short a[8];
    unsigned short b[8];
    unsigned short c[8];
    PolynomialOnFiniteField p(f, a, 8);
    PolynomialOnFiniteField r(f, b, 8);
    PolynomialOnFiniteField t(f, c, 8);

    // (1 + 2x)(1 + 3x) = 1 + 5x + 6x^2
    ASSERT_TRUE(p.SetConstant(1));
    ASSERT_TRUE(p.MultiplyByLinear(2));
    ASSERT_TRUE(p.MultiplyByLinear(3));
    EXPECT_EQ(Coefficients(p), (std::vector<unsigned short>{1, 5, 6}));
    EXPECT_EQ(p.Evaluate(10), (1 + 50 + 600) % 929);
    EXPECT_EQ(p.Evaluate(900), (1 + 5 * 900 + 6 * 900 * 900) % 929);

    // The derivative multiplies by the exponent taken mod p: 5 + 12x.
    ASSERT_TRUE(r.AssignDerivative(p));
    EXPECT_EQ(Coefficients(r), (std::vector<unsigned short>{5, 12}));

    // (1 + 5x + 6x^2)(5 + 12x) mod x^2 = 5 + 37x
    ASSERT_TRUE(t.AssignProductTruncated(p, r, 2));
    EXPECT_EQ(Coefficients(t), (std::vector<unsigned short>{5, 37}));
    ASSERT_TRUE(t.AssignProductTruncated(p, r, 10));
    EXPECT_EQ(Coefficients(t), (std::vector<unsigned short>{5, 37, 90, 72}));

    // p - 2 r = (1 - 10) + (5 - 24) x + 6x^2, and subtracting itself leaves zero.
    ASSERT_TRUE(p.SubtractScaled(r, 2));
    EXPECT_EQ(Coefficients(p), (std::vector<unsigned short>{920, 910, 6}));
    ASSERT_TRUE(p.SubtractScaled(p, 1));
    EXPECT_EQ(p.Degree(), -1);

    // x (5 + 12x), then scaled by 0 is the zero polynomial.
    ASSERT_TRUE(r.ShiftUp());
    EXPECT_EQ(Coefficients(r), (std::vector<unsigned short>{0, 5, 12}));
    r.Scale(0);
    EXPECT_EQ(r.Degree(), -1);
}

TEST(PolynomialOnFiniteFieldTest, ResultsThatDoNotFitAreRefusedUnchanged)
{
    FiniteField const& f = gf256qr;
    unsigned short a[3];
    unsigned short b[4];
    unsigned short c[2];
    PolynomialOnFiniteField p(f, a, 3);
    PolynomialOnFiniteField r(f, b, 4);
    PolynomialOnFiniteField t(f, c, 2);
    ASSERT_TRUE(p.SetConstant(1));
    ASSERT_TRUE(p.MultiplyByLinear(2));
    ASSERT_TRUE(p.MultiplyByLinear(3));
    std::vector<unsigned short> const before = Coefficients(p);
    EXPECT_FALSE(p.MultiplyByLinear(4));
    EXPECT_FALSE(p.ShiftUp());
    EXPECT_EQ(Coefficients(p), before);
    ASSERT_TRUE(r.Assign(p));
    ASSERT_TRUE(r.ShiftUp());
    EXPECT_FALSE(p.SubtractScaled(r, 1));
    EXPECT_FALSE(p.Assign(r));
    EXPECT_EQ(Coefficients(p), before);
    EXPECT_FALSE(t.AssignProductTruncated(p, r, 5));
    EXPECT_FALSE(t.AssignProductTruncated(t, p, 1));
    EXPECT_FALSE(p.Load(b, 4));
    EXPECT_EQ(Coefficients(p), before);
    // In GF(2^m) the derivative keeps the odd powers only.
    ASSERT_TRUE(t.AssignDerivative(p));
    EXPECT_EQ(Coefficients(t), (std::vector<unsigned short>{f.Add(2, 3)}));

    PolynomialOnFiniteField empty(f, nullptr, 5);
    EXPECT_FALSE(empty.SetConstant(1));
    EXPECT_EQ(empty.Evaluate(3), 0);
}

} // namespace
