#pragma once

// Reed-Solomon correction of the Han Xin code words through the engine's
// corrector: the data blocks over GF(256) modulo x^8 + x^6 + x^5 + x + 1, the
// function information over GF(16) modulo x^4 + x + 1, both with the first
// root alpha^1. A word is k data symbols followed by n - k check symbols.
//
// Both answer the number of corrected symbols (0 for a clean word), or -1
// with the word left as it came. reserve check symbols are kept for detection
// only: with e errors the word is corrected when 2e <= n - k - reserve.
int CorrectHanXinBlock(unsigned short* word, int n, int k, int reserve);
int CorrectHanXinFunctionWord(unsigned short* word, int n, int k, int reserve);

// Builds the two fields' tables; the correctors call it themselves the first time.
void InitTables_CHINA();
