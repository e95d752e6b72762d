#include "decoder/legacy/engine/legacy_common_finder.h"

#include <cstdlib>
#include <cstring>

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_run_length.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

namespace {

constexpr int kLines = 3;
constexpr int kStep = 4;             // pixels between the lines
constexpr int kSpacing = 32 * kStep; // in run units: 128
constexpr int kNoise = 64;           // runs under 2 pixels are noise
constexpr int kMaxRuns = 11;         // a finder's runs on one line; 12 means too many

// One line of the triplet: its runs and the positions of its edges.
struct FinderLine {
    unsigned short runs[kLegacyRunCapacity];
    int edge[kLegacyRunCapacity];  // edge[j]: the far end of run j
    int count;
    POINT_st start;
    POINT_st end;
};

FinderLine lines[kLines];

// The state of one search: direction class and signs, the current edge of
// each line and the flags that gate the symbologies' checks.
struct SearchState {
    int directionClass;
    int sx;
    int sy;
    bool maxi;
    bool hanXin;
    int savedMode;
    int startEdge[kLines];  // the main walk's edge of each line
    bool passCount;
    bool singlePass;
    bool hanXinGate;
};

SearchState state;

// Runs handed to a symbology check, and their count per line.
int candidateRuns[kLines][kMaxRuns + 1];
int candidateCount[kLines];
POINT_st candidateStart[kLines];
POINT_st candidateEnd[kLines];
int candidateFrom[kLines];
int candidateTo[kLines];

// The stretches already handed to a check in this search: the many edge
// pairings of lines 1 and 2 collect the same runs again and again, and a
// check answers the same for the same runs and arguments (the key: the
// symbology with the check's variant and parity).
constexpr int kRememberedChecks = 64;
struct CheckedStretch {
    int line;
    int from;
    int to;
    int key;
};
CheckedStretch checkedStretches[kRememberedChecks];
int checkedCount = 0;

int CheckKey(int symbology, int variant, int parity) { return symbology * 100 + variant * 10 + parity; }

bool IsCheckedBefore(int key, int k)
{
    for (int c = 0; c < checkedCount; ++c) {
        CheckedStretch const& s = checkedStretches[c];
        if (s.key == key && s.line == k && s.from == candidateFrom[k] && s.to == candidateTo[k]) {
            return true;
        }
    }
    checkedStretches[checkedCount % kRememberedChecks] = {k, candidateFrom[k], candidateTo[k], key};
    checkedCount = checkedCount < kRememberedChecks ? checkedCount + 1 : checkedCount;
    return false;
}

constexpr int kKeptCandidates = 16;
COM_FINDER_CANDIDATE_st keptCandidates[kKeptCandidates];
int candidatesHanded = 0;

void NoteCandidate(int symbology, POINT_st centre, int const* runs, int n, POINT_st first, POINT_st last)
{
    COM_FINDER_CANDIDATE_st& lastCandidate = keptCandidates[candidatesHanded % kKeptCandidates];
    lastCandidate.symbology = symbology;
    lastCandidate.centre = centre;
    lastCandidate.first = first;
    lastCandidate.last = last;
    lastCandidate.count = n < 12 ? n : 12;
    for (int t = 0; t < lastCandidate.count; ++t) {
        lastCandidate.runs[t] = runs[t];
    }
    ++candidatesHanded;
}

int Sign(int v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

int Abs(int v) { return v < 0 ? -v : v; }

// The image point at run position p along line k.
POINT_st COM_ryo2xy(int k, int p)
{
    FinderLine const& line = lines[k];
    POINT_st out{line.start.x, line.start.y};
    if (state.directionClass <= 3) {
        out.x = (32 * line.start.x + state.sx * p + 16) >> 5;
        out.y = (32 * line.start.y + state.sy * p + 16) >> 5;
    } else {
        transfer_ryo2xyB(&out.x, &out.y, p, line.start.x, line.start.y, line.end.x, line.end.y);
    }
    return out;
}

int EdgeAt(int k, int j) { return j < 0 ? 0 : lines[k].edge[j]; }

// Takes the lead-in step off the margin run (the step from the white sample
// taken to precede the line), so that positions count from the first pixel's
// centre, and merges noise runs.
int COM_trim_margin_runs(FinderLine& line, int count)
{
    if (count <= 0) {
        return 0;
    }
    int const lead = 32;
    if (line.runs[0] >= lead) {
        line.runs[0] = static_cast<unsigned short>(line.runs[0] - lead);
    } else if (count > 1) {
        int const rest = lead - line.runs[0];
        line.runs[0] = 0;
        line.runs[1] = static_cast<unsigned short>(line.runs[1] > rest ? line.runs[1] - rest : 0);
    }
    int const kept = ex_cut_noize(line.runs, nullptr, kNoise, 0);
    int sum = 0;
    for (int j = 0; j < kept; ++j) {
        sum += line.runs[j];
        line.edge[j] = sum;
    }
    return kept;
}

// The alignment windows of lines 1 and 2: the edges of line k within
// 256 k of a position of line 0, [lower - 1, upper). The positions asked for
// only grow, so both indices move on from where the last edge left them.
struct AlignState {
    int lower[kLines];
    int upper[kLines];
};

AlignState align;

void COM_align_plural_lines(AlignState& a, int p0, int* lo, int* hi)
{
    for (int k = 1; k < kLines; ++k) {
        FinderLine const& line = lines[k];
        int const reach = 2 * kSpacing * k;
        while (a.lower[k] < line.count && line.edge[a.lower[k]] < p0 - reach) {
            ++a.lower[k];
        }
        a.upper[k] = a.upper[k] > a.lower[k] ? a.upper[k] : a.lower[k];
        while (a.upper[k] < line.count && line.edge[a.upper[k]] <= p0 + reach) {
            ++a.upper[k];
        }
        lo[k] = a.lower[k] > 0 ? a.lower[k] - 1 : 0;
        hi[k] = a.upper[k];
    }
}

// Widths in modules of n runs spanning `modules` modules in all but the
// middle one, from their pair sums. Answers the summed deviation from one
// module of every run but the middle one; the middle run's width goes to
// *middle.
int ModuleDeviation(int const* runs, int n, int* middle)
{
    int const mid = n / 2;
    int total = 0;
    for (int j = 0; j < n; ++j) {
        total += j == mid ? 0 : runs[j];
    }
    if (total <= 0) {
        *middle = 0;
        return 1 << 20;
    }
    auto scaled = [&](int v) { return (v * (n - 1) + total / 2) / total; };
    int widths[kMaxRuns + 1] = {};
    widths[0] = 1;
    widths[n - 1] = 1;
    for (int j = 1; j <= mid && j < n - 1; ++j) {
        widths[j] = scaled(runs[j - 1] + runs[j]) - widths[j - 1];
    }
    for (int j = n - 2; j > mid; --j) {
        widths[j] = scaled(runs[j] + runs[j + 1]) - widths[j + 1];
    }
    *middle = scaled(runs[mid]);
    // The end runs are taken as one module to start the chain; they must
    // also measure one, or three runs of any widths would pass.
    int deviation = Abs(scaled(runs[0]) - 1) + Abs(scaled(runs[n - 1]) - 1);
    for (int j = 1; j < n - 1; ++j) {
        if (j != mid) {
            deviation += Abs(widths[j] - 1);
        }
    }
    return deviation;
}

// The runs of line k from edge `from` (exclusive) to edge `to` (inclusive).
void CollectRuns(int k, int from, int to)
{
    int n = 0;
    for (int j = from + 1; j <= to && j < lines[k].count; ++j) {
        if (n > kMaxRuns) {
            break;
        }
        candidateRuns[k][n++] = lines[k].runs[j];
    }
    candidateCount[k] = n;
    candidateFrom[k] = from;
    candidateTo[k] = to;
    candidateStart[k] = COM_ryo2xy(k, EdgeAt(k, from));
    candidateEnd[k] = COM_ryo2xy(k, EdgeAt(k, to));
}

// The line with the most collected runs, taken out of the next choice; -1
// when no line has any left.
int TakeLineWithMostRuns(int* n)
{
    int best = -1;
    for (int k = 0; k < kLines; ++k) {
        if (candidateCount[k] > 0 && (best < 0 || candidateCount[k] > candidateCount[best])) {
            best = k;
        }
    }
    if (best >= 0) {
        *n = candidateCount[best];
        candidateCount[best] = 0;
    }
    return best;
}

// The middle of the middle run of the n runs collected on line k.
POINT_st MiddleRunCentre(int k, int n)
{
    int before = 0;
    for (int t = 0; t < n / 2; ++t) {
        before += candidateRuns[k][t];
    }
    return COM_ryo2xy(k, EdgeAt(k, state.startEdge[k]) + before + candidateRuns[k][n / 2] / 2);
}

// Module normalisation of the collected runs and the symbologies' checks.
int COM_check_finder_runs(int variant, int parity)
{
    bool anyTwo = false;
    for (int k = 0; k < kLines; ++k) {
        if (candidateCount[k] == 0) {
            return kLegacyNothing;
        }
        anyTwo = anyTwo || candidateCount[k] >= 2;
    }
    if (!anyTwo) {
        return kLegacyNothing;
    }
    int const passes = state.passCount && !state.singlePass ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        int n = 0;
        int const k = TakeLineWithMostRuns(&n);
        if (k < 0) {
            break;
        }
        if (n > kMaxRuns || n < 2) {
            continue;
        }
        int middle = 0;
        int const deviation = ModuleDeviation(candidateRuns[k], n, &middle);
        // The centre flags belong to this line alone.
        bool const wideForHanXin = parity != 1 || middle > (n == 11 ? 1 : 2);
        bool const wideForMaxi = parity == 1 ? middle > 6 - n / 2 : middle > 6 - (n - 2) / 2;
        // A centre narrower than a module is no finder's centre.
        if ((wideForHanXin && wideForMaxi) || deviation > (n < 4 ? 0 : 2) || middle < 1) {
            continue;
        }
        int total = 0;
        for (int j = 0; j < n; ++j) {
            total += j == n / 2 ? 0 : candidateRuns[k][j];
        }
        POINT_st centre = MiddleRunCentre(k, n);
        if (point_in_valid_region(centre.x, centre.y) == 0) {
            return kLegacyNothing;
        }
        if (state.hanXin && state.hanXinGate && !wideForHanXin && !IsCheckedBefore(CheckKey(kLegacyHanXin, variant, parity), k)) {
            NoteCandidate(kLegacyHanXin, centre, candidateRuns[k], n, candidateStart[k], candidateEnd[k]);
            if (CHINA_check_finderH3(&centre, n - 1, total, state.savedMode) == kLegacyHanXin) {
                return kLegacyHanXin;
            }
        }
        if (state.maxi && state.passCount && !wideForMaxi &&
            !IsCheckedBefore(CheckKey(kLegacyMaxiCode, variant, parity), k)) {
            NoteCandidate(kLegacyMaxiCode, centre, candidateRuns[k], n, candidateStart[k], candidateEnd[k]);
            if (MX_check_finderH3(candidateRuns[k], n, &candidateStart[k], &candidateEnd[k], state.savedMode,
                                  variant, parity) == kLegacyMaxiCode) {
                return kLegacyMaxiCode;
            }
        }
    }
    return kLegacyNothing;
}

// Follows line 0 on from edge i to a closing edge whose partners on lines 1
// and 2 show the outline of a finder rather than of a straight slanted edge.
int COM_search_finder_slant(int variant, int i, int j, int m)
{
    int const parity = i & 1;
    if (variant == 0 && parity != 1) {
        return kLegacyNothing;
    }
    state.startEdge[0] = i;
    state.startEdge[1] = j;
    state.startEdge[2] = m;
    POINT_st const s0 = COM_ryo2xy(0, EdgeAt(0, i));
    POINT_st const s2 = COM_ryo2xy(2, EdgeAt(2, m));
    int const last = i + (parity == 1 ? 7 : 9);
    // The walk on aligns its own copy of the windows, from where the main
    // walk left them at edge i.
    AlignState slant = align;
    for (int e = i + 1; e <= last && e < lines[0].count; ++e) {
        if ((e & 1) == parity) {
            continue;
        }
        int const p0 = lines[0].edge[e];
        int lo[kLines];
        int hi[kLines];
        COM_align_plural_lines(slant, p0, lo, hi);
        for (int e1 = lo[1]; e1 < hi[1]; ++e1) {
            if ((e1 & 1) != (e & 1) || e1 <= j) {
                continue;
            }
            for (int e2 = lo[2]; e2 < hi[2]; ++e2) {
                if ((e2 & 1) != (e & 1) || e2 <= m) {
                    continue;
                }
                int const d1 = lines[1].edge[e1] - p0;
                int const d2 = lines[2].edge[e2] - p0;
                if (variant == 0) {
                    int const limit = Abs(d1) < 130 ? 64 : Abs(d1) / 2;
                    if (Abs(d2 - 2 * d1) >= limit) {
                        continue;
                    }
                    POINT_st const t0 = COM_ryo2xy(0, p0);
                    POINT_st const t2 = COM_ryo2xy(2, lines[2].edge[e2]);
                    long long const ax = s2.x - s0.x, ay = s2.y - s0.y;
                    long long const bx = t2.x - t0.x, by = t2.y - t0.y;
                    if ((ax > 0 && bx > 0) || (ax < 0 && bx < 0)) {
                        continue;  // a straight slanted edge, not an outline
                    }
                    state.passCount = true;
                    long long const dot = ax * bx + ay * by;
                    bool const alike = 100 * dot * dot >= 25 * (ax * ax + ay * ay) * (bx * bx + by * by);
                    state.singlePass = !alike;
                    state.hanXinGate = !alike;
                } else if (variant == 1) {
                    if (!(0 < d2 && d2 < d1 && d1 < 256)) {
                        continue;
                    }
                    state.passCount = true;
                    state.singlePass = false;
                    state.hanXinGate = false;
                } else {
                    if (!(d2 < d1 && d1 < 0 && -d2 < 256)) {
                        continue;
                    }
                    state.passCount = true;
                    state.singlePass = false;
                    state.hanXinGate = false;
                }
                CollectRuns(0, i, e);
                CollectRuns(1, j, e1);
                CollectRuns(2, m, e2);
                int const r = COM_check_finder_runs(variant, parity);
                if (r != kLegacyNothing) {
                    return r;
                }
            }
        }
    }
    return kLegacyNothing;
}

// The odd count of runs from edge `from` whose length comes nearest to half
// a pattern; -1 when fewer than two runs remain.
int RunsNearest(int k, int from, int half)
{
    FinderLine const& line = lines[k];
    if (from + 2 >= line.count) {
        return -1;
    }
    int best = half;
    int bestCount = -1;
    int sum = 0;
    for (int c = 1; from + c < line.count; ++c) {
        sum += line.runs[from + c];
        if ((c & 1) == 0) {
            continue;
        }
        int const miss = Abs(sum - half);
        if (miss > best) {
            break;
        }
        best = miss;
        bestCount = c;
    }
    return bestCount;
}

// The tries with patterns of 7, 11 and 9 modules across the runs after edges
// (i, j, m); answers a symbology check's result, or 129.
int TryPatterns(int i, int j, int m, int M)
{
    int const from[kLines] = {i, j, m};
    static int const kWidths[3] = {7, 11, 9};
    for (int W : kWidths) {
        int const half = (W * M + 1) / 2;
        int counts[kLines];
        int smallest = 1 << 20;
        for (int k = 0; k < kLines; ++k) {
            counts[k] = RunsNearest(k, from[k], half);
            if (counts[k] < 0) {
                return kLegacyNothing;
            }
            smallest = counts[k] < smallest ? counts[k] : smallest;
        }
        if (smallest > W) {
            continue;
        }
        int const e0 = EdgeAt(0, i + counts[0]);
        int const e1 = EdgeAt(1, j + counts[1]);
        int const e2 = EdgeAt(2, m + counts[2]);
        bool const collinear = Abs(e2 - e0 - 2 * (e1 - e0)) <= 63;
        bool const equal = counts[0] == counts[1] && counts[1] == counts[2];
        if (equal && !(W == 9 && counts[0] == 9 && 3 * M >= 1025 && collinear)) {
            if (W == 9) {
                return kLegacyNothing;
            }
            continue;
        }
        if (!equal && !collinear) {
            continue;
        }
        for (int k = 0; k < kLines; ++k) {
            state.startEdge[k] = from[k];
            CollectRuns(k, from[k], from[k] + counts[k]);
        }
        for (int attempt = 0; attempt < 3; ++attempt) {
            int n = 0;
            int const k = TakeLineWithMostRuns(&n);
            if (k < 0) {
                break;
            }
            if (n > kMaxRuns || n < 3) {
                continue;
            }
            int total = 0;
            for (int t = 0; t < n; ++t) {
                total += candidateRuns[k][t];
            }
            // Run widths in modules from the pair sums, the first run one module.
            bool accepted = total > 0;
            int previous = 1;
            for (int t = 1; t < n && accepted; ++t) {
                int const pair = ((candidateRuns[k][t - 1] + candidateRuns[k][t]) * W + total / 2) / total;
                int const width = pair - previous;
                accepted = width == (t == n / 2 ? W - n + 1 : 1);
                previous = width;
            }
            if (!accepted) {
                continue;
            }
            POINT_st const centre = MiddleRunCentre(k, n);
            if (point_in_valid_region(centre.x, centre.y) == 0) {
                break;
            }
            if (W == 9 && state.maxi && !IsCheckedBefore(CheckKey(kLegacyMaxiCode, 0, 1), k)) {
                NoteCandidate(kLegacyMaxiCode, centre, candidateRuns[k], n, candidateStart[k], candidateEnd[k]);
                int const r = MX_check_finderH3(candidateRuns[k], n, &candidateStart[k], &candidateEnd[k],
                                                state.savedMode, 0, 1);
                if (r == kLegacyNothing) {
                    continue;
                }
                return (r & 0x80) != 0 ? kLegacyNothing : r;
            }
        }
    }
    return kLegacyNothing;
}

int ResultOfSlant(int r) { return (r & 0x80) != 0 ? kLegacyNothing : r; }

// The next five runs after edge e of line k, from `first` on.
bool ScreenRuns(int i, int j, int m)
{
    int const from[kLines] = {i, j, m};
    int sum0 = 0;
    int largestDifference = 0;
    for (int k = 0; k < kLines; ++k) {
        int shortest = 1 << 20;
        for (int t = 1; t <= 5; ++t) {
            int const idx = from[k] + t;
            if (idx >= lines[k].count) {
                break;
            }
            int const run = lines[k].runs[idx];
            shortest = run < shortest ? run : shortest;
            if (k == 0) {
                sum0 += run;
            } else if (i + t < lines[0].count) {
                int const d = Abs(run - lines[0].runs[i + t]);
                largestDifference = d > largestDifference ? d : largestDifference;
            }
        }
        if (shortest < kNoise) {
            return false;
        }
    }
    // Bar codes cross the three lines alike; a finder's rings do not.
    return sum0 < 10 * largestDifference;
}

int SearchEdgePair(int i, int j, int m)
{
    int const parity = i & 1;
    int const p0 = lines[0].edge[i];
    int const d1 = lines[1].edge[j] - p0;
    int const d2 = lines[2].edge[m] - p0;
    bool straight = Abs(d2 - 2 * d1) <= 63 && Abs(d1) <= 2 * kSpacing;
    bool steep = false;
    if (straight) {
        if (parity == 0 && Abs(d1) >= kSpacing) {
            straight = false;
        } else if (parity == 1 && Abs(d1) >= kSpacing) {
            return ResultOfSlant(COM_search_finder_slant(0, i, j, m));
        } else if (parity == 1 && Abs(d1) >= kSpacing / 2) {
            steep = true;
        }
    }
    if (!straight) {
        // A slanted edge: lines 0, 1 and 2 meet it at growing offsets.
        if (Abs(d1) > 32 && Abs(d1) < 64) {
            if (d1 < 0 && d2 < 0 && d2 > d1 && -d1 < 256) {
                return ResultOfSlant(COM_search_finder_slant(1, i, j, m));
            }
            if (d1 > 0 && d2 > 0 && d2 > d1 && d2 < 256) {
                return ResultOfSlant(COM_search_finder_slant(2, i, j, m));
            }
        }
        return kLegacyNothing;
    }
    if (i + 2 < lines[0].count && j + 2 < lines[1].count && m + 2 < lines[2].count) {
        if (!ScreenRuns(i, j, m)) {
            return kLegacyNothing;
        }
        // Two modules: the pair of runs after the edge, on the line where it is
        // narrowest, must be between 1.5 and 3 times its first run.
        int const from[kLines] = {i, j, m};
        int M = 1 << 20;
        int R = 0;
        for (int k = 0; k < kLines; ++k) {
            int const pair = lines[k].runs[from[k] + 1] + lines[k].runs[from[k] + 2];
            if (pair < M) {
                M = pair;
                R = lines[k].runs[from[k] + 1];
            }
        }
        if (M < (3 * R) / 2 || M > 3 * R) {
            return kLegacyNothing;
        }
        int const r = TryPatterns(i, j, m, M);
        if (r != kLegacyNothing) {
            return r;
        }
    }
    if (steep) {
        return ResultOfSlant(COM_search_finder_slant(0, i, j, m));
    }
    return kLegacyNothing;
}

}  // namespace

COM_FINDER_CANDIDATE_st const* COM_get_candidate(int i)
{
    if (i < 0 || i >= candidatesHanded || i < candidatesHanded - kKeptCandidates) {
        return nullptr;
    }
    return &keptCandidates[i % kKeptCandidates];
}

int COM_get_candidate_count() { return candidatesHanded; }

void COM_clear_candidates() { candidatesHanded = 0; }

int COM_get_line_step(POINT_st const* start, POINT_st const* end, int* stepX, int* stepY)
{
    int const dx = end->x - start->x;
    int const dy = end->y - start->y;
    *stepX = kStep;
    *stepY = kStep;
    if (dy == 0) {
        *stepX = 0;
        return 0;
    }
    if (dx == 0) {
        *stepY = 0;
        return 1;
    }
    if (dx == dy) {
        *stepX = -kStep;
        return 2;
    }
    return 3;
}

int COM_get_plural_lines(int* directionCode, POINT_st* starts, POINT_st* ends, int count, POINT_st const* start,
                         POINT_st const* end)
{
    int stepX = 0;
    int stepY = 0;
    *directionCode = COM_get_line_step(start, end, &stepX, &stepY);
    for (int k = 0; k < count; ++k) {
        starts[k] = POINT_st{start->x + k * stepX, start->y + k * stepY};
        ends[k] = POINT_st{end->x + k * stepX, end->y + k * stepY};
    }
    return 0;
}

int COM_search_finder(DECODE_EXEC_STATUS_st const* status, POINT_st* start, POINT_st* end, int* mode)
{
    state = SearchState{};
    checkedCount = 0;
    state.maxi = status->flag[kLegacyFlagMaxi] != 0;
    state.hanXin = status->flag[kLegacyFlagHanXin] != 0;
    bool const further = status->flag[kLegacyFlagAztec] != 0;
    reset_max02();
    reset_china02();
    if (!state.maxi && !state.hanXin && !further) {
        return kLegacyNothing;
    }
    int directionCode = 0;
    POINT_st starts[kLines];
    POINT_st ends[kLines];
    COM_get_plural_lines(&directionCode, starts, ends, kLines, start, end);
    for (int k = 0; k < kLines; ++k) {
        FinderLine& line = lines[k];
        line.start = starts[k];
        line.end = ends[k];
        if (point_in_inner_frame(starts[k].x, starts[k].y, 0) == 0 ||
            point_in_inner_frame(ends[k].x, ends[k].y, 0) == 0) {
            return kLegacyNothing;
        }
        int samples = 0;
        if (scan_pdf_1D78(starts[k].x, starts[k].y, ends[k].x, ends[k].y, 0, &samples) != 0) {
            return kLegacyNothing;
        }
        RUNLEN_OUT const& runs = *mode == 2 ? MULTI_RunlenB : MULTI_RunlenA;
        int const n = runs.count + 3 < kLegacyRunCapacity ? runs.count : kLegacyRunCapacity - 3;
        std::memcpy(line.runs, runs.runs, (n + 3) * sizeof(unsigned short));
        line.runs[n] = line.runs[n + 1] = kLegacyRunEnd;
        line.count = COM_trim_margin_runs(line, n);
    }
    state.savedMode = *mode;
    int const dx = end->x - start->x;
    int const dy = end->y - start->y;
    state.directionClass = dy == 0 ? 0 : (dx == 0 ? 2 : (dx == dy ? 1 : (dx == -dy ? 3 : 4)));
    state.sx = Sign(dx);
    state.sy = Sign(dy);
    if (lines[0].count == 0) {
        return kLegacyNothing;
    }
    align = AlignState{};
    for (int i = 0; i < lines[0].count; ++i) {
        int lo[kLines];
        int hi[kLines];
        COM_align_plural_lines(align, lines[0].edge[i], lo, hi);
        for (int j = lo[1]; j < hi[1]; ++j) {
            if ((j & 1) != (i & 1)) {
                continue;
            }
            for (int m = lo[2]; m < hi[2]; ++m) {
                if ((m & 1) != (i & 1)) {
                    continue;
                }
                int const r = SearchEdgePair(i, j, m);
                if (r != kLegacyNothing) {
                    *mode = state.savedMode;
                    return r;
                }
            }
        }
    }
    // A bull's-eye whose rings the three lines do not all cross: the windows
    // of a row's own runs, then (for what those runs lose: rings under about
    // four pixels a module near the noise width, blur) the line cut anew.
    if (state.maxi && state.directionClass == 0 && lines[0].count > 1 &&
        copy_runlength_MX(lines[0].runs + 1, lines[0].count - 1, lines[0].runs[0]) > 0 &&
        search_finder_mx(start, end, state.savedMode) == kLegacyMaxiCode) {
        *mode = state.savedMode;
        return kLegacyMaxiCode;
    }
    if (state.maxi && MX_check_line(start, end) == kLegacyMaxiCode) {
        return kLegacyMaxiCode;
    }
    return kLegacyNothing;
}
