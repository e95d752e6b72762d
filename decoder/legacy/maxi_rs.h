#pragma once

// The engine's shared Reed-Solomon corrector over GF(2^m) (first codeword the
// highest power; roots from alpha^0 for mode 0, alpha^1 otherwise). Answers 0
// for a clean word, the number of corrected codewords, or -1 with the word as
// it came.
int CorrectErrs_COM(int mode, unsigned short* codewords, int* logTable, int* powerTable, int fieldSize, int n, int k,
                    int erasureCount, unsigned short* erasures, int reserve);
