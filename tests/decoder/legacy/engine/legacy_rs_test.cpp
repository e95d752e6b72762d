// The legacy Reed-Solomon decoder against an encoder written here from the
// field's polynomial alone (bitwise multiplication, no tables), over the three
// fields the readers pass: MaxiCode GF(64), Han Xin GF(16) and GF(256).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "decoder/legacy/engine/legacy_rs.h"
#include "tests/support/random.h"

namespace {

struct Field {
    unsigned int bits;
    unsigned int polynomial;

    unsigned int Size() const { return 1u << bits; }
    unsigned int Multiply(unsigned int a, unsigned int b) const
    {
        unsigned int product = 0;
        while (b != 0) {
            if (b & 1) {
                product ^= a;
            }
            b >>= 1;
            a <<= 1;
            if (a & Size()) {
                a ^= polynomial;
            }
        }
        return product;
    }
    unsigned int Power(unsigned int e) const
    {
        unsigned int value = 1;
        for (unsigned int i = 0; i < e; ++i) {
            value = Multiply(value, 2);
        }
        return value;
    }
};

// Systematic encoding: the check words are data * x^s mod g, with
// g = (x - a^b)(x - a^(b+1)) ... (x - a^(b+s-1)).
std::vector<unsigned short> Encode(Field const& f, unsigned int firstRoot, std::vector<unsigned short> data,
                                   unsigned int checks)
{
    std::vector<unsigned int> g{1};  // g[i] is the coefficient of x^i
    for (unsigned int j = 0; j < checks; ++j) {
        unsigned int const root = f.Power(firstRoot + j);
        std::vector<unsigned int> next(g.size() + 1, 0);
        for (size_t i = 0; i < g.size(); ++i) {
            next[i + 1] ^= g[i];
            next[i] ^= f.Multiply(g[i], root);
        }
        g = next;
    }
    std::vector<unsigned int> remainder(checks, 0);  // highest power first
    for (unsigned short word : data) {
        unsigned int const factor = word ^ remainder[0];
        for (unsigned int i = 0; i + 1 < checks; ++i) {
            remainder[i] = remainder[i + 1] ^ f.Multiply(factor, g[checks - 1 - i]);
        }
        remainder[checks - 1] = f.Multiply(factor, g[0]);
    }
    for (unsigned int r : remainder) {
        data.push_back(static_cast<unsigned short>(r));
    }
    return data;
}

bool IsCodeword(Field const& f, unsigned int firstRoot, std::vector<unsigned short> const& word, unsigned int checks)
{
    for (unsigned int j = 0; j < checks; ++j) {
        unsigned int const x = f.Power(firstRoot + j);
        unsigned int value = 0;
        for (unsigned short c : word) {
            value = f.Multiply(value, x) ^ c;
        }
        if (value != 0) {
            return false;
        }
    }
    return true;
}

struct Tables {
    std::vector<int> log, power;
    explicit Tables(Field const& f) : log(f.Size()), power(f.Size())
    {
        EXPECT_TRUE(BuildGFTables_COM(f.bits, f.polynomial, log.data(), power.data()));
    }
};

// Distinct positions in [0, n).
std::vector<unsigned short> Positions(support::Random& random, unsigned int n, unsigned int count)
{
    std::vector<unsigned short> all(n);
    for (unsigned int i = 0; i < n; ++i) {
        all[i] = static_cast<unsigned short>(i);
    }
    for (unsigned int i = 0; i < count; ++i) {
        std::swap(all[i], all[i + static_cast<unsigned int>(random.integer(0, static_cast<int>(n - 1 - i)))]);
    }
    all.resize(count);
    return all;
}

struct Block {
    char const* name;
    Field field;
    int mode;
    unsigned int n, k;
};

Block const kBlocks[] = {
    {"MaxiCode primary", {6, 0x43}, 2, 20, 10},
    {"MaxiCode secondary", {6, 0x43}, 2, 62, 42},
    {"MaxiCode secondary, extended", {6, 0x43}, 2, 62, 34},
    {"Han Xin function information", {4, 0x13}, 3, 7, 3},
    {"Han Xin data", {8, 0x163}, 1, 100, 76},
    {"Han Xin data, longest", {8, 0x163}, 1, 255, 223},
    {"roots from alpha^0", {8, 0x11D}, 0, 40, 20},
};

TEST(LegacyRsTest, CorrectsUpToCapacityAndRefusesOneBeyond)
{
    support::Random random(27);
    for (Block const& b : kBlocks) {
        SCOPED_TRACE(b.name);
        Tables const tables(b.field);
        unsigned int const firstRoot = b.mode == 0 ? 0 : 1;
        unsigned int const checks = b.n - b.k;
        unsigned int const t = checks / 2;
        int miscorrected = 0;
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<unsigned short> data(b.k);
            for (auto& d : data) {
                d = static_cast<unsigned short>(random.integer(0, static_cast<int>(b.field.Size() - 1)));
            }
            std::vector<unsigned short> const sent = Encode(b.field, firstRoot, data, checks);
            ASSERT_TRUE(IsCodeword(b.field, firstRoot, sent, checks));
            for (unsigned int errors = 0; errors <= t + 1; ++errors) {
                std::vector<unsigned short> word = sent;
                for (unsigned short p : Positions(random, b.n, errors)) {
                    word[p] = static_cast<unsigned short>(
                        word[p] ^ random.integer(1, static_cast<int>(b.field.Size() - 1)));
                }
                std::vector<unsigned short> const received = word;
                int const result = CorrectErrs_COM(b.mode, word.data(), tables.log.data(), tables.power.data(),
                                                   static_cast<int>(b.field.Size()), static_cast<int>(b.n),
                                                   static_cast<int>(b.k), 0, nullptr, 0);
                if (errors <= t) {
                    ASSERT_EQ(result, static_cast<int>(errors)) << "errors " << errors;
                    ASSERT_EQ(word, sent);
                } else if (result == -1) {
                    ASSERT_EQ(word, received);
                } else {
                    // Another codeword within t of what was received: a true
                    // codeword, never a half-corrected word.
                    ++miscorrected;
                    ASSERT_TRUE(IsCodeword(b.field, firstRoot, word, checks));
                    ASSERT_LE(result, static_cast<int>(t));
                }
            }
        }
        if (t >= 4) {
            EXPECT_EQ(miscorrected, 0);
        }
    }
}

TEST(LegacyRsTest, ErasuresCountWithErrorsAndOutsideIndicesAreIgnored)
{
    support::Random random(9115);
    Block const& b = kBlocks[1];
    Tables const tables(b.field);
    unsigned int const checks = b.n - b.k;
    for (unsigned int erased = 1; erased <= checks; erased += 3) {
        unsigned int const errors = (checks - erased) / 2;
        std::vector<unsigned short> data(b.k);
        for (auto& d : data) {
            d = static_cast<unsigned short>(random.integer(0, 63));
        }
        std::vector<unsigned short> const sent = Encode(b.field, 1, data, checks);
        std::vector<unsigned short> word = sent;
        std::vector<unsigned short> positions = Positions(random, b.n, erased + errors);
        for (unsigned short p : positions) {
            word[p] = static_cast<unsigned short>(word[p] ^ random.integer(1, 63));
        }
        std::vector<unsigned short> erasures(positions.begin(), positions.begin() + erased);
        erasures.push_back(static_cast<unsigned short>(b.n));  // outside the word
        erasures.push_back(erasures[0]);                       // listed twice
        int const result = CorrectErrs_COM(2, word.data(), tables.log.data(), tables.power.data(), 64, 62, 42,
                                           static_cast<int>(erasures.size()), erasures.data(), 0);
        EXPECT_EQ(result, static_cast<int>(erased + errors)) << "erased " << erased;
        EXPECT_EQ(word, sent);
    }
    // A clean word with erasures listed is left alone and answers 0.
    std::vector<unsigned short> word = Encode(b.field, 1, std::vector<unsigned short>(b.k, 5), checks);
    unsigned short const erasures[] = {3, 7};
    EXPECT_EQ(CorrectErrs_COM(2, word.data(), tables.log.data(), tables.power.data(), 64, 62, 42, 2, erasures, 0), 0);
}

TEST(LegacyRsTest, MalformedCallsAreRefusedAndLeaveTheWord)
{
    Field const f{6, 0x43};
    Tables const tables(f);
    std::vector<unsigned short> const sent = Encode(f, 1, {1, 2, 3, 4, 5}, 1);
    std::vector<unsigned short> word = sent;
    word[2] ^= 9;
    std::vector<unsigned short> const bad = word;
    // One check word detects but cannot correct.
    EXPECT_EQ(CorrectErrs_COM(2, word.data(), tables.log.data(), tables.power.data(), 64, 6, 5, 0, nullptr, 0), -1);
    EXPECT_EQ(word, bad);

    std::vector<unsigned short> longWord(64, 0);  // no longer than the field allows
    EXPECT_EQ(CorrectErrs_COM(2, longWord.data(), tables.log.data(), tables.power.data(), 64, 64, 40, 0, nullptr, 0),
              -1);
    std::vector<unsigned short> outside = Encode(f, 1, {1, 2, 3}, 4);
    outside[1] = 64;  // not a field element
    EXPECT_EQ(CorrectErrs_COM(2, outside.data(), tables.log.data(), tables.power.data(), 64, 7, 3, 0, nullptr, 0),
              -1);
    EXPECT_EQ(outside[1], 64);

    std::vector<int> broken = tables.log;
    std::swap(broken[3], broken[5]);
    std::vector<unsigned short> w = Encode(f, 1, {1, 2, 3}, 4);
    w[0] ^= 1;
    EXPECT_EQ(CorrectErrs_COM(2, w.data(), broken.data(), tables.power.data(), 64, 7, 3, 0, nullptr, 0), -1);
    std::vector<int> logs(16), powers(16);
    EXPECT_FALSE(BuildGFTables_COM(4, 0x1F, logs.data(), powers.data()));  // x^4+x^3+x^2+x+1 is not primitive
}

}  // namespace
