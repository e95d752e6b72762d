#pragma once

// Small dense linear systems of the legacy engine's least-squares fits.

// Solves the n x n system held in the first n columns of `m` with the right
// side in column n (n at most 8), by elimination with partial pivoting. False
// when the system is singular or n is out of range. `m` is overwritten.
bool SolveLinearSystem(double (*m)[9], int n, double* solution);
