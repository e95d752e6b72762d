// The legacy engine's Reed-Solomon correction per block, at the readers' block
// shapes: a clean block (syndromes, and the field tables taken over) and one
// damaged up to the correction limit.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "decoder/legacy/engine/legacy_rs.h"

namespace {

struct Shape {
    unsigned int bits;
    unsigned int polynomial;
    int mode;
    int n;
    int k;
};

Shape const kShapes[] = {
    {6, 0x43, 2, 20, 10},     // MaxiCode primary
    {6, 0x43, 2, 62, 42},     // MaxiCode secondary half
    {4, 0x13, 3, 7, 3},       // Han Xin function information
    {8, 0x163, 1, 255, 223},  // a long Han Xin data block
};

void Correct(benchmark::State& state)
{
    Shape const& shape = kShapes[state.range(0)];
    bool const damaged = state.range(1) != 0;
    int const size = 1 << shape.bits;
    std::vector<int> logs(static_cast<size_t>(size)), powers(static_cast<size_t>(size));
    BuildGFTables_COM(shape.bits, shape.polynomial, logs.data(), powers.data());
    // A codeword made by the decoder itself: the check words erased.
    std::mt19937 random(115);
    std::vector<unsigned short> word(static_cast<size_t>(shape.n), 0);
    std::vector<unsigned short> erasures;
    for (int i = 0; i < shape.n; ++i) {
        if (i < shape.k) {
            word[static_cast<size_t>(i)] = static_cast<unsigned short>(random() % static_cast<unsigned>(size));
        } else {
            erasures.push_back(static_cast<unsigned short>(i));
        }
    }
    CorrectErrs_COM(shape.mode, word.data(), logs.data(), powers.data(), size, shape.n, shape.k,
                    static_cast<int>(erasures.size()), erasures.data(), 0);
    std::vector<unsigned short> received = word;
    if (damaged) {
        for (int e = 0; e < (shape.n - shape.k) / 2; ++e) {
            received[static_cast<size_t>(e * 3 % shape.n)] ^= 1;
        }
    }
    std::vector<unsigned short> block;
    for (auto _ : state) {
        block = received;
        int const result = CorrectErrs_COM(shape.mode, block.data(), logs.data(), powers.data(), size, shape.n,
                                           shape.k, 0, nullptr, 0);
        benchmark::DoNotOptimize(result);
    }
}

BENCHMARK(Correct)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
