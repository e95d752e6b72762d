#pragma once
// Reed-Solomon decoding of one block with errors and erasures, shared by the
// symbology decoders. The block is codewords[0 .. n) with the n - k check words
// last; codewords[i] is the coefficient of x^(n-1-i), and the code's generator has
// the roots alpha^firstRoot .. alpha^(firstRoot + n - k - 1).
//
// Erasures are positions whose value is unknown; an erased position may hold any
// value (one outside the field counts as 0). With v erasures and e errors the block
// is corrected when v + 2e <= n - k - reserve; the reserve keeps check words back
// for detection only, so that a misread symbol is not "corrected" into another.
//
// Answers nonzero on success, with the codewords corrected in place and *located
// (when given) set to e + v; answers 0 and leaves the codewords exactly as they came
// when the input is malformed (n not below the field size, n not above k, an
// erasure index outside the block or listed twice, a codeword outside the field that
// is not erased) or the block cannot be corrected within the limit.

#include "decoder/core/arithmetic/finite_field.h"
#include "decoder/core/arithmetic/rs_syndromes.h"

namespace DEC2DIvra {

// The work buffers of one decoding, each of capacity entries (the polynomials one
// more), with capacity the longest block that the owner accepts.
struct RSdecodingWork {
    unsigned short* syndromes;
    unsigned short* locator;
    unsigned short* previous;
    unsigned short* scratch;
    unsigned short* evaluator;
    unsigned short* derivative;
    unsigned short* positions;
    unsigned short* saved;
    unsigned char* erased;
    unsigned int capacity;
    // SyndromeScratchEntries(capacity) entries for the vector route of the
    // syndromes; null keeps them to table look-ups.
    unsigned short* syndromeScratch;
};

unsigned int CorrectReedSolomonBlock(FiniteField const& field, unsigned int firstRoot, RSdecodingWork const& work,
                                     unsigned short* codewords, unsigned int n, unsigned int k,
                                     unsigned int erasureCount, unsigned short const* erasures, unsigned int reserve,
                                     unsigned int* located);

// The fixed work area for blocks of up to Capacity codewords.
template <unsigned int Capacity> class RSdecodingOfBlock {
    static_assert(Capacity >= 1 && Capacity <= 65535, "positions are 16-bit");

public:
    unsigned int Correct(FiniteField const& field, unsigned int firstRoot, unsigned short* codewords, unsigned int n,
                         unsigned int k, unsigned int erasureCount, unsigned short const* erasures,
                         unsigned int reserve, unsigned int* located)
    {
        RSdecodingWork const work{syndromes_,  locator_,   previous_, scratch_, evaluator_,
                                  derivative_, positions_, saved_,    erased_,  Capacity, syndromeScratch_};
        return CorrectReedSolomonBlock(field, firstRoot, work, codewords, n, k, erasureCount, erasures, reserve,
                                       located);
    }

private:
    unsigned short syndromes_[Capacity] = {};
    unsigned short locator_[Capacity + 1] = {};
    unsigned short previous_[Capacity + 1] = {};
    unsigned short scratch_[Capacity + 1] = {};
    unsigned short evaluator_[Capacity + 1] = {};
    unsigned short derivative_[Capacity + 1] = {};
    unsigned short positions_[Capacity] = {};
    unsigned short saved_[Capacity] = {};
    unsigned char erased_[Capacity] = {};
    unsigned short syndromeScratch_[SyndromeScratchEntries(Capacity)] = {};
};

} // namespace DEC2DIvra
