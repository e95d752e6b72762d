#pragma once

#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/han_xin/han_xin_runs.h"

// The finder search on run lengths: windows of five runs that read
// 1:1:1:1:3 (or 3:1:1:1:1), checked on lines of their own laid across the
// pattern through its centre, then outlined and kept.

// Searches the line from start to end (line mode 1 grey, 2 sharpened) for
// finder patterns: the number of finders added.
int SearchChinaFinderLine(POINT_st start, POINT_st end, int lineMode);

// The run-window search on the runs of line (sampled, beginning dark): the
// number of finders added.
int SearchChinaFinderRuns(CHINA_RUNLENGTH_st const& line);

// Verifies a window (its start and end points, from the L's side to the
// block, and its width T in 1/32 pixel) on two lines through centre turned
// from it, in the order of the angle table in force: true when both read the
// pattern.
bool VerifyChinaFinderAcross(POINT_st windowStart, POINT_st windowEnd, POINT_st centre, int width, int lineMode);

// The least width (1/32 pixel) of a finder window: 14 pixels.
constexpr int kChinaLeastWindow = 449;
