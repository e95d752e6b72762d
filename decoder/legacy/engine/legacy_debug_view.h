#pragma once

// The engine's drawing, timing and log hooks. They act only while a view is
// attached (a bench or the simulator asking to see what the engine does);
// otherwise every hook returns at once and the time queries answer 0.
//
// The view's buffers belong to whoever attaches it: the engine writes into
// them and never allocates. Decoder thread only.

#include <cstdarg>

struct POINT_st;
struct RUNLEN_OUT;

struct LegacyDebugView {
    // width x height grey samples (0 .. 1023), row after row; nullptr: no
    // drawing. Marks outside it are dropped.
    unsigned short* overlay;
    int width;
    int height;
    // Text log of logCapacity bytes, always NUL-terminated; nullptr: no log.
    // A line that does not fit is dropped and counted in dropped.
    char* log;
    int logCapacity;
    int logLength;
    int dropped;
    // Set by the engine: the frame has been laid under the overlay.
    int backgroundLaid;
};

// Attaches a view (nullptr detaches it). The overlay is cleared.
void SimulationC_AttachView(LegacyDebugView* view);
LegacyDebugView* SimulationC_GetView();

// Grey levels of the marks.
inline constexpr int kDebugMarkLine = 700;      // a scan line
inline constexpr int kDebugMarkEdge = 1023;     // a grey-run edge
inline constexpr int kDebugMarkSharpEdge = 900; // a sharpened-run edge
inline constexpr int kDebugMarkRegion = 300;    // the central decode regions
inline constexpr int kDebugMarkRead = 0;        // a symbol read
inline constexpr int kDebugMarkNearRead = 150;  // the centre of a failed read

// Starts the image anew: overlay cleared to black, the frame not laid yet.
void SimulationC_Clear();
// Lays the frame under the overlay at half brightness (once per image).
void SimulationC_LayFrame(unsigned short const* pixels, int width, int height, int pitch);

// Marks: a pixel; an engine point; an engine point in 1/32 pixel; a line
// between two pixels or two engine points; an axis-parallel rectangle
// (inclusive bounds); the quadrilateral of four corners.
void SimulationC_DrawPoint(int x, int y, int grey);
void SimulationC_DrawPointA(POINT_st const* p, int grey);
void SimulationC_DrawPointAF(POINT_st const* p, int grey);
void SimulationC_DrawLine(int x0, int y0, int x1, int y1, int grey);
void SimulationC_DrawLineA(POINT_st const* a, POINT_st const* b, int grey);
void SimulationC_DrawRect(int left, int top, int right, int bottom, int grey);
void SimulationC_DrawRectA(int const* xs, int const* ys, int grey);

// Timing from the last SimulationC_InitializeTimer: processor time (clock)
// and elapsed time (time), in microseconds (count) or milliseconds.
void SimulationC_InitializeTimer();
long SimulationC_GetClockCount();
long SimulationC_GetClockMilliSeconds();
long SimulationC_GetTimeCount();
long SimulationC_GetTimeMilliSeconds();

// One formatted line into the log.
void SimulationC_PutFormatStringToLog(char const* format, ...) __attribute__((format(printf, 1, 2)));

// The run lengths of the driver's last line, kept in two plot tables and
// marked along the line: every edge of the grey runs and of the sharpened
// runs, at its position on the line from (x0, y0) to (x1, y1).
void PlotRunLength(RUNLEN_OUT const* grey, RUNLEN_OUT const* sharp, int x0, int y0, int x1, int y1);
// The plot tables: the runs of the last plotted line and their count.
unsigned short const* GetRunLengthPlot(int table, int* count);
