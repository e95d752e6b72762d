// Syndromes on every route against the definition, S_j = r(alpha^(firstRoot + j)),
// evaluated power by power: block lengths around the 32-word steps of the vector
// route, check counts of every parity, roots that wrap past the field's order, and
// erased words outside the field. Wide fields (9 to 12 bits) have their own
// paired chains on the fastest route.

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/rs_syndromes.h"

using namespace DEC2DIvra;

namespace {

GaloisFieldModuloPrimeNumber<929> const gf929(3);
GaloisFieldModuloPrimeNumber<113> const gf113(3);
GaloisFieldModuloPowerOfTwo<4> const gf16(0x13);
GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
GaloisFieldModuloPowerOfTwo<8> const gf256(0x11D);
GaloisFieldModuloPowerOfTwo<8> const gf256b(0x12D);
GaloisFieldModuloPowerOfTwo<9> const gf512(0x211);
GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);
GaloisFieldModuloPowerOfTwo<7> const gf128(0x89);
GaloisFieldModuloPowerOfTwo<11> const gf2048(0x805);

std::vector<unsigned short> Reference(FiniteField const& field, unsigned int firstRoot,
                                      std::vector<unsigned short> const& words, unsigned int count)
{
    unsigned int const n = static_cast<unsigned int>(words.size());
    std::vector<unsigned short> syndromes(count, 0);
    for (unsigned int j = 0; j < count; ++j) {
        for (unsigned int i = 0; i < n; ++i) {
            unsigned short const word = words[i] < field.Size() ? words[i] : 0;
            long long const exponent = static_cast<long long>(firstRoot + j) * (n - 1 - i);
            syndromes[j] = field.Add(syndromes[j], field.Multiply(word, field.Power(exponent)));
        }
    }
    return syndromes;
}

struct Case {
    std::string name;
    FiniteField const* field;
};

TEST(RSsyndromesTest, EveryRouteMatchesTheDefinition)
{
    std::vector<Case> const cases{{"GF929", &gf929},   {"GF113", &gf113},   {"GF16", &gf16},    {"GF64", &gf64},
                                  {"GF256", &gf256},   {"GF256/0x12D", &gf256b}, {"GF512", &gf512},
                                  {"GF1024", &gf1024}, {"GF4096", &gf4096}};
    std::mt19937 random(7);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned int const size = c.field->Size();
        unsigned int const order = size - 1;
        for (unsigned int n : {1u, 2u, 31u, 32u, 33u, 63u, 64u, 65u, 96u, 97u, 112u, 255u, 400u, 928u, 1020u, 1664u}) {
            if (n >= size) {
                continue;
            }
            std::vector<unsigned short> scratch(SyndromeScratchEntries(n), 0xABCD);
            for (unsigned int count : {1u, 2u, 7u, 32u, 33u, n / 3 + 1, n}) {
                if (count > n) {
                    continue;
                }
                for (unsigned int firstRoot : {0u, 1u, order - 1}) {
                    std::vector<unsigned short> words(n);
                    for (unsigned short& w : words) {
                        // Now and then an erased word outside the field, which counts as 0.
                        unsigned int const pick = static_cast<unsigned int>(random() % 40);
                        w = pick == 0 ? 0xFFFF : pick == 1 ? static_cast<unsigned short>(size)
                                                           : static_cast<unsigned short>(random() % size);
                    }
                    std::vector<unsigned short> const expected = Reference(*c.field, firstRoot, words, count);
                    bool const expectZero = std::vector<unsigned short>(count, 0) == expected;
                    std::string const where = "n=" + std::to_string(n) + " count=" + std::to_string(count) +
                                              " firstRoot=" + std::to_string(firstRoot);
                    for (SyndromeRoute route :
                         {SyndromeRoute::kFastest, SyndromeRoute::kVectorShuffles, SyndromeRoute::kTableLookups}) {
                        std::vector<unsigned short> syndromes(count, 0x5A5A);
                        bool const zero = ComputeSyndromes(*c.field, firstRoot, words.data(), n, count,
                                                           syndromes.data(), scratch.data(),
                                                           static_cast<unsigned int>(scratch.size()), route);
                        ASSERT_EQ(syndromes, expected) << where << " route=" << static_cast<int>(route);
                        EXPECT_EQ(zero, expectZero) << where;
                    }
                }
            }
        }
    }
}

// The fastest route keeps each field's multiplier tables between calls: fields
// taken in turn, more of them than it keeps and two of the same size with other
// polynomials among them, must each get their own syndromes every time.
TEST(RSsyndromesTest, FieldsTakenInTurnKeepTheirOwnTables)
{
    std::vector<Case> const cases{{"GF256", &gf256},   {"GF128", &gf128},   {"GF256/0x12D", &gf256b},
                                  {"GF4096", &gf4096}, {"GF512", &gf512},   {"GF2048", &gf2048},
                                  {"GF1024", &gf1024}, {"GF256", &gf256}};
    std::mt19937 random(11);
    for (unsigned int round = 0; round < 3; ++round) {
        for (Case const& c : cases) {
            SCOPED_TRACE(c.name + " round " + std::to_string(round));
            unsigned int const size = c.field->Size();
            unsigned int const n = size - 1 < 200 ? size - 1 : 200;
            unsigned int const count = 40;
            std::vector<unsigned short> words(n);
            for (unsigned short& w : words) {
                w = static_cast<unsigned short>(random() % size);
            }
            std::vector<unsigned short> scratch(SyndromeScratchEntries(n), 0);
            std::vector<unsigned short> syndromes(count, 0);
            ComputeSyndromes(*c.field, 1, words.data(), n, count, syndromes.data(), scratch.data(),
                             static_cast<unsigned int>(scratch.size()), SyndromeRoute::kFastest);
            ASSERT_EQ(syndromes, Reference(*c.field, 1, words, count));
        }
    }
}

} // namespace
