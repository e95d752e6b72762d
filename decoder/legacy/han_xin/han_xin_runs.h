#pragma once

#include "decoder/legacy/engine/legacy_geometry.h"

// The run lengths the Han Xin finder works on: a line of the frame sampled
// through the engine's run-length maker, cut at thresholds that follow the
// local contrast, noise runs merged, and rewritten to begin with a dark run.
// Lengths and positions are 1/32 pixel along the line's major axis.

constexpr int kChinaLineRuns = 2560;
constexpr int kChinaVerifyRuns = 1280;
constexpr int kChinaThresholdContrast = 120;

struct CHINA_RUNLENGTH_st {
    POINT_st start;
    POINT_st end;
    int lineMode;         // 1 grey, 2 sharpened (Laplacian)
    int runParameter;     // runs shorter than this are merged as noise; 0 none
    int window;           // threshold window, pixels
    int contrast;         // least spread of a window that sets its own threshold
    int lead;             // length of the light run cut off before the first dark one
    unsigned short* runs; // out: the runs, the first dark
    int capacity;         // entries runs holds
    int count;            // out: runs written
    int sampledFrom;      // out: where the sampled stretch begins and ends
    int sampledTo;
    int sampledLength;    // out: sampledTo - sampledFrom
};

// The record of the line being searched, of the verification lines, and the
// copies the reader makes of the latter for the remaining finders and the
// function information.
extern CHINA_RUNLENGTH_st CHINA_runlength_info_VERIFY;
extern CHINA_RUNLENGTH_st CHINA_runlength_info_2ND;
extern CHINA_RUNLENGTH_st CHINA_runlength_info_REMAINING;
// The runs of the line being searched.
extern unsigned short CHINA_runlength_int[kChinaLineRuns];

// Points the records at their run buffers and clears their counts.
void reset_CHINA_runlength_param();

// Samples the record's line and fills its runs: 0, or -1 when the line
// cannot be sampled (outside the frame, too short for its window).
int china_make_runlength(CHINA_RUNLENGTH_st* record);

// Samples the line from start to end into record and judges the five runs
// that end with the dark run at target's place on it: 0 when their module
// widths read 1, 1, 1, 1, 3 (also 1, 1, 1, 2, 2 when relaxed), with points =
// the pattern's start, the middle of its last run and its end, and runs =
// the five runs (1/32 pixel). Both ends must lie inside the frame.
int verify_china_finder_sequence(POINT_st start, POINT_st end, POINT_st target, CHINA_RUNLENGTH_st* record,
                                 POINT_st* points, int* runs, bool relaxed = false);

// Where on record's line (1/32 pixel from its start) the five runs that
// verify_china_finder_sequence judged about target begin, or -1.
int ChinaPatternStart(CHINA_RUNLENGTH_st const& record, POINT_st target);
