#pragma once

// The readers' entry points that the legacy decode driver and the common
// finder search call; the MaxiCode and Han Xin readers define them.
// "Nothing here" is 129, or -1 for the Han Xin line search.
// Answers with bit 7 set are failures throughout the engine.

struct POINT_st;

// MaxiCode.
// Is the candidate a bull's-eye? runs: `count` run lengths (1/32 pixel)
// centred on the middle run; first/last: the outer ends of the first and last
// run on the scan line. 23 when accepted, 129 otherwise.
int MX_check_finderH3(int* runs, int count, POINT_st* first, POINT_st* last, int colour, int selector,
                      int convention);
// The same check for every ring pattern along the line from start to end, cut
// into runs on its own: a small bull's-eye whose rings the search's parallel
// lines do not all cross, or a blurred one its runs lose. 23 or 129.
int MX_check_line(POINT_st const* start, POINT_st const* end);
// The older search along a horizontal line's stored runs: copy_runlength_MX
// takes `count` runs (1/32 pixel, the first one dark) and `lead`, the first
// run's position on its line, into the finder's horizontal run buffer (-1 for
// no runs, else the runs kept); search_finder_mx then hands every window of
// eleven runs, dark first, with the bull's-eye's proportions to
// MX_check_finderH3 (a few windows a line at most): 23 or 129. The line runs
// left to right along a row; the copied runs must stay in place until the
// search ends (the check re-measures into the same buffer, and the search
// copies them back after each check).
int copy_runlength_MX(unsigned short const* runs, int count, int lead);
int search_finder_mx(POINT_st const* start, POINT_st const* end, int colour);
// Reads the symbol around the accepted bull's-eye: 23 read, 24 one part of a
// structured-append series, 129 nothing.
int dec_maxi2(int mode);
void reset_max00();  // engine start
void reset_max01();  // per image
void reset_max02();  // before each finder search
int GetMaxiMode();   // the mode of the last symbol read

// Han Xin.
// Searches one scan line for a finder pattern: 0 when one was added, -1 none.
int search_finder_CHINA(POINT_st* start, POINT_st* end, int mode);
// Is there a finder pattern on a vertical line through `point`? `modules`
// modules span `width` (1/32 pixel). 53 yes, 129 no.
unsigned CHINA_check_finderH3(POINT_st* point, int modules, int width, int mode);
// Reads the symbol of the finders found: 53 read and filed, 129 nothing.
int decode_china();
void reset_china00();  // engine start
void reset_china01();  // per image
void reset_china02();  // before each finder search
