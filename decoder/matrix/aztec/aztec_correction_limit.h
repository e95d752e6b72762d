#pragma once

namespace DEC2DIvra {

// The most codeword errors that the Aztec data correction may fix in a block
// of n codewords of `bits` bits, k of them data. Correcting up to the full
// (n - k) / 2 lets a badly damaged symbol with few check words land on
// another codeword: for a compact 1-layer symbol with 4 check words about 3 %
// of unreadable blocks do. The limit is the largest count whose chance that a
// random block falls within it of some codeword stays at most kChance; the
// check words beyond it only detect.
unsigned AztecCorrectionLimit(unsigned n, unsigned k, unsigned bits);

// One in ten thousand.
constexpr double kAztecMiscorrectionChance = 1e-4;

}  // namespace DEC2DIvra
