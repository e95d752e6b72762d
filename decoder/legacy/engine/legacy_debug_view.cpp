#include "decoder/legacy/engine/legacy_debug_view.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_pattern_subroutine.h"
#include "decoder/legacy/engine/legacy_pattern_walk.h"
#include "decoder/legacy/engine/legacy_run_length_records.h"

namespace {

LegacyDebugView* attached = nullptr;

std::chrono::steady_clock::time_point timeOrigin;
std::clock_t clockOrigin = 0;

// The runs of the last plotted line.
unsigned short plotTables[2][kLegacyRunCapacity];
int plotCounts[2];

// Sets each visited overlay sample to one grey level.
struct MarkSubrutine {
    tagSubrutineFunction function;
    unsigned short grey;
};

int Mark(void* record, tagGrayImage_t const*, void const* item)
{
    if (item != nullptr) {
        *const_cast<unsigned short*>(static_cast<unsigned short const*>(item)) =
            static_cast<MarkSubrutine*>(record)->grey;
    }
    return kSubrutineNoOperation;
}

unsigned short Grey(int grey) { return static_cast<unsigned short>(std::clamp(grey, 0, 1023)); }

// The overlay as a pattern image, so that the pattern walks draw on it.
bool OverlayImage(tagGrayImage_t* image)
{
    if (attached == nullptr || attached->overlay == nullptr || attached->width <= 0 || attached->height <= 0) {
        return false;
    }
    *image = tagGrayImage_t{};
    InitializeGrayImage(image, attached->overlay, attached->width, attached->height);
    return image->pixels != nullptr;
}

// The segment from a to b, both ends marked.
void Segment(tagPoint_t a, tagPoint_t b, int grey)
{
    tagGrayImage_t image;
    if (!OverlayImage(&image)) {
        return;
    }
    MarkSubrutine mark{Mark, Grey(grey)};
    tagSegment_t const segment{a, b};
    AlongSegment(&image, &segment, 1, &mark);
    ExecuteSubrutine(&mark, &image, SampleAt(&image, &b));
}

}  // namespace

void SimulationC_AttachView(LegacyDebugView* view)
{
    attached = view;
    SimulationC_Clear();
}

LegacyDebugView* SimulationC_GetView() { return attached; }

void SimulationC_Clear()
{
    if (attached == nullptr) {
        return;
    }
    attached->backgroundLaid = 0;
    if (attached->overlay != nullptr && attached->width > 0 && attached->height > 0) {
        std::fill_n(attached->overlay, static_cast<long>(attached->width) * attached->height, 0);
    }
}

void SimulationC_LayFrame(unsigned short const* pixels, int width, int height, int pitch)
{
    if (attached == nullptr || attached->backgroundLaid != 0 || attached->overlay == nullptr || pixels == nullptr ||
        pitch < width) {
        return;
    }
    int const w = std::min(width, attached->width);
    int const h = std::min(height, attached->height);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            attached->overlay[static_cast<long>(y) * attached->width + x] =
                static_cast<unsigned short>(std::min<int>(pixels[static_cast<long>(y) * pitch + x], 1023) / 2);
        }
    }
    attached->backgroundLaid = 1;
}

void SimulationC_DrawPoint(int x, int y, int grey)
{
    tagGrayImage_t image;
    if (!OverlayImage(&image)) {
        return;
    }
    MarkSubrutine mark{Mark, Grey(grey)};
    tagPoint_t const p{x, y};
    ExecuteSubrutine(&mark, &image, SampleAt(&image, &p));
}

void SimulationC_DrawPointA(POINT_st const* p, int grey) { SimulationC_DrawPoint(p->x, p->y, grey); }

void SimulationC_DrawPointAF(POINT_st const* p, int grey)
{
    // Nearest pixel of a position in 1/32 pixel.
    SimulationC_DrawPoint((p->x + 16) >> 5, (p->y + 16) >> 5, grey);
}

void SimulationC_DrawLine(int x0, int y0, int x1, int y1, int grey) { Segment({x0, y0}, {x1, y1}, grey); }

void SimulationC_DrawLineA(POINT_st const* a, POINT_st const* b, int grey)
{
    SimulationC_DrawLine(a->x, a->y, b->x, b->y, grey);
}

void SimulationC_DrawRect(int left, int top, int right, int bottom, int grey)
{
    int const xs[4] = {left, right, right, left};
    int const ys[4] = {top, top, bottom, bottom};
    SimulationC_DrawRectA(xs, ys, grey);
}

void SimulationC_DrawRectA(int const* xs, int const* ys, int grey)
{
    for (int k = 0; k < 4; ++k) {
        Segment({xs[k], ys[k]}, {xs[(k + 1) % 4], ys[(k + 1) % 4]}, grey);
    }
}

void SimulationC_InitializeTimer()
{
    if (attached == nullptr) {
        return;
    }
    timeOrigin = std::chrono::steady_clock::now();
    clockOrigin = std::clock();
}

long SimulationC_GetClockCount()
{
    if (attached == nullptr) {
        return 0;
    }
    return static_cast<long>((std::clock() - clockOrigin) * (1000000.0 / CLOCKS_PER_SEC));
}

long SimulationC_GetClockMilliSeconds() { return SimulationC_GetClockCount() / 1000; }

long SimulationC_GetTimeCount()
{
    if (attached == nullptr) {
        return 0;
    }
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - timeOrigin).count());
}

long SimulationC_GetTimeMilliSeconds() { return SimulationC_GetTimeCount() / 1000; }

void SimulationC_PutFormatStringToLog(char const* format, ...)
{
    if (attached == nullptr || attached->log == nullptr || attached->logCapacity <= 0) {
        return;
    }
    int const used = std::clamp(attached->logLength, 0, attached->logCapacity - 1);
    int const room = attached->logCapacity - used;
    va_list args;
    va_start(args, format);
    int const n = std::vsnprintf(attached->log + used, static_cast<std::size_t>(room), format, args);
    va_end(args);
    if (n < 0 || n + 1 >= room) {
        // A line cut short would read as a whole one: drop it.
        attached->log[used] = '\0';
        ++attached->dropped;
        return;
    }
    attached->log[used + n] = '\n';
    attached->log[used + n + 1] = '\0';
    attached->logLength = used + n + 1;
}

void PlotRunLength(RUNLEN_OUT const* grey, RUNLEN_OUT const* sharp, int x0, int y0, int x1, int y1)
{
    RUNLEN_OUT const* const sources[2] = {grey, sharp};
    int const marks[2] = {kDebugMarkEdge, kDebugMarkSharpEdge};
    long const dx = x1 - x0;
    long const dy = y1 - y0;
    long const major = std::max(std::labs(dx), std::labs(dy));
    for (int t = 0; t < 2; ++t) {
        RUNLEN_OUT const* runs = sources[t];
        int n = 0;
        if (runs != nullptr && runs->runs != nullptr) {
            int const limit = std::clamp(runs->count, 0, kLegacyRunCapacity);
            while (n < limit && runs->runs[n] != kLegacyRunEnd) {
                plotTables[t][n] = runs->runs[n];
                ++n;
            }
        }
        plotCounts[t] = n;
        if (attached == nullptr || major == 0) {
            continue;
        }
        // Each edge at its distance (1/32 pixel along the major axis) from
        // the line's begin; the last run ends at the line's end, no edge.
        long along = 0;
        for (int i = 0; i + 1 < n; ++i) {
            along += plotTables[t][i];
            POINT_st const p{static_cast<int>(x0 * 32L + along * dx / major),
                             static_cast<int>(y0 * 32L + along * dy / major)};
            SimulationC_DrawPointAF(&p, marks[t]);
        }
    }
}

unsigned short const* GetRunLengthPlot(int table, int* count)
{
    int const t = table == 0 ? 0 : 1;
    *count = plotCounts[t];
    return plotTables[t];
}
