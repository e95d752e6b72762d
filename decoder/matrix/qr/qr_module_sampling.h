#pragma once

#include "decoder/matrix/qr/qr_sampler.h"

namespace DEC2DIvra {

// The grey values at a row of points (module centres), each as
// QRSampler::At reads it (points inside the frame by the interior read),
// clamped to 0..1023.
void SampleModuleRow(QRSampler const& sampler, QRPoint const* points, unsigned count, unsigned short* out);

// Blur spreads each module into its neighbours: a quarter of its difference
// to their mean is added once more, clamped to 0..1023. Past the symbol's
// edge a module stands for its missing neighbour. Values are 0..1023.
void SharpenModules(unsigned short const* sampled, unsigned short* sharpened, unsigned size);

// Dark and light modules against a threshold: each dark flag set, each value
// turned into its distance from the threshold, and the sums the contrast
// check needs. Values are 0..1023.
struct ModuleSplit {
    long long darkSum = 0;
    long long allSum = 0;
    unsigned darkCount = 0;
};
ModuleSplit SplitModules(unsigned short* values, unsigned char* dark, unsigned count, int threshold);

// Swaps a square table over its diagonal.
template <class T>
void Transpose(T* table, unsigned size)
{
    for (unsigned y = 0; y < size; ++y) {
        for (unsigned x = y + 1; x < size; ++x) {
            T const t = table[y * size + x];
            table[y * size + x] = table[x * size + y];
            table[x * size + y] = t;
        }
    }
}

}  // namespace DEC2DIvra
