#pragma once

// Polynomials over the field of the legacy engine's Reed-Solomon corrector:
// coefficient of x^k at index k, the degree passed apart. The field is the
// one last given by SetGFTable or by a call of CorrectErrs_COM (its power
// table, logarithm table and size q = 2^m); coefficients are field elements
// 0 .. q - 1, added by XOR.
//
// Module state: decoder thread only, as the corrector.

// Sets the field's tables alone (power[e] for 0 <= e < q - 1, log[a] for
// 1 <= a < q). The tables are the caller's and must outlive their use.
void SetGFTable(int const* powerTable, int const* logTable, int fieldSize);

// out = a times b over degA + degB + 1 coefficients; *degOut is degA + degB
// lowered past leading zero coefficients (not below 0). With degB below 0 only
// *degOut = degA + degB is set. Answers degB + 1, or -1 (nothing written)
// when no field is set or a degree is out of range.
int GFconv_COM(int const* a, int const* b, int* out, int degA, int degB, int* degOut);

// Long division of a by b after both lose their leading zero coefficients:
// -1 when b is the zero polynomial (or no field is set), else 0. When deg a
// is below deg b the quotient is 0 (degree 0) and the remainder is a;
// otherwise the quotient has degree deg a - deg b. *degR is the remainder's
// degree, 0 for a zero remainder. quotient and remainder hold degA + 1
// coefficients at least.
int GFdeconv_COM(int const* a, int const* b, int* quotient, int* remainder, int degA, int degB, int* degQ,
                 int* degR);
