#include "decoder/legacy/han_xin/han_xin_runs.h"

#include "decoder/legacy/engine/legacy_run_length.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"

#include <cstdlib>

CHINA_RUNLENGTH_st CHINA_runlength_info_VERIFY;
CHINA_RUNLENGTH_st CHINA_runlength_info_2ND;
CHINA_RUNLENGTH_st CHINA_runlength_info_REMAINING;
unsigned short CHINA_runlength_int[kChinaLineRuns];

namespace {

unsigned short gVerifyRuns[kChinaVerifyRuns];

// The maker's records and buffers (one line at a time).
struct Maker {
    MAKETH_INFO th;
    PICLINE_INFO line;
    FILTER_INFO a;
    FILTER_INFO b;
    RUNLEN_INFO ra;
    RUNLEN_INFO rb;
    RUNLEN_OUT oa;
    RUNLEN_OUT ob;
};
Maker gMaker;
unsigned short gThresholds[kLegacyLineSamples];
unsigned short gLineBuffer[2 * kLegacyLineSamples];
unsigned short gGrey[kLegacyLineSamples];
unsigned short gFilteredA[kLegacyLineSamples];
unsigned short gFilteredB[kLegacyLineSamples];
unsigned short gRunsA[kLegacyRunCapacity];
unsigned short gRunsB[kLegacyRunCapacity];

// Position of p along the line from a to b (1/32 pixel of the major axis).
int Along(POINT_st a, POINT_st b, POINT_st p)
{
    int const dx = b.x - a.x;
    int const dy = b.y - a.y;
    if (std::abs(dx) >= std::abs(dy)) {
        return 32 * (p.x - a.x) * (dx < 0 ? -1 : 1);
    }
    return 32 * (p.y - a.y) * (dy < 0 ? -1 : 1);
}

POINT_st At(CHINA_RUNLENGTH_st const& r, int position)
{
    POINT_st p{r.start.x, r.start.y};
    transfer_ryo2xyB(&p.x, &p.y, position, r.start.x, r.start.y, r.end.x, r.end.y);
    return p;
}

// The dark run (even index) of the record at the target's place, with where
// it begins: false when the target lies beyond the runs, on a light run or
// less than four runs in.
bool DarkRunAt(CHINA_RUNLENGTH_st const& record, POINT_st target, int* index, int* begins)
{
    int const position = Along(record.start, record.end, target);
    int at = record.lead;
    int j = 0;
    while (j < record.count && at + record.runs[j] <= position) {
        at += record.runs[j];
        ++j;
    }
    *index = j;
    *begins = at;
    return j < record.count && j % 2 == 0 && j >= 4;
}

}  // namespace

void reset_CHINA_runlength_param()
{
    CHINA_runlength_info_VERIFY = CHINA_RUNLENGTH_st{};
    CHINA_runlength_info_VERIFY.runs = gVerifyRuns;
    CHINA_runlength_info_VERIFY.capacity = kChinaVerifyRuns;
    CHINA_runlength_info_VERIFY.contrast = kChinaThresholdContrast;
    CHINA_runlength_info_2ND = CHINA_runlength_info_VERIFY;
    CHINA_runlength_info_REMAINING = CHINA_runlength_info_VERIFY;
}

int china_make_runlength(CHINA_RUNLENGTH_st* record)
{
    if (record == nullptr || record->runs == nullptr || record->capacity <= 0) {
        return -1;
    }
    record->count = 0;
    record->lead = 0;
    record->sampledFrom = 0;
    record->sampledTo = 0;
    record->sampledLength = 0;
    Maker& m = gMaker;
    m = Maker{};
    set_runlength_pointer(&m.th, &m.line, &m.a, &m.b, &m.oa, &m.ob, gThresholds, gLineBuffer, gGrey, gFilteredA,
                          gFilteredB, gRunsA, gRunsB);
    m.th.mode = 0;
    m.th.minContrast = record->contrast;
    m.th.windowSize = record->window;
    m.th.smoothExponent = 1;
    set_PicLineInfo_param(&m.line, 0, 1, 1, record->start.x, record->start.y, record->end.x, record->end.y);
    bool const sharp = record->lineMode == 2;
    set_Filter_param(&m.a, 0, 0, 0);
    set_Filter_param(&m.b, sharp ? 1 : 0, 0, 0);
    set_RunlenInfo_param(&m.ra, 0, sharp ? 0 : 1, 0, 0, record->runParameter, 0);
    set_RunlenInfo_param(&m.rb, 0, sharp ? 3 : 0, 0, 0, record->runParameter, 0);
    if (BC_make_runlength4(&m.th, &m.line, &m.a, &m.b, &m.ra, &m.rb, &m.oa, &m.ob) != 0) {
        return -1;
    }
    RUNLEN_OUT const& out = sharp ? m.ob : m.oa;
    int const made = out.count < 0 ? 0 : (out.count > kLegacyRunCapacity - 3 ? kLegacyRunCapacity - 3 : out.count);
    int first = 0;
    long total = 0;
    if (made > 0 && out.firstColour == 0) {
        // The runs the finder reads begin dark.
        record->lead = out.runs[0];
        total = out.runs[0];
        first = 1;
    }
    int n = 0;
    for (int i = first; i < made && n < record->capacity; ++i) {
        record->runs[n++] = out.runs[i];
        total += out.runs[i];
    }
    record->count = n;
    record->sampledTo = static_cast<int>(total);
    record->sampledLength = record->sampledTo - record->sampledFrom;
    return 0;
}

int ChinaPatternStart(CHINA_RUNLENGTH_st const& record, POINT_st target)
{
    int j = 0;
    int at = 0;
    if (!DarkRunAt(record, target, &j, &at)) {
        return -1;
    }
    for (int i = 1; i <= 4; ++i) {
        at -= record.runs[j - i];
    }
    return at;
}

int verify_china_finder_sequence(POINT_st start, POINT_st end, POINT_st target, CHINA_RUNLENGTH_st* record,
                                 POINT_st* points, int* runs, bool relaxed)
{
    if (record == nullptr || point_in_inner_frame(start.x, start.y, 1) == 0 ||
        point_in_inner_frame(end.x, end.y, 1) == 0) {
        return -1;
    }
    record->start = start;
    record->end = end;
    if (china_make_runlength(record) != 0) {
        return -1;
    }
    int j = 0;
    int at = 0;
    if (!DarkRunAt(*record, target, &j, &at)) {
        return -1;
    }
    int r[5];
    int from = at;
    long T = 0;
    for (int i = 0; i < 5; ++i) {
        r[i] = record->runs[j - 4 + i];
        T += r[i];
    }
    for (int i = 0; i < 4; ++i) {
        from -= record->runs[j - 1 - i];
    }
    if (T <= 0) {
        return -1;
    }
    // Module widths from the pair sums (edge to edge of like edges), the
    // first run counting as one module.
    int widths[5] = {1, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        long const p = r[i] + r[i + 1];
        int const modules = static_cast<int>((14 * p + T) / (2 * T));
        widths[i + 1] = modules - widths[i];
    }
    bool const strict = widths[1] == 1 && widths[2] == 1 && widths[3] == 1 && widths[4] == 3;
    bool const loose = widths[1] == 1 && widths[2] == 1 && widths[3] == 2 && widths[4] == 2;
    if (!strict && !(relaxed && loose)) {
        return -1;
    }
    if (points != nullptr) {
        points[0] = At(*record, from);
        points[1] = At(*record, at + r[4] / 2);
        points[2] = At(*record, at + r[4]);
    }
    if (runs != nullptr) {
        for (int i = 0; i < 5; ++i) {
            runs[i] = r[i];
        }
    }
    return 0;
}
