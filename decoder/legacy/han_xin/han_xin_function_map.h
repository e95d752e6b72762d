#pragma once

// The function modules of a Han Xin symbol: the four 9 x 9 corner regions
// (finder pattern, separator, function information), the alignment lines and
// the assistant patterns on the symbol's edges. Everything else carries data.

constexpr unsigned short kHanXinFunctionModule = 2;

// Sets every function module of a symbol of the version to 2 in grid (rows of
// stride kHanXinMaxSize) and leaves the other cells as they are; -1 for a
// version outside 1-84.
int MarkHanXinFunctionModules(unsigned short* grid, int version);

// Writes the colours of the alignment lines of a symbol of the version into
// grid (1 dark, 0 light; rows of stride kHanXinMaxSize), the corner regions
// and assistant patterns as 2, and leaves the other cells as they are; -1
// for a version outside 1-84.
int MarkHanXinAlignmentColours(unsigned short* grid, int version);
