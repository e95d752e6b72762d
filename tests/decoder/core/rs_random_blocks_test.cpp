// Random codewords of every symbology's field: errors and erasures within the
// correction limit are corrected and counted; beyond it the block comes back as it
// went in; malformed calls are refused without touching the codewords.

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"
#include "decoder/core/arithmetic/rs_decoding_of_data_matrix.h"
#include "decoder/core/arithmetic/rs_decoding_of_dot_code.h"
#include "decoder/core/arithmetic/rs_decoding_of_pdf417.h"
#include "decoder/core/arithmetic/rs_decoding_of_qr_code.h"
#include "tests/decoder/core/rs_test_encoder.h"

using namespace DEC2DIvra;

namespace {

// One call shape for every decoder: nonzero on success, located filled.
using Decode = std::function<unsigned int(std::vector<unsigned short>& words, unsigned int k,
                                          std::vector<unsigned short> const& erasures, unsigned int reserve,
                                          unsigned int& located)>;

struct Profile {
    std::string name;
    FiniteField const* field; // the test encoder's copy of the symbology's field
    unsigned int firstRoot;
    unsigned int maxWords;
    unsigned int maxCheck;
    bool takesReserve;
    bool takesErasures;
    Decode decode;
};

struct Decoders {
    RSdecodingOfPDF417 pdf417;
    RSdecodingOfDotCode dotCode;
    RSdecodingOfQRcode qr;
    RSdecodingOfDataMatrix dataMatrix;
    RSdecodingOfAztec aztec;
};

GaloisFieldModuloPrimeNumber<929> const gf929(3);
GaloisFieldModuloPrimeNumber<113> const gf113(3);
GaloisFieldModuloPowerOfTwo<8> const gf256qr(0x11D);
GaloisFieldModuloPowerOfTwo<8> const gf256dm(0x12D);
GaloisFieldModuloPowerOfTwo<4> const gf16(0x13);
GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);

unsigned short const* Data(std::vector<unsigned short> const& v)
{
    return v.empty() ? nullptr : v.data();
}
unsigned int Size(std::vector<unsigned short> const& v)
{
    return static_cast<unsigned int>(v.size());
}

std::vector<Profile> Profiles(Decoders& d)
{
    auto aztec = [&d](unsigned int bits) {
        return [&d, bits](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e,
                          unsigned int, unsigned int& located) {
            return d.aztec.CorrectErrors(w.data(), bits, Size(w), k, Size(e), Data(e), &located);
        };
    };
    return {
        {"PDF417", &gf929, 1, 928, 512, true, true,
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d.pdf417.CorrectErrors(w.data(), Size(w), k, Size(e), Data(e), r, &located);
         }},
        {"DotCode", &gf113, 1, 112, 112, true, true,
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d.dotCode.CorrectErrors(w.data(), Size(w), k, Size(e), Data(e), r, located) ? 1u : 0u;
         }},
        {"QRcode", &gf256qr, 0, 255, 68, true, true,
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d.qr.CorrectErrors(w.data(), Size(w), k, Size(e), Data(e), r, &located);
         }},
        {"DataMatrix", &gf256dm, 1, 255, 68, false, true,
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int,
              unsigned int& located) {
             return d.dataMatrix.CorrectErrors(w.data(), Size(w), k, Size(e), Data(e), &located);
         }},
        {"AztecMode", &gf16, 1, 15, 14, false, false,
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const&, unsigned int,
              unsigned int& located) {
             return d.aztec.CorrectErrorsModeMessage(w.data(), Size(w), k, located) ? 1u : 0u;
         }},
        {"Aztec6", &gf64, 1, 63, 62, false, true, aztec(6)},
        {"Aztec8", &gf256dm, 1, 255, 254, false, true, aztec(8)},
        {"Aztec10", &gf1024, 1, 1023, 700, false, true, aztec(10)},
        {"Aztec12", &gf4096, 1, 1664, 900, false, true, aztec(12)},
    };
}

// A random block of the profile and a corruption of it.
struct Trial {
    std::vector<unsigned short> original;
    std::vector<unsigned short> received;
    std::vector<unsigned short> erasures;
    unsigned int k = 0;
    unsigned int reserve = 0;
    unsigned int errors = 0;
};

class TrialMaker {
public:
    TrialMaker(Profile const& profile, unsigned int seed) : p_(profile), random_(seed) {}

    unsigned int Below(unsigned int bound) { return static_cast<unsigned int>(random_() % bound); }

    // Picks a block of n words with s check words.
    Trial Block(unsigned int n, unsigned int s, unsigned int reserve)
    {
        Trial t;
        t.k = n - s;
        t.reserve = reserve;
        std::vector<unsigned short> data(t.k);
        for (unsigned short& v : data) {
            v = static_cast<unsigned short>(Below(p_.field->Size()));
        }
        t.original = rs_test::Encode(*p_.field, p_.firstRoot, data, s);
        t.received = t.original;
        return t;
    }

    // Erases v positions (some left as they were, some set outside the field) and
    // changes e others to another value.
    void Corrupt(Trial& t, unsigned int v, unsigned int e)
    {
        std::vector<unsigned short> order(t.original.size());
        for (unsigned int i = 0; i < order.size(); ++i) {
            order[i] = static_cast<unsigned short>(i);
        }
        std::shuffle(order.begin(), order.end(), random_);
        unsigned int const q = p_.field->Size();
        for (unsigned int i = 0; i < v; ++i) {
            unsigned short const position = order[i];
            t.erasures.push_back(position);
            unsigned int const kind = Below(4);
            if (kind == 1) {
                t.received[position] = 0xFFFF;
            } else if (kind >= 2) {
                t.received[position] = static_cast<unsigned short>(Below(q));
            }
        }
        for (unsigned int i = v; i < v + e; ++i) {
            unsigned short const position = order[i];
            t.received[position] = static_cast<unsigned short>((t.original[position] + 1 + Below(q - 1)) % q);
        }
        t.errors = e;
    }

private:
    Profile const& p_;
    std::mt19937 random_;
};

unsigned int Differences(std::vector<unsigned short> const& a, std::vector<unsigned short> const& b)
{
    unsigned int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

// Block sizes to try: small ones often, the largest now and then.
void PickSize(TrialMaker& maker, Profile const& p, unsigned int& n, unsigned int& s)
{
    unsigned int const maxCheck = std::min(p.maxCheck, p.maxWords - 1);
    s = 1 + maker.Below(maker.Below(4) == 0 ? maxCheck : std::min(maxCheck, 40u));
    unsigned int const room = p.maxWords - s;
    n = s + 1 + maker.Below(maker.Below(4) == 0 ? room : std::min(room, 60u));
}

TEST(RSdecodingTest, CorrectsErrorsAndErasuresUpToTheLimit)
{
    auto decoders = std::make_unique<Decoders>();
    for (Profile const& p : Profiles(*decoders)) {
        SCOPED_TRACE(p.name);
        TrialMaker maker(p, 11);
        for (int trial = 0; trial < 60; ++trial) {
            unsigned int n = 0;
            unsigned int s = 0;
            PickSize(maker, p, n, s);
            unsigned int const reserve = p.takesReserve ? maker.Below(std::min(s, 4u)) : 0;
            unsigned int const budget = s - reserve;
            unsigned int const v = p.takesErasures ? maker.Below(budget + 1) : 0;
            // Mostly right at the limit, where an off-by-one shows.
            unsigned int const e = maker.Below(3) == 0 ? maker.Below((budget - v) / 2 + 1) : (budget - v) / 2;
            Trial t = maker.Block(n, s, reserve);
            maker.Corrupt(t, v, e);
            unsigned int located = 12345;
            std::vector<unsigned short> words = t.received;
            ASSERT_NE(p.decode(words, t.k, t.erasures, reserve, located), 0u)
                << "n=" << n << " s=" << s << " reserve=" << reserve << " v=" << v << " e=" << e;
            ASSERT_EQ(words, t.original) << "n=" << n << " s=" << s << " v=" << v << " e=" << e;
            ASSERT_EQ(located, v + e) << "n=" << n << " s=" << s;
        }
    }
}

TEST(RSdecodingTest, CleanBlocksComeBackUnchanged)
{
    auto decoders = std::make_unique<Decoders>();
    for (Profile const& p : Profiles(*decoders)) {
        SCOPED_TRACE(p.name);
        TrialMaker maker(p, 5);
        for (int trial = 0; trial < 10; ++trial) {
            unsigned int n = 0;
            unsigned int s = 0;
            PickSize(maker, p, n, s);
            Trial t = maker.Block(n, s, 0);
            unsigned int located = 99;
            ASSERT_NE(p.decode(t.received, t.k, {}, 0, located), 0u);
            EXPECT_EQ(t.received, t.original);
            EXPECT_EQ(located, 0u);
        }
    }
}

// Blocks of few nonzero words (none, one, up to five, in any group of four
// the syndromes take together) and check counts of either parity: one error,
// where the check words allow it, is found and mended; the clean block stays.
TEST(RSdecodingTest, SparseBlocksOfAnyCheckCountAreCorrected)
{
    auto decoders = std::make_unique<Decoders>();
    for (Profile const& p : Profiles(*decoders)) {
        SCOPED_TRACE(p.name);
        TrialMaker maker(p, 31);
        unsigned int const longest = std::min(p.maxWords, 40u);
        for (unsigned int s : {1u, 2u, 3u, 7u, 8u}) {
            if (s >= longest || (p.name == "AztecMode" && s > 6)) {
                continue;
            }
            for (unsigned int nonzero = 0; nonzero <= 5; ++nonzero) {
                unsigned int const n = std::min(longest, s + nonzero + 2 + maker.Below(6));
                std::vector<unsigned short> data(n - s, 0);
                for (unsigned int i = 0; i < nonzero && i < data.size(); ++i) {
                    data[maker.Below(static_cast<unsigned int>(data.size()))] =
                        static_cast<unsigned short>(1 + maker.Below(p.field->Size() - 1));
                }
                std::vector<unsigned short> const original = rs_test::Encode(*p.field, p.firstRoot, data, s);
                std::string const where = "s=" + std::to_string(s) + " nonzero=" + std::to_string(nonzero);
                std::vector<unsigned short> words = original;
                unsigned int located = 5;
                ASSERT_NE(p.decode(words, n - s, {}, 0, located), 0u) << where;
                EXPECT_EQ(words, original) << where;
                EXPECT_EQ(located, 0u) << where;
                if (s < 2) {
                    continue;
                }
                unsigned int const at = maker.Below(n);
                words[at] = static_cast<unsigned short>((words[at] + 1 + maker.Below(p.field->Size() - 1)) %
                                                        p.field->Size());
                ASSERT_NE(p.decode(words, n - s, {}, 0, located), 0u) << where << " at=" << at;
                EXPECT_EQ(words, original) << where << " at=" << at;
                EXPECT_EQ(located, 1u) << where;
            }
        }
    }
}

// Beyond the limit the block stays as it came. Only one outcome differs, and it
// cannot be told apart from a good read: with more errors than the check words
// allow, the received word can lie within reach of another codeword. Then the
// answer must be that codeword, reached within the limit.
TEST(RSdecodingTest, BeyondTheLimitLeavesTheBlockAsItCame)
{
    auto decoders = std::make_unique<Decoders>();
    for (Profile const& p : Profiles(*decoders)) {
        SCOPED_TRACE(p.name);
        TrialMaker maker(p, 23);
        for (int trial = 0; trial < 60; ++trial) {
            unsigned int n = 0;
            unsigned int s = 0;
            PickSize(maker, p, n, s);
            if (n < s + 3) {
                continue;
            }
            unsigned int const reserve = p.takesReserve ? maker.Below(std::min(s, 4u)) : 0;
            unsigned int const budget = s - reserve;
            unsigned int v = 0;
            unsigned int e = 0;
            bool certain = true;
            switch (maker.Below(3)) {
            case 0: // one erasure too many: refused before any arithmetic
                if (!p.takesErasures || budget + 1 > n) {
                    continue;
                }
                v = budget + 1;
                break;
            case 1: // found, but the reserve forbids it
                if (reserve == 0) {
                    continue;
                }
                v = p.takesErasures ? maker.Below(s + 1) : 0;
                e = (s - v) / 2;
                if (v + 2 * e <= budget) {
                    continue;
                }
                break;
            default: // more errors than the check words can place
                v = p.takesErasures ? maker.Below(budget + 1) : 0;
                e = (s - v) / 2 + 1 + maker.Below(2);
                certain = false;
                if (v + e > n) {
                    continue;
                }
                break;
            }
            Trial t = maker.Block(n, s, reserve);
            maker.Corrupt(t, v, e);
            std::vector<unsigned short> words = t.received;
            unsigned int located = 777;
            unsigned int const answer = p.decode(words, t.k, t.erasures, reserve, located);
            std::string const where = "n=" + std::to_string(n) + " s=" + std::to_string(s) +
                                      " reserve=" + std::to_string(reserve) + " v=" + std::to_string(v) +
                                      " e=" + std::to_string(e);
            if (answer == 0) {
                ASSERT_EQ(words, t.received) << where;
                ASSERT_EQ(located, 0u) << where;
                continue;
            }
            ASSERT_FALSE(certain) << where;
            ASSERT_NE(words, t.original) << where;
            ASSERT_TRUE(rs_test::IsCodeword(*p.field, p.firstRoot, words, s)) << where;
            // Every erasure counts; the changed positions outside them are the errors found.
            std::vector<unsigned short> unerased = t.received;
            for (unsigned short position : t.erasures) {
                unerased[position] = words[position];
            }
            unsigned int const found = Differences(unerased, words);
            ASSERT_EQ(located, v + found) << where;
            ASSERT_LE(v + 2 * found, budget) << where;
        }
    }
}

// Against the textbook decoder: the same answer, the same words and the same count
// for 0, 1, t, t + 1 and t + 3 errors, with and without erasures, on short blocks
// and the longest of each profile.
TEST(RSdecodingTest, SameOutcomeAsTheTextbookDecoder)
{
    auto decoders = std::make_unique<Decoders>();
    for (Profile const& p : Profiles(*decoders)) {
        SCOPED_TRACE(p.name);
        TrialMaker maker(p, 17);
        unsigned int const shortest = std::min(p.maxWords, 40u);
        unsigned int const longest = p.maxWords;
        // Two check words: two errors or more leave a locator of degree one, its
        // root in the block or outside it.
        std::vector<std::pair<unsigned int, unsigned int>> const sizes{
            {shortest / 2, 2},
            {shortest, std::min(p.maxCheck, shortest / 3 + 1)},
            {longest, std::min(p.maxCheck, longest / 2)}};
        for (auto const& [n, s] : sizes) {
            unsigned int const reserve = p.takesReserve ? 2 : 0;
            unsigned int const budget = s - reserve;
            for (unsigned int v : {0u, 1u, budget / 3}) {
                if ((v > 0 && !p.takesErasures) || v > budget) {
                    continue;
                }
                unsigned int const t = (budget - v) / 2;
                for (unsigned int e : {0u, 1u, t, t + 1, t + 3}) {
                    for (unsigned int repeat = 0; repeat < (s == 2 ? 20u : 1u); ++repeat) {
                        std::string const where = "n=" + std::to_string(n) + " s=" + std::to_string(s) +
                                                  " v=" + std::to_string(v) + " e=" + std::to_string(e);
                        Trial trial = maker.Block(n, s, reserve);
                        maker.Corrupt(trial, v, e);
                        rs_test::Outcome const expected = rs_test::ReferenceDecode(
                            *p.field, p.firstRoot, trial.received, trial.k, trial.erasures, reserve);
                        std::vector<unsigned short> words = trial.received;
                        unsigned int located = 4321;
                        unsigned int const answer = p.decode(words, trial.k, trial.erasures, reserve, located);
                        ASSERT_EQ(answer != 0, expected.answer != 0) << where;
                        EXPECT_EQ(words, expected.words) << where;
                        EXPECT_EQ(located, expected.located) << where;
                    }
                }
            }
        }
    }
}

// An erased position holds whatever was read there, also a value outside the field:
// it counts as unknown and comes back as the right codeword.
TEST(RSdecodingTest, ErasedWordsOutsideTheFieldAreFilledIn)
{
    auto decoders = std::make_unique<Decoders>();
    std::vector<unsigned short> const original = rs_test::Encode(gf929, 1, {7, 900, 0, 5, 0, 13}, 6);
    std::vector<unsigned short> const erasures{2, 4};
    for (unsigned int errors : {0u, 1u}) {
        SCOPED_TRACE(errors);
        std::vector<unsigned short> words = original;
        words[2] = 0xFFFF;
        words[4] = 929;
        if (errors != 0) {
            words[9] = static_cast<unsigned short>((words[9] + 5) % 929);
        }
        unsigned int located = 0;
        ASSERT_NE(decoders->pdf417.CorrectErrors(words.data(), 12, 6, 2, erasures.data(), 2, &located), 0u);
        EXPECT_EQ(words, original);
        EXPECT_EQ(located, 2 + errors);
    }
}

TEST(RSdecodingTest, MalformedCallsAreRefusedUntouched)
{
    auto decoders = std::make_unique<Decoders>();
    Decoders& d = *decoders;
    struct Case {
        std::string name;
        int plantAt; // -1: nothing planted
        unsigned short planted;
        std::function<unsigned int(unsigned short* words, unsigned int& located)> call;
    };
    // A 10-word DotCode codeword with 4 check words at the front of a long buffer.
    std::vector<unsigned short> const codeword = rs_test::Encode(gf113, 1, {3, 7, 100, 0, 5, 112}, 4);
    static unsigned short const twice[] = {2, 2};
    static unsigned short const pair[] = {2, 3};
    static unsigned short const outside[] = {10};
    static unsigned short const one[] = {1};
    std::vector<Case> const cases{
        {"block as long as the field", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 113, 100, 0, nullptr, 0, l) ? 1u : 0u;
         }},
        {"no check words", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 10, 0, nullptr, 0, l) ? 1u : 0u;
         }},
        {"more data than words", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 11, 0, nullptr, 0, l) ? 1u : 0u;
         }},
        {"erasure outside the block", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 1, outside, 0, l) ? 1u : 0u;
         }},
        {"erasure listed twice", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 2, twice, 0, l) ? 1u : 0u;
         }},
        {"erasures without a list", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 1, nullptr, 0, l) ? 1u : 0u;
         }},
        {"erasures eat the reserve", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 2, pair, 3, l) ? 1u : 0u;
         }},
        {"reserve above the check words", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 0, nullptr, 5, l) ? 1u : 0u;
         }},
        {"no codewords", -1, 0,
         [&](unsigned short*, unsigned int& l) {
             return d.dotCode.CorrectErrors(nullptr, 10, 6, 0, nullptr, 0, l) ? 1u : 0u;
         }},
        {"word outside GF(113)", 4, 113,
         [&](unsigned short* w, unsigned int& l) {
             return d.dotCode.CorrectErrors(w, 10, 6, 1, one, 0, l) ? 1u : 0u;
         }},
        {"PDF417 block of 929", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.pdf417.CorrectErrors(w, 929, 900, 0, nullptr, 0, &l);
         }},
        {"QR block of 256", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.qr.CorrectErrors(w, 256, 200, 0, nullptr, 0, &l);
         }},
        {"QR word above a byte", 0, 256,
         [&](unsigned short* w, unsigned int& l) {
             return d.qr.CorrectErrors(w, 10, 6, 0, nullptr, 0, &l);
         }},
        {"Data Matrix block of 256", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.dataMatrix.CorrectErrors(w, 256, 200, 0, nullptr, &l);
         }},
        {"Aztec codeword size 7", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrors(w, 7, 10, 6, 0, nullptr, &l);
         }},
        {"Aztec 6-bit block of 64", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrors(w, 6, 64, 10, 0, nullptr, &l);
         }},
        {"Aztec 6-bit word of 64", 1, 64,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrors(w, 6, 10, 6, 0, nullptr, &l);
         }},
        {"Aztec more words than any symbol", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrors(w, 12, 1665, 100, 0, nullptr, &l);
         }},
        {"Aztec mode word of 16", 0, 16,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrorsModeMessage(w, 7, 2, l) ? 1u : 0u;
         }},
        {"Aztec mode message of 16 words", -1, 0,
         [&](unsigned short* w, unsigned int& l) {
             return d.aztec.CorrectErrorsModeMessage(w, 16, 2, l) ? 1u : 0u;
         }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned short> words(4096, 0x1234);
        std::copy(codeword.begin(), codeword.end(), words.begin());
        // Small words everywhere, so that only the planted value is out of range,
        // and one error, so that a call that went ahead would change something.
        for (std::size_t i = codeword.size(); i < words.size(); ++i) {
            words[i] = static_cast<unsigned short>(i % 16);
        }
        words[2] = static_cast<unsigned short>((words[2] + 1) % 16);
        if (c.plantAt >= 0) {
            words[static_cast<std::size_t>(c.plantAt)] = c.planted;
        }
        std::vector<unsigned short> const before = words;
        unsigned int located = 55;
        EXPECT_EQ(c.call(words.data(), located), 0u);
        EXPECT_EQ(located, 0u);
        EXPECT_EQ(words, before);
    }
}

} // namespace
