#pragma once
// Syndromes of a received Reed-Solomon block: S_j = r(alpha^(firstRoot + j)) for
// j < count, where codewords[i] is the coefficient of x^(n-1-i) of r and a value
// outside the field (an erased word) counts as 0.

#include "decoder/core/arithmetic/finite_field.h"

namespace DEC2DIvra {

// The value of word i as the syndromes and the correction see it.
inline unsigned short ReceivedValue(unsigned short const* codewords, unsigned int i, unsigned int size)
{
    return codewords[i] < size ? codewords[i] : 0;
}

// kFastest takes the processor's vector unit where it has one and the block is long
// enough to pay for it, with its affine byte transform where it has that too;
// kVectorShuffles is the vector route without that transform (byte shuffles
// through tables); kTableLookups is the plain route through the power and
// logarithm tables. All give the same syndromes bit for bit.
enum class SyndromeRoute { kFastest, kVectorShuffles, kTableLookups };

// The scratch the vector route needs for blocks of up to capacity words (entries).
constexpr unsigned int SyndromeScratchEntries(unsigned int capacity)
{
    return (capacity + 31) / 32 * 32;
}

// Fills syndromes[0 .. count) and answers whether every one is 0. Needs n < q,
// count <= n and firstRoot < q - 1. scratch (scratchEntries entries) may be null,
// which leaves the table route.
bool ComputeSyndromes(FiniteField const& field, unsigned int firstRoot, unsigned short const* codewords, unsigned int n,
                      unsigned int count, unsigned short* syndromes, unsigned short* scratch,
                      unsigned int scratchEntries, SyndromeRoute route = SyndromeRoute::kFastest);

} // namespace DEC2DIvra
