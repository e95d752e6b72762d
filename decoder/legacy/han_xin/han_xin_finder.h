#pragma once

#include "decoder/legacy/han_xin/han_xin_image.h"
#include "decoder/legacy/han_xin/han_xin_runs.h"

// Han Xin finder patterns: 7 x 7 modules of nested dark L shapes around a
// 3 x 3 dark block. A line through the block towards the L's corner reads
// 1:1:1:1:3 (3:1:1:1:1 the other way) at any angle within the quadrant of the
// corner, so scan lines in two directions meet every finder of a symbol.

struct CHINA_FINDER_INFO_st {
    double x;       // centre of the 3 x 3 block, pixels
    double y;
    double module;  // module size, pixels
    double vertex;  // direction (radians, screen axes) from the block to the L's corner
    int corner;     // 0 top left, 1 top right, 2 bottom right, 3 bottom left; -1 unknown
    int valid;
    int inverted;   // 1: a light pattern on a dark ground
};

constexpr int kHanXinMaxFinders = 8;
extern CHINA_FINDER_INFO_st CHINA_finder[kHanXinMaxFinders];
extern int CHINA_finder_count;

void init_CHINA_finder();           // no finder held
void init_CHINA_searched_area();    // no candidate examined on this image
void init_CHINA_found_finder_count();  // no symbol handled on this image

// Searches the line from (x0, y0) to (x1, y1) and keeps each new finder
// pattern it crosses, dark on light or light on dark: the number added.
int HanXinSearchLine(HanXinImage const& image, double x0, double y0, double x1, double y1);

// Offers the candidate centred near (x, y), the pattern about width pixels
// wide, its L's corner towards towardCorner: outlined and kept unless it was
// examined before (a finder met earlier whose symbol was not tried is kept
// again). A candidate not yet verified on lines of its own is first checked
// on rays beside the line. 1 when a finder was added.
int HanXinOfferCandidate(HanXinImage const& image, double x, double y, double width, double towardCorner,
                         bool verified);

// Whether (x, y) lies in a held finder, an area examined on this image or
// the outline of a symbol already handled.
bool HanXinCandidateKnown(double x, double y);

// Whether a finder verified earlier on this image lies at (x, y).
bool HanXinEarlierFinderAt(double x, double y);

// Checks a candidate met on a line: a block centred near (x, y), the pattern
// width about width pixels. Fills finder (corner -1) and answers true for a
// finder pattern.
bool HanXinVerifyFinder(HanXinImage const& image, double x, double y, double width, CHINA_FINDER_INFO_st* finder);

// Measures the direction of the finder's L corner to a degree (the search
// takes it to a few).
void HanXinRefineVertex(HanXinImage const& image, CHINA_FINDER_INFO_st* finder);

// Scans rows and columns of the frame within reach of finder (the newest; a
// symbol of the largest version) for the symbol's other finders: on the run
// windows of the lines (sampled through record), or with rays the ray
// checks of the line search.
void search_remaining_finders_CHINA(HanXinImage const& image, CHINA_FINDER_INFO_st const& finder,
                                    CHINA_RUNLENGTH_st* record, bool rays);

// Exchanges two finder records.
void swap_finder_CHINA(CHINA_FINDER_INFO_st* a, CHINA_FINDER_INFO_st* b);

// Picks the finders that make up the newest finder's symbol and numbers their
// corners: CHINA_finder[corner] for corners 0-3, invalid records where no
// finder was kept. The number kept (1 to 4); with one or two kept, turning
// the numbering (HanXinTurnCorners) may give the symbol's own. -1 without a
// finder.
int adjust_finder_circulation_CHINA();

// Moves every record one corner on (corner 3 to 0).
void HanXinTurnCorners();

// Marks finders as tried on this image: only the one given, or (null) every
// valid record of the table.
void HanXinSetFindersTried(CHINA_FINDER_INFO_st const* only);

// Remembers the outline of a symbol handled on this image; candidates inside
// it are skipped from then on.
void HanXinAddFoundArea(double const* xs, double const* ys);
