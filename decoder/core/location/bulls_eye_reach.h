#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"

namespace DEC2DIvra {

// How far, in pixels along the rows and columns, the symbol around an Aztec
// bull's-eye reaches from its centre: walking out along the row and the
// column through the centre, each way, the symbol ends where three parallel
// lines a module apart all meet no ink (grey near the bull's-eye's own ink)
// for kGapModules modules. Data seldom leaves twelve modules without ink
// across three lines, and the central reference lines of a full-range symbol
// never do. The farthest way counts (a turned symbol reaches farthest along
// its diagonal), at most a 32-layer symbol's half diagonal. 0 when the rings
// show no contrast or are not square (bars met at a slant pass the
// sighting's run tests at times).
int MeasureBullsEyeReach(GrayImage const& image, FinderSighting const& eye);

inline constexpr int kGapModules = 4;
// Ring edges out from the centre that the square test measures: a compact
// bull's-eye has four before its mode message.
inline constexpr int kRingEdges = 4;
// 151 modules across, and its quiet zone.
inline constexpr int kMaxReachModules = 110;

}  // namespace DEC2DIvra
