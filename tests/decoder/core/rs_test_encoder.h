#pragma once
// Test-side systematic Reed-Solomon encoder, syndrome check and reference decoder,
// written straight from the definition (generator with the roots alpha^b .. alpha^(b+s-1), check
// words = -(data x^s mod generator)) so that it shares nothing with the decoder.

#include <algorithm>
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

using Poly = std::vector<unsigned short>; // coefficient i of x^i

struct Outcome {
    unsigned int answer = 0;
    std::vector<unsigned short> words;
    unsigned int located = 0;
};

inline unsigned short Evaluate(DEC2DIvra::FiniteField const& f, Poly const& p, unsigned short x)
{
    unsigned short value = 0;
    for (std::size_t i = p.size(); i-- > 0;) {
        value = f.Add(f.Multiply(value, x), p[i]);
    }
    return value;
}

inline int Degree(Poly const& p)
{
    for (std::size_t i = p.size(); i-- > 0;) {
        if (p[i] != 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

inline std::vector<unsigned short> Syndromes(DEC2DIvra::FiniteField const& f, unsigned int b,
                                             std::vector<unsigned short> const& r, unsigned int s)
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

// A plain errors-and-erasures decoder from the textbook: syndromes by definition,
// Berlekamp-Massey with the correction term shifted every step, the full evaluator,
// a root search by evaluation, and the corrected word checked by its syndromes.
// Same contract as CorrectReedSolomonBlock on well-formed calls.
inline Outcome ReferenceDecode(DEC2DIvra::FiniteField const& f, unsigned int b, std::vector<unsigned short> r,
                               unsigned int k, std::vector<unsigned short> const& erasures,
                               unsigned int reserve)
{
    Outcome refused{0, r, 0};
    unsigned int const n = static_cast<unsigned int>(r.size());
    unsigned int const s = n - k;
    unsigned int const v = static_cast<unsigned int>(erasures.size());
    if (v > s - reserve) {
        return refused;
    }
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

} // namespace rs_test
