#pragma once

// The common finder search: along one scan segment and two parallel lines
// below it, finds where the runs look like a MaxiCode bull's-eye or a Han Xin
// finder pattern (and not like a bar code) and asks the symbology's own
// finder check. 23 MaxiCode, 53 Han Xin, 129 nothing.

#include "decoder/legacy/engine/legacy_geometry.h"

struct DECODE_EXEC_STATUS_st;

// mode: 1 grey runs, 2 sharpened runs; given back unchanged on a find.
int COM_search_finder(DECODE_EXEC_STATUS_st const* status, POINT_st* start, POINT_st* end, int* mode);
// The step from one line of the triplet to the next, (0, 4) for a
// horizontal segment, (4, 0) vertical, (-4, 4) diagonal with
// x1 - x0 = y1 - y0 and (4, 4) otherwise; answers the direction code below.
int COM_get_line_step(POINT_st const* start, POINT_st const* end, int* stepX, int* stepY);
// count segments parallel to start-end, each one step further (4 pixels
// down, or right for a vertical segment); direction code 0 horizontal,
// 1 vertical, 2 diagonal (x1 - x0 = y1 - y0), 3 other.
int COM_get_plural_lines(int* directionCode, POINT_st* starts, POINT_st* ends, int count, POINT_st const* start,
                         POINT_st const* end);

// The candidates handed to a symbology's finder check since the count was
// last cleared (the last 16 are kept): what the search saw, whatever the
// check answered.
struct COM_FINDER_CANDIDATE_st {
    int symbology;  // 23 MaxiCode check, 53 Han Xin check
    POINT_st centre;
    POINT_st first;
    POINT_st last;
    int runs[12];
    int count;
};
// Candidate i, or null when it is no longer (or not yet) kept.
COM_FINDER_CANDIDATE_st const* COM_get_candidate(int i);
int COM_get_candidate_count();
void COM_clear_candidates();
