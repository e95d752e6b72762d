// The legacy engine's arithmetic against Python's integers (vectors generated
// by legacy_arith_vectors.py) and against the standard library.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "decoder/legacy/engine/legacy_arith.h"
#include "tests/support/random.h"

namespace {

struct Case {
    char op;
    unsigned long long aHigh, aLow;
    int aSign;
    unsigned long long bHigh, bLow;
    int bSign;
    long long small;
    unsigned long long rHigh, rLow;
    int rSign;
    long long answer;
};

Case const kCases[] = {
#include "tests/decoder/legacy/engine/legacy_arith_vectors.inc"
};

struct SqrtCase {
    int v, root;
};

SqrtCase const kRoots[] = {
#include "tests/decoder/legacy/engine/legacy_arith_sqrt.inc"
};

MULTIPREC_st Make(unsigned long long high, unsigned long long low, int sign)
{
    // 75 bits: the low 64 and the high 11, cut into 15-bit digits.
    MULTIPREC_st x{};
    for (int i = 0; i < 5; ++i) {
        int const bit = 15 * i;
        unsigned long long digit = bit < 64 ? low >> bit : 0;
        if (bit + 15 > 64) {
            digit |= bit >= 64 ? high >> (bit - 64) : high << (64 - bit);
        }
        x.w[i] = static_cast<unsigned short>(digit & 0x7FFF);
    }
    x.w[5] = static_cast<unsigned short>(sign);
    return x;
}

bool Same(MULTIPREC_st const& a, MULTIPREC_st const& b) { return std::equal(a.w, a.w + 6, b.w); }

TEST(LegacyArithTest, MultiPrecisionMatchesPythonIntegers)
{
    for (size_t i = 0; i < std::size(kCases); ++i) {
        Case const& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << " op " << c.op);
        MULTIPREC_st const a = Make(c.aHigh, c.aLow, c.aSign);
        MULTIPREC_st const b = Make(c.bHigh, c.bLow, c.bSign);
        MULTIPREC_st const expected = Make(c.rHigh, c.rLow, c.rSign);
        MULTIPREC_st r = Make(0, 12345, 1);  // division by 0 must leave it
        MULTIPREC_st const before = r;
        int answer = 0;
        switch (c.op) {
        case '+':
            answer = multprec_add(&r, &a, &b);
            break;
        case '-':
            answer = multprec_sub(&r, &a, &b);
            break;
        case '*':
            answer = multprec_mul(&r, &a, static_cast<int>(c.small));
            break;
        case '<':
            answer = multprec_shift(&r, &a, static_cast<int>(c.small));
            break;
        case '/':
            answer = multprec_div(&r, &a, static_cast<int>(c.small));
            if (c.small == 0) {
                EXPECT_EQ(answer, -1);
                EXPECT_TRUE(Same(r, before));
                continue;
            }
            break;
        case 't': {
            MULTIPREC_st x{};
            int const v = static_cast<int>(c.aSign != 0 ? -static_cast<long long>(c.aLow) : c.aLow);
            EXPECT_EQ(multprec_init(&x, v), 0);
            EXPECT_TRUE(Same(x, a));
            int out = 0;
            EXPECT_EQ(multprec_transform(&out, &x), 0);
            EXPECT_EQ(out, c.answer);
            continue;
        }
        }
        EXPECT_EQ(answer, c.answer);
        EXPECT_TRUE(Same(r, expected));
        // The result may be an operand.
        MULTIPREC_st inPlace = a;
        if (c.op == '+') {
            multprec_add(&inPlace, &inPlace, &b);
            EXPECT_TRUE(Same(inPlace, expected));
        }
    }
}

TEST(LegacyArithTest, MultiPrecisionEdges)
{
    MULTIPREC_st a{}, b{}, r{};
    multprec_init(&a, 5);
    multprec_init(&b, -7);
    // Magnitudes compared in the inverted order the least-squares code relies on.
    EXPECT_EQ(multprec_ucmp(&a, &b), 1);
    EXPECT_EQ(multprec_ucmp(&b, &a), -1);
    EXPECT_EQ(multprec_ucmp(&a, &a), 0);
    multprec_init(&b, -5);
    EXPECT_EQ(multprec_add(&r, &a, &b), 0);
    EXPECT_EQ(r.w[5], 0);
    multprec_init(&b, 5);
    EXPECT_EQ(multprec_sub(&r, &a, &b), 0);
    EXPECT_EQ(r.w[5], 0);
    // 100000 is halved to 50000 with the dividend shifted right once.
    multprec_init(&a, 299999);
    EXPECT_EQ(multprec_div(&r, &a, 100000), 0);
    int out = 0;
    multprec_transform(&out, &r);
    EXPECT_EQ(out, 2);
    // A 64-bit product widens exactly; its 32-bit form reports the overflow.
    multprec_init64(&a, -3000000000ll * 3);
    EXPECT_EQ(multprec_transform(&out, &a), -1);
    multprec_init64(&a, -2147483648ll);
    EXPECT_EQ(multprec_transform(&out, &a), 0);
    EXPECT_EQ(out, -2147483647 - 1);
    multprec_negative(&a);
    EXPECT_EQ(multprec_transform(&out, &a), -1);
}

TEST(LegacyArithTest, SquareRootClampAndTables)
{
    for (SqrtCase const& c : kRoots) {
        EXPECT_EQ(int_sqrt33(c.v), c.root) << c.v;
    }
    EXPECT_EQ(int_sqrt33(-5), 0);
    EXPECT_EQ(int_sqrt33(99), 9);
    EXPECT_EQ(clip256(-3), 0);
    EXPECT_EQ(clip256(5000), 1023);

    Init_Division256();
    Init_Division256OCT();
    Init_DivisionLap();
    // The look-ups stay within one of the true quotient over the grey range.
    for (int k = 1; k < 256; ++k) {
        for (int x : {0, 1, 255, 511, 1023}) {
            EXPECT_LE(std::abs(Divide256(x, k) - x / k), 1) << x << "/" << k;
            EXPECT_LE(std::abs(Divide256OCT(x, k) - x / k), 4) << x << "/" << k;
        }
    }
    EXPECT_EQ(DivisionLap[255], 16384 / 275);
}

TEST(LegacyArithTest, TreeSearchAndQuickSort)
{
    int const keys[] = {-90, -10, 0, 7, 7, 30, 1000};
    int const values[] = {0, 1, 2, 3, 4, 5, 6};
    int index = -1;
    EXPECT_EQ(COM_tree_search(&index, keys, values, 7, 30), 5);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(COM_tree_search(&index, keys, values, 7, -90), 0);
    EXPECT_EQ(COM_tree_search(&index, keys, values, 7, 1000), 6);
    int const got = COM_tree_search(&index, keys, values, 7, 7);
    EXPECT_TRUE(got == 3 || got == 4);
    // Below every entry: -1 with the last probe.
    EXPECT_EQ(COM_tree_search(&index, keys, values, 7, -500), -1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(COM_tree_search(&index, keys, values, 7, 8), -1);
    EXPECT_EQ(COM_tree_search(&index, keys, values, 0, 8), -1);

    support::Random random(110);
    for (int n : {0, 1, 2, 3, 17, 200, 5000}) {
        for (int spread : {3, 1000000}) {
            std::vector<int> k(static_cast<size_t>(n)), companion(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                k[static_cast<size_t>(i)] = random.integer(-spread, spread);
                companion[static_cast<size_t>(i)] = k[static_cast<size_t>(i)] * 3 + 1;
            }
            std::vector<int> sorted = k;
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(quick_sort_2(k.data(), companion.data(), n, 2), 0);
            EXPECT_EQ(k, sorted);
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(companion[static_cast<size_t>(i)], k[static_cast<size_t>(i)] * 3 + 1);
            }
        }
    }
    // Already sorted and reversed input: the stack of 30 ranges is enough.
    std::vector<int> ramp(3000);
    for (size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<int>(ramp.size() - i);
    }
    EXPECT_EQ(quick_sort_2(ramp.data(), nullptr, static_cast<int>(ramp.size()), 0), 0);
    EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
}

}  // namespace
