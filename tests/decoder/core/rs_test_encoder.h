#pragma once
// Test-side systematic Reed-Solomon encoder and syndrome check, written straight
// from the definition (generator with the roots alpha^b .. alpha^(b+s-1), check
// words = -(data x^s mod generator)) so that it shares nothing with the decoder.

#include <vector>

#include "decoder/core/arithmetic/finite_field.h"

namespace rs_test {

// Appends s check words to data (data[0] is the highest power).
inline std::vector<unsigned short> Encode(DEC2DIvra::FiniteField const& field, unsigned int firstRoot,
                                          std::vector<unsigned short> data, unsigned int s)
{
    // Generator coefficients, highest power first, monic.
    std::vector<unsigned short> generator{1};
    for (unsigned int j = 0; j < s; ++j) {
        unsigned short const root = field.Power(firstRoot + j);
        std::vector<unsigned short> next(generator.size() + 1, 0);
        for (std::size_t i = 0; i < generator.size(); ++i) {
            next[i] = field.Add(next[i], generator[i]);
            next[i + 1] = field.Subtract(next[i + 1], field.Multiply(generator[i], root));
        }
        generator = next;
    }
    std::vector<unsigned short> remainder(data);
    remainder.resize(data.size() + s, 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        unsigned short const factor = remainder[i];
        if (factor == 0) {
            continue;
        }
        for (std::size_t j = 0; j < generator.size(); ++j) {
            remainder[i + j] = field.Subtract(remainder[i + j], field.Multiply(factor, generator[j]));
        }
    }
    for (unsigned int j = 0; j < s; ++j) {
        data.push_back(field.Negate(remainder[remainder.size() - s + j]));
    }
    return data;
}

// True when the word vanishes at alpha^b .. alpha^(b+s-1).
inline bool IsCodeword(DEC2DIvra::FiniteField const& field, unsigned int firstRoot,
                       std::vector<unsigned short> const& word, unsigned int s)
{
    for (unsigned int j = 0; j < s; ++j) {
        unsigned short const root = field.Power(firstRoot + j);
        unsigned short value = 0;
        for (unsigned short c : word) {
            if (c >= field.Size()) {
                return false;
            }
            value = field.Add(field.Multiply(value, root), c);
        }
        if (value != 0) {
            return false;
        }
    }
    return true;
}

} // namespace rs_test
