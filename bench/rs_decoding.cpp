// Reed-Solomon decoding time per block, for each field at a block size its symbology
// uses: a clean block (syndromes only), one with three errors and one damaged up to
// the correction limit; and the syndromes alone on each route.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"
#include "decoder/core/arithmetic/rs_decoding_of_data_matrix.h"
#include "decoder/core/arithmetic/rs_decoding_of_dot_code.h"
#include "decoder/core/arithmetic/rs_decoding_of_pdf417.h"
#include "decoder/core/arithmetic/rs_decoding_of_qr_code.h"
#include "decoder/core/arithmetic/rs_syndromes.h"

using namespace DEC2DIvra;

namespace {

struct Decoders {
    RSdecodingOfPDF417 pdf417;
    RSdecodingOfDotCode dotCode;
    RSdecodingOfQRcode qr;
    RSdecodingOfDataMatrix dataMatrix;
    RSdecodingOfAztec aztec;
};

using Decode =
    std::function<unsigned int(unsigned short* words, unsigned int n, unsigned int k, unsigned int erasureCount,
                               unsigned short const* erasures, unsigned int reserve)>;

struct Case {
    std::string name;
    FiniteField const* field;
    unsigned int firstRoot;
    unsigned int fieldSize;
    unsigned int n;
    unsigned int s;
    unsigned int reserve;
    bool erasures; // whether the decoder takes erasures
    Decode decode;
};

// A codeword made by the decoder itself: random data, the check words erased. The
// mode message decoder takes no erasures: it gets the mode message of a full-range symbol.
std::vector<unsigned short> MakeCodeword(Case const& c, std::mt19937& random)
{
    if (!c.erasures) {
        return {2, 0, 0, 2, 4, 4, 4, 1, 10, 14};
    }
    std::vector<unsigned short> words(c.n, 0);
    std::vector<unsigned short> checks;
    for (unsigned int i = 0; i < c.n; ++i) {
        if (i < c.n - c.s) {
            words[i] = static_cast<unsigned short>(random() % c.fieldSize);
        } else {
            checks.push_back(static_cast<unsigned short>(i));
        }
    }
    if (c.decode(words.data(), c.n, c.n - c.s, c.s, checks.data(), 0) == 0) {
        words.clear();
    }
    return words;
}

enum class Damage { kNone, kThreeErrors, kAtLimit };

void Run(benchmark::State& state, Case const& c, Damage damage)
{
    std::mt19937 random(1);
    std::vector<unsigned short> const codeword = MakeCodeword(c, random);
    if (codeword.empty()) {
        state.SkipWithError("no codeword");
        return;
    }
    std::vector<unsigned short> received = codeword;
    std::vector<unsigned short> erasures;
    if (damage != Damage::kNone) {
        std::vector<unsigned short> order(c.n);
        for (unsigned int i = 0; i < c.n; ++i) {
            order[i] = static_cast<unsigned short>(i);
        }
        std::shuffle(order.begin(), order.end(), random);
        unsigned int const budget = c.s - c.reserve;
        bool const atLimit = damage == Damage::kAtLimit;
        unsigned int const v = c.erasures && atLimit ? budget / 3 : 0;
        unsigned int const e = atLimit ? (budget - v) / 2 : std::min(3u, budget / 2);
        for (unsigned int i = 0; i < v + e; ++i) {
            received[order[i]] = static_cast<unsigned short>((received[order[i]] + 1) % c.fieldSize);
            if (i < v) {
                erasures.push_back(order[i]);
            }
        }
    }
    std::vector<unsigned short> words(c.n);
    for (auto _ : state) {
        std::copy(received.begin(), received.end(), words.begin());
        unsigned int const ok = c.decode(words.data(), c.n, c.n - c.s, static_cast<unsigned int>(erasures.size()),
                                         erasures.data(), c.reserve);
        benchmark::DoNotOptimize(ok);
        if (ok == 0 || words != codeword) {
            state.SkipWithError("not corrected");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()));
}

void RunSyndromes(benchmark::State& state, Case const& c, SyndromeRoute route)
{
    std::mt19937 random(1);
    std::vector<unsigned short> const codeword = MakeCodeword(c, random);
    if (codeword.empty()) {
        state.SkipWithError("no codeword");
        return;
    }
    std::vector<unsigned short> syndromes(c.s);
    std::vector<unsigned short> scratch(SyndromeScratchEntries(c.n));
    for (auto _ : state) {
        bool const zero = ComputeSyndromes(*c.field, c.firstRoot, codeword.data(), c.n, c.s, syndromes.data(),
                                           scratch.data(), static_cast<unsigned int>(scratch.size()), route);
        benchmark::DoNotOptimize(zero);
        if (!zero) {
            state.SkipWithError("not a codeword");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<long long>(state.iterations()));
}

} // namespace

int main(int argc, char** argv)
{
    static auto const d = std::make_unique<Decoders>();
    static GaloisFieldModuloPrimeNumber<929> const gf929(3);
    static GaloisFieldModuloPrimeNumber<113> const gf113(3);
    static GaloisFieldModuloPowerOfTwo<8> const gf256qr(0x11D);
    static GaloisFieldModuloPowerOfTwo<8> const gf256(0x12D);
    static GaloisFieldModuloPowerOfTwo<4> const gf16(0x13);
    static GaloisFieldModuloPowerOfTwo<6> const gf64(0x43);
    static GaloisFieldModuloPowerOfTwo<10> const gf1024(0x409);
    static GaloisFieldModuloPowerOfTwo<12> const gf4096(0x1069);
    auto aztec = [](unsigned int bits) {
        return [bits](unsigned short* w, unsigned int n, unsigned int k, unsigned int v, unsigned short const* e,
                      unsigned int) {
            return d->aztec.CorrectErrors(w, bits, n, k, v, e, nullptr);
        };
    };
    static std::vector<Case> const cases{
        // PDF417 level 5 on a mid-size symbol; DotCode's largest block; QR version 40-L blocks;
        // Data Matrix 144x144 blocks; Aztec at the largest symbols of each codeword size.
        {"PDF417_GF929/n400_s64", &gf929, 1, 929, 400, 64, 2, true,
         [](unsigned short* w, unsigned int n, unsigned int k, unsigned int v, unsigned short const* e,
            unsigned int r) {
             return d->pdf417.CorrectErrors(w, n, k, v, e, r, nullptr);
         }},
        {"DotCode_GF113/n112_s40", &gf113, 1, 113, 112, 40, 2, true,
         [](unsigned short* w, unsigned int n, unsigned int k, unsigned int v, unsigned short const* e,
            unsigned int r) {
             unsigned int corrected = 0;
             return d->dotCode.CorrectErrors(w, n, k, v, e, r, corrected) ? 1u : 0u;
         }},
        {"QR_GF256/n148_s30", &gf256qr, 0, 256, 148, 30, 0, true,
         [](unsigned short* w, unsigned int n, unsigned int k, unsigned int v, unsigned short const* e,
            unsigned int r) {
             return d->qr.CorrectErrors(w, n, k, v, e, r, nullptr);
         }},
        {"DataMatrix_GF256/n218_s62", &gf256, 1, 256, 218, 62, 0, true,
         [](unsigned short* w, unsigned int n, unsigned int k, unsigned int v, unsigned short const* e, unsigned int) {
             return d->dataMatrix.CorrectErrors(w, n, k, v, e, nullptr);
         }},
        {"AztecMode_GF16/n10_s6", &gf16, 1, 16, 10, 6, 0, false,
         [](unsigned short* w, unsigned int n, unsigned int k, unsigned int, unsigned short const*, unsigned int) {
             unsigned int corrected = 0;
             return d->aztec.CorrectErrorsModeMessage(w, n, k, corrected) ? 1u : 0u;
         }},
        {"Aztec_GF64/n48_s24", &gf64, 1, 64, 48, 24, 0, true, aztec(6)},
        {"Aztec_GF256/n240_s120", &gf256, 1, 256, 240, 120, 0, true, aztec(8)},
        {"Aztec_GF1024/n364_s206", &gf1024, 1, 1024, 364, 206, 0, true, aztec(10)},
        {"Aztec_GF1024/n1020_s340", &gf1024, 1, 1024, 1020, 340, 0, true, aztec(10)},
        {"Aztec_GF4096/n1664_s560", &gf4096, 1, 4096, 1664, 560, 0, true, aztec(12)},
    };
    for (Case const& c : cases) {
        benchmark::RegisterBenchmark((c.name + "/clean").c_str(), [&c](benchmark::State& s) {
            Run(s, c, Damage::kNone);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((c.name + "/three_errors").c_str(), [&c](benchmark::State& s) {
            Run(s, c, Damage::kThreeErrors);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((c.name + "/at_limit").c_str(), [&c](benchmark::State& s) {
            Run(s, c, Damage::kAtLimit);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((c.name + "/syndromes_fastest").c_str(), [&c](benchmark::State& s) {
            RunSyndromes(s, c, SyndromeRoute::kFastest);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((c.name + "/syndromes_vector_shuffles").c_str(), [&c](benchmark::State& s) {
            RunSyndromes(s, c, SyndromeRoute::kVectorShuffles);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((c.name + "/syndromes_table_lookups").c_str(), [&c](benchmark::State& s) {
            RunSyndromes(s, c, SyndromeRoute::kTableLookups);
        })->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
