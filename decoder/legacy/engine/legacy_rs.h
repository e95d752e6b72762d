#pragma once

// Reed-Solomon correction for the legacy engine's readers (MaxiCode blocks,
// Han Xin function information and data), over a field GF(2^m) whose tables
// the reader passes: logTable[a] for 1 <= a < fieldSize and powerTable[e] for
// 0 <= e < fieldSize - 1. codewords[0] is the highest power; the last n - k
// words are the check words. mode 0 puts the code's roots at alpha^0,
// alpha^1, ...; any other mode at alpha^1, alpha^2, ....
//
// Answers 0 when the word was already a codeword (nothing changed), the number
// of corrected positions (errors plus erasures) after a correction, and -1 with
// the codewords as they came when the word cannot be corrected: a correction is
// accepted only when its locator has exactly as many roots inside the word as
// its degree, 2 errors + erasures fit the check words less the reserve, and the
// corrected word has all-zero syndromes. Erasure indices outside the word are
// ignored. Blocks longer than the field allows (n >= fieldSize), tables that do
// not describe a field, and codewords outside the field are refused.
//
// Uses the engine's fixed working records: one call at a time, decoder thread only.
int CorrectErrs_COM(int mode, unsigned short* codewords, int const* logTable, int const* powerTable, int fieldSize,
                    int n, int k, int erasureCount, unsigned short const* erasures, int reserve);

// Fills the int tables CorrectErrs_COM takes for GF(2^bits) built from the
// primitive polynomial (with its x^bits term: 0x43 for GF(64), 0x13 for GF(16),
// 0x163 for GF(256)), alpha = x: logTable[0 .. 2^bits) (entry 0 set to 0) and
// powerTable[0 .. 2^bits) (the last entry repeats alpha^0). False, with
// nothing usable written, for a polynomial that is not primitive of that degree.
bool BuildGFTables_COM(unsigned int bits, unsigned int polynomial, int* logTable, int* powerTable);
