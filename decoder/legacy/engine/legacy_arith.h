#pragma once

// The legacy engine's integer arithmetic: signed multi-precision integers for
// exact least-squares sums, an integer square root, grey clamping, a binary
// search over sorted keys, an iterative quicksort, and the reciprocal tables
// that stand in for small divisions in the scan-line code.

// A signed integer of 75 bits: words 0 .. 4 the magnitude in base 2^15, least
// significant first; word 5 the sign (0 positive or zero, 1 negative). The
// operations answer 0, or -1 on overflow with the result truncated to 75 bits;
// the result may be one of the operands.
struct MULTIPREC_st {
    unsigned short w[6];
};

int multprec_init(MULTIPREC_st* x, int v);
// The same from a 64-bit value, for products of two 32-bit values.
int multprec_init64(MULTIPREC_st* x, long long v);
int multprec_copy(MULTIPREC_st* dst, MULTIPREC_st const* src);
// Magnitudes compared: 1 when |a| < |b|, -1 when |a| > |b|, 0 when equal.
int multprec_ucmp(MULTIPREC_st const* a, MULTIPREC_st const* b);
int multprec_add(MULTIPREC_st* dst, MULTIPREC_st const* a, MULTIPREC_st const* b);
int multprec_sub(MULTIPREC_st* dst, MULTIPREC_st const* a, MULTIPREC_st const* b);
int multprec_mul(MULTIPREC_st* dst, MULTIPREC_st const* a, int m);
// s > 0 shifts the magnitude left (-1 when bits are lost), s < 0 right, truncating.
int multprec_shift(MULTIPREC_st* dst, MULTIPREC_st const* a, int s);
// Truncating division; a divisor above 65536 in magnitude is halved, with the
// dividend shifted right alike, until it is at most 65536. d = 0 answers -1 and
// leaves dst unchanged.
int multprec_div(MULTIPREC_st* dst, MULTIPREC_st const* a, int d);
// The value as 32 bits; -1 (and the value wrapped) when it does not fit.
int multprec_transform(int* out, MULTIPREC_st const* x);
int multprec_negative(MULTIPREC_st* x);
// Does nothing and answers 0 (a hook for a self-test of the operations).
int multprec_test();

// 0 for v < 0, else floor(sqrt(v)).
int int_sqrt33(int v);
// v clamped to the 10-bit grey range 0 .. 1023.
int clip256(int v);

// Binary search of key in keys[0 .. n) (ascending): values[index] with *index
// set, or -1 with *index the last probe (0 when none).
int COM_tree_search(int* index, int const* keys, int const* values, int n, int key);

// Sorts keys[0 .. n) ascending. Mode 2 applies each exchange to companion too;
// mode 3 hands each exchange to exchangeEntries (the result table's entry
// exchange); other modes sort the keys alone. Answers 0, or -1 when the range
// stack would overflow (not possible below 2^30 keys).
int quick_sort_2(int* keys, int* companion, int n, int mode, void (*exchangeEntries)(int, int) = nullptr);
// One partition of keys[lo .. hi] around keys[hi]; answers the pivot's place.
int partition(int* keys, int* companion, int lo, int hi, int mode, void (*exchangeEntries)(int, int) = nullptr);

// Reciprocal tables, built once at engine start: Division256[k] = 65536 / k
// and Division256OCT[k] = 256 / k for k = 1 .. 255 (entry 0 stays 0);
// DivisionLap[i] = 16384 / (i + 20) for i = 0 .. 255.
extern int Division256[256];
extern int Division256OCT[256];
extern int DivisionLap[256];
void Init_Division256();
void Init_Division256OCT();
void Init_DivisionLap();
// x / k through the tables, for k = 1 .. 255.
int Divide256(int x, int k);
int Divide256OCT(int x, int k);

// The length of (a, b): sqrt(a^2 + b^2) in single precision, truncated.
int g_pita(int a, int b);
// The XOR of the low bytes of n 16-bit words (0 .. 255; 0 for n = 0), the
// check byte of a block sent to or from flash.
int CalcBcc(unsigned short const* data, unsigned long n);
