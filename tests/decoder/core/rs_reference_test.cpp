// Every symbology's decoder against a plain errors-and-erasures decoder written
// from the textbook (syndromes by definition, Berlekamp-Massey with the correction
// term shifted every step, the full evaluator, a root search by evaluation): the
// same answer, the same words and the same count for 0, 1, t and t + 1 errors, with
// and without erasures, on short blocks and the longest of each field.

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

using Poly = std::vector<unsigned short>; // coefficient i of x^i

struct Outcome {
    unsigned int answer = 0;
    std::vector<unsigned short> words;
    unsigned int located = 0;
};

unsigned short Evaluate(FiniteField const& f, Poly const& p, unsigned short x)
{
    unsigned short value = 0;
    for (std::size_t i = p.size(); i-- > 0;) {
        value = f.Add(f.Multiply(value, x), p[i]);
    }
    return value;
}

int Degree(Poly const& p)
{
    for (std::size_t i = p.size(); i-- > 0;) {
        if (p[i] != 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<unsigned short> Syndromes(FiniteField const& f, unsigned int b, std::vector<unsigned short> const& r,
                                      unsigned int s)
{
    std::vector<unsigned short> out(s, 0);
    unsigned int const n = static_cast<unsigned int>(r.size());
    for (unsigned int j = 0; j < s; ++j) {
        for (unsigned int i = 0; i < n; ++i) {
            unsigned short const word = r[i] < f.Size() ? r[i] : 0;
            out[j] = f.Add(out[j], f.Multiply(word, f.Power(static_cast<long long>(b + j) * (n - 1 - i))));
        }
    }
    return out;
}

Outcome ReferenceDecode(FiniteField const& f, unsigned int b, std::vector<unsigned short> r, unsigned int k,
                        std::vector<unsigned short> const& erasures, unsigned int reserve)
{
    Outcome refused{0, r, 0};
    unsigned int const n = static_cast<unsigned int>(r.size());
    unsigned int const s = n - k;
    unsigned int const v = static_cast<unsigned int>(erasures.size());
    for (unsigned short& word : r) {
        word = word < f.Size() ? word : 0;
    }
    std::vector<unsigned short> const syndromes = Syndromes(f, b, r, s);
    if (std::all_of(syndromes.begin(), syndromes.end(), [](unsigned short x) { return x == 0; })) {
        return {1, r, v};
    }
    Poly locator{1};
    for (unsigned short position : erasures) {
        Poly next(locator.size() + 1, 0);
        unsigned short const x = f.Power(n - 1 - position);
        for (std::size_t i = 0; i < locator.size(); ++i) {
            next[i] = f.Add(next[i], locator[i]);
            next[i + 1] = f.Subtract(next[i + 1], f.Multiply(x, locator[i]));
        }
        locator = next;
    }
    Poly previous = locator;
    unsigned int length = v;
    for (unsigned int step = v + 1; step <= s; ++step) {
        unsigned short delta = 0;
        for (std::size_t i = 0; i < locator.size() && i < step; ++i) {
            delta = f.Add(delta, f.Multiply(locator[i], syndromes[step - 1 - i]));
        }
        previous.insert(previous.begin(), 0);
        if (delta == 0) {
            continue;
        }
        Poly next = locator;
        next.resize(std::max(next.size(), previous.size()), 0);
        for (std::size_t i = 0; i < previous.size(); ++i) {
            next[i] = f.Subtract(next[i], f.Multiply(delta, previous[i]));
        }
        if (2 * length <= step + v - 1) {
            length = step + v - length;
            previous = locator;
            for (unsigned short& c : previous) {
                c = f.Divide(c, delta);
            }
        }
        locator = next;
    }
    if (Degree(locator) != static_cast<int>(length) || v + 2 * (length - v) > s - reserve) {
        return refused;
    }
    std::vector<unsigned int> positions;
    for (unsigned int i = 0; i < n; ++i) {
        if (Evaluate(f, locator, f.Power(-static_cast<long long>(n - 1 - i))) == 0) {
            positions.push_back(i);
        }
    }
    if (positions.size() != length) {
        return refused;
    }
    Poly evaluator(s, 0);
    for (unsigned int i = 0; i < s; ++i) {
        for (unsigned int t = 0; t <= i && t < locator.size(); ++t) {
            evaluator[i] = f.Add(evaluator[i], f.Multiply(locator[t], syndromes[i - t]));
        }
    }
    Poly derivative(locator.size(), 0);
    for (std::size_t i = 1; i < locator.size(); ++i) {
        derivative[i - 1] = f.Multiply(locator[i], f.FromInteger(static_cast<unsigned int>(i)));
    }
    for (unsigned int position : positions) {
        long long const e = n - 1 - position;
        unsigned short const inverse = f.Power(-e);
        unsigned short const denominator = Evaluate(f, derivative, inverse);
        if (denominator == 0) {
            return refused;
        }
        unsigned short const magnitude = f.Multiply(f.Power(e * (1 - static_cast<long long>(b))),
                                                    f.Divide(Evaluate(f, evaluator, inverse), denominator));
        r[position] = f.Add(r[position], magnitude);
    }
    std::vector<unsigned short> const after = Syndromes(f, b, r, s);
    if (!std::all_of(after.begin(), after.end(), [](unsigned short x) { return x == 0; })) {
        return refused;
    }
    return {1, r, length};
}

using Decode = std::function<unsigned int(std::vector<unsigned short>& words, unsigned int k,
                                          std::vector<unsigned short> const& erasures, unsigned int reserve,
                                          unsigned int& located)>;

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
GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);

struct Profile {
    std::string name;
    FiniteField const* field;
    unsigned int firstRoot;
    unsigned int reserve;
    // (n, s) pairs: a short block and the longest the symbology has.
    std::vector<std::pair<unsigned int, unsigned int>> sizes;
    Decode decode;
};

TEST(RSreferenceTest, SameOutcomeAsTheTextbookDecoder)
{
    auto d = std::make_unique<Decoders>();
    auto aztec = [&d](unsigned int bits) -> Decode {
        return [&d, bits](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e,
                          unsigned int, unsigned int& located) {
            return d->aztec.CorrectErrors(w.data(), bits, static_cast<unsigned int>(w.size()), k,
                                          static_cast<unsigned int>(e.size()), e.data(), &located);
        };
    };
    std::vector<Profile> const profiles{
        {"PDF417", &gf929, 1, 2, {{40, 16}, {928, 512}},
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d->pdf417.CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                            static_cast<unsigned int>(e.size()), e.data(), r, &located);
         }},
        {"DotCode", &gf113, 1, 2, {{20, 9}, {112, 40}},
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d->dotCode.CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                             static_cast<unsigned int>(e.size()), e.data(), r, located)
                        ? 1u
                        : 0u;
         }},
        {"QRcode", &gf256qr, 0, 1, {{26, 10}, {153, 30}},
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int r,
              unsigned int& located) {
             return d->qr.CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                        static_cast<unsigned int>(e.size()), e.data(), r, &located);
         }},
        {"DataMatrix", &gf256dm, 1, 0, {{18, 7}, {218, 62}},
         [&d](std::vector<unsigned short>& w, unsigned int k, std::vector<unsigned short> const& e, unsigned int,
              unsigned int& located) {
             return d->dataMatrix.CorrectErrors(w.data(), static_cast<unsigned int>(w.size()), k,
                                                static_cast<unsigned int>(e.size()), e.data(), &located);
         }},
        {"Aztec6", &gf64, 1, 0, {{17, 7}, {63, 33}}, aztec(6)},
        {"Aztec8", &gf256dm, 1, 0, {{40, 12}, {240, 120}}, aztec(8)},
        {"Aztec10", &gf1024, 1, 0, {{100, 30}, {1020, 340}}, aztec(10)},
        {"Aztec12", &gf4096, 1, 0, {{200, 41}, {1664, 756}}, aztec(12)},
    };
    std::mt19937 random(17);
    for (Profile const& p : profiles) {
        SCOPED_TRACE(p.name);
        unsigned int const q = p.field->Size();
        for (auto const& [n, s] : p.sizes) {
            unsigned int const budget = s - p.reserve;
            for (unsigned int v : {0u, 1u, budget / 3}) {
                unsigned int const t = (budget - v) / 2;
                for (unsigned int e : {0u, 1u, t, t + 1, t + 3}) {
                    std::string const where = "n=" + std::to_string(n) + " s=" + std::to_string(s) +
                                              " v=" + std::to_string(v) + " e=" + std::to_string(e);
                    std::vector<unsigned short> data(n - s);
                    for (unsigned short& w : data) {
                        w = static_cast<unsigned short>(random() % q);
                    }
                    std::vector<unsigned short> received = rs_test::Encode(*p.field, p.firstRoot, data, s);
                    std::vector<unsigned short> order(n);
                    for (unsigned int i = 0; i < n; ++i) {
                        order[i] = static_cast<unsigned short>(i);
                    }
                    std::shuffle(order.begin(), order.end(), random);
                    std::vector<unsigned short> erasures(order.begin(), order.begin() + v);
                    for (unsigned short at : erasures) {
                        received[at] = random() % 3 == 0 ? 0xFFFF : static_cast<unsigned short>(random() % q);
                    }
                    for (unsigned int i = v; i < v + e; ++i) {
                        received[order[i]] = static_cast<unsigned short>((received[order[i]] + 1 + random() % (q - 1)) % q);
                    }
                    Outcome const expected = ReferenceDecode(*p.field, p.firstRoot, received, n - s, erasures, p.reserve);
                    std::vector<unsigned short> words = received;
                    unsigned int located = 4321;
                    unsigned int const answer = p.decode(words, n - s, erasures, p.reserve, located);
                    ASSERT_EQ(answer != 0, expected.answer != 0) << where;
                    EXPECT_EQ(words, expected.words) << where;
                    EXPECT_EQ(located, expected.located) << where;
                }
            }
        }
    }
}

} // namespace
