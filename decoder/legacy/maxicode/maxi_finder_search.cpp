// The bull's-eye search along one horizontal scan line's stored runs: every
// window of eleven runs, dark first, whose rings and centre have the
// bull's-eye's proportions goes to the finder check.
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/maxicode/maxi_finder_check.h"

namespace {

// The stored runs last copied: the check re-measures its horizontal line
// into the same buffer, so the search copies them back after each check.
unsigned short const* g_source = nullptr;
int g_count = 0;
int g_lead = 0;
// Each check measures several lines: a line's windows are not all tried.
constexpr int kMaxiSearchChecks = 8;

// Any line across concentric rings meets them alike on both sides of the
// centre: the runs at equal distance from the centre run within 5 : 3 of
// each other. Bar codes crossed by a row pass the proportions above often
// enough to cost a check a window; they seldom mirror themselves.
bool Symmetric(int const* w)
{
    for (int k = 1; k <= 4; ++k) {
        int const a = w[5 - k];
        int const b = w[5 + k];
        if (4 * (a > b ? a - b : b - a) > a + b) {
            return false;
        }
    }
    return true;
}

}  // namespace

int copy_runlength_MX(unsigned short const* runs, int count, int lead)
{
    g_source = nullptr;
    g_count = 0;
    if (runs == nullptr || count < 1) {
        return -1;
    }
    g_source = runs;
    g_count = count < kMaxiCheckRuns ? count : kMaxiCheckRuns;
    g_lead = lead < 0 ? 0 : lead;
    memcpy_usho2int(MX_Bg32lenbarA, runs, g_count);
    MX_start_SIRO_lenbar = g_lead;
    return g_count;
}

int search_finder_mx(POINT_st const* start, POINT_st const* end, int colour)
{
    if (start == nullptr || end == nullptr || start->y != end->y || end->x <= start->x) {
        return 129;
    }
    int checks = 0;
    int position = MX_start_SIRO_lenbar;  // 1/32 pixel from start
    // Dark runs lie at even indices: the windows step two runs at a time.
    for (int s = 0; s + 11 <= g_count && checks < kMaxiSearchChecks; s += 2) {
        int window[11];
        int total = 0;
        for (int k = 0; k < 11; ++k) {
            window[k] = MX_Bg32lenbarA[s + k];
            total += window[k];
        }
        int const from = position;
        position += MX_Bg32lenbarA[s] + MX_Bg32lenbarA[s + 1];
        if (MaxiRingWindowFits(window, 5) == 0 || !Symmetric(window)) {
            continue;
        }
        POINT_st first{(32 * start->x + from + 16) >> 5, start->y};
        POINT_st last{(32 * start->x + from + total + 16) >> 5, start->y};
        int const centre = from + window[0] + window[1] + window[2] + window[3] + window[4] + window[5] / 2;
        if (point_in_valid_region((32 * start->x + centre + 16) >> 5, start->y) == 0) {
            continue;
        }
        ++checks;
        if (MX_check_finderH3(window, 11, &first, &last, colour, 0, 0) == 23) {
            return 23;
        }
        copy_runlength_MX(g_source, g_count, g_lead);
    }
    return 129;
}
