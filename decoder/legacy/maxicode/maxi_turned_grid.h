#pragma once

// The MaxiCode grid placed by turning the whole orientation pattern about
// the bull's-eye: the turn and scale where all its modules fit best, the
// reference rows spaced evenly from the clusters (attempts 0 and 1), through
// the projective map of the clusters found one by one (attempt 2) or walked
// out with centring (attempt 3). Tried after the grid grown from the
// clusters found degree by degree, for the symbols that one does not read.

// Samples MX_bits and Modl as ModuleLocation does: 0 when filled, 1 when the
// orientation pattern was not found.
int LocateTurnedGrid(int cx, int cy, int top, int bottom, int left, int right, int attempt);

// Forgets the bull's-eye searched last (a new image).
void ForgetTurnedGrid();
